#include "profile/ChangeDetection.h"
#include "profile/ProfileBuilder.h"
#include "profile/ReportDates.h"
#include "support/QtPrinters.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace trevalo::changes;

namespace {

TEST(ChangeDetection, RemovedAndAddedFollowTheirOrderAndRepeats)
{
    const struct Case {
        const char* name;
        QStringList previous;
        QStringList current;
        QStringList removed;
        QStringList added;
    } cases[] = {
        {"the standard row", {"Alpha", "Beta"}, {"Beta", "Gamma"}, {"Alpha"}, {"Gamma"}},
        {"first run: everything is added, sorted", {}, {"b", "B", "a", "é"}, {}, {"B", "a", "b", "é"}},
        {"a folder that is gone", {"x", "y"}, {}, {"x", "y"}, {}},
        {"removed keeps the snapshot's order and repeats",
         {"z", "a", "z", "keep"},
         {"keep"},
         {"z", "a", "z"},
         {}},
        {"added is sorted and keeps repeats", {"old"}, {"n", "m", "n", "old"}, {}, {"m", "n", "n"}},
        {"names differ by case", {"readme"}, {"README"}, {"readme"}, {"README"}},
        // An empty snapshot reads back as one empty name: the removed list then begins with it.
        {"an empty snapshot", {""}, {"a"}, {""}, {"a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(itemDeleted(c.previous, c.current), c.removed);
        EXPECT_EQ(itemAdded(c.previous, c.current), c.added);
    }
}

TEST(ChangeDetection, TrimTakesBlanksAndTabsButNotLineBreaks)
{
    EXPECT_EQ(trim({" a ", "\tb\t", "c\n", "  ", "d e"}), QStringList({"a", "b", "c\n", "", "d e"}));
}

TEST(ChangeDetection, ARecordHasItsExactBytes)
{
    const QDateTime at(QDate(2026, 3, 1), QTime(9, 5, 7));
    EXPECT_EQ(changeRecord("Gamma.app", kAddedMarker, at, "/Applications"),
              "\nLocation$ /Applications/\nGamma.app\n" + QString(38, ' ') +
                  "    + added on or before 1 Mar, 2026  9:05:07 AM\n" + QString(37, '-'));
    // The login items' heading keeps its colon and gets no "/"; line breaks around it go.
    EXPECT_TRUE(changeRecord("\"Dropbox\"", kRemovedMarker, at, "\n\nLogin Items:\n\n")
                    .startsWith("\nLocation$ Login Items:\n\"Dropbox\"\n"));
}

TEST(ChangeDetection, TheChangeLogTakesTheRecordsAsTheirUtf8Bytes)
{
    const QDateTime at(QDate(2026, 3, 1), QTime(9, 5, 7));
    // Names of up to four UTF-8 bytes a character (two UTF-16 units), and an empty one.
    const QStringList records{changeRecord("Résumé.app", kAddedMarker, at, "/Applications"),
                              changeRecord("\U0001F5C2 Files", kRemovedMarker, at, "/Users/Shared"),
                              changeRecord("", kAddedMarker, at, "/Applications"), QString()};
    EXPECT_EQ(trevalo::joinedUtf8(records), records.join(QString()).toUtf8());
    EXPECT_EQ(trevalo::joinedUtf8({}), QByteArray());
}

TEST(ChangeDetection, TheRecordDateIsTheCalendarYearAtTheTurnOfTheYear)
{
    // 29 December 2025 is in week 1 of 2026: a week-based year would print 2026.
    EXPECT_EQ(recordDate(QDateTime(QDate(2025, 12, 29), QTime(23, 58, 7))), "29 Dec, 2025  11:58:07 PM");
    EXPECT_EQ(recordDate(QDateTime(QDate(2027, 1, 1), QTime(0, 0, 0))), "1 Jan, 2027  12:00:00 AM");
}

} // namespace

namespace {

TEST(ReportDates, TheHeaderDateNamesItsTimeZoneAndTheCalendarYear)
{
    const QTimeZone berlin("Europe/Berlin");
    ASSERT_TRUE(berlin.isValid());
    EXPECT_EQ(trevalo::reportHeaderDate(QDateTime(QDate(2025, 12, 29), QTime(23, 58, 7), berlin)),
              "29 Dec, 2025  11:58:07 PM\nCentral European Standard Time");
    EXPECT_EQ(trevalo::reportHeaderDate(QDateTime(QDate(2026, 7, 1), QTime(9, 5, 7), berlin)),
              "1 Jul, 2026  9:05:07 AM\nCentral European Summer Time");
}

} // namespace
