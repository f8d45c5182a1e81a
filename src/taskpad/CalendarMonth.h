#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>
#include <array>
#include <optional>

namespace trevalo {

/// The month calendar of the date picker without its widgets: which month is shown, which day is
/// marked, and which of the 42 cells (6 rows of 7, row by row) holds which day. Every day is 00:00 of
/// that day in the calendar's time zone (the system's in the program, pinned in tests).
class CalendarMonth {
public:
    static constexpr int kRows = 6;
    static constexpr int kColumns = 7;
    static constexpr int kCells = kRows * kColumns;
    using Grid = std::array<std::optional<QDateTime>, kCells>;

    /// `firstWeekday` numbers days as the grid's column headings do: 1 = Sunday ... 7 = Saturday.
    CalendarMonth(const QTimeZone& zone, int firstWeekday, const QDateTime& now);

    /// The first weekday of a locale, numbered 1 = Sunday ... 7 = Saturday.
    static int firstWeekdayOf(const QLocale& locale);
    /// Qt's day of the week (1 = Monday) as 1 = Sunday ... 7 = Saturday.
    static int weekdayNumber(Qt::DayOfWeek day) { return day == Qt::Sunday ? 1 : day + 1; }

    const QDateTime& date() const { return m_date; }
    const std::optional<QDateTime>& selectedDate() const { return m_selected; }
    const QTimeZone& zone() const { return m_zone; }

    /// Shows the month of `instant` ("setDate:").
    void setDate(const QDateTime& instant) { m_date = toUTC(instant); }
    /// Marks the day of `instant` ("setSelectedDate:"); an invalid instant marks none.
    void setSelectedDate(const QDateTime& instant);
    /// The adjacent month, whatever the day of `date` (n is -1 or +1) ("stepMonth:").
    void stepMonth(int n);
    /// A click on cell `index` (0 to 41): its day becomes the marked one and is returned; an empty
    /// cell changes nothing and returns no day.
    std::optional<QDateTime> pick(int index);

    /// 00:00 of the instant's day in the calendar's time zone ("toUTC:", a name its callers know).
    QDateTime toUTC(const QDateTime& instant) const;
    /// 00:00 of day `day` of the shown month ("monthDay:").
    QDateTime monthDay(int day) const;
    /// The number of days of the shown month.
    int lastDayOfTheMonth() const;
    /// The grid column of a weekday numbered 1 = Sunday ... 7 = Saturday.
    int colForDay(int weekday) const;
    /// Each cell's day; cells before the 1st and after the last day are empty ("layoutCalendar").
    Grid layout() const;
    /// Whether cell `index` holds the marked day.
    bool isSelected(const Grid& grid, int index) const { return isSameDate(grid[index], m_selected); }
    /// True when both are present and fall on the same day ("isSameDate:date:").
    bool isSameDate(const std::optional<QDateTime>& a, const std::optional<QDateTime>& b) const;
    /// "year-month-day" without leading zeros, as the log writes a day ("dd:").
    QString dd(const QDateTime& instant) const;
    /// The month's stand-alone name with its first letter upper-cased, and the year: "March, 2026".
    QString title(const QLocale& locale) const;

private:
    QDate dayOf(const QDateTime& instant) const { return instant.toTimeZone(m_zone).date(); }
    QDateTime startOf(const QDate& day) const { return QDateTime(day, QTime(0, 0), m_zone); }

    QTimeZone m_zone;
    int m_firstWeekday;
    QDateTime m_date;
    std::optional<QDateTime> m_selected;
};

} // namespace trevalo
