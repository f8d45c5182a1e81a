// The profile report as a standalone web page: its colours, its escaping, the change log's table, and
// writing the page.

#include "profile/ChangeDetection.h"
#include "profile/ReportHtml.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

const QDateTime kAt(QDate(2026, 3, 14), QTime(15, 9, 26));

TEST(ReportHtml, TheReportKeepsItsColoursAndNoNameBecomesMarkup)
{
    ReportText report;
    report.append("Timestamp (4):\n");
    report.append("<script>alert('x')</script> & \"q\"\n", ReportColour::White);
    report.append(QStringLiteral("bell\x07 and \u009b here\n"), ReportColour::Yellow);
    report.append("    --removed", ReportColour::Orange);
    report.append("\ttail");
    const QString page = reportPage(report, QString());

    EXPECT_TRUE(page.startsWith("<!DOCTYPE html>"));
    EXPECT_TRUE(page.contains("<meta charset=\"utf-8\">"));
    // Dark background, light blue text, the view's font.
    EXPECT_TRUE(page.contains("background: #333333"));
    EXPECT_TRUE(page.contains("color: #33ccff"));
    EXPECT_TRUE(page.contains("font-family: \"Helvetica Neue\""));
    EXPECT_TRUE(page.contains(".orange { color: #ff8000; }"));
    EXPECT_TRUE(page.contains("<pre class=\"report\">\nTimestamp (4):\n<span class=\"white\">"
                              "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;\n</span>"
                              "<span class=\"yellow\">bell\\x07 and \\x9b here\n</span>"
                              "<span class=\"orange\">    --removed</span>\ttail</pre>"))
        << page.toStdString();
    EXPECT_FALSE(page.contains("<script>"));
    EXPECT_TRUE(page.contains("<p>No changes yet!</p>"));
}

TEST(ReportHtml, TheChangeLogReadsAsRows)
{
    const struct Case {
        const char* name;
        QString log;
        QVector<ChangeLogRow> rows;
    } cases[] = {
        {"empty", "", {}},
        {"records as written",
         changes::changeRecord("Gamma.app", changes::kAddedMarker, kAt, "/Applications") +
             changes::changeRecord("\"Dropbox\"", changes::kRemovedMarker, kAt, "\n\nLogin Items:\n\n"),
         {{"/Applications/", "Gamma.app", "+ added", "14 Mar, 2026  3:09:26 PM"},
          {"Login Items:", "\"Dropbox\"", "--removed", "14 Mar, 2026  3:09:26 PM"}}},
        {"a name with a line feed stays one item",
         changes::changeRecord("two\nlines", changes::kAddedMarker, kAt, "/Users/Shared"),
         {{"/Users/Shared/", "two\nlines", "+ added", "14 Mar, 2026  3:09:26 PM"}}},
        {"damaged text is kept as rows of its own",
         "stray words\nLocation$ /Library/\nhalf a record",
         {{"", "stray words", "", ""}, {"/Library/", "half a record", "", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QVector<ChangeLogRow> rows = changeLogRows(c.log);
        ASSERT_EQ(rows.size(), c.rows.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].location, c.rows[i].location);
            EXPECT_EQ(rows[i].item, c.rows[i].item);
            EXPECT_EQ(rows[i].change, c.rows[i].change);
            EXPECT_EQ(rows[i].date, c.rows[i].date);
        }
    }

    const QString page = reportPage(
        ReportText(), changes::changeRecord("<b>&amp;</b>", changes::kRemovedMarker, kAt, "/Applications"));
    EXPECT_TRUE(page.contains("<th>Location</th><th>Item</th><th>Change</th><th>Date</th>"));
    EXPECT_TRUE(
        page.contains("<tr><td>/Applications/</td><td class=\"white\">&lt;b&gt;&amp;amp;&lt;/b&gt;</td>"
                      "<td class=\"orange\">--removed</td><td>14 Mar, 2026  3:09:26 PM</td></tr>"))
        << page.toStdString();
}

TEST(ReportHtml, APageIsWrittenWholeOrNotAtAll)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("profile.html");
    QString error;
    ASSERT_TRUE(writeReportPage(path, QStringLiteral("<p>first \u25bc</p>"), &error)) << error.toStdString();
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("<p>first \xe2\x96\xbc</p>"));

    // A folder that is a file: nothing is written, and the reason is given.
    for (const QString& bad : {path + "/inside.html", dir.filePath("missing/profile.html")}) {
        SCOPED_TRACE(bad.toStdString());
        error.clear();
        EXPECT_FALSE(writeReportPage(bad, QStringLiteral("<p>second</p>"), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"profile.html"});
}

} // namespace
