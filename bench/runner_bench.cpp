// The command runner against a bare posix_spawn + waitpid of the same program, in one run.
// Target: the runner costs at most 1.3x the bare spawn; RunnerAgainstBareSpawn reports the ratio as "ratio".

#include "platform/CommandRunner.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

void spawnTrue()
{
    char arg0[] = "/bin/true";
    char* argv[] = {arg0, nullptr};
    pid_t pid;
    if (posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ) == 0)
        waitpid(pid, nullptr, 0);
}

void BareSpawn(benchmark::State& state)
{
    for (auto _ : state)
        spawnTrue();
}

void RunnerResult(benchmark::State& state)
{
    trevalo::CommandRunner runner(trevalo::SystemRoot::identity());
    for (auto _ : state)
        benchmark::DoNotOptimize(runner.callNSTaskWithResult("/bin/true", {}));
}

/// Both side by side in every iteration, so that the ratio compares runs made under the same conditions.
void RunnerAgainstBareSpawn(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    trevalo::CommandRunner runner(trevalo::SystemRoot::identity());
    double runnerSeconds = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        spawnTrue();
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(runner.callNSTaskWithResult("/bin/true", {}));
        const auto t2 = Clock::now();
        bareSeconds += std::chrono::duration<double>(t1 - t0).count();
        runnerSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["ratio"] = bareSeconds > 0 ? runnerSeconds / bareSeconds : 0;
    state.counters["runner_ms"] = 1000 * runnerSeconds / double(state.iterations());
    state.counters["bare_ms"] = 1000 * bareSeconds / double(state.iterations());
}

} // namespace

BENCHMARK(BareSpawn)->UseRealTime()->MinTime(2.0);
BENCHMARK(RunnerResult)->UseRealTime()->MinTime(2.0);
BENCHMARK(RunnerAgainstBareSpawn)->UseRealTime()->MinTime(4.0);
BENCHMARK_MAIN();
