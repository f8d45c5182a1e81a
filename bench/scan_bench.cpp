// The Analyser scan against the bare cost of what it must do anyway: one existence check per location
// and one Time Machine query. A scan of 10,000 existing locations with 10,000 name fragments in all
// should cost at most 1.5 times that; BM_ScanAgainstBareChecks reports the ratio as "ratio".

#include "analyser/Scanner.h"
#include "analyser/SignatureCodec.h"
#include "analyser/Signatures.h"
#include "support/Fakes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <sys/stat.h>

using namespace trevalo;
using namespace trevalo::test;

namespace {

constexpr int kLocations = 10000;
constexpr int kFragments = 10000;

/// A Mac whose 10,000 scan locations all exist, half in the user's Library and half in the machine's,
/// with six name lists of 10,000 fragments between them; about one location in ten matches one.
struct Fixture {
    QTemporaryDir dir;
    SystemRoot root;
    CommandRunner runner;
    Settings settings;
    RecordingAlerts alerts;
    RecordingNotifier notifier;
    RecordingClipboard clipboard;
    RecordingWorkspace workspace;
    FixedVolumes volumes;
    Clock clock;
    FixedSignatures signatures;
    std::vector<QByteArray> hostPaths;

    static SystemRoot makeRoot(const QString& path)
    {
        QDir().mkpath(path + "/Users/robin/Library");
        QDir().mkpath(path + "/usr/bin");
        QFile tmutil(path + "/usr/bin/tmutil");
        tmutil.open(QIODevice::WriteOnly);
        tmutil.write("#!/bin/bash\necho \"/Volumes/Backup Drive/Backups.backupdb/Mac/2024-03-01-101500\"\n");
        tmutil.close();
        tmutil.setPermissions(tmutil.permissions() | QFileDevice::ExeOwner);
        SystemRoot::Error error;
        return *SystemRoot::open(path, QString(), &error);
    }

    Fixture() : root(makeRoot(dir.path())), runner(root), settings(root.settingsFile())
    {
        QStringList locations;
        for (int i = 0; i < kLocations; ++i) {
            const QString folder = QStringLiteral("Bench/group-%1").arg(i / 100, 3, 10, QChar('0'));
            const QString file =
                QStringLiteral("com.vendor%1.item-%2.plist").arg(i % 37).arg(i, 5, 10, QChar('0'));
            const QString macPath = i % 2 ? QStringLiteral("/Library/%1/%2").arg(folder, file)
                                          : QStringLiteral("/Users/robin/Library/%1/%2").arg(folder, file);
            locations << (i % 2 ? macPath : "~/Library/" + folder + "/" + file);
            const QString host = root.host(macPath);
            QDir().mkpath(QFileInfo(host).absolutePath());
            QFile f(host);
            f.open(QIODevice::WriteOnly);
            hostPaths.push_back(QFile::encodeName(host));
        }
        signatures.files["trnums"] = encode(locations.join(',')).toUtf8();

        std::array<QStringList, 6> lists;
        for (int i = 0; i < kFragments; ++i) {
            // Every tenth fragment names an item; the rest look alike but are found nowhere.
            const QString fragment = i % 10 == 0 ? QStringLiteral("item-%1.plist").arg(i, 5, 10, QChar('0'))
                                                 : QStringLiteral("com.vendor%1.other%2").arg(i % 37).arg(i);
            lists[size_t(i % 6)] << fragment;
        }
        const char* names[] = {"awNames", "cwareNames", "mwNames", "exNames", "dtNames", "kNames"};
        for (size_t i = 0; i < 6; ++i)
            signatures.files[names[i]] = encode(lists[i].join(',')).toUtf8();
    }

    Services services()
    {
        return Services{root, runner, settings, alerts, notifier, clipboard, workspace, volumes, clock};
    }

    int statLoop() const
    {
        int found = 0;
        struct stat st;
        for (const QByteArray& p : hostPaths)
            found += ::stat(p.constData(), &st) == 0;
        return found;
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_BareStatLoop(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.statLoop());
}
BENCHMARK(BM_BareStatLoop)->Unit(benchmark::kMillisecond);

void BM_TimeMachineQuery(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(f.runner.callNSTaskWithResult("/usr/bin/tmutil", {"latestbackup"}));
}
BENCHMARK(BM_TimeMachineQuery)->Unit(benchmark::kMillisecond);

void BM_Scan(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        Scanner scanner(f.services(), f.signatures);
        const ScanOutcome outcome = scanner.analyser();
        if (outcome.rows.size() != kLocations)
            state.SkipWithError("the scan did not find every location");
        benchmark::DoNotOptimize(outcome);
    }
}
BENCHMARK(BM_Scan)->Unit(benchmark::kMillisecond);

/// Scan, stat loop and Time Machine query side by side in every iteration, so that the ratio compares
/// runs made under the same conditions.
void BM_ScanAgainstBareChecks(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    Fixture& f = fixture();
    double scanSeconds = 0;
    double bareSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        Scanner scanner(f.services(), f.signatures);
        benchmark::DoNotOptimize(scanner.analyser());
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(f.statLoop());
        benchmark::DoNotOptimize(f.runner.callNSTaskWithResult("/usr/bin/tmutil", {"latestbackup"}));
        const auto t2 = Clock::now();
        scanSeconds += std::chrono::duration<double>(t1 - t0).count();
        bareSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["ratio"] = bareSeconds > 0 ? scanSeconds / bareSeconds : 0;
    state.counters["scan_ms"] = 1000 * scanSeconds / double(state.iterations());
    state.counters["bare_ms"] = 1000 * bareSeconds / double(state.iterations());
}
BENCHMARK(BM_ScanAgainstBareChecks)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
