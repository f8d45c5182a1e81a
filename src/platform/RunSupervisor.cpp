#include "platform/RunSupervisor.h"

#include <algorithm>

namespace trevalo {

RunSupervisor::~RunSupervisor()
{
    shutdown();
}

void RunSupervisor::watch(RunState& run, std::optional<std::chrono::milliseconds> limit)
{
    std::lock_guard lock(m_mutex);
    run.limit = limit;
    run.watched = true;
    run.stopAt = limit ? Clock::now() + *limit : Clock::time_point::max();
    m_runs.push_back(&run);
    // Started on first use: most runners in tests never need it, and the program's one runner always does.
    if (!m_thread.joinable() && !m_quit)
        m_thread = std::thread([this] { supervise(); });
    // Cancelled while it was being started, or started while its runner goes away.
    if (run.cancelled || m_closing) {
        run.cancelled = true;
        beginStop(run, Clock::now());
        return;
    }
    if (run.stopAt < m_nextWake) {
        m_nextWake = run.stopAt;
        m_changed.notify_all();
    }
}

RunSupervisor::Stop RunSupervisor::release(RunState& run)
{
    std::lock_guard lock(m_mutex);
    std::erase(m_runs, &run);
    run.watched = false;
    run.released = true;
    return {run.stopping, run.timedOut, run.cancelled, run.killed, run.killAt};
}

void RunSupervisor::cancel(RunState& run)
{
    std::lock_guard lock(m_mutex);
    if (!run.watched) {
        if (!run.released)
            run.cancelled = true; // watch() stops it as soon as it has started
        return;
    }
    if (run.stopping)
        return;
    run.cancelled = true;
    beginStop(run, Clock::now());
}

void RunSupervisor::cancelAll()
{
    std::lock_guard lock(m_mutex);
    m_closing = true;
    const auto now = Clock::now();
    for (RunState* run : m_runs) {
        if (!run->stopping) {
            run->cancelled = true;
            beginStop(*run, now);
        }
    }
}

void RunSupervisor::shutdown()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_changed.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
}

void RunSupervisor::beginStop(RunState& run, Clock::time_point now)
{
    run.stopping = true;
    run.killAt = now + kGrace;
    run.child->terminate();
    run.interrupt.wake();
    if (run.killAt < m_nextWake) {
        m_nextWake = run.killAt;
        m_changed.notify_all();
    }
}

void RunSupervisor::supervise()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        const auto now = Clock::now();
        auto next = Clock::time_point::max();
        for (RunState* run : m_runs) {
            if (!run->stopping && run->stopAt <= now) {
                run->timedOut = true;
                beginStop(*run, now);
            }
            if (run->stopping && !run->killed && run->killAt <= now) {
                run->child->kill();
                run->killed = true;
            }
            next = std::min(next, !run->stopping ? run->stopAt : !run->killed ? run->killAt : next);
        }
        m_nextWake = next;
        if (next == Clock::time_point::max())
            m_changed.wait(lock);
        else
            m_changed.wait_until(lock, next);
    }
}

} // namespace trevalo
