#include "analyser/ui/AnalyserWindow.h"

#include "analyser/TRAnalyser.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace trevalo {

namespace {

QColor colourOf(TRAnalyser::Colour colour)
{
    switch (colour) {
    case TRAnalyser::Colour::Blue:
        return QColor(0x15, 0x65, 0xc0);
    case TRAnalyser::Colour::Red:
        return QColor(0xc6, 0x28, 0x28);
    default:
        return QApplication::palette().color(QPalette::WindowText);
    }
}

void setColour(QLabel* label, const QColor& colour)
{
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, colour);
    label->setPalette(p);
}

} // namespace

AnalyserWindow::AnalyserWindow(TRAnalyser& controller) : m_controller(&controller)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString());
    resize(980, 820);

    m_tabs = new QTabWidget(this);
    m_tabs->addTab(buildResultsTab(), tr("Analyser"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);

    connect(&controller, &TRAnalyser::changed, this, &AnalyserWindow::showState);
    // Every scan makes a new controller; this window goes with the old one.
    connect(&controller, &TRAnalyser::retired, this, &QObject::deleteLater);
    connect(&controller, &QObject::destroyed, this, &QObject::deleteLater);
    showState();
}

QWidget* AnalyserWindow::buildResultsTab()
{
    auto* tab = new QWidget;
    auto* column = new QVBoxLayout(tab);

    auto* header = new QHBoxLayout;
    header->addWidget(new QLabel(tr("Items found:")));
    m_issueCount = new QLabel;
    setColour(m_issueCount, colourOf(TRAnalyser::Colour::Blue));
    QFont bold = m_issueCount->font();
    bold.setBold(true);
    m_issueCount->setFont(bold);
    header->addWidget(m_issueCount);
    m_ignoreLabel = new QLabel;
    m_ignoreLabel->setToolTip(tr("Items you chose to ignore"));
    header->addWidget(m_ignoreLabel);
    header->addStretch();
    m_doneChecking = new QLabel;
    header->addWidget(m_doneChecking);
    column->addLayout(header);

    m_sorted = new QSortFilterProxyModel(this);
    m_sorted->setSourceModel(m_controller->model());
    m_sorted->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_table = new QTableView;
    m_table->setModel(m_sorted);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(-1, Qt::AscendingOrder); // the scan's order until the user sorts
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(ResultsTableModel::Name, 260);
    m_table->setColumnWidth(ResultsTableModel::Issue, 110);
    connect(m_table, &QTableView::doubleClicked, this, [this] { m_controller->inspect(selectedRow()); });
    column->addWidget(m_table, 1);

    auto* notices = new QHBoxLayout;
    m_backupWarning = new QLabel;
    setColour(m_backupWarning, colourOf(TRAnalyser::Colour::Red));
    notices->addWidget(m_backupWarning);
    notices->addStretch();
    m_downloadsLabel = new QLabel(tr("Downloads folder"));
    m_downloadsLabel->setEnabled(false);
    notices->addWidget(m_downloadsLabel);
    m_dmgCount = new QLabel;
    m_dmgCount->setEnabled(false);
    notices->addWidget(m_dmgCount);
    m_openDownloads = new QPushButton(tr("Open Downloads"));
    m_openDownloads->hide();
    connect(m_openDownloads, &QPushButton::clicked, this, [this] { m_controller->openDownloadsFolder(); });
    notices->addWidget(m_openDownloads);
    column->addLayout(notices);

    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& title, const QString& tip, auto action) {
        auto* b = new QPushButton(title);
        b->setObjectName(title);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, [this, action] { (m_controller->*action)(selectedRow()); });
        buttons->addWidget(b);
    };
    add(tr("Info"), tr("Advice on the selected item"), &TRAnalyser::doInfo);
    add(tr("Reveal"), tr("Show the selected item in the Finder"), &TRAnalyser::revealInFinder);
    add(tr("Delete"), tr("Move the selected item to the Trash"), &TRAnalyser::deleteSelected);
    add(tr("Ignore"), tr("Leave the selected item out of future scans"), &TRAnalyser::ignore);
    buttons->addStretch();
    auto* reset = new QPushButton(tr("Reset Ignored"));
    reset->setObjectName(QStringLiteral("Reset"));
    reset->setToolTip(tr("Bring back every ignored item and scan again"));
    connect(reset, &QPushButton::clicked, this, [this] { m_controller->reset(); });
    buttons->addWidget(reset);
    column->addLayout(buttons);
    return tab;
}

QPushButton* AnalyserWindow::button(const QString& title) const
{
    return findChild<QPushButton*>(title);
}

void AnalyserWindow::selectTab(int index)
{
    m_tabs->setCurrentIndex(index);
}

void AnalyserWindow::addTab(QWidget* tab, const QString& title)
{
    m_tabs->addTab(tab, title);
}

void AnalyserWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    emit closed();
}

std::optional<int> AnalyserWindow::selectedRow() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return std::nullopt;
    return m_sorted->mapToSource(rows.first()).row();
}

void AnalyserWindow::showState()
{
    if (!m_controller)
        return;
    const TRAnalyser& c = *m_controller;
    m_issueCount->setText(c.issueCount);
    m_ignoreLabel->setText(c.ignoreLabel);
    m_doneChecking->setText(c.doneCheckingText);
    m_doneChecking->setVisible(c.doneCheckingVisible);
    if (!c.backupWarning.isEmpty())
        m_backupWarning->setText(c.backupWarning);
    if (c.downloads.count > 0) {
        m_downloadsLabel->setEnabled(true);
        m_downloadsLabel->setText(c.downloads.label);
        m_dmgCount->setEnabled(true);
        setColour(m_dmgCount, colourOf(c.downloads.colour));
        m_dmgCount->setText(c.downloads.text);
        m_openDownloads->show();
        m_openDownloads->setEnabled(true);
    }
}

} // namespace trevalo
