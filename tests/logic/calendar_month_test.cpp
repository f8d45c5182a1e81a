#include "support/QtPrinters.h"
#include "taskpad/CalendarMonth.h"

#include <gtest/gtest.h>

using namespace trevalo;

namespace {

const QTimeZone kBerlin("Europe/Berlin");
constexpr int kSunday = 1;
constexpr int kMonday = 2;

QDateTime midnight(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(0, 0), kBerlin);
}

/// The grid as day numbers, 0 for an empty cell, row by row.
std::vector<int> days(const CalendarMonth& month)
{
    std::vector<int> out;
    for (const auto& cell : month.layout())
        out.push_back(cell ? cell->toTimeZone(kBerlin).date().day() : 0);
    return out;
}

int cellOf(const CalendarMonth& month, int day)
{
    const std::vector<int> grid = days(month);
    return int(std::find(grid.begin(), grid.end(), day) - grid.begin());
}

TEST(CalendarMonth, ColumnsFollowTheFirstWeekday)
{
    struct Case {
        int firstWeekday;
        int weekday;
        int column;
    };
    const Case cases[] = {
        {kSunday, 1, 0}, {kSunday, 7, 6}, {kMonday, 2, 0}, {kMonday, 1, 6}, {kMonday, 7, 5}, {7, 1, 1},
    };
    for (const Case& c : cases) {
        const CalendarMonth month(kBerlin, c.firstWeekday, midnight(2026, 3, 1));
        EXPECT_EQ(month.colForDay(c.weekday), c.column) << c.firstWeekday << " " << c.weekday;
    }
    EXPECT_EQ(CalendarMonth::firstWeekdayOf(QLocale(QLocale::German, QLocale::Germany)), kMonday);
    EXPECT_EQ(CalendarMonth::firstWeekdayOf(QLocale(QLocale::English, QLocale::UnitedStates)), kSunday);
}

TEST(CalendarMonth, AMonthStartingOnTheFirstWeekdayFillsFromRowZeroColumnZero)
{
    // February 2027 starts on a Monday and has 28 days: exactly four rows.
    const CalendarMonth month(kBerlin, kMonday, midnight(2027, 2, 14));
    const std::vector<int> grid = days(month);
    for (int i = 0; i < 28; ++i)
        EXPECT_EQ(grid[i], i + 1);
    for (int i = 28; i < CalendarMonth::kCells; ++i)
        EXPECT_EQ(grid[i], 0) << i;
    EXPECT_EQ(month.lastDayOfTheMonth(), 28);
}

TEST(CalendarMonth, A31DayMonthStartingOnSaturdayUsesSixRows)
{
    // August 2026: the 1st is a Saturday. Days of the neighbouring months are not shown.
    const CalendarMonth month(kBerlin, kSunday, midnight(2026, 8, 20));
    const std::vector<int> grid = days(month);
    EXPECT_EQ(std::count(grid.begin(), grid.begin() + 6, 0), 6);
    EXPECT_EQ(grid[6], 1);
    EXPECT_EQ(cellOf(month, 31), 5 * 7 + 1);
    EXPECT_EQ(std::count(grid.begin() + 5L * 7 + 2, grid.end(), 0), 5);
}

TEST(CalendarMonth, StepsLandInTheAdjacentMonth)
{
    struct Case {
        QDateTime from;
        int step;
        QDate shown;
    };
    const Case cases[] = {
        {midnight(2026, 1, 31), +1, QDate(2026, 2, 1)},
        {midnight(2026, 1, 15), -1, QDate(2025, 12, 1)},
        {midnight(2026, 12, 31), +1, QDate(2027, 1, 1)},
        {midnight(2026, 3, 31), -1, QDate(2026, 2, 1)},
    };
    for (const Case& c : cases) {
        CalendarMonth month(kBerlin, kMonday, c.from);
        month.stepMonth(c.step);
        const QDate shown = month.date().toTimeZone(kBerlin).date();
        EXPECT_EQ(QDate(shown.year(), shown.month(), 1), c.shown)
            << c.from.toString(Qt::ISODate).toStdString();
    }
}

TEST(CalendarMonth, DaysAreMidnightInTheCalendarsZone)
{
    // 23:30 UTC on 28 March is already the 29th in Berlin, the day the clocks change.
    const QDateTime lateUtc(QDate(2026, 3, 28), QTime(23, 30), QTimeZone::utc());
    const CalendarMonth month(kBerlin, kMonday, lateUtc);
    EXPECT_EQ(month.toUTC(lateUtc), midnight(2026, 3, 29));
    EXPECT_EQ(month.monthDay(30), midnight(2026, 3, 30));
    EXPECT_EQ(month.monthDay(30).toTimeZone(kBerlin).time(), QTime(0, 0));
    EXPECT_EQ(month.dd(lateUtc), "2026-3-29");
    EXPECT_EQ(month.dd(midnight(2026, 11, 5)), "2026-11-5");
}

TEST(CalendarMonth, SameDateNeedsBothDaysPresent)
{
    const CalendarMonth month(kBerlin, kMonday, midnight(2026, 3, 1));
    const QDateTime morning = midnight(2026, 3, 4).addSecs(3600);
    const QDateTime evening = midnight(2026, 3, 4).addSecs(23LL * 3600);
    EXPECT_TRUE(month.isSameDate(morning, evening));
    EXPECT_FALSE(month.isSameDate(morning, evening.addSecs(3600)));
    EXPECT_FALSE(month.isSameDate(morning, std::nullopt));
    EXPECT_FALSE(month.isSameDate(std::nullopt, std::nullopt));
}

TEST(CalendarMonth, PickingMarksTheDayAndEmptyCellsAreIgnored)
{
    CalendarMonth month(kBerlin, kSunday, midnight(2026, 8, 1));
    month.setSelectedDate(midnight(2026, 8, 10).addSecs(5000));
    EXPECT_EQ(month.selectedDate(), midnight(2026, 8, 10));

    EXPECT_EQ(month.pick(0), std::nullopt);  // before the 1st
    EXPECT_EQ(month.pick(41), std::nullopt); // after the 31st
    EXPECT_EQ(month.pick(99), std::nullopt);
    EXPECT_EQ(month.selectedDate(), midnight(2026, 8, 10));

    const auto picked = month.pick(cellOf(month, 12));
    EXPECT_EQ(picked, midnight(2026, 8, 12));
    const CalendarMonth::Grid grid = month.layout();
    int marked = 0;
    for (int i = 0; i < CalendarMonth::kCells; ++i)
        marked += month.isSelected(grid, i) ? 1 : 0;
    EXPECT_EQ(marked, 1);
    EXPECT_TRUE(month.isSelected(grid, cellOf(month, 12)));

    month.setSelectedDate(QDateTime());
    EXPECT_EQ(month.selectedDate(), std::nullopt);
}

TEST(CalendarMonth, TitleIsTheCapitalisedMonthAndYear)
{
    CalendarMonth month(kBerlin, kMonday, midnight(2026, 3, 9));
    EXPECT_EQ(month.title(QLocale(QLocale::English, QLocale::UnitedStates)), "March, 2026");
    // French month names are lower-case.
    EXPECT_EQ(month.title(QLocale(QLocale::French, QLocale::France)), "Mars, 2026");
}

} // namespace
