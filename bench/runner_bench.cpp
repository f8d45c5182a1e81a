// The command runner against a bare posix_spawn + waitpid of the same program, in one run.
// Target: the runner costs at most 1.3x the bare spawn.

#include "platform/CommandRunner.h"

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

void BareSpawn(benchmark::State& state)
{
    char arg0[] = "/bin/true";
    char* argv[] = {arg0, nullptr};
    for (auto _ : state) {
        pid_t pid;
        posix_spawn(&pid, "/bin/true", nullptr, nullptr, argv, environ);
        waitpid(pid, nullptr, 0);
    }
}

void RunnerResult(benchmark::State& state)
{
    trevalo::CommandRunner runner(trevalo::SystemRoot::identity());
    for (auto _ : state)
        benchmark::DoNotOptimize(runner.callNSTaskWithResult("/bin/true", {}));
}

} // namespace

BENCHMARK(BareSpawn)->UseRealTime()->MinTime(2.0);
BENCHMARK(RunnerResult)->UseRealTime()->MinTime(2.0);
BENCHMARK_MAIN();
