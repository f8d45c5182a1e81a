#include "profile/ReportLog.h"
#include "support/QtPrinters.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trevalo::reportlog;

namespace {

/// A report as a run appends it: its header, then its body.
QString report(int number, const QString& body = QStringLiteral("body\n"))
{
    return QStringLiteral("Timestamp (%1):\n").arg(number) + body;
}

TEST(ReportLog, TimestampNumberIsReadAfterTheFirstParenthesis)
{
    const struct Case {
        const char* text;
        int number;
    } cases[] = {
        {"Timestamp (12):\n...", 12}, {"Timestamp ( 7):", 7},     {"Timestamp (3x):", 3},
        {"Timestamp (-4):", -4},      {"no parenthesis", 0},      {"Timestamp ():", 0},
        {"a (1) b (2)", 1},           {"(99999999999)", INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(returnTimestampInt(QString::fromUtf8(c.text)), c.number) << c.text;
}

TEST(ReportLog, SizeTexts)
{
    const struct Case {
        qint64 bytes;
        const char* text;
    } cases[] = {
        {0, "< 1Mb"},
        {999'999, "< 1Mb"},
        {1'000'000, "1.00Mb"},
        {1'234'567, "1.23Mb"},
        // Past 2 GiB the size used to wrap into a negative 32-bit number: "< 1Mb".
        {3'000'000'000, "3000.00Mb"},
        {5'368'709'120, "5368.71Mb"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(humanReadableFileSize(c.bytes), c.text) << c.bytes;
}

TEST(ReportLog, ReportsAreFoundByTheirHeadersInAnyCase)
{
    const QString log =
        report(2) + report(3, "a file called timestamp.txt\n") + "TIMESTAMP (4):\nfour\n" + report(5);
    const ReportLogIndex index(log);
    EXPECT_EQ(index.firstNumber(), 2);
    EXPECT_EQ(index.reportCount(), 5); // four headers and the word inside report 3
    EXPECT_EQ(index.report(3), report(3, "a file called timestamp.txt\n"));
    EXPECT_EQ(index.report(4), QStringLiteral("TIMESTAMP (4):\nfour\n"));
    EXPECT_EQ(index.report(5), report(5)); // the newest runs to the end of the log
    EXPECT_EQ(index.incrementLog(2), index.report(3));
    EXPECT_EQ(index.report(6), std::nullopt);
    EXPECT_EQ(ReportLogIndex(QString()).report(1), std::nullopt);
}

TEST(ReportLog, NavigationWalksThroughTheStoredReports)
{
    const QString log = report(2) + report(3) + report(4) + report(5);
    const ReportLogIndex index(log);
    const int count = index.reportCount();
    ASSERT_EQ(count, 4);

    // The live report 5 is shown: back to 4, back to 3, then forward to 4 and to 5 from the log.
    auto step = navigate(LogStep::Previous, 5, 0, count, index);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->indicator, 4);
    EXPECT_EQ(step->text, report(4));
    step = navigate(LogStep::Previous, 4, 4, count, index);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->indicator, 3);
    step = navigate(LogStep::Next, 3, 3, count, index);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->indicator, 4);
    EXPECT_EQ(step->text, report(4));
    step = navigate(LogStep::Next, 4, 4, count, index);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->text, report(5));
    EXPECT_FALSE(navigate(LogStep::Next, 5, 5, count, index)); // 5 is not less than 2 + 4 - 1

    // A log holding only report 2, shown live: neither step moves.
    const ReportLogIndex single(report(2));
    EXPECT_FALSE(navigate(LogStep::Previous, 2, 0, single.reportCount(), single));
    EXPECT_FALSE(navigate(LogStep::Next, 2, 0, single.reportCount(), single));
    // No count shown yet: previous does nothing.
    EXPECT_FALSE(navigate(LogStep::Previous, 5, 0, 0, index));
}

TEST(ReportLog, ACountRaisedByTheWordInAReportFindsNoReportPastTheNewest)
{
    const ReportLogIndex index(report(2, "timestamp\n") + report(3));
    ASSERT_EQ(index.reportCount(), 3);
    EXPECT_FALSE(navigate(LogStep::Next, 3, 3, 3, index)); // 3 < 2 + 3 - 1, but there is no report 4
}

TEST(ReportLog, NoStepPastTheHighestNumberAnIntHolds)
{
    // A log edited by hand: the first number is the highest there is, and a header whose number is the
    // lowest. Next from the highest must not wrap round to the lowest.
    const ReportLogIndex index(report(INT_MAX) + report(INT_MIN));
    ASSERT_EQ(index.reportCount(), 2);
    EXPECT_EQ(index.incrementLog(INT_MAX), std::nullopt);
    EXPECT_FALSE(navigate(LogStep::Next, INT_MAX, INT_MAX, 2, index));
    // The indicator is its own field: at the highest number it stays there.
    const ReportLogIndex reports(report(2) + report(3));
    const auto step = navigate(LogStep::Next, 2, INT_MAX, reports.reportCount(), reports);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->indicator, INT_MAX);
}

TEST(ReportLog, RunNumbers)
{
    const ReportLogIndex empty{QString()};
    const ReportLogIndex reports(report(2) + report(3) + report(4));
    const struct Case {
        const char* name;
        std::optional<qint64> stored;
        const ReportLogIndex& log;
        int number;
        bool firstRun;
    } cases[] = {
        {"the very first run", std::nullopt, empty, 1, true},
        {"a stored 0 counts as none", 0, empty, 1, true},
        {"so does a negative one", -3, empty, 1, true},
        {"the stored number goes on", 5, reports, 6, false},
        // The number was lost (a damaged settings file set aside): the reports stay, numbering goes on.
        {"a lost number with reports in the log", std::nullopt, reports, 5, false},
        {"a zero number with reports in the log", 0, reports, 5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RunNumber next = nextRunNumber(c.stored, c.log);
        EXPECT_EQ(next.number, c.number);
        EXPECT_EQ(next.firstRun, c.firstRun);
    }
}

TEST(ReportLog, ALogTabShowsTheFileOrNoChangesYet)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("tr2Change.log");
    EXPECT_EQ(defaultSearchForALog(path), "No changes yet!");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(defaultSearchForALog(path), "No changes yet!");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Caf\xc3\xa9\n");
    file.close();
    EXPECT_EQ(defaultSearchForALog(path), QStringLiteral("Café\n"));
}

} // namespace
