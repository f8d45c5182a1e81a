#pragma once

#include "taskpad/CalendarMonth.h"

#include <QAbstractButton>
#include <QColor>
#include <QLabel>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

namespace trevalo {

class MLCalendarView;

/// Told of what the user does in a calendar.
class MLCalendarViewDelegate {
public:
    virtual ~MLCalendarViewDelegate() = default;
    /// A day was picked: 00:00 of that day ("didSelectDate:").
    virtual void didSelectDate(const QDateTime& date) = 0;
    /// The calendar's reset button: the task loses its due date ("resetCalendar:").
    virtual void resetCalendar() = 0;
};

/// A plain view filled with one colour.
class MLCalendarBackground : public QWidget {
    Q_OBJECT
public:
    explicit MLCalendarBackground(QWidget* parent = nullptr);
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_backgroundColor = Qt::white;
};

/// One day of the grid: a borderless button titled with the day of the month, drawn with its owner's
/// colours: a disc when selected, a hairline along the top, a thick bar along the bottom for today.
class MLCalendarCell : public QAbstractButton {
    Q_OBJECT
public:
    explicit MLCalendarCell(QWidget* parent = nullptr);

    void setOwner(MLCalendarView* owner) { m_owner = owner; }
    const std::optional<QDateTime>& representedDate() const { return m_representedDate; }
    /// Also sets the title: the day of the month, or nothing for an empty cell.
    void setRepresentedDate(const std::optional<QDateTime>& date);
    bool selected() const { return m_selected; }
    void setSelected(bool selected);
    /// The cell has a day and it is the owner's today.
    bool isToday() const;

    QSize sizeHint() const override { return {30, 26}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<MLCalendarView> m_owner;
    std::optional<QDateTime> m_representedDate;
    bool m_selected = false;
};

/// The month calendar of the task outline's date picker: a title, the weekday names, 42 day cells
/// (objects "c1" to "c42", row by row; weekday labels "day1" to "day7"), and buttons for the previous and
/// next month, today's month and clearing the due date.
class MLCalendarView : public MLCalendarBackground {
    Q_OBJECT
public:
    using Now = std::function<QDateTime()>;

    /// The zone and first weekday default to the system's; tests pin them.
    explicit MLCalendarView(QWidget* parent = nullptr, Now now = {}, const QTimeZone& zone = {},
                            const QLocale& locale = QLocale());

    void setDelegate(MLCalendarViewDelegate* delegate) { m_delegate = delegate; }

    QColor textColor() const { return m_textColor; }
    QColor selectionColor() const { return m_selectionColor; }
    QColor todayMarkerColor() const { return m_todayMarkerColor; }
    QColor dayMarkerColor() const { return m_dayMarkerColor; }
    void setTextColor(const QColor& colour);
    void setSelectionColor(const QColor& colour);
    void setTodayMarkerColor(const QColor& colour);
    void setDayMarkerColor(const QColor& colour);

    const CalendarMonth& month() const { return m_month; }
    QDateTime now() const { return m_now(); }
    QString calendarTitle() const;
    /// The cell at row 0-5, column 0-6.
    MLCalendarCell* cellAt(int row, int column) const { return m_dayCells[row * 7 + column]; }
    /// The first direct child with that object name ("viewByID:").
    QWidget* viewByID(const QString& identifier) const;

    /// Shows the month of `date` ("setDate:").
    void setDate(const QDateTime& date);
    /// Marks the day of `date`; an invalid date marks none ("setSelectedDate:").
    void setSelectedDate(const QDateTime& date);

public slots:
    void today();
    void prevMonth() { stepMonth(-1); }
    void nextMonth() { stepMonth(+1); }
    void stepMonth(int n);
    void reset();
    void cellClicked(MLCalendarCell* cell);

private:
    void buildView();
    void layoutCalendar();

    Now m_now;
    QLocale m_locale;
    CalendarMonth m_month;
    MLCalendarViewDelegate* m_delegate = nullptr;
    QColor m_textColor = Qt::black;
    QColor m_selectionColor = Qt::red;
    QColor m_todayMarkerColor = Qt::green;
    QColor m_dayMarkerColor = Qt::darkGray;
    QLabel* m_title = nullptr;
    QList<QLabel*> m_dayLabels;
    QList<MLCalendarCell*> m_dayCells;
};

} // namespace trevalo
