#include "platform/CommandRunner.h"

#include "platform/Log.h"

#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace trevalo {

bool ChildHandle::hasEnded() const
{
    std::lock_guard lock(m_mutex);
    return m_ended;
}

void ChildHandle::terminate()
{
    std::lock_guard lock(m_mutex);
    if (!m_ended)
        ::kill(m_pid, SIGTERM);
}

void ChildHandle::markEnded()
{
    std::lock_guard lock(m_mutex);
    m_ended = true;
}

namespace {

// Waits for the child to end without reaping it, marks the handle, then reaps. Until the reap the process
// id cannot be reused, so terminate() never signals a stranger.
void reap(ChildHandle& child)
{
    siginfo_t info;
    while (::waitid(P_PID, child.pid(), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    child.markEnded();
    while (::waitpid(child.pid(), nullptr, 0) < 0 && errno == EINTR) {
    }
}

struct Pipe {
    int fd[2] = {-1, -1};
    bool open() { return ::pipe2(fd, O_CLOEXEC) == 0; }
    void closeRead()
    {
        if (fd[0] >= 0)
            ::close(fd[0]);
        fd[0] = -1;
    }
    void closeWrite()
    {
        if (fd[1] >= 0)
            ::close(fd[1]);
        fd[1] = -1;
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
};

// Reads every given descriptor to end of file.
void drain(std::vector<std::pair<int, QByteArray*>> streams)
{
    char buffer[65536];
    while (!streams.empty()) {
        std::vector<pollfd> fds;
        for (const auto& s : streams)
            fds.push_back({s.first, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        for (size_t i = fds.size(); i-- > 0;) {
            if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0)
                streams[i].second->append(buffer, n);
            else if (n == 0 || errno != EINTR)
                streams.erase(streams.begin() + i);
        }
    }
}

std::vector<QByteArray> environmentBlock(const SystemRoot& root)
{
    std::vector<QByteArray> env;
    const QProcessEnvironment e = root.childEnvironment();
    for (const QString& key : e.keys())
        env.push_back((key + '=' + e.value(key)).toLocal8Bit());
    return env;
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

CommandRunner::CommandRunner(SystemRoot root)
    : m_root(std::move(root)), m_environment(environmentBlock(m_root))
{
}

CommandRunner::Result CommandRunner::run(const QString& launchPath, const QStringList& arguments,
                                         Capture capture, Slot slot)
{
    Result result;
    const QByteArray path = m_root.launchPath(launchPath).toLocal8Bit();
    std::vector<QByteArray> args{path};
    for (const QString& a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (QByteArray& e : m_environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    Pipe out, err;
    const bool wantOut =
        capture == Capture::Output || capture == Capture::Both || capture == Capture::OutputDiscardingErrors;
    const bool wantErr = capture == Capture::Error || capture == Capture::Both;
    if ((wantOut && !out.open()) || (wantErr && !err.open())) {
        TR_LOG("Could not create a pipe for %1: %2", launchPath,
               QString::fromLocal8Bit(std::strerror(errno)));
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (wantOut)
        posix_spawn_file_actions_adddup2(&actions, out.fd[1], STDOUT_FILENO);
    if (wantErr)
        posix_spawn_file_actions_adddup2(&actions, err.fd[1], STDERR_FILENO);
    if (capture == Capture::OutputDiscardingErrors)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, path.constData(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        TR_LOG("Could not start %1: %2", launchPath, QString::fromLocal8Bit(std::strerror(rc)));
        return result;
    }
    result.started = true;

    auto child = std::make_shared<ChildHandle>(pid);
    if (slot == Slot::Replace) {
        std::lock_guard lock(m_slotMutex);
        m_currentTask = child;
    }
    if (capture == Capture::Nothing) {
        // Fire and forget: a waiter thread reaps the child so it does not linger as a zombie.
        std::thread([child] { reap(*child); }).detach();
        return result;
    }

    out.closeWrite();
    err.closeWrite();
    std::vector<std::pair<int, QByteArray*>> streams;
    if (wantOut)
        streams.emplace_back(out.fd[0], &result.output);
    if (wantErr)
        streams.emplace_back(err.fd[0], &result.error);
    drain(std::move(streams));
    reap(*child);
    return result;
}

QString CommandRunner::callNSTaskWithResult(const QString& launchPath, const QStringList& arguments)
{
    const Result r = run(launchPath, arguments, Capture::Output, Slot::Replace);
    return r.started ? decodeUtf8(r.output) : QString();
}

QString CommandRunner::callSubsidTaskWithResult(const QString& launchPath, const QStringList& arguments)
{
    const Result r = run(launchPath, arguments, Capture::Output);
    return r.started ? decodeUtf8(r.output) : QString();
}

QString CommandRunner::callTaskDiscardingErrors(const QString& launchPath, const QStringList& arguments)
{
    const Result r = run(launchPath, arguments, Capture::OutputDiscardingErrors);
    return r.started ? decodeUtf8(r.output) : QString();
}

QString CommandRunner::callNSTaskWithError(const QString& launchPath, const QStringList& arguments)
{
    const Result r = run(launchPath, arguments, Capture::Error);
    return r.started ? decodeUtf8(r.error) : QString();
}

void CommandRunner::callNSTask(const QString& launchPath, const QStringList& arguments)
{
    run(launchPath, arguments, Capture::Nothing);
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

CommandRunner::ScriptOutcome CommandRunner::runScript(const QString& script, const QStringList& options)
{
    const Result r = run(osascriptPath(), options + QStringList{"-e", script}, Capture::Both);
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
    outcome.output = chopLineFeed(decodeUtf8(r.output));
    outcome.error = chopLineFeed(decodeUtf8(r.error));
    return outcome;
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
    const QString display = runScript(script, {"-s", "s"}).output;
    if (display.size() < 2)
        return QStringLiteral(" ");
    return display.mid(1, display.size() - 2);
}

void CommandRunner::callOSAScriptNull(const QString& script)
{
    runScript(script);
}

QString CommandRunner::callNSAppleScript(const QString& script)
{
    const ScriptOutcome outcome = runScript(script);
    if (!outcome.error.isEmpty()) {
        TR_LOG("AppleScript Error:\n%1", outcome.error);
        return QString();
    }
    return outcome.output.isEmpty() ? QString() : outcome.output;
}

std::shared_ptr<ChildHandle> CommandRunner::currentTask() const
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
