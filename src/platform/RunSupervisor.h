#pragma once

#include "platform/posix/ChildProcess.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace trevalo {

class RunSupervisor;

/// One child of the runner as long as someone waits for it: the thread reading its output, a
/// RunHandle, the supervisor.
struct RunState {
    using Clock = std::chrono::steady_clock;

    std::shared_ptr<ChildProcess> child;
    /// Readable once the run is being stopped, so that its reader stops waiting for output. Open only for
    /// runs that read a stream.
    Pipe interrupt;
    std::shared_ptr<RunSupervisor> supervisor;

    /// The time limit it runs under, if any; set when it is first watched.
    std::optional<std::chrono::milliseconds> limit;

    // Guarded by the supervisor's mutex.
    bool watched = false;
    bool released = false;
    Clock::time_point stopAt = Clock::time_point::max();
    Clock::time_point killAt = Clock::time_point::max();
    bool stopping = false;
    bool timedOut = false;
    bool cancelled = false;
    bool killed = false;

    // Set once the run's last callback has been queued.
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;
};

/// Ends the children that outlive their time limit or are cancelled: the child's process group gets SIGTERM,
/// its reader is interrupted, and whatever of the group is left after a short grace gets SIGKILL.
class RunSupervisor {
public:
    using Clock = RunState::Clock;
    static constexpr std::chrono::milliseconds kGrace{500};

    struct Stop {
        bool stopping = false;
        bool timedOut = false;
        bool cancelled = false;
        bool killed = false;
        Clock::time_point killAt;
    };

    RunSupervisor() = default;
    RunSupervisor(const RunSupervisor&) = delete;
    RunSupervisor& operator=(const RunSupervisor&) = delete;
    ~RunSupervisor();

    /// Watches the run; without a limit it is only stopped when cancelled.
    void watch(RunState& run, std::optional<std::chrono::milliseconds> limit);
    /// Stops watching the run and tells how it was stopped, if it was. The run is not touched afterwards.
    Stop release(RunState& run);
    /// Stops the run now. A run not watched yet (still being started) is stopped as soon as it is
    /// watched; one already released is not touched.
    void cancel(RunState& run);
    /// Cancels every watched run, and every run watched from now on, for a runner that is going away.
    void cancelAll();
    /// Ends the supervising thread. Runs still watched are no longer stopped at their limit.
    void shutdown();

private:
    void supervise();
    void beginStop(RunState& run, Clock::time_point now);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<RunState*> m_runs;
    Clock::time_point m_nextWake = Clock::time_point::max();
    std::thread m_thread;
    bool m_quit = false;
    bool m_closing = false; ///< cancelAll() was called: runs watched later are cancelled at once
};

} // namespace trevalo
