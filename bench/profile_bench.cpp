// A first profile run over watched folders holding 20,000 entries in all, against a bare listing of the
// same folders. Target: the run's own cost at most 3 times the listing; BM_FirstRunAgainstListing reports
// the ratio as "ratio".
//
// The run's own cost is buildProfile over fixed tool outputs, its folders listed as a run lists them,
// plus writing the change records and the report text to their files as a run stores them. The tools are
// left out rather than driven as trivial scripts through Profile::runBlocking: seven process start-ups of
// a few milliseconds each, twice over for the first run, would stand beside a listing of about the same
// size and hide the cost of the report itself.

#include "profile/ProfileBuilder.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

using namespace trevalo;
using trevalo::test::TempRoot;

namespace {

constexpr int kEntries = 20000;

/// A Mac whose 16 watched folders hold 20,000 entries between them, some of them hidden, and what its
/// tools said.
struct Fixture {
    TempRoot machine;
    SystemRoot root = machine.root();
    QList<WatchedFolder> folders = watchedFolders(root.homeDir());
    ProfileInputs inputs;

    Fixture()
    {
        // The big folders take more: Applications, Application Support and the system's agents.
        const int weights[] = {2, 1, 3, 1, 4, 1, 2, 3, 1, 1, 1, 1, 1, 1, 2, 2};
        static_assert(std::size(weights) == 16);
        int total = 0;
        for (int w : weights)
            total += w;
        int made = 0;
        for (qsizetype f = 0; f < folders.size(); ++f) {
            const QString host = root.host(folders[f].folder);
            QDir().mkpath(host);
            const int count = f + 1 == folders.size() ? kEntries - made : kEntries * weights[f] / total;
            for (int i = 0; i < count; ++i) {
                const QString name = i % 50 == 0 ? QStringLiteral(".hidden-%1").arg(i)
                                                 : QStringLiteral("com.vendor%1.item-%2.plist")
                                                       .arg((i * 7919) % 97)
                                                       .arg(i, 5, 10, QChar(u'0'));
                const int fd = ::open(QFile::encodeName(host + u'/' + name).constData(),
                                      O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
                if (fd >= 0)
                    ::close(fd);
            }
            made += count;
        }
        inputs.runDate = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
        inputs.loginItems = QStringList{"\"Dropbox\"", "\"Trevalo 2\""};
        inputs.swVers = "ProductName:\tmacOS\nProductVersion:\t14.4.1\nBuildVersion:\t23E224\n";
        inputs.spctl = "assessments enabled";
        inputs.sipStateTitle = "SIP: ON";
        inputs.wcHosts = "      12 /etc/hosts\n";
        inputs.bluetooth = "Bluetooth:\n\n      Bluetooth Power: On\n      Vendor ID: 0x004C\n";
        inputs.network = "Network:\n\n    Wi-Fi:\n\n      Type: AirPort\n";
        inputs.storage = "Storage:\n\n    Macintosh HD:\n\n      Free: 120 GB\n";
    }

    QString changeLog() const { return root.host(root.supportFolder() + "/tr2Change.log"); }
    QString reportLog() const { return root.host(root.supportFolder() + "/tr2.log"); }

    /// The run's own work: the report built over the real folders, its records and text written anew.
    int run() const
    {
        const FolderReader list = [this](const QString& macPath) { return readFolder(root.host(macPath)); };
        const ProfileBuild build = buildProfile(1, inputs, StoredSnapshots{}, list, root.homeDir());
        QDir().mkpath(QFileInfo(changeLog()).absolutePath());
        write(changeLog(), joinedUtf8(build.records));
        write(reportLog(), build.report.text().toUtf8());
        return build.added;
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size())
            file.commit();
    }
    /// A first run finds no log: each iteration starts without one.
    void forget() const
    {
        QFile::remove(changeLog());
        QFile::remove(reportLog());
    }

    /// The bare listing: every watched folder's names, unsorted, hidden ones included.
    qsizetype listing() const
    {
        qsizetype names = 0;
        for (const WatchedFolder& folder : folders)
            names += QDir(root.host(folder.folder))
                         .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                    QDir::Unsorted)
                         .size();
        return names;
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

void BM_BareListing(benchmark::State& state)
{
    const Fixture& f = fixture();
    // The support folder, made by the first run, is one more entry in Application Support.
    if (f.listing() < kEntries)
        state.SkipWithError("the folders do not hold every entry");
    for (auto _ : state)
        benchmark::DoNotOptimize(f.listing());
}
BENCHMARK(BM_BareListing)->Unit(benchmark::kMillisecond);

void BM_FirstRun(benchmark::State& state)
{
    const Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.forget();
        state.ResumeTiming();
        if (f.run() < kEntries)
            state.SkipWithError("the run did not add every entry");
    }
}
BENCHMARK(BM_FirstRun)->Unit(benchmark::kMillisecond);

/// The CPU time of the calling thread, in seconds: on a machine shared with other work it varies less
/// than the time on the clock.
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

/// Run and listing side by side in every iteration, so that the ratio compares them under the same
/// conditions. "ratio" is by the clock (the run's file writes wait for the disk), "cpu_ratio" by the
/// thread's CPU time.
void BM_FirstRunAgainstListing(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const Fixture& f = fixture();
    double runSeconds = 0;
    double listingSeconds = 0;
    double runCpu = 0;
    double listingCpu = 0;
    for (auto _ : state) {
        f.forget();
        const double c0 = threadSeconds();
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(f.run());
        const auto t1 = Clock::now();
        const double c1 = threadSeconds();
        benchmark::DoNotOptimize(f.listing());
        const auto t2 = Clock::now();
        const double c2 = threadSeconds();
        runSeconds += std::chrono::duration<double>(t1 - t0).count();
        listingSeconds += std::chrono::duration<double>(t2 - t1).count();
        runCpu += c1 - c0;
        listingCpu += c2 - c1;
    }
    state.counters["ratio"] = listingSeconds > 0 ? runSeconds / listingSeconds : 0;
    state.counters["cpu_ratio"] = listingCpu > 0 ? runCpu / listingCpu : 0;
    state.counters["run_ms"] = 1000 * runSeconds / double(state.iterations());
    state.counters["listing_ms"] = 1000 * listingSeconds / double(state.iterations());
}
BENCHMARK(BM_FirstRunAgainstListing)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
