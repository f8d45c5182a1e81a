#include "support/QtPrinters.h"
#include "taskpad/ListItem.h"

#include <gtest/gtest.h>

using namespace trevalo;

namespace {

// Tokyo has had no clock change since 1951; Berlin changes to summer time on 2026-03-29.
const QTimeZone kNoClockChange("Asia/Tokyo");
const QTimeZone kBerlin("Europe/Berlin");

QDateTime at(const QTimeZone& zone, QDate date, QTime time = QTime(0, 0))
{
    return QDateTime(date, time, zone);
}

TEST(ListItem, ANewItemHasNoDateNoNoteAndIsNotDone)
{
    ListItem item;
    EXPECT_EQ(item.name(), "Untitled");
    EXPECT_FALSE(item.taskIsDone());
    EXPECT_FALSE(item.hasNote());
    EXPECT_FALSE(item.notes());
    EXPECT_EQ(item.childCount(), 0);
    EXPECT_FALSE(item.hasDueDate());
    EXPECT_EQ(item.completionDate().toMSecsSinceEpoch(), 0);
    EXPECT_TRUE(item.daysToComplete(QDateTime::currentDateTime()).isNull());
}

TEST(ListItem, SubTasksGetFourBlanksMoreThanSurroundTheParentsName)
{
    const struct Case {
        const char* parent;
        int spaces;
    } cases[] = {
        {"Top", 4},      {"    Sub ", 9}, // four leading and one trailing
        {"\tTabbed", 5}, {"   ", 7},      // a name of blanks only counts each once
        {"Top\t\t", 6},  {"In  between", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parent);
        ListItem parent(c.parent);
        const ListItem* child = parent.addChild(std::make_unique<ListItem>());
        EXPECT_EQ(child->name(), QString(c.spaces, ' ') + "Untitled");
        EXPECT_EQ(child->parent(), &parent);
    }
    ListItem top("Top");
    ListItem* sub = top.addChild(std::make_unique<ListItem>());
    EXPECT_EQ(sub->addChild(std::make_unique<ListItem>())->name(), "        Untitled");
}

TEST(ListItem, DoneSpreadsToEverySubTaskBothWaysButTheFlagAloneDoesNot)
{
    ListItem top("Top");
    ListItem* sub = top.addChild(std::make_unique<ListItem>("a"));
    ListItem* subSub = sub->addChild(std::make_unique<ListItem>("b"));
    top.setTaskIsDone(true);
    EXPECT_TRUE(top.taskIsDone() && sub->taskIsDone() && subSub->taskIsDone());
    sub->setTaskIsDone(false);
    EXPECT_TRUE(top.taskIsDone());
    EXPECT_FALSE(sub->taskIsDone() || subSub->taskIsDone());

    top.setTaskIsDoneFlag(false);
    sub->setTaskIsDoneFlag(true);
    EXPECT_FALSE(top.taskIsDone());
    EXPECT_TRUE(sub->taskIsDone());
    EXPECT_FALSE(subSub->taskIsDone());
}

TEST(ListItem, RemainingDays)
{
    const QDate today(2026, 6, 10);
    const struct Case {
        const char* name;
        QTime now;
        QDateTime due;
        const char* shown; // nullptr: no text
    } cases[] = {
        {"due at 00:00 tomorrow", QTime(10, 0), at(kNoClockChange, today.addDays(1)), "1"},
        {"due at 00:00 today, passed but no minus", QTime(10, 0), at(kNoClockChange, today), "0"},
        {"due later today", QTime(10, 0), at(kNoClockChange, today, QTime(23, 0)), "0"},
        {"due at 00:00 yesterday", QTime(10, 0), at(kNoClockChange, today.addDays(-1)), "-1"},
        {"a second before midnight, due at midnight", QTime(23, 59, 59), at(kNoClockChange, today.addDays(1)),
         "1"},
        {"just after midnight, due just before it", QTime(0, 0, 1),
         at(kNoClockChange, today.addDays(-1), QTime(23, 59, 59)), "-1"},
        {"3650 days ahead is the last count", QTime(10, 0), at(kNoClockChange, today.addDays(3650)), "3650"},
        {"3651 days ahead has none", QTime(10, 0), at(kNoClockChange, today.addDays(3651)), nullptr},
        {"3650 days overdue", QTime(10, 0), at(kNoClockChange, today.addDays(-3650)), "-3650"},
        {"3651 days overdue has none", QTime(10, 0), at(kNoClockChange, today.addDays(-3651)), nullptr},
        // Beyond 2^31 seconds the count must not wrap round into a small one.
        {"a century ahead has none", QTime(10, 0), at(kNoClockChange, today.addYears(100)), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListItem item;
        item.setCompletionDate(c.due);
        const QString shown = item.daysToComplete(at(kNoClockChange, today, c.now), kNoClockChange);
        if (c.shown)
            EXPECT_EQ(shown, QString(c.shown));
        else
            EXPECT_TRUE(shown.isNull()) << shown.toStdString();
    }
}

TEST(ListItem, ATextNotShownLeavesTheStoredOneAsItWas)
{
    const QDateTime now = at(kNoClockChange, QDate(2026, 6, 10), QTime(10, 0));
    ListItem item;
    item.setCompletionDate(now.addDays(3));
    EXPECT_EQ(item.daysToComplete(now, kNoClockChange), "3");
    item.setCompletionDate(now.addDays(4000));
    EXPECT_TRUE(item.daysToComplete(now, kNoClockChange).isNull());
    item.setCompletionDate(ListItem::noDate());
    EXPECT_TRUE(item.daysToComplete(now, kNoClockChange).isNull());
    EXPECT_EQ(item.storedDaysToComplete(), "3");
}

// With days of 86,400 seconds a due date past the change to summer time came out a day short until the
// change: the Saturday before, Monday was "1" away.
TEST(ListItem, DaysAcrossAClockChangeAreCalendarDays)
{
    ASSERT_TRUE(kBerlin.isValid());
    const struct Case {
        QDateTime now;
        QDateTime due;
        const char* shown;
    } cases[] = {
        {at(kBerlin, QDate(2026, 3, 28), QTime(12, 0)), at(kBerlin, QDate(2026, 3, 30)), "2"},
        {at(kBerlin, QDate(2026, 3, 29), QTime(1, 0)), at(kBerlin, QDate(2026, 3, 30)), "1"},
        {at(kBerlin, QDate(2026, 10, 24), QTime(12, 0)), at(kBerlin, QDate(2026, 10, 26)), "2"},
        {at(kBerlin, QDate(2026, 3, 31), QTime(8, 0)), at(kBerlin, QDate(2026, 3, 28)), "-3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.now.toString(Qt::ISODate).toStdString());
        ListItem item;
        item.setCompletionDate(c.due);
        EXPECT_EQ(item.daysToComplete(c.now, kBerlin), QString(c.shown));
        EXPECT_EQ(ListItem::getDaysDifferenceBetween(c.due, c.now, kBerlin),
                  ListItem::getDaysDifferenceBetween(c.now, c.due, kBerlin));
    }
}

TEST(ListItem, TheDueDateKeepsTheFilesSecondsExactly)
{
    ListItem item;
    item.setCompletionInterval(509523358.684097);
    EXPECT_EQ(item.completionInterval(), 509523358.684097);
    EXPECT_TRUE(item.hasDueDate());
    item.setCompletionDate(ListItem::noDate());
    EXPECT_FALSE(item.hasDueDate());
    EXPECT_EQ(item.completionInterval(), -ListItem::kReferenceDateOffset);
}

} // namespace
