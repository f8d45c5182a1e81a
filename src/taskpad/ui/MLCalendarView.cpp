#include "taskpad/ui/MLCalendarView.h"

#include "platform/Log.h"

#include <QGridLayout>
#include <QPainter>
#include <QToolButton>

namespace trevalo {

MLCalendarBackground::MLCalendarBackground(QWidget* parent) : QWidget(parent) {}

void MLCalendarBackground::setBackgroundColor(const QColor& colour)
{
    m_backgroundColor = colour;
    update();
}

void MLCalendarBackground::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_backgroundColor);
}

MLCalendarCell::MLCalendarCell(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void MLCalendarCell::setRepresentedDate(const std::optional<QDateTime>& date)
{
    m_representedDate = date;
    setText(date && m_owner ? QString::number(date->toTimeZone(m_owner->month().zone()).date().day())
            : date          ? QString::number(date->date().day())
                            : QString());
    update();
}

void MLCalendarCell::setSelected(bool selected)
{
    m_selected = selected;
    update();
}

bool MLCalendarCell::isToday() const
{
    return m_owner && m_representedDate && m_owner->month().isSameDate(m_representedDate, m_owner->now());
}

void MLCalendarCell::paintEvent(QPaintEvent*)
{
    if (!m_owner)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    painter.fillRect(bounds, m_owner->backgroundColor());
    if (!m_representedDate)
        return;
    if (m_selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_owner->selectionColor());
        painter.drawEllipse(bounds.adjusted(3.5, 3.5, -3.5, -3.5).translated(0, 1));
    }
    const QFontMetricsF metrics(font());
    const qreal titleHeight = metrics.height();
    const QRectF titleRect(bounds.x(), (bounds.height() - titleHeight) * 0.5 + bounds.y() - 1, bounds.width(),
                           titleHeight);
    painter.setPen(m_owner->textColor());
    painter.drawText(titleRect, Qt::AlignHCenter | Qt::TextWordWrap, text());

    painter.setPen(QPen(m_owner->dayMarkerColor(), 0.3));
    painter.drawLine(bounds.topLeft(), bounds.topRight());
    if (isToday()) {
        painter.setPen(QPen(m_owner->todayMarkerColor(), 4));
        painter.drawLine(bounds.bottomLeft(), bounds.bottomRight());
    }
}

MLCalendarView::MLCalendarView(QWidget* parent, Now now, const QTimeZone& zone, const QLocale& locale)
    : MLCalendarBackground(parent),
      m_now(now ? std::move(now) : Now([] { return QDateTime::currentDateTime(); })), m_locale(locale),
      m_month(zone.isValid() ? zone : QTimeZone::systemTimeZone(), CalendarMonth::firstWeekdayOf(locale),
              m_now())
{
    buildView();
    setDate(m_now());
}

void MLCalendarView::buildView()
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(0);

    auto* previous = new QToolButton(this);
    previous->setObjectName("prevMonth");
    previous->setArrowType(Qt::LeftArrow);
    previous->setAutoRaise(true);
    connect(previous, &QToolButton::clicked, this, &MLCalendarView::prevMonth);
    auto* next = new QToolButton(this);
    next->setObjectName("nextMonth");
    next->setArrowType(Qt::RightArrow);
    next->setAutoRaise(true);
    connect(next, &QToolButton::clicked, this, &MLCalendarView::nextMonth);
    m_title = new QLabel(this);
    m_title->setObjectName("calendarTitle");
    m_title->setAlignment(Qt::AlignCenter);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    grid->addWidget(previous, 0, 0);
    grid->addWidget(m_title, 0, 1, 1, 5);
    grid->addWidget(next, 0, 6);

    for (int number = 1; number <= 7; ++number) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("day%1").arg(number));
        label->setAlignment(Qt::AlignCenter);
        QFont small = label->font();
        small.setPointSizeF(small.pointSizeF() * 0.8);
        label->setFont(small);
        grid->addWidget(label, 1, number - 1);
    }
    for (int number = 1; number <= CalendarMonth::kCells; ++number) {
        auto* cell = new MLCalendarCell(this);
        cell->setObjectName(QStringLiteral("c%1").arg(number));
        grid->addWidget(cell, 2 + (number - 1) / 7, (number - 1) % 7);
    }

    auto* todayButton = new QToolButton(this);
    todayButton->setObjectName("today");
    todayButton->setText(tr("Today"));
    todayButton->setAutoRaise(true);
    connect(todayButton, &QToolButton::clicked, this, &MLCalendarView::today);
    auto* resetButton = new QToolButton(this);
    resetButton->setObjectName("reset");
    resetButton->setText(tr("No Date"));
    resetButton->setAutoRaise(true);
    connect(resetButton, &QToolButton::clicked, this, &MLCalendarView::reset);
    grid->addWidget(todayButton, 8, 0, 1, 3, Qt::AlignLeft);
    grid->addWidget(resetButton, 8, 4, 1, 3, Qt::AlignRight);

    // The parts are found by name, as the grid and its labels are numbered.
    for (int number = 1; number <= 7; ++number)
        m_dayLabels << qobject_cast<QLabel*>(viewByID(QStringLiteral("day%1").arg(number)));
    for (int number = 1; number <= CalendarMonth::kCells; ++number) {
        auto* cell = qobject_cast<MLCalendarCell*>(viewByID(QStringLiteral("c%1").arg(number)));
        cell->setOwner(this);
        connect(cell, &MLCalendarCell::clicked, this, [this, cell] { cellClicked(cell); });
        m_dayCells << cell;
    }
    for (int index = 0; index < 7; ++index) {
        // Qt numbers weekdays from Monday = 1; the columns count from Sunday = 1.
        const Qt::DayOfWeek day = index == 0 ? Qt::Sunday : Qt::DayOfWeek(index);
        const QString name = m_locale.standaloneDayName(day, QLocale::ShortFormat).toUpper();
        m_dayLabels[m_month.colForDay(index + 1)]->setText(name);
    }
}

QWidget* MLCalendarView::viewByID(const QString& identifier) const
{
    return findChild<QWidget*>(identifier, Qt::FindDirectChildrenOnly);
}

QString MLCalendarView::calendarTitle() const
{
    return m_title->text();
}

void MLCalendarView::setTextColor(const QColor& colour)
{
    m_textColor = colour;
    update();
}
void MLCalendarView::setSelectionColor(const QColor& colour)
{
    m_selectionColor = colour;
    update();
}
void MLCalendarView::setTodayMarkerColor(const QColor& colour)
{
    m_todayMarkerColor = colour;
    update();
}
void MLCalendarView::setDayMarkerColor(const QColor& colour)
{
    m_dayMarkerColor = colour;
    update();
}

void MLCalendarView::setDate(const QDateTime& date)
{
    m_month.setDate(date);
    layoutCalendar();
    m_title->setText(m_month.title(m_locale));
}

void MLCalendarView::setSelectedDate(const QDateTime& date)
{
    m_month.setSelectedDate(date);
    for (MLCalendarCell* cell : std::as_const(m_dayCells))
        cell->setSelected(m_month.isSameDate(cell->representedDate(), m_month.selectedDate()));
}

void MLCalendarView::today()
{
    setDate(m_now());
}

void MLCalendarView::stepMonth(int n)
{
    m_month.stepMonth(n);
    setDate(m_month.date());
}

void MLCalendarView::reset()
{
    // Others read this line by the operation's name and line.
    writeLog(logPrefix("-[MLCalendarView reset:]", 52) + QStringLiteral("reset called"));
    if (m_delegate)
        m_delegate->resetCalendar();
}

void MLCalendarView::cellClicked(MLCalendarCell* cell)
{
    const int index = int(m_dayCells.indexOf(cell));
    // An empty cell stands for no day: picking it would clear the due date by accident.
    const std::optional<QDateTime> picked = m_month.pick(index);
    if (!picked)
        return;
    for (MLCalendarCell* each : std::as_const(m_dayCells))
        each->setSelected(each == cell);
    if (m_delegate)
        m_delegate->didSelectDate(*picked);
}

void MLCalendarView::layoutCalendar()
{
    const CalendarMonth::Grid grid = m_month.layout();
    for (int index = 0; index < CalendarMonth::kCells; ++index) {
        m_dayCells[index]->setRepresentedDate(grid[index]);
        m_dayCells[index]->setSelected(m_month.isSelected(grid, index));
    }
}

} // namespace trevalo
