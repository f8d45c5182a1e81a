// Stepping back through the report log on a 10 MB and a 200 MB log, in one run. The log is indexed once,
// when it is read; a previous step (navigate and the report's extraction) then looks two headers up and
// copies one report, whatever the log's size. Target: the step on the 200 MB log costs at most 1.5x the
// step on the 10 MB one; BM_PreviousStepRatio reports it as "ratio". Building the index reads the whole
// log once and is measured apart (BM_IndexConstruction): it may grow with the log.
//
// The logs are made of reports shaped like the program's, 20 to 40 KB each, every one beginning
// "Timestamp (n):\n\n". Each step walks back from the newest report, as the window's control does, over
// the same 64 report bodies in both logs.

#include "profile/ReportLog.h"

#include <QStringList>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <random>

using namespace trevalo::reportlog;

namespace {

constexpr int kBodies = 64;     // distinct report bodies; report n has body n % kBodies
constexpr int kFirstNumber = 2; // a log starts with report 2
constexpr int kWalk = kBodies;  // previous steps walk back over this many reports, then start again

const QString kSeparator =
    QStringLiteral("\n\n\n\n------------------------- \u25bc ------------------------- \n");

/// The body of a report after its header line: date, versions, status block and the sections, filled with
/// folder entries until it holds `size` characters or a little more.
QString reportBody(int size, std::mt19937& random)
{
    QString body = QStringLiteral(
        "\n\n1 Mar, 2024  9:05:07 AM\nCentral European Standard "
        "Time\n\nProductName:\tmacOS\nProductVersion:\t"
        "14.4.1\nBuildVersion:\t23E224\n\nGatekeeper status: enabled for App Store and identified "
        "developers.\n"
        "System Integrity Protection: enabled.\nInstaller check: OK.\n\n\nLogin Items:\n\n\"Dropbox\"\n"
        "\"Rectangle\"\n ");
    const QStringList headings{
        "\n\nUser Launch Agents:\n(path: ~/Library/LaunchAgents/)\n\n",
        "\n\n\nUser Application Support:\n(path: ~/Library/Application Support/)\n\n",
        "\n\n\nApplications folder:\n\n",
        "\n\n\nLocal Domain Library Application Support\n(path: /Library/Application Support/)\n\n",
        "\n\n\nLocal Domain Library Launch Daemon\n(path: /Library/LaunchDaemons/)\n\n",
        "\n\n\nSystem Launch Agents:\n(path:/System/Library/LaunchAgents/)\n\n",
        "\n\n\nSystem Launch Daemons:\n(path:/System/Library/LaunchDaemons/)\n\n",
    };
    const QStringList vendors{"apple",   "google", "microsoft", "adobe",
                              "dropbox", "zoom",   "mozilla",   "jetbrains"};
    const qsizetype perSection = size / headings.size();
    for (const QString& heading : headings) {
        const qsizetype end = body.size() + perSection;
        body += heading;
        while (body.size() < end) {
            const QString& vendor = vendors[random() % vendors.size()];
            body += QStringLiteral("com.%1.%2-agent.%3.plist\n")
                        .arg(vendor)
                        .arg(random() % 1000)
                        .arg(random() % 7);
        }
        if (random() % 4 == 0)
            body += QStringLiteral("com.example.updater.plist    + added\n");
    }
    body +=
        "\n\nSudo Permissions File:\n(path: /etc/sudoers)\n\n/etc/sudoers was created on 2023-09-26 "
        "11:17:52 +0200 and does not appear to have been modified since." +
        kSeparator +
        "\n\n\nInstaller History\n(path: /Library/Receipts/InstallHistory.plist)\nRecent items:\n\n"
        "XProtectPayloads installed on 2024-05-29 08:12:33 +0000" +
        kSeparator +
        "\n\n\nBluetooth Hardware Info:\n\nBluetooth Power: On\n          \n\n\nNetwork Info:\n\n"
        "/etc/hosts -count: 12\n\nNetwork:\n\n    Wi-Fi:\n\n      Type: AirPort\n      Hardware: AirPort\n" +
        kSeparator +
        "\n\n\nDisk Information:\n\nStorage:\n\n    Macintosh HD - Data:\n\n      Free: 312.45 GB\n";
    return body;
}

/// A report log of at least `megabytes` MB (UTF-8), indexed once.
struct Log {
    QString text;
    qint64 bytes = 0;
    int newest = 0;
    std::unique_ptr<ReportLogIndex> index;

    explicit Log(int megabytes)
    {
        std::mt19937 random(2024);
        QVector<QString> bodies;
        QVector<qint64> bodyBytes;
        for (int i = 0; i < kBodies; ++i) {
            bodies << reportBody(20'000 + int(random() % 20'000), random);
            bodyBytes << bodies.last().toUtf8().size();
        }
        const qint64 target = qint64(megabytes) * 1'000'000;
        text.reserve(qsizetype(target + 64'000));
        for (int n = kFirstNumber; bytes < target; ++n) {
            const QString header = QStringLiteral("Timestamp (%1):").arg(n);
            text += header;
            text += bodies[n % kBodies];
            bytes += header.size() + bodyBytes[n % kBodies];
            newest = n;
        }
        index = std::make_unique<ReportLogIndex>(text);
    }
};

Log& sizedLog(int megabytes)
{
    static Log small(10);
    static Log large(200);
    return megabytes == 10 ? small : large;
}

/// One previous step from the report `back` places before the newest, as the window takes it.
void previousStep(const Log& log, int back)
{
    const int shown = log.newest - back;
    std::optional<NavigatedReport> step =
        navigate(LogStep::Previous, shown, shown, log.index->reportCount(), *log.index);
    if (!step || step->indicator != shown - 1)
        std::abort();
    benchmark::DoNotOptimize(step);
}

void BM_PreviousStep(benchmark::State& state)
{
    const Log& shown = sizedLog(int(state.range(0)));
    int back = 0;
    for (auto _ : state) {
        previousStep(shown, back);
        back = (back + 1) % kWalk;
    }
    state.counters["log_MB"] = double(shown.bytes) / 1e6;
    state.counters["reports"] = shown.newest - kFirstNumber + 1;
}

/// The same steps on both logs, side by side in every iteration, so that the ratio compares like with like.
void BM_PreviousStepRatio(benchmark::State& state)
{
    const Log& small = sizedLog(10);
    const Log& large = sizedLog(200);
    double smallSeconds = 0;
    double largeSeconds = 0;
    int back = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        previousStep(small, back);
        const auto t1 = std::chrono::steady_clock::now();
        previousStep(large, back);
        const auto t2 = std::chrono::steady_clock::now();
        smallSeconds += std::chrono::duration<double>(t1 - t0).count();
        largeSeconds += std::chrono::duration<double>(t2 - t1).count();
        back = (back + 1) % kWalk;
    }
    state.counters["ratio"] = smallSeconds > 0 ? largeSeconds / smallSeconds : 0;
    state.counters["10MB_us"] = 1e6 * smallSeconds / double(state.iterations());
    state.counters["200MB_us"] = 1e6 * largeSeconds / double(state.iterations());
}

void BM_IndexConstruction(benchmark::State& state)
{
    const Log& indexed = sizedLog(int(state.range(0)));
    for (auto _ : state) {
        ReportLogIndex index(indexed.text); // shares the text: only the scan is measured
        benchmark::DoNotOptimize(index.reportCount());
    }
    state.counters["log_MB"] = double(indexed.bytes) / 1e6;
}

} // namespace

BENCHMARK(BM_PreviousStep)->Arg(10)->Arg(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PreviousStepRatio)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IndexConstruction)->Arg(10)->Arg(200)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
