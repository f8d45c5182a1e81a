#include "taskpad/ui/TaskOutlineView.h"

#include "taskpad/OutlineViewController.h"
#include "taskpad/ui/MLCalendarView.h"

#include <QApplication>
#include <QDrag>
#include <QFrame>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace trevalo {

namespace {

using C = OutlineViewController;

constexpr int kButtonSize = 18;

QColor colourOf(const QVariant& value)
{
    switch (C::TextColour(value.toInt())) {
    case C::TextColour::LightGrey:
        return QColor(170, 170, 170);
    case C::TextColour::Yellow:
        return Qt::yellow;
    case C::TextColour::Green:
        return Qt::green;
    case C::TextColour::White:
    default:
        return Qt::white;
    }
}

// The two buttons of the time column, right-aligned: the note button last, the calendar before it.
QRect noteRect(const QRect& cell)
{
    return QRect(cell.right() - kButtonSize, cell.top() + (cell.height() - kButtonSize) / 2, kButtonSize,
                 kButtonSize);
}

QRect calendarRect(const QRect& cell)
{
    return noteRect(cell).translated(-kButtonSize - 4, 0);
}

} // namespace

/// Draws the name and time columns in the outline's colours, the time column's buttons, and keeps
/// track of the name being edited so that the commit step can store it.
class OutlineDelegate : public QStyledItemDelegate {
public:
    explicit OutlineDelegate(OutlineViewController& controller, QObject* parent)
        : QStyledItemDelegate(parent), m_controller(controller)
    {
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        m_editor = editor;
        return editor;
    }

    /// Stores the text of a name being edited and ends the edit.
    void commitOpenEditor()
    {
        if (QWidget* editor = m_editor) {
            m_editor = nullptr;
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        const QVariant colour = index.data(C::TextColourRole);
        if (colour.isValid()) {
            opt.palette.setColor(QPalette::Text, colourOf(colour));
            opt.palette.setColor(QPalette::HighlightedText, colourOf(colour));
        }
        if (index.column() != C::Time) {
            QStyledItemDelegate::paint(painter, opt, index);
            return;
        }
        QStyledItemDelegate::paint(painter, opt, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        // A count hides the calendar button, which stays where it is and can still be clicked.
        if (index.data(C::CalendarButtonShownRole).toBool())
            drawButton(painter, style, widget, calendarRect(option.rect), QStringLiteral("📅"));
        if (index.data(C::NoteButtonShownRole).toBool())
            drawButton(painter, style, widget, noteRect(option.rect), QStringLiteral("☰"));
    }

    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override
    {
        if (index.column() == C::Time && event->type() == QEvent::MouseButtonRelease) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            if (calendarRect(option.rect).contains(at)) {
                m_controller.calendarBtn(index);
                return true;
            }
            if (index.data(C::NoteButtonShownRole).toBool() && noteRect(option.rect).contains(at)) {
                m_controller.revealNotes(index);
                return true;
            }
        }
        return QStyledItemDelegate::editorEvent(event, model, option, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (index.column() == C::Time)
            size.setWidth(size.width() + 2 * kButtonSize + 12);
        return size.expandedTo(QSize(0, kButtonSize + 4));
    }

private:
    static void drawButton(QPainter* painter, QStyle* style, const QWidget* widget, const QRect& rect,
                           const QString& text)
    {
        QStyleOptionButton button;
        button.rect = rect;
        button.text = text;
        button.state = QStyle::State_Enabled;
        style->drawControl(QStyle::CE_PushButton, &button, painter, widget);
    }

    OutlineViewController& m_controller;
    mutable QPointer<QWidget> m_editor;
};

/// Passes the calendar's picks to the outline.
class TaskOutlineView::CalendarDelegate : public MLCalendarViewDelegate {
public:
    explicit CalendarDelegate(OutlineViewController& controller) : m_controller(controller) {}
    void didSelectDate(const QDateTime& date) override { m_controller.didSelectDate(date.date()); }
    void resetCalendar() override { m_controller.resetCalendar(); }

private:
    OutlineViewController& m_controller;
};

TaskOutlineView::TaskOutlineView(OutlineViewController& controller, QWidget* parent)
    : QTreeView(parent), m_controller(controller), m_delegate(new OutlineDelegate(controller, this))
{
    setModel(&controller);
    setItemDelegate(m_delegate);
    header()->hide();
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(C::Name, QHeaderView::Stretch);
    header()->setSectionResizeMode(C::Completed, QHeaderView::ResizeToContents);
    header()->setSectionResizeMode(C::Time, QHeaderView::ResizeToContents);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    // The outline's names are white, done ones light grey: it draws on a dark ground.
    QPalette dark = palette();
    dark.setColor(QPalette::Base, QColor(40, 40, 40));
    dark.setColor(QPalette::AlternateBase, QColor(48, 48, 48));
    dark.setColor(QPalette::Text, Qt::white);
    setPalette(dark);

    connect(&controller, &C::aboutToCommit, m_delegate, &OutlineDelegate::commitOpenEditor);
    connect(&controller, &C::expandRequested, this, &QTreeView::expand);
    connect(&controller, &C::collapseRequested, this, &TaskOutlineView::collapseWithSubTasks);
    connect(&controller, &C::expandAllRequested, this, [this](bool expand) {
        if (expand)
            expandAll();
        else
            collapseAll();
    });
    // The outline selects one row at a time: adding a row to the selection selects that row.
    connect(&controller, &C::selectionRequested, this, [this](const QModelIndex& index) {
        selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    });
    connect(&controller, &C::calendarRequested, this,
            [this](const QModelIndex& task, const QDateTime& shown) {
                const QRect button = calendarButtonRect(task);
                if (m_datePicker)
                    m_datePicker(task, shown, button);
                else
                    showDefaultDatePicker(task, shown, button);
            });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, &controller,
            &C::outlineViewSelectionDidChange);

    expandAll();
}

TaskOutlineView::~TaskOutlineView() = default;

void TaskOutlineView::add()
{
    m_controller.add(selectedTask());
}

void TaskOutlineView::addFolder()
{
    m_controller.addFolder();
}

void TaskOutlineView::remove()
{
    m_controller.remove(selectedTask());
}

void TaskOutlineView::expandItems(bool expand)
{
    m_controller.expandItems(expand);
}

QModelIndex TaskOutlineView::selectedTask() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

QRect TaskOutlineView::calendarButtonRect(const QModelIndex& index) const
{
    return calendarRect(visualRect(index.siblingAtColumn(C::Time)));
}

QRect TaskOutlineView::noteButtonRect(const QModelIndex& index) const
{
    return noteRect(visualRect(index.siblingAtColumn(C::Time)));
}

void TaskOutlineView::startDrag(Qt::DropActions)
{
    const QModelIndex task = selectedTask();
    if (!task.isValid())
        return;
    QMimeData* dragged = m_controller.mimeData({task});
    if (!dragged)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(dragged);
    drag->exec(Qt::MoveAction);
}

void TaskOutlineView::collapseWithSubTasks(const QModelIndex& index)
{
    std::vector<QModelIndex> pending{index};
    while (!pending.empty()) {
        const QModelIndex at = pending.back();
        pending.pop_back();
        collapse(at);
        for (int row = 0; row < m_controller.rowCount(at); ++row)
            pending.push_back(m_controller.index(row, 0, at));
    }
}

void TaskOutlineView::showDefaultDatePicker(const QModelIndex&, const QDateTime& shown, const QRect& button)
{
    // Made on first use and kept; a popup closes on a click outside it and stays open after a pick.
    if (!m_calendarPopup) {
        m_calendarPopup = new QFrame(this, Qt::Popup | Qt::FramelessWindowHint);
        m_calendarPopup->setObjectName("calendarPopup");
        auto* layout = new QVBoxLayout(m_calendarPopup);
        layout->setContentsMargins(0, 0, 0, 0);
        m_calendar = new MLCalendarView(m_calendarPopup);
        m_calendarDelegate = std::make_unique<CalendarDelegate>(m_controller);
        m_calendar->setDelegate(m_calendarDelegate.get());
        layout->addWidget(m_calendar);
    }
    m_calendar->setSelectedDate(shown);
    m_calendar->setDate(shown);
    m_calendarPopup->adjustSize();
    const QPoint below = viewport()->mapToGlobal(button.bottomLeft());
    m_calendarPopup->move(below.x() - m_calendarPopup->width() / 2 + button.width() / 2, below.y());
    m_calendarPopup->show();
}

} // namespace trevalo
