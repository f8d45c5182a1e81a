// Opening the status menu (the whole menuNeedsUpdate sequence) on a copy of the simulated Mac, beside
// bare posix_spawn calls of the same tools with the same arguments, reading their output, in one run.
// Target: the menu costs at most 1.2x the bare spawns.

#include "app/SettingsKeys.h"
#include "app/StatusMenuController.h"
#include "support/Fakes.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace trevalo;
using namespace trevalo::test;

struct SampleMac {
    QTemporaryDir dir;
    SampleMac()
    {
        const QString cmd = QStringLiteral("cp -a '%1/.' '%2/'").arg(TREVALO_SAMPLE_MAC, dir.path());
        if (std::system(cmd.toLocal8Bit().constData()) != 0)
            std::abort();
    }
};

SampleMac& sampleMac()
{
    static SampleMac mac;
    return mac;
}

/// The tools one menu opening starts, in order, with their arguments (macOS paths).
QList<QStringList> menuCalls()
{
    const QString dock =
        "tell application \"System Events\"\ntell dock preferences\nset %1 to (%2)\nend tell\nend "
        "tell\n%1";
    return {
        {"/usr/sbin/system_profiler", "SPFirewallDataType"},
        {"/usr/bin/defaults", "read", "com.apple.finder", "AppleShowAllFiles"},
        {"/usr/bin/osascript", "-e", "do shell script \"ls -aOl ~/Library | sed -n 2p\""},
        {"/usr/bin/osascript", "-e",
         "try\ntell application \"System Events\" to folder actions enabled\nend try"},
        {"/usr/bin/osascript", "-e", dock.arg("s", "dock size")},
        {"/usr/bin/osascript", "-e", dock.arg("y", "autohide")},
        {"/usr/bin/osascript", "-e", dock.arg("x", "screen edge")},
        {"/usr/bin/uptime"},
    };
}

void runBare(const SystemRoot& root, const std::vector<char*>& env, const QStringList& call)
{
    std::vector<QByteArray> args;
    args.push_back(root.launchPath(call[0]).toLocal8Bit());
    for (qsizetype i = 1; i < call.size(); ++i)
        args.push_back(call[i].toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), const_cast<char**>(env.data()));
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    char buffer[4096];
    while (read(fds[0], buffer, sizeof buffer) > 0) {
    }
    close(fds[0]);
    waitpid(pid, nullptr, 0);
}

void BareSpawns(benchmark::State& state)
{
    SystemRoot::Error error;
    const SystemRoot root = *SystemRoot::open(sampleMac().dir.path(), {}, &error);
    std::vector<QByteArray> envStore;
    const QProcessEnvironment e = root.childEnvironment();
    for (const QString& key : e.keys())
        envStore.push_back((key + '=' + e.value(key)).toLocal8Bit());
    std::vector<char*> env;
    for (QByteArray& v : envStore)
        env.push_back(v.data());
    env.push_back(nullptr);
    const QList<QStringList> calls = menuCalls();
    for (auto _ : state) {
        for (const QStringList& call : calls)
            runBare(root, env, call);
    }
}

void MenuNeedsUpdate(benchmark::State& state)
{
    SystemRoot::Error error;
    const SystemRoot root = *SystemRoot::open(sampleMac().dir.path(), {}, &error);
    CommandRunner runner(root);
    Settings settings(root.settingsFile());
    RecordingAlerts alerts;
    RecordingNotifier notifier;
    RecordingClipboard clipboard;
    ToolWorkspace workspace(runner);
    RootVolumes volumes(root);
    Clock clock;
    StatusMenuModel model;
    StatusMenuController controller(
        Services{root, runner, settings, alerts, notifier, clipboard, workspace, volumes, clock}, model);
    for (auto _ : state)
        controller.menuNeedsUpdate();
}

} // namespace

BENCHMARK(BareSpawns)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(MenuNeedsUpdate)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK_MAIN();
