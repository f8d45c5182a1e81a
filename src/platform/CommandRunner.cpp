#include "platform/CommandRunner.h"

#include "platform/Log.h"
#include "platform/RunSupervisor.h"

#include <QMetaObject>
#include <QObject>
#include <QStringDecoder>
#include <cstring>
#include <optional>
#include <utility>

namespace trevalo {

namespace {

// Bytes of one stream, held up to a cap; what comes after the cap is counted as dropped.
class CappedBuffer {
public:
    explicit CappedBuffer(qsizetype cap) : m_cap(cap) {}

    void append(const char* data, qsizetype size)
    {
        const qsizetype room = m_cap - m_bytes.size();
        if (size > room) {
            m_truncated = true;
            size = std::max<qsizetype>(room, 0);
        }
        m_bytes.append(data, size);
    }
    bool truncated() const { return m_truncated; }
    QByteArray take() { return std::exchange(m_bytes, {}); }

private:
    const qsizetype m_cap;
    QByteArray m_bytes;
    bool m_truncated = false;
};

// Cuts a stream into lines. A line cut by a read waits for the rest in the next one; a line longer than
// the cap keeps its beginning.
class LineSplitter {
public:
    LineSplitter(char separator, qsizetype cap) : m_separator(separator), m_line(cap) {}

    QList<QByteArray> split(const char* data, qsizetype size)
    {
        QList<QByteArray> lines;
        const char* const end = data + size;
        while (data < end) {
            const auto* found = static_cast<const char*>(std::memchr(data, m_separator, size_t(end - data)));
            m_line.append(data, (found ? found : end) - data);
            if (!found)
                break;
            lines.append(m_line.take());
            data = found + 1;
        }
        return lines;
    }
    /// The last line when the stream did not end with a separator.
    std::optional<QByteArray> rest()
    {
        QByteArray line = m_line.take();
        return line.isEmpty() ? std::nullopt : std::optional(std::move(line));
    }
    bool truncated() const { return m_line.truncated(); }

private:
    const char m_separator;
    CappedBuffer m_line;
};

// Queues calls on the thread of a context object. Once the context has been destroyed nothing more is
// queued, and Qt drops what was queued and had not run yet together with the object.
class Delivery {
public:
    static std::shared_ptr<Delivery> to(QObject* context)
    {
        auto delivery = std::make_shared<Delivery>(context);
        if (context) {
            // Direct: the flag must be down before the context's memory is gone, whichever thread posts.
            delivery->m_connection =
                QObject::connect(context, &QObject::destroyed, [weak = std::weak_ptr<Delivery>(delivery)] {
                    if (auto d = weak.lock())
                        d->forget();
                });
        }
        return delivery;
    }

    explicit Delivery(QObject* context) : m_context(context) {}
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;
    ~Delivery() { QObject::disconnect(m_connection); }

    template <typename Function> void post(Function function)
    {
        // Held while posting, so the context cannot finish being destroyed in between.
        std::lock_guard lock(m_mutex);
        if (m_context)
            QMetaObject::invokeMethod(m_context, std::move(function), Qt::QueuedConnection);
    }

private:
    void forget()
    {
        std::lock_guard lock(m_mutex);
        m_context = nullptr;
    }

    std::mutex m_mutex;
    QObject* m_context;
    QMetaObject::Connection m_connection;
};

void markDone(RunState& run)
{
    std::lock_guard lock(run.doneMutex);
    run.done = true;
    run.doneChanged.notify_all();
}

QString outputText(const CommandRunner::Result& r)
{
    return r.started ? decodeUtf8(r.output) : QString();
}

QString appleScriptText(const CommandRunner::ScriptOutcome& outcome)
{
    if (!outcome.error.isEmpty() || outcome.output.isEmpty())
        return QString();
    return outcome.output;
}

} // namespace

QString decodeUtf8(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral("");
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QString();
    return text;
}

void RunHandle::cancel() const
{
    if (const auto run = m_run.lock())
        run->supervisor->cancel(*run);
}

void RunHandle::wait() const
{
    if (const auto run = m_run.lock()) {
        std::unique_lock lock(run->doneMutex);
        run->doneChanged.wait(lock, [&] { return run->done; });
    }
}

CommandRunner::CommandRunner(SystemRoot root)
    : m_root(std::move(root)), m_environment(m_root.childEnvironment()),
      m_supervisor(std::make_shared<RunSupervisor>())
{
}

CommandRunner::~CommandRunner()
{
    m_supervisor->cancelAll();
    std::list<Worker> workers;
    {
        std::lock_guard lock(m_workersMutex);
        workers.swap(m_workers);
    }
    for (Worker& worker : workers)
        worker.thread.join();
    m_supervisor->shutdown();
}

std::shared_ptr<RunState> CommandRunner::launch(const Request& request)
{
    auto run = std::make_shared<RunState>();
    return launchInto(*run, request) ? run : nullptr;
}

bool CommandRunner::launchInto(RunState& run, const Request& request)
{
    QList<QByteArray> arguments{m_root.launchPath(request.launchPath).toLocal8Bit()};
    for (const QString& argument : request.arguments)
        arguments.append(argument.toLocal8Bit());

    const Capture capture = request.detach ? Capture::Nothing : request.capture;
    const bool output = capture == Capture::Output || capture == Capture::Both;
    const bool error = capture == Capture::Error || capture == Capture::Both;

    int errorNumber = 0;
    if (output || error) {
        if (!run.interrupt.open())
            errorNumber = errno;
    }
    // The slot is held from before the spawn until the child is in it: a child can run (and be seen
    // running) before spawn() returns, and a terminateCurrentTask() in between must not reach the child
    // before it, which has ended, while this one goes on.
    std::unique_lock slot(m_slotMutex, std::defer_lock);
    if (request.becomesCurrentTask)
        slot.lock();
    if (errorNumber == 0) {
        run.child = ChildProcess::spawn(arguments, m_environment.block(),
                                        output ? ChildStream::Pipe : ChildStream::Null,
                                        error ? ChildStream::Pipe : ChildStream::Null, &errorNumber);
    }
    if (!run.child) {
        TR_LOG("Could not start %1: %2", request.launchPath,
               QString::fromLocal8Bit(std::strerror(errorNumber)));
        return false;
    }
    run.supervisor = m_supervisor;
    if (request.becomesCurrentTask) {
        m_currentTask = run.child;
        slot.unlock();
    }
    std::optional<std::chrono::milliseconds> limit;
    if (request.timeLimit == TimeLimit::Limited)
        limit = defaultTimeLimit();
    m_supervisor->watch(run, limit);
    return true;
}

CommandRunner::Result CommandRunner::finish(RunState& run, const Request& request, const LineSink* lines)
{
    ChildProcess& child = *run.child;
    const qsizetype cap = outputCap();
    CappedBuffer output(cap);
    CappedBuffer error(cap);
    LineSplitter splitter(request.lineSeparator, cap);
    const bool readToEnd = child.readStreams(
        run.interrupt.readEnd(), [&](ChildProcess::Stream stream, const char* data, size_t size) {
            if (stream == ChildProcess::Stream::Error) {
                error.append(data, qsizetype(size));
            } else if (lines) {
                QList<QByteArray> batch = splitter.split(data, qsizetype(size));
                if (!batch.isEmpty())
                    (*lines)(std::move(batch));
            } else {
                output.append(data, qsizetype(size));
            }
        });
    if (!readToEnd)
        child.closeStreams();

    child.waitForExit();
    const RunSupervisor::Stop stop = m_supervisor->release(run);
    if (stop.stopping && !stop.killed && child.groupHasMembers()) {
        // The child is gone but something it started is still in its group: it had SIGTERM with the
        // child and gets the rest of the grace. The child stays unreaped until then, so the group id
        // cannot have passed to anyone else.
        std::this_thread::sleep_until(stop.killAt);
        child.kill();
    }
    const ChildProcess::Exit exit = child.reap();

    Result result;
    result.started = true;
    result.exitStatus = exit.status;
    result.signal = exit.signal;
    result.timedOut = stop.timedOut;
    result.cancelled = stop.cancelled;
    if (stop.timedOut) {
        TR_LOG("Stopped %1: still running after its time limit of %2 ms", request.launchPath,
               QString::number(run.limit ? run.limit->count() : 0));
    }
    if (stop.stopping)
        return result;

    if (lines) {
        if (auto last = splitter.rest())
            (*lines)({std::move(*last)});
    }
    result.output = output.take();
    result.error = error.take();
    result.truncated = output.truncated() || error.truncated() || splitter.truncated();
    if (result.truncated)
        TR_LOG("%1 printed more than %2 bytes to a stream; the rest was dropped", request.launchPath,
               QString::number(cap));
    return result;
}

void CommandRunner::runInBackground(std::function<void()> job, bool detached)
{
    std::lock_guard lock(m_workersMutex);
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (it->finished->load()) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
    auto finished = std::make_shared<std::atomic<bool>>(false);
    m_workers.push_back({std::thread([job = std::move(job), finished] {
                             job();
                             finished->store(true);
                         }),
                         finished, detached});
}

void CommandRunner::waitForDetached()
{
    std::list<Worker> detached;
    {
        std::lock_guard lock(m_workersMutex);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            auto next = std::next(it);
            if (it->detached)
                detached.splice(detached.end(), m_workers, it);
            it = next;
        }
    }
    for (Worker& worker : detached)
        worker.thread.join();
}

CommandRunner::Result CommandRunner::run(const Request& request)
{
    const std::shared_ptr<RunState> run = launch(request);
    if (!run)
        return {};
    if (request.detach) {
        runInBackground([this, run, request] { finish(*run, request, nullptr); }, true);
        Result result;
        result.started = true;
        return result;
    }
    return finish(*run, request, nullptr);
}

RunHandle CommandRunner::start(const Request& request, QObject* context, LinesCallback onLines,
                               FinishedCallback onFinished)
{
    const std::shared_ptr<Delivery> delivery = Delivery::to(context);
    // Even starting a tool takes a few milliseconds of the kernel's: that happens on the worker too, so
    // that the caller (a window) never waits.
    auto run = std::make_shared<RunState>();
    run->supervisor = m_supervisor;
    runInBackground(
        [this, run, request, delivery, onLines = std::move(onLines), onFinished = std::move(onFinished)] {
            if (!launchInto(*run, request)) {
                delivery->post([onFinished] {
                    if (onFinished)
                        onFinished(Result());
                });
                markDone(*run);
                return;
            }
            const LineSink sink = [&](QList<QByteArray> lines) {
                delivery->post([onLines, lines = std::move(lines)] { onLines(lines); });
            };
            const Result result = finish(*run, request, onLines ? &sink : nullptr);
            delivery->post([onFinished, result] {
                if (onFinished)
                    onFinished(result);
            });
            markDone(*run);
        });
    return RunHandle(run);
}

QString CommandRunner::callNSTaskWithResult(const QString& launchPath, const QStringList& arguments)
{
    return outputText(run({.launchPath = launchPath, .arguments = arguments, .becomesCurrentTask = true}));
}

QString CommandRunner::callSubsidTaskWithResult(const QString& launchPath, const QStringList& arguments)
{
    return outputText(run({.launchPath = launchPath, .arguments = arguments}));
}

QString CommandRunner::callNSTaskWithError(const QString& launchPath, const QStringList& arguments)
{
    const Result r = run({.launchPath = launchPath, .arguments = arguments, .capture = Capture::Error});
    return r.started ? decodeUtf8(r.error) : QString();
}

void CommandRunner::callNSTask(const QString& launchPath, const QStringList& arguments)
{
    run({.launchPath = launchPath, .arguments = arguments, .capture = Capture::Nothing, .detach = true});
}

void CommandRunner::callDefaultsTask(const QString& value)
{
    callNSTask("/usr/bin/defaults", {"write", "com.apple.finder", "AppleShowAllFiles", value});
    callNSTask("/usr/bin/killall", {"Finder"});
}

QString CommandRunner::osascriptPath() const
{
    return QStringLiteral("/usr/bin/osascript");
}

QString CommandRunner::callOSATask(const QString& script)
{
    return callSubsidTaskWithResult(osascriptPath(), {"-e", script});
}

QString CommandRunner::callOSATaskWithScript(const QString& scriptPath)
{
    return callSubsidTaskWithResult(osascriptPath(), {scriptPath});
}

CommandRunner::Request CommandRunner::scriptRequest(const QString& script, const QStringList& options,
                                                    TimeLimit timeLimit) const
{
    return {.launchPath = osascriptPath(),
            .arguments = options + QStringList{"-e", script},
            .capture = Capture::Both,
            .timeLimit = timeLimit};
}

CommandRunner::ScriptOutcome CommandRunner::scriptOutcome(const Result& r)
{
    ScriptOutcome outcome;
    if (!r.started) {
        outcome.error = QStringLiteral("osascript could not be started");
        return outcome;
    }
    auto chopLineFeed = [](QString text) {
        if (text.endsWith('\n'))
            text.chop(1);
        return text;
    };
    outcome.started = true;
    outcome.succeeded = r.succeeded();
    outcome.output = chopLineFeed(decodeUtf8(r.output));
    outcome.error = chopLineFeed(decodeUtf8(r.error));
    return outcome;
}

QString CommandRunner::appleScriptResult(const ScriptOutcome& outcome)
{
    return appleScriptText(outcome);
}

QString CommandRunner::analyserDisplayText(const QString& display)
{
    if (display.size() < 2)
        return QStringLiteral(" ");
    return display.mid(1, display.size() - 2);
}

CommandRunner::ScriptOutcome CommandRunner::runScript(const QString& script, const QStringList& options,
                                                      TimeLimit timeLimit)
{
    return scriptOutcome(run(scriptRequest(script, options, timeLimit)));
}

QString CommandRunner::callOSAScript(const QString& script)
{
    // "-s s" prints the display value: a text result in double quotes.
    const QString display = runScript(script, {"-s", "s"}).output;
    if (display.isEmpty())
        return QStringLiteral("error");
    return display.mid(1, display.size() - 2);
}

QString CommandRunner::callOSAScriptForAnalyser(const QString& script)
{
    return analyserDisplayText(runScript(script, {"-s", "s"}).output);
}

void CommandRunner::callOSAScriptNull(const QString& script)
{
    runScript(script);
}

QString CommandRunner::callNSAppleScript(const QString& script)
{
    const ScriptOutcome outcome = runScript(script);
    if (!outcome.error.isEmpty())
        TR_LOG("AppleScript Error:\n%1", outcome.error);
    return appleScriptText(outcome);
}

QString CommandRunner::callNSAppleScriptQuietly(const QString& script)
{
    return appleScriptText(runScript(script));
}

std::shared_ptr<ChildProcess> CommandRunner::currentTask() const
{
    std::lock_guard lock(m_slotMutex);
    return m_currentTask;
}

void CommandRunner::terminateCurrentTask()
{
    if (auto child = currentTask())
        child->terminate();
}

} // namespace trevalo
