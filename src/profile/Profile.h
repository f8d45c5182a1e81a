#pragma once

#include "platform/CommandRunner.h"
#include "platform/Services.h"
#include "profile/ProfileBuilder.h"
#include "profile/ReportLog.h"
#include "profile/ReportText.h"

#include <QObject>
#include <functional>
#include <memory>
#include <optional>

namespace trevalo {

/// What the profile tab and the change-log tab show. The profile owner keeps it; the tabs draw it.
struct ProfileView {
    /// The report in the view: the live report of the last run, or a stored one from the log.
    ReportText report;
    /// Grows whenever `report` is replaced.
    int revision = 0;
    /// A stored report is shown (black on white) rather than the live one (coloured).
    bool fromLog = false;
    /// The "Log Num:" label and the number of the report shown; hidden for the live report.
    bool indicatorVisible = false;
    QString staticLogText;
    QString indicator;
    QString logCount;
    QString logSize;
    /// The count of reports in the log as the last look at it found it (the word "timestamp" in it).
    int reportCount = 0;
    // The change-log tab's counters from the last run.
    QString changesCount;
    QString addedCount;
    QString removedCount;
    QString warningChanges;
};

/// The system profile: one run at a time builds the report, compares the watched folders and login
/// items with the last run, and stores the report, the change records, the snapshots and the run number
/// together, under the settings lock, once every tool has answered. Also the report log's navigation and
/// deletion, and the change log's deletion.
///
/// A window run (runProfiler) runs its tools asynchronously; the command line's run (runBlocking) waits.
class Profile : public QObject {
    Q_OBJECT
public:
    explicit Profile(Services services, QObject* parent = nullptr);
    ~Profile() override;

    /// Where the run reads the status menu's System Integrity Protection title.
    void setSipStateTitleSource(std::function<QString()> source) { m_sipStateTitle = std::move(source); }

    // The operations the window's controls and the Analyser's set-up call.
    /// Starts a run and returns at once ("runProfiler:"); a request while one runs makes one more run
    /// after it. Shows the live view: the log navigation fields are hidden.
    void runProfiler();
    /// Ends a run whose report is not yet stored; nothing of it is written.
    void cancel();
    bool isRunning() const { return m_run != nullptr; }
    /// Refreshes the log's size and report count, and steps through the stored reports ("logView:").
    void logView(std::optional<reportlog::LogStep> step = std::nullopt);
    /// Opens the report log in the user's default application for it ("openConsole:").
    void openConsole();
    /// Who deletes the report log: the first-run rule (no questions, nothing more), or the user's control,
    /// which asks first, then forgets the run number; from the window it then starts a fresh profile,
    /// while the command line makes its own with runBlocking().
    enum class DeleteFrom { FirstRun, Window, CommandLine };
    /// Deletes the report log ("deleteLogs:"). False when nothing was deleted (declined, a run in flight,
    /// or no log).
    bool deleteLogs(DeleteFrom from);
    /// Asks, then deletes the change log ("removeChangeLog:"). False when the user declined.
    bool removeChangeLog();

    /// The change-log tab was left: its warning sign goes.
    void clearWarning();
    /// The change log's text for its tab ("defaultSearchForALog:").
    QString changeLogText() const;
    const ProfileView& view() const { return m_view; }

    struct BlockingOutcome {
        bool stored = false;
        QString error; ///< why the run could not be stored
        int number = 0;
    };
    /// One whole run on the calling thread, first-run rule included, as the command line makes it.
    BlockingOutcome runBlocking();

    /// Report n from the report log; absent when the log or the report is missing.
    std::optional<QString> storedReport(int number);

    // Files and paths as the program's macOS paths.
    QString reportLogPath() const;
    QString changeLogPath() const;
    QString hostPath(const QString& macPath) const { return m_services.root.host(macPath); }

signals:
    /// The view changed: a new report, a step through the log, new counters.
    void viewChanged();
    void runningChanged(bool running);
    /// A run could not store its report; the message names the reason.
    void runFailed(const QString& message);
    /// The change log was deleted: the change-log tab empties its view and its warning.
    void changeLogRemoved();

private:
    struct Run;
    /// The tool calls of a run, each with what it makes of its result.
    struct ToolCall {
        CommandRunner::Request request;
        std::function<void(ProfileInputs&, const CommandRunner::Result&)> take;
    };
    QList<ToolCall> toolCalls() const;
    /// What the run reads from files rather than tools.
    void readFiles(ProfileInputs& inputs) const;
    /// Builds and stores the run's report under the settings lock. Absent, with the reason, when nothing
    /// could be stored.
    std::optional<ProfileBuild> commit(const ProfileInputs& inputs, QString& error);
    void startRun();
    void finishRun(const ProfileInputs& inputs);
    void showLive(const ProfileBuild& build);
    /// Removes the report log without asking; false when there was none.
    bool removeReportLog();
    const reportlog::ReportLogIndex* logIndex();

    Services m_services;
    std::function<QString()> m_sipStateTitle;
    std::shared_ptr<Run> m_run;
    bool m_runAgain = false;
    ProfileView m_view;
    // The report log as last read, kept while the file is unchanged.
    std::optional<reportlog::ReportLogIndex> m_log;
    qint64 m_logSize = -1;
    QDateTime m_logModified;
};

} // namespace trevalo
