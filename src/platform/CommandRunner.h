#pragma once

#include "platform/SystemRoot.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <vector>

namespace trevalo {

/// A started child process that can be stopped from another thread. Stopping a child that has ended
/// does nothing: the process id is only signalled while the child has not been reaped.
class ChildHandle {
public:
    explicit ChildHandle(pid_t pid) : m_pid(pid) {}
    pid_t pid() const { return m_pid; }
    bool hasEnded() const;
    /// Sends the termination signal unless the child has ended.
    void terminate();

    /// Called once the child has ended and before it is reaped.
    void markEnded();

private:
    const pid_t m_pid;
    mutable std::mutex m_mutex;
    bool m_ended = false;
};

/// Runs the machine's tools and AppleScript and hands back their output as text.
///
/// Every call is synchronous. A null QString is the absent result (output that is not UTF-8, a tool that
/// could not be started); an empty, non-null QString is a tool that printed nothing. Callers treat both
/// alike. No call looks at an exit status. A child that leaves another process holding its output open
/// keeps the call blocked until that process closes it: output is read to its end, not to the child's exit.
class CommandRunner {
public:
    explicit CommandRunner(SystemRoot root);

    const SystemRoot& root() const { return m_root; }

    /// Standard output of the program; the child becomes the current task.
    QString callNSTaskWithResult(const QString& launchPath, const QStringList& arguments);
    /// As callNSTaskWithResult but leaves the current task alone.
    QString callSubsidTaskWithResult(const QString& launchPath, const QStringList& arguments);
    /// As callSubsidTaskWithResult with standard error sent to the null device.
    QString callTaskDiscardingErrors(const QString& launchPath, const QStringList& arguments);
    /// Standard error of the program; standard output is left alone.
    QString callNSTaskWithError(const QString& launchPath, const QStringList& arguments);
    /// Starts the program and returns at once.
    void callNSTask(const QString& launchPath, const QStringList& arguments);
    /// Writes the Finder's show-all-files setting and restarts the Finder, without waiting for either.
    void callDefaultsTask(const QString& value);
    /// osascript -e TEXT: the result in osascript's plain form with its line feed; empty on a script error.
    QString callOSATask(const QString& script);
    /// osascript FILE.
    QString callOSATaskWithScript(const QString& scriptPath);
    /// The result's display value without its first and last character (a quoted text result becomes the
    /// bare text); "error" when the script gave no result.
    QString callOSAScript(const QString& script);
    /// The Analyser window's variant of callOSAScript: " " (one blank) instead of "error", also when the
    /// display text is shorter than two characters.
    QString callOSAScriptForAnalyser(const QString& script);
    /// Runs the script; result and error are dropped.
    void callOSAScriptNull(const QString& script);
    /// The result as text; absent, and a log line, when the script fails.
    QString callNSAppleScript(const QString& script);
    void receivedata() {}

    struct ScriptOutcome {
        bool started = false; ///< false when osascript could not be started
        QString output;       ///< standard output, final line feed removed
        QString error;        ///< standard error, final line feed removed; empty when the script succeeded
    };
    /// Runs osascript with the given options before -e TEXT and returns both streams.
    ScriptOutcome runScript(const QString& script, const QStringList& options = {});

    /// The child most recently started by callNSTaskWithResult (it may have ended); null before the first.
    std::shared_ptr<ChildHandle> currentTask() const;
    /// Stops the current task, if any. Harmless when it has ended.
    void terminateCurrentTask();

private:
    enum class Capture { Nothing, Output, OutputDiscardingErrors, Error, Both };
    struct Result {
        bool started = false;
        QByteArray output;
        QByteArray error;
    };
    enum class Slot { Keep, Replace };
    /// Starts a tool through the root and, unless `capture` is Nothing, reads the captured streams to
    /// their end and reaps the child. With Slot::Replace the child becomes the current task as soon as
    /// it runs.
    Result run(const QString& launchPath, const QStringList& arguments, Capture capture,
               Slot slot = Slot::Keep);

    QString osascriptPath() const;

    SystemRoot m_root;
    std::vector<QByteArray> m_environment; // built once: the child environment never changes
    mutable std::mutex m_slotMutex;
    std::shared_ptr<ChildHandle> m_currentTask;
};

/// Decodes bytes as UTF-8; invalid bytes give a null (absent) text, no bytes an empty one.
QString decodeUtf8(const QByteArray& bytes);

} // namespace trevalo
