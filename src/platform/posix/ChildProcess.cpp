#include "platform/posix/ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace trevalo {

namespace {

// Every pipe is created, marked close-on-exec and handed to its child while this is held. pipe2() would
// make the first two one step, but macOS has no pipe2(); without the lock, a child started by another
// thread between pipe() and fcntl() would inherit a stranger's pipe and keep its reader waiting.
std::mutex& spawnMutex()
{
    static std::mutex mutex;
    return mutex;
}

bool setCloseOnExec(int fd)
{
    const int flags = ::fcntl(fd, F_GETFD);
    return flags >= 0 && ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC) == 0;
}

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

struct SpawnAttributes {
    posix_spawnattr_t attr;
    SpawnAttributes()
    {
        posix_spawnattr_init(&attr);
        // A group of its own lets a stop reach whatever the tool started too, and keeps a Ctrl-C at our
        // terminal from reaching the tool before we decide what to do with it.
        posix_spawnattr_setflags(&attr,
                                 POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&attr, 0);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attr, &none);
        // Signals this program ignores would stay ignored in the child; a tool that ignored SIGTERM would
        // only go at the SIGKILL.
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGQUIT, SIGHUP, SIGCHLD})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigdefault(&attr, &defaults);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attr); }
};

struct FileActions {
    posix_spawn_file_actions_t actions;
    FileActions() { posix_spawn_file_actions_init(&actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions); }

    // A stream nobody reads goes to the null device, not into our own standard output or error.
    void route(int target, ChildStream stream, const Pipe& pipe)
    {
        if (stream == ChildStream::Pipe)
            posix_spawn_file_actions_adddup2(&actions, pipe.writeEnd(), target);
        else
            posix_spawn_file_actions_addopen(&actions, target, "/dev/null", O_WRONLY, 0);
    }
};

} // namespace

ChildEnvironment::ChildEnvironment(const QProcessEnvironment& environment)
{
    const QStringList keys = environment.keys();
    m_strings.reserve(keys.size());
    for (const QString& key : keys)
        m_strings.push_back((key + '=' + environment.value(key)).toLocal8Bit());
    for (QByteArray& entry : m_strings)
        m_pointers.push_back(entry.data());
    m_pointers.push_back(nullptr);
}

Pipe::~Pipe()
{
    closeReadEnd();
    closeWriteEnd();
}

bool Pipe::open()
{
    std::lock_guard lock(spawnMutex());
    return openWhileLocked();
}

bool Pipe::openWhileLocked()
{
    if (::pipe(m_fd) != 0) {
        m_fd[0] = m_fd[1] = -1;
        return false;
    }
    if (!setCloseOnExec(m_fd[0]) || !setCloseOnExec(m_fd[1])) {
        const int error = errno;
        closeReadEnd();
        closeWriteEnd();
        errno = error;
        return false;
    }
    return true;
}

void Pipe::closeReadEnd()
{
    closeFd(m_fd[0]);
}

void Pipe::closeWriteEnd()
{
    closeFd(m_fd[1]);
}

void Pipe::wake()
{
    if (m_fd[1] < 0)
        return;
    const char byte = 1;
    while (::write(m_fd[1], &byte, 1) < 0 && errno == EINTR) {
    }
}

std::shared_ptr<ChildProcess> ChildProcess::spawn(const QList<QByteArray>& arguments,
                                                  char* const* environment, ChildStream output,
                                                  ChildStream error, int* errorNumber)
{
    std::vector<char*> argv;
    for (const QByteArray& argument : arguments)
        argv.push_back(const_cast<char*>(argument.constData())); // posix_spawn only reads them
    argv.push_back(nullptr);

    const SpawnAttributes attributes;
    FileActions files;
    std::shared_ptr<ChildProcess> child(new ChildProcess);
    Pipe out, err;

    std::lock_guard lock(spawnMutex());
    if ((output == ChildStream::Pipe && !out.openWhileLocked()) ||
        (error == ChildStream::Pipe && !err.openWhileLocked())) {
        *errorNumber = errno;
        return nullptr;
    }
    posix_spawn_file_actions_addopen(&files.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    files.route(STDOUT_FILENO, output, out);
    files.route(STDERR_FILENO, error, err);

    pid_t pid = -1;
    const int rc = ::posix_spawn(&pid, argv[0], &files.actions, &attributes.attr, argv.data(), environment);
    if (rc != 0) {
        *errorNumber = rc;
        return nullptr;
    }
    child->m_pid = pid;
    std::swap(child->m_output, out.m_fd[0]);
    std::swap(child->m_error, err.m_fd[0]);
    return child; // the write ends close with `out` and `err`: the child holds the only copies now
}

ChildProcess::~ChildProcess()
{
    closeStreams();
}

bool ChildProcess::hasEnded() const
{
    std::lock_guard lock(m_mutex);
    return m_ended;
}

bool ChildProcess::signalGroup(int signal)
{
    std::lock_guard lock(m_mutex);
    // A process id of 0 or 1 would make kill() reach our own group or every process we may signal.
    if (m_ended || m_pid <= 1)
        return false;
    return ::kill(-m_pid, signal) == 0;
}

bool ChildProcess::groupHasMembers() const
{
    std::lock_guard lock(m_mutex);
    if (m_ended || m_pid <= 1)
        return false;
    return ::kill(-m_pid, 0) == 0 || errno == EPERM;
}

bool ChildProcess::readStreams(int interrupt, const std::function<void(Stream, const char*, size_t)>& sink)
{
    char buffer[65536];
    while (m_output >= 0 || m_error >= 0) {
        pollfd fds[3];
        nfds_t count = 0;
        if (interrupt >= 0)
            fds[count++] = {interrupt, POLLIN, 0};
        const nfds_t firstStream = count;
        if (m_output >= 0)
            fds[count++] = {m_output, POLLIN, 0};
        if (m_error >= 0)
            fds[count++] = {m_error, POLLIN, 0};
        if (::poll(fds, count, -1) < 0) {
            if (errno == EINTR)
                continue;
            closeStreams();
            return true;
        }
        if (firstStream > 0 && fds[0].revents != 0)
            return false;
        for (nfds_t i = firstStream; i < count; ++i) {
            if (fds[i].revents == 0)
                continue;
            int& fd = fds[i].fd == m_output ? m_output : m_error;
            const Stream stream = &fd == &m_output ? Stream::Output : Stream::Error;
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                sink(stream, buffer, size_t(n));
            else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                closeFd(fd);
        }
    }
    return true;
}

void ChildProcess::closeStreams()
{
    closeFd(m_output);
    closeFd(m_error);
}

void ChildProcess::waitForExit()
{
    siginfo_t info;
    while (::waitid(P_PID, id_t(m_pid), &info, WEXITED | WNOWAIT) != 0) {
        if (errno == EINTR)
            continue;
        // Someone else reaped it (SIGCHLD ignored, say): its id may already belong to another process.
        std::lock_guard lock(m_mutex);
        m_ended = true;
        return;
    }
}

ChildProcess::Exit ChildProcess::reap()
{
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    int status = 0;
    pid_t rc;
    while ((rc = ::waitpid(m_pid, &status, 0)) < 0 && errno == EINTR) {
    }
    Exit exit;
    if (rc != m_pid)
        return exit;
    if (WIFEXITED(status))
        exit.status = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        exit.signal = WTERMSIG(status);
    return exit;
}

} // namespace trevalo
