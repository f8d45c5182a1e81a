#include "taskpad/CalendarMonth.h"

namespace trevalo {

CalendarMonth::CalendarMonth(const QTimeZone& zone, int firstWeekday, const QDateTime& now)
    : m_zone(zone), m_firstWeekday(firstWeekday)
{
    m_date = toUTC(now);
}

int CalendarMonth::firstWeekdayOf(const QLocale& locale)
{
    return weekdayNumber(locale.firstDayOfWeek());
}

void CalendarMonth::setSelectedDate(const QDateTime& instant)
{
    if (instant.isValid())
        m_selected = toUTC(instant);
    else
        m_selected.reset();
}

void CalendarMonth::stepMonth(int n)
{
    const QDate shown = dayOf(m_date);
    int year = shown.year();
    int month = shown.month() + n;
    if (month > 12) {
        month = 1;
        ++year;
    } else if (month < 1) {
        month = 12;
        --year;
    }
    // The 1st, so that stepping from the 31st cannot skip a shorter month.
    m_date = startOf(QDate(year, month, 1));
}

std::optional<QDateTime> CalendarMonth::pick(int index)
{
    if (index < 0 || index >= kCells)
        return std::nullopt;
    std::optional<QDateTime> day = layout()[index];
    if (day)
        m_selected = day;
    return day;
}

QDateTime CalendarMonth::toUTC(const QDateTime& instant) const
{
    return startOf(dayOf(instant));
}

QDateTime CalendarMonth::monthDay(int day) const
{
    const QDate shown = dayOf(m_date);
    return startOf(QDate(shown.year(), shown.month(), day));
}

int CalendarMonth::lastDayOfTheMonth() const
{
    return dayOf(m_date).daysInMonth();
}

int CalendarMonth::colForDay(int weekday) const
{
    const int col = weekday - m_firstWeekday;
    return col < 0 ? col + kColumns : col;
}

CalendarMonth::Grid CalendarMonth::layout() const
{
    Grid grid;
    const QDateTime first = monthDay(1);
    const int last = lastDayOfTheMonth();
    int col = colForDay(weekdayNumber(Qt::DayOfWeek(dayOf(first).dayOfWeek())));
    int day = 1;
    for (int row = 0; row < kRows; ++row) {
        for (int column = col; column < kColumns && day <= last; ++column)
            grid[row * kColumns + column] = monthDay(day++);
        col = 0;
    }
    return grid;
}

bool CalendarMonth::isSameDate(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b) const
{
    if (!a || !b || !a->isValid() || !b->isValid())
        return false;
    return dayOf(*a) == dayOf(*b);
}

QString CalendarMonth::dd(const QDateTime& instant) const
{
    const QDate day = dayOf(instant);
    return QStringLiteral("%1-%2-%3").arg(day.year()).arg(day.month()).arg(day.day());
}

QString CalendarMonth::title(const QLocale& locale) const
{
    const QDate shown = dayOf(m_date);
    QString month = locale.standaloneMonthName(shown.month(), QLocale::LongFormat);
    if (!month.isEmpty())
        month[0] = month[0].toUpper();
    return QStringLiteral("%1, %2").arg(month).arg(shown.year());
}

} // namespace trevalo
