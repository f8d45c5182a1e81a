#include "profile/ui/ProfileTabs.h"

#include "profile/Profile.h"
#include "profile/ReportHtml.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace trevalo {

namespace {

const QColor kLightBlue = QColor::fromRgbF(0.2f, 0.8f, 1.0f);
const QColor kDarkGrey = QColor::fromRgbF(0.2f, 0.2f, 0.2f);

void setViewColours(QTextEdit* view, const QColor& text, const QColor& background)
{
    QPalette p = view->palette();
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Base, background);
    view->setPalette(p);
}

QLabel* boldLabel()
{
    auto* label = new QLabel;
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

} // namespace

QColor reportColour(ReportColour colour)
{
    switch (colour) {
    case ReportColour::Base:
        return kLightBlue;
    case ReportColour::White:
        return QColor::fromRgbF(1, 1, 1);
    case ReportColour::Yellow:
        return QColor::fromRgbF(1, 1, 0);
    case ReportColour::Orange:
        return QColor::fromRgbF(1, 0.5f, 0);
    case ReportColour::Magenta:
        return QColor::fromRgbF(1, 0, 1);
    case ReportColour::Green:
        return QColor::fromRgbF(0, 1, 0);
    case ReportColour::Cyan:
        return QColor::fromRgbF(0, 1, 1);
    }
    return kLightBlue;
}

ProfileTab::ProfileTab(Profile& profile, QWidget* parent) : QWidget(parent), m_profile(&profile)
{
    auto* column = new QVBoxLayout(this);

    auto* bar = new QHBoxLayout;
    auto addButton = [&](const QString& name, const QString& title, const QString& tip, auto action) {
        auto* b = new QPushButton(title);
        b->setObjectName(name);
        b->setToolTip(tip);
        connect(b, &QPushButton::clicked, this, action);
        bar->addWidget(b);
        return b;
    };
    m_runControls << addButton(QStringLiteral("runProfiler"), tr("New Profile"),
                               tr("Profile the system again and compare it with the last profile"),
                               [this] { m_profile->runProfiler(); });
    m_spinner = new QProgressBar;
    m_spinner->setRange(0, 0); // turns until the run ends
    m_spinner->setTextVisible(false);
    m_spinner->setMaximumWidth(90);
    m_spinner->hide();
    bar->addWidget(m_spinner);
    bar->addStretch();
    m_staticLogText = new QLabel;
    m_indicator = boldLabel();
    bar->addWidget(m_staticLogText);
    bar->addWidget(m_indicator);
    m_runControls << addButton(QStringLiteral("previousReport"), QStringLiteral("\u25C0"),
                               tr("Show the previous stored profile"),
                               [this] { m_profile->logView(reportlog::LogStep::Previous); });
    m_runControls << addButton(QStringLiteral("nextReport"), QStringLiteral("\u25B6"),
                               tr("Show the next stored profile"),
                               [this] { m_profile->logView(reportlog::LogStep::Next); });
    bar->addWidget(new QLabel(tr("Profiles:")));
    m_logCount = boldLabel();
    bar->addWidget(m_logCount);
    bar->addWidget(new QLabel(tr("Log size:")));
    m_logSize = boldLabel();
    bar->addWidget(m_logSize);
    column->addLayout(bar);

    m_report = new QTextEdit;
    m_report->setReadOnly(true);
    m_report->setObjectName(QStringLiteral("textViewB"));
    m_report->setUndoRedoEnabled(false);
    setViewColours(m_report, kLightBlue, kDarkGrey);
    QFont font(QStringLiteral("Helvetica Neue"));
    font.setPointSizeF(14.5);
    m_report->setFont(font);
    m_report->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_report->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    column->addWidget(m_report, 1);

    m_failure = new QLabel;
    m_failure->setObjectName(QStringLiteral("failure"));
    m_failure->setWordWrap(true);
    m_failure->hide();
    column->addWidget(m_failure);

    auto* bottom = new QHBoxLayout;
    bar = bottom;
    addButton(QStringLiteral("openConsole"), tr("Open Log"), tr("Open the profile log in its application"),
              [this] { m_profile->openConsole(); });
    m_runControls << addButton(QStringLiteral("deleteLogs"), tr("Delete Logs…"),
                               tr("Delete every stored profile and start the numbering afresh"),
                               [this] { m_profile->deleteLogs(Profile::DeleteFrom::Window); });
    bottom->addStretch();
    addButton(QStringLiteral("exportReport"), tr("Export…"),
              tr("Save the report and the change log as a web page"), [this] { exportPage(); });
    addButton(QStringLiteral("Copy"), tr("Copy Report"), tr("Copy the whole report"),
              [this] { emit copyRequested(m_report->toPlainText()); });
    column->addLayout(bottom);

    connect(&profile, &Profile::viewChanged, this, &ProfileTab::showView);
    connect(&profile, &Profile::runningChanged, this, &ProfileTab::showRunning);
    connect(&profile, &Profile::runFailed, this, [this](const QString& message) {
        m_failure->setText(message);
        m_failure->show();
    });
    m_choosePageFile = [this] {
        return QFileDialog::getSaveFileName(this, tr("Export Profile"),
                                            QDir::homePath() + QStringLiteral("/Trevalo 2 Profile.html"),
                                            tr("Web pages (*.html)"));
    };
    showView();
    showRunning(profile.isRunning());
}

void ProfileTab::exportPage()
{
    if (!m_profile)
        return;
    const QString path = m_choosePageFile();
    if (path.isEmpty())
        return;
    QString error;
    if (writeReportPage(path, reportPage(m_profile->view().report, m_profile->changeLogText()), &error)) {
        m_failure->hide();
        return;
    }
    m_failure->setText(tr("The page could not be written to %1: %2").arg(path, error));
    m_failure->show();
}

QPushButton* ProfileTab::button(const QString& name) const
{
    return findChild<QPushButton*>(name);
}

void ProfileTab::setReport(const ReportText& report, bool fromLog)
{
    m_report->clear();
    if (fromLog) {
        setViewColours(m_report, Qt::black, Qt::white);
        // Not setPlainText: it keeps the format at the view's cursor, the last colour of the live report
        // shown before (white, on white).
        QTextCharFormat black;
        black.setForeground(QColor(Qt::black));
        QTextCursor(m_report->document()).insertText(report.text(), black);
    } else {
        setViewColours(m_report, kLightBlue, kDarkGrey);
        QTextCursor cursor(m_report->document());
        cursor.beginEditBlock();
        QTextCharFormat format;
        report.forEachPiece([&](QStringView text, ReportColour colour) {
            format.setForeground(reportColour(colour));
            cursor.insertText(text.toString(), format);
        });
        cursor.endEditBlock();
    }
    m_report->verticalScrollBar()->setValue(0);
}

void ProfileTab::showView()
{
    if (!m_profile)
        return;
    const ProfileView& view = m_profile->view();
    if (view.revision != m_drawnRevision) {
        setReport(view.report, view.fromLog);
        m_drawnRevision = view.revision;
        m_failure->hide();
    }
    m_staticLogText->setText(view.staticLogText);
    m_indicator->setText(view.indicator);
    m_staticLogText->setVisible(view.indicatorVisible);
    m_indicator->setVisible(view.indicatorVisible);
    m_logCount->setText(view.logCount);
    m_logSize->setText(view.logSize);
}

void ProfileTab::showRunning(bool running)
{
    m_spinner->setVisible(running);
    for (QPushButton* control : std::as_const(m_runControls))
        control->setEnabled(!running);
}

ChangeLogTab::ChangeLogTab(Profile& profile, QWidget* parent) : QWidget(parent), m_profile(&profile)
{
    auto* column = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto counter = [&](const QString& title, QLabel*& label) {
        bar->addWidget(new QLabel(title));
        label = boldLabel();
        bar->addWidget(label);
    };
    counter(tr("Changes:"), m_changes);
    counter(tr("Added:"), m_added);
    counter(tr("Removed:"), m_removed);
    m_warning = new QLabel;
    m_warning->setToolTip(tr("The last profile found changes"));
    bar->addWidget(m_warning);
    bar->addStretch();
    auto* remove = new QPushButton(tr("Delete History…"));
    remove->setObjectName(QStringLiteral("removeChangeLog"));
    remove->setToolTip(tr("Delete the record of every change found so far"));
    connect(remove, &QPushButton::clicked, this, [this] { m_profile->removeChangeLog(); });
    // A run in flight still appends its records: the history is deleted between runs.
    connect(&profile, &Profile::runningChanged, remove,
            [remove](bool running) { remove->setEnabled(!running); });
    remove->setEnabled(!profile.isRunning());
    bar->addWidget(remove);
    column->addLayout(bar);

    m_recorder = new QTextEdit;
    m_recorder->setReadOnly(true);
    m_recorder->setObjectName(QStringLiteral("recorderView"));
    m_recorder->setLineWrapMode(QTextEdit::NoWrap);
    column->addWidget(m_recorder, 1);

    connect(&profile, &Profile::viewChanged, this, &ChangeLogTab::showCounters);
    connect(&profile, &Profile::changeLogRemoved, m_recorder, &QTextEdit::clear);
    showCounters();
}

void ChangeLogTab::showCounters()
{
    if (!m_profile)
        return;
    const ProfileView& view = m_profile->view();
    m_changes->setText(view.changesCount);
    m_added->setText(view.addedCount);
    m_removed->setText(view.removedCount);
    m_warning->setText(view.warningChanges);
}

void ChangeLogTab::tabSelected()
{
    if (!m_profile)
        return;
    m_recorder->setPlainText(m_profile->changeLogText());
    m_recorder->moveCursor(QTextCursor::End);
    m_recorder->ensureCursorVisible();
}

void ChangeLogTab::tabLeft()
{
    if (m_profile)
        m_profile->clearWarning();
}

} // namespace trevalo
