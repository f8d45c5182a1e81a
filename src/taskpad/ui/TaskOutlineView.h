#pragma once

#include <QDateTime>
#include <QPointer>
#include <QTreeView>
#include <functional>
#include <memory>

class QFrame;

namespace trevalo {

class OutlineViewController;
class OutlineDelegate;
class MLCalendarView;

/// The task outline on screen: a tree over the OutlineViewController's model with its three columns (the
/// done check box, the name with its nesting spaces, and the remaining days with the calendar and note
/// buttons). It passes the user's actions to the controller and does what the controller asks of it.
class TaskOutlineView : public QTreeView {
    Q_OBJECT
public:
    /// Shows the calendar for a task: the date to show and the rectangle of the button that asked.
    /// The default is a plain month calendar that stays open until the user clicks elsewhere.
    using DatePicker =
        std::function<void(const QModelIndex& task, const QDateTime& shown, const QRect& button)>;

    explicit TaskOutlineView(OutlineViewController& controller, QWidget* parent = nullptr);
    ~TaskOutlineView() override;

    void setDatePicker(DatePicker picker) { m_datePicker = std::move(picker); }
    /// The month calendar of the default date picker; null until it first shows.
    MLCalendarView* calendar() const { return m_calendar; }

    // The window's controls.
    void add();
    void addFolder();
    void remove();
    void expandItems(bool expand);

    /// The selected task's row (column 0); invalid when none is selected.
    QModelIndex selectedTask() const;
    /// Where a row's calendar and note buttons are, in viewport coordinates.
    QRect calendarButtonRect(const QModelIndex& index) const;
    QRect noteButtonRect(const QModelIndex& index) const;

protected:
    /// A drag of the selected task. The controller moves it when it is dropped; the view removes nothing.
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void collapseWithSubTasks(const QModelIndex& index);
    void showDefaultDatePicker(const QModelIndex& task, const QDateTime& shown, const QRect& button);

    OutlineViewController& m_controller;
    OutlineDelegate* m_delegate;
    DatePicker m_datePicker;
    class CalendarDelegate;
    std::unique_ptr<CalendarDelegate> m_calendarDelegate;
    QPointer<QFrame> m_calendarPopup;
    MLCalendarView* m_calendar = nullptr;
};

} // namespace trevalo
