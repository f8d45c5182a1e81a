#pragma once

#include "profile/ReportText.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QTextEdit;

namespace trevalo {

class Profile;

/// The report's colours on screen.
QColor reportColour(ReportColour colour);

/// The profile tab: the report view (light blue on dark grey, or black on white while a stored report
/// is shown), the controls for a fresh profile, log navigation, the log's size and count, opening and
/// deleting the log, and copying the report. It draws what its Profile holds.
class ProfileTab : public QWidget {
    Q_OBJECT
public:
    explicit ProfileTab(Profile& profile, QWidget* parent = nullptr);

    /// Shows a report: coloured when live, black on white when it comes from the log.
    void setReport(const ReportText& report, bool fromLog);

    QTextEdit* textViewB() const { return m_report; }
    QLabel* logCount() const { return m_logCount; }
    QLabel* logSize() const { return m_logSize; }
    QLabel* staticLogText() const { return m_staticLogText; }
    QLabel* timestampIndicatorField() const { return m_indicator; }
    QProgressBar* spinner() const { return m_spinner; }
    QPushButton* button(const QString& name) const;

    /// Asks where Export… writes the page; an empty answer cancels. A save panel unless replaced (tests).
    void setPageFileChooser(std::function<QString()> chooser) { m_choosePageFile = std::move(chooser); }

signals:
    /// The user asked to copy the whole report.
    void copyRequested(const QString& reportText);

private:
    void showView();
    void showRunning(bool running);
    /// Writes the report shown and the change log as one HTML page where the user chooses.
    void exportPage();

    QPointer<Profile> m_profile;
    QTextEdit* m_report;
    QLabel* m_staticLogText;
    QLabel* m_indicator;
    QLabel* m_logCount;
    QLabel* m_logSize;
    QLabel* m_failure;
    QProgressBar* m_spinner;
    QList<QPushButton*> m_runControls;
    std::function<QString()> m_choosePageFile;
    /// The report revision drawn, so that a change elsewhere in the view does not redraw the report.
    int m_drawnRevision = -1;
};

/// The change-log tab: the change log's text, the last run's counters and warning sign, and deleting
/// the change history.
class ChangeLogTab : public QWidget {
    Q_OBJECT
public:
    explicit ChangeLogTab(Profile& profile, QWidget* parent = nullptr);

    QTextEdit* recorderView() const { return m_recorder; }
    QLabel* changesCount() const { return m_changes; }
    QLabel* addedCount() const { return m_added; }
    QLabel* removedCount() const { return m_removed; }
    QLabel* warningChanges() const { return m_warning; }

    /// The tab became the current one: the change log is read anew and shown from its end.
    void tabSelected();
    /// The tab was left: its warning sign goes.
    void tabLeft();

private:
    void showCounters();

    QPointer<Profile> m_profile;
    QTextEdit* m_recorder;
    QLabel* m_changes;
    QLabel* m_added;
    QLabel* m_removed;
    QLabel* m_warning;
};

} // namespace trevalo
