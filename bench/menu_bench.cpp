// The status menu on a copy of the simulated Mac, in one run:
//  - MenuOpenToShown: from the menu's open request to the menu being shown, with every tool the menu
//    reads slowed to answer after 1 s. Target: at most 50 ms, because the menu never waits for a tool.
//  - BareSpawns against MenuNeedsUpdate: the refresh's readings one after the other (the blocking form
//    the command line uses), beside bare posix_spawn calls of the same tools with the same arguments,
//    reading their output. Target: the refresh costs at most 1.2x the bare spawns.
//  - BackgroundRefresh: the same readings as the open menu runs them, all at once, to their last answer.
//  - MenuRefreshAgainstBareSpawns: the refresh and the bare spawns side by side in every iteration, so
//    that the ratio ("ratio") compares runs made under the same conditions.

#include "app/SettingsKeys.h"
#include "app/StatusMenuController.h"
#include "app/TRAppDelegate.h"
#include "app/ui/StatusMenuView.h"
#include "support/Fakes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
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

/// A second copy whose menu tools each sleep 1 s before they answer.
SampleMac& slowMac()
{
    static SampleMac mac;
    static const bool slowed = [] {
        for (const char* tool :
             {"/usr/sbin/system_profiler", "/usr/bin/defaults", "/usr/bin/osascript", "/usr/bin/uptime"}) {
            const QString path = mac.dir.path() + tool;
            QFile::rename(path, path + ".real");
            QFile wrapper(path);
            wrapper.open(QIODevice::WriteOnly);
            wrapper.write("#!/bin/bash\nsleep 1\nexec \"$0.real\" \"$@\"\n");
            wrapper.setPermissions(wrapper.permissions() | QFileDevice::ExeOwner);
        }
        return true;
    }();
    Q_UNUSED(slowed);
    return mac;
}

/// The program's seams on a root, with recording alerts and notifications.
struct Seams {
    explicit Seams(const QString& rootDir)
        : root(openRoot(rootDir)), runner(root), settings(root.settingsFile()), workspace(runner),
          volumes(root)
    {
    }
    static SystemRoot openRoot(const QString& dir)
    {
        SystemRoot::Error error;
        return *SystemRoot::open(dir, {}, &error);
    }
    Services services()
    {
        return Services{root, runner, settings, alerts, notifier, clipboard, workspace, volumes, clock};
    }
    SystemRoot root;
    CommandRunner runner;
    Settings settings;
    RecordingAlerts alerts;
    RecordingNotifier notifier;
    RecordingClipboard clipboard;
    ToolWorkspace workspace;
    RootVolumes volumes;
    Clock clock;
};

/// Runs the event loop until the controller's readings are all in.
void waitForRefresh(StatusMenuController& controller)
{
    if (!controller.isRefreshing())
        return;
    QEventLoop loop;
    QObject::connect(&controller, &StatusMenuController::refreshFinished, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
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
    args.reserve(size_t(call.size()));
    args.push_back(root.launchPath(call[0]).toLocal8Bit());
    for (qsizetype i = 1; i < call.size(); ++i)
        args.push_back(call[i].toLocal8Bit());
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
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

/// The menu's tools run bare on a root, with the environment the runner gives its children.
struct BareTools {
    SystemRoot root;
    std::vector<QByteArray> envStore;
    std::vector<char*> env;
    QList<QStringList> calls = menuCalls();

    explicit BareTools(const QString& rootDir) : root(Seams::openRoot(rootDir))
    {
        const QProcessEnvironment e = root.childEnvironment();
        for (const QString& key : e.keys())
            envStore.push_back((key + '=' + e.value(key)).toLocal8Bit());
        env.reserve(envStore.size() + 1);
        for (QByteArray& v : envStore)
            env.push_back(v.data());
        env.push_back(nullptr);
    }
    void runAll() const
    {
        for (const QStringList& call : calls)
            runBare(root, env, call);
    }
};

void BareSpawns(benchmark::State& state)
{
    const BareTools bare(sampleMac().dir.path());
    for (auto _ : state)
        bare.runAll();
}

void MenuNeedsUpdate(benchmark::State& state)
{
    Seams seams(sampleMac().dir.path());
    StatusMenuModel model;
    StatusMenuController controller(seams.services(), model);
    for (auto _ : state)
        controller.menuNeedsUpdate();
}

void MenuRefreshAgainstBareSpawns(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const BareTools bare(sampleMac().dir.path());
    Seams seams(sampleMac().dir.path());
    StatusMenuModel model;
    StatusMenuController controller(seams.services(), model);
    double refreshSeconds = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        bare.runAll();
        const auto t1 = Clock::now();
        controller.menuNeedsUpdate();
        const auto t2 = Clock::now();
        bareSeconds += std::chrono::duration<double>(t1 - t0).count();
        refreshSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["ratio"] = bareSeconds > 0 ? refreshSeconds / bareSeconds : 0;
    state.counters["refresh_ms"] = 1000 * refreshSeconds / double(state.iterations());
    state.counters["bare_ms"] = 1000 * bareSeconds / double(state.iterations());
}

void BackgroundRefresh(benchmark::State& state)
{
    Seams seams(sampleMac().dir.path());
    StatusMenuModel model;
    StatusMenuController controller(seams.services(), model);
    controller.setReadMode(StatusMenuController::ReadMode::Background);
    for (auto _ : state) {
        controller.menuNeedsUpdate();
        waitForRefresh(controller);
    }
}

void MenuOpenToShown(benchmark::State& state)
{
    Seams seams(slowMac().dir.path());
    TRAppDelegate delegate(seams.services(), [](const Services&) { return ScanOutcome{}; });
    delegate.applicationDidFinishLaunching({.runScan = false, .startTimer = false});
    delegate.statusMenu().setReadMode(StatusMenuController::ReadMode::Background);
    StatusMenuView view(delegate);
    QObject::connect(&view, &StatusMenuView::aboutToShow, &delegate, &TRAppDelegate::menuNeedsUpdate);
    QObject::connect(&delegate, &TRAppDelegate::menuChanged, &view, &StatusMenuView::sync);
    for (auto _ : state) {
        QElapsedTimer shown;
        shown.start();
        view.menu()->popup(QPoint(10, 10));
        const bool visible = view.menu()->isVisible();
        state.SetIterationTime(double(shown.nsecsElapsed()) / 1e9);
        if (!visible)
            state.SkipWithError("the menu did not show");
        // Not timed: the readings come in, then the menu closes for the next opening.
        waitForRefresh(delegate.statusMenu());
        view.menu()->hide();
    }
}

} // namespace

BENCHMARK(MenuOpenToShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BareSpawns)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(MenuNeedsUpdate)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(MenuRefreshAgainstBareSpawns)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(6.0);
BENCHMARK(BackgroundRefresh)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

int main(int argc, char** argv)
{
    // The menu is a real widget; without a display it is drawn offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
