#pragma once

#include "platform/SystemRoot.h"
#include "platform/posix/ChildProcess.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

class QObject;

namespace trevalo {

struct RunState;
class RunSupervisor;

/// An asynchronous run started by CommandRunner::start. Cheap to copy; harmless to use once the run has
/// ended, and after its runner has gone.
class RunHandle {
public:
    RunHandle() = default;

    /// Ends the child's process group. The finish callback still comes, with Result::cancelled set.
    void cancel() const;
    /// Blocks until the run has ended and its callbacks have been queued. For quitting and for tests: a
    /// window never waits on a tool.
    void wait() const;

private:
    friend class CommandRunner;
    explicit RunHandle(std::weak_ptr<RunState> run) : m_run(std::move(run)) {}

    std::weak_ptr<RunState> m_run;
};

/// Runs the machine's tools and AppleScript.
///
/// The call* operations and runScript are synchronous: they run on the calling thread and hand back
/// decoded text. A null QString is the absent result (output that is not UTF-8, a tool that could not be
/// started); an empty, non-null QString is a tool that printed nothing. Callers treat both alike. They do
/// not look at the exit status; run() and start() report it.
///
/// Output is read to its end, not to the child's exit: a child that leaves another process holding its
/// output keeps the call waiting until that process closes it. A time limit bounds the wait: a child
/// still running at its limit loses its whole process group and the call returns the empty result.
///
/// Every child has its own process group, reads standard input from the null device and writes the
/// streams nobody captures to the null device. The runner may be used from several threads at once.
/// Destroying it ends every child still running from it.
class CommandRunner {
public:
    /// Which of the child's streams are read. The others go to the null device.
    enum class Capture { Nothing, Output, Error, Both };
    /// Limited: the runner's default time limit. None: for a tool that waits for a person's answer, such
    /// as a dialog or a password prompt.
    enum class TimeLimit { Limited, None };

    struct Request {
        QString launchPath{}; ///< the tool's macOS path; it is run from the root
        QStringList arguments{};
        Capture capture = Capture::Output;
        bool becomesCurrentTask = false; ///< the child takes the currentTask() slot as soon as it runs
        TimeLimit timeLimit = TimeLimit::Limited;
        /// run() returns once the child has started and nothing is captured; the child is reaped in the
        /// background, still under its time limit.
        bool detach = false;
        /// Ends a line of standard output for start(); '\0' for NUL-separated output.
        char lineSeparator = '\n';
    };

    struct Result {
        bool started = false;
        int exitStatus = -1; ///< when the child exited by itself; -1 otherwise
        int signal = 0;      ///< the signal that ended the child; 0 when none did
        bool timedOut = false;
        bool cancelled = false;
        bool truncated = false; ///< a stream printed more than the output cap; the rest was dropped
        /// Captured bytes; empty after a time-out or cancel, whatever had been read by then.
        QByteArray output;
        QByteArray error;

        bool succeeded() const
        {
            return started && signal == 0 && exitStatus == 0 && !timedOut && !cancelled;
        }
    };

    using LinesCallback = std::function<void(const QList<QByteArray>& lines)>;
    using FinishedCallback = std::function<void(const Result& result)>;

    explicit CommandRunner(SystemRoot root);
    CommandRunner(const CommandRunner&) = delete;
    CommandRunner& operator=(const CommandRunner&) = delete;
    /// Ends every child still running from this runner and waits for the threads that watch them.
    ~CommandRunner();

    const SystemRoot& root() const { return m_root; }

    /// Runs a tool on the calling thread and waits for it (unless the request detaches it).
    Result run(const Request& request);

    /// Starts a tool and returns at once. Standard output arrives through `onLines` as whole lines without
    /// their separator, a batch per read, the last line also when it lacks a separator; without `onLines`
    /// it is collected into Result::output. `onFinished` comes exactly once. Both are called on the thread
    /// of `context`, through its event loop, and never once `context` has been destroyed.
    RunHandle start(const Request& request, QObject* context, LinesCallback onLines,
                    FinishedCallback onFinished);

    /// The limit of Limited requests; 60 s unless changed. Applies to runs started afterwards.
    void setDefaultTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }
    std::chrono::milliseconds defaultTimeLimit() const { return m_timeLimit; }
    /// Bytes of one stream held in memory; 16 MiB unless changed. Applies to runs started afterwards.
    void setOutputCap(qsizetype bytes) { m_outputCap = bytes; }
    qsizetype outputCap() const { return m_outputCap; }

    /// Standard output of the program; the child becomes the current task.
    QString callNSTaskWithResult(const QString& launchPath, const QStringList& arguments);
    /// As callNSTaskWithResult but leaves the current task alone.
    QString callSubsidTaskWithResult(const QString& launchPath, const QStringList& arguments);
    /// Standard error of the program.
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
    /// As callNSAppleScript without the log line.
    QString callNSAppleScriptQuietly(const QString& script);
    void receivedata() {}

    struct ScriptOutcome {
        bool started = false;   ///< false when osascript could not be started
        bool succeeded = false; ///< osascript exited with status 0 within its time limit
        QString output;         ///< standard output, final line feed removed
        QString error;          ///< standard error, final line feed removed; empty when the script succeeded
    };
    /// Runs osascript with the given options before -e TEXT and returns both streams. A script that waits
    /// for a person (a dialog, a password prompt) needs TimeLimit::None.
    ScriptOutcome runScript(const QString& script, const QStringList& options = {},
                            TimeLimit timeLimit = TimeLimit::Limited);

    /// The request runScript makes, for a script run with start().
    Request scriptRequest(const QString& script, const QStringList& options = {},
                          TimeLimit timeLimit = TimeLimit::Limited) const;
    /// What runScript makes of a finished osascript run.
    static ScriptOutcome scriptOutcome(const Result& result);
    /// callNSAppleScript's result from a script's outcome: absent when the script failed or said nothing.
    static QString appleScriptResult(const ScriptOutcome& outcome);
    /// callOSAScriptForAnalyser's result from osascript's "-s s" output.
    static QString analyserDisplayText(const QString& display);

    /// The child most recently started by callNSTaskWithResult (it may have ended); null before the first.
    std::shared_ptr<ChildProcess> currentTask() const;
    /// Sends SIGTERM to the current task's process group, if any. Harmless when it has ended.
    void terminateCurrentTask();
    /// Waits until every child started by callNSTask (or another detached run) has ended, each still
    /// under its time limit: for a command line, which would otherwise end them as it quits.
    void waitForDetached();

private:
    using LineSink = std::function<void(QList<QByteArray> lines)>;

    /// Starts the child and puts it under the supervisor; null, with a log line, when it could not start.
    std::shared_ptr<RunState> launch(const Request& request);
    /// The same into a run that exists already (and may have been cancelled meanwhile); false when the
    /// child could not start.
    bool launchInto(RunState& run, const Request& request);
    /// Reads what the request captures, waits for the child and reaps it.
    Result finish(RunState& run, const Request& request, const LineSink* lines);
    /// Runs `job` on a thread of its own that the destructor joins.
    void runInBackground(std::function<void()> job, bool detached = false);

    QString osascriptPath() const;

    SystemRoot m_root;
    const ChildEnvironment m_environment;
    std::atomic<std::chrono::milliseconds> m_timeLimit{std::chrono::seconds(60)};
    std::atomic<qsizetype> m_outputCap{qsizetype(16) * 1024 * 1024};
    const std::shared_ptr<RunSupervisor> m_supervisor;

    mutable std::mutex m_slotMutex;
    std::shared_ptr<ChildProcess> m_currentTask;

    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
        bool detached = false; ///< waits on a child that run() handed back at once
    };
    std::mutex m_workersMutex;
    std::list<Worker> m_workers;
};

/// Decodes bytes as UTF-8; invalid bytes give a null (absent) text, no bytes an empty one.
QString decodeUtf8(const QByteArray& bytes);

} // namespace trevalo
