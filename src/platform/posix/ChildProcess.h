#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <csignal>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>
#include <vector>

namespace trevalo {

/// The environment handed to every child, as the block posix_spawn takes. It is built once and only read
/// afterwards, so any number of threads can start children with it at the same time.
class ChildEnvironment {
public:
    explicit ChildEnvironment(const QProcessEnvironment& environment);
    ChildEnvironment(const ChildEnvironment&) = delete;
    ChildEnvironment& operator=(const ChildEnvironment&) = delete;

    char* const* block() const { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_strings;
    std::vector<char*> m_pointers;
};

/// A pipe whose ends are closed on exec. It is opened under the lock that children are started under, so
/// no child started by this program inherits it.
class Pipe {
public:
    Pipe() = default;
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe();

    bool open();
    int readEnd() const { return m_fd[0]; }
    int writeEnd() const { return m_fd[1]; }
    void closeReadEnd();
    void closeWriteEnd();
    /// Makes the read end readable, to wake a thread polling it.
    void wake();

private:
    friend class ChildProcess;
    bool openWhileLocked();

    int m_fd[2] = {-1, -1};
};

/// Where a child's standard output or standard error goes.
enum class ChildStream { Null, Pipe };

/// A started child process, alone in a process group of its own.
///
/// The group can be signalled from any thread until the child has been reaped. The child is marked ended
/// before it is reaped, and signalling an ended child does nothing: while a child is unreaped neither its
/// process id nor its group id can be handed out again, so a signal never reaches a stranger.
class ChildProcess {
public:
    struct Exit {
        int status = -1; ///< exit status when the child exited by itself, else -1
        int signal = 0;  ///< the signal that ended the child, else 0
    };

    /// Starts `arguments[0]` with standard input from the null device. Returns null, with the error
    /// number in `error`, when the program could not be started.
    static std::shared_ptr<ChildProcess> spawn(const QList<QByteArray>& arguments, char* const* environment,
                                               ChildStream output, ChildStream error, int* errorNumber);

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    pid_t pid() const { return m_pid; }
    /// True once the child has been reaped (or is about to be).
    bool hasEnded() const;
    /// Sends SIGTERM to the child's process group unless the child has ended.
    void terminate() { signalGroup(SIGTERM); }
    /// Sends SIGKILL to the child's process group unless the child has ended.
    void kill() { signalGroup(SIGKILL); }
    /// Sends `signal` to the child's process group unless the child has ended. False when nothing was sent.
    bool signalGroup(int signal);
    /// True while any process, the child included, is still in the child's process group.
    bool groupHasMembers() const;

    enum class Stream { Output, Error };
    /// Reads the piped streams as data arrives until both are at their end, handing every read to `sink`.
    /// Returns false, with the streams left open, as soon as `interrupt` becomes readable.
    bool readStreams(int interrupt, const std::function<void(Stream, const char*, size_t)>& sink);
    /// Closes our ends of the piped streams; a process still writing to them gets SIGPIPE.
    void closeStreams();

    /// Blocks until the child has exited. The child stays unreaped, so its group can still be signalled.
    void waitForExit();
    /// Marks the child ended, then reaps it.
    Exit reap();

private:
    ChildProcess() = default;

    pid_t m_pid = -1;
    int m_output = -1;
    int m_error = -1;
    mutable std::mutex m_mutex;
    bool m_ended = false;
};

} // namespace trevalo
