// SuperSearch's deep search beside the bare tools over a generated tree of 100,000 files, 10,000 of them
// hits, in one run. Targets: a name search costs at most 1.5x the bare find with the same arguments, and
// a row is shown within 100 ms of find printing its line. A content search beside grep -r -c and rg -c,
// for the record.

#include "search/SuperSearch.h"
#include "support/FakeServices.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <unistd.h>

using namespace trevalo;
using trevalo::test::FakeServices;

namespace {

constexpr int kFolders = 1000;
constexpr int kFilesPerFolder = 100;
constexpr int kHitEvery = 10;
const QString kTree = QStringLiteral("/Users/robin/tree");

/// The tree, made once: every tenth file is named hit_… and holds the word needle; the others hold hay.
struct Tree : FakeServices {
    Tree()
    {
        for (int d = 0; d < kFolders; ++d) {
            const QString folder =
                machine.host(kTree + QStringLiteral("/d%1").arg(d, 4, 10, QLatin1Char('0')));
            QDir().mkpath(folder);
            for (int f = 0; f < kFilesPerFolder; ++f) {
                const bool hit = f % kHitEvery == 0;
                const QByteArray path = QFile::encodeName(
                    folder + (hit ? QStringLiteral("/hit_%1.txt") : QStringLiteral("/f_%1.txt")).arg(f));
                const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                const QByteArray text = hit ? "needle\n" : "hay\n";
                [[maybe_unused]] const ssize_t n = ::write(fd, text.constData(), size_t(text.size()));
                ::close(fd);
            }
        }
    }
    SuperSearch::Request request(bool content) const
    {
        SuperSearch::Request r;
        r.options.searchIsDeep = true;
        r.options.searchIsString = true;
        r.options.searchIsContent = content;
        r.start = {kTree, false};
        r.term = content ? QStringLiteral("needle") : QStringLiteral("hit");
        return r;
    }
    /// Runs a shell line to its end with its output read, as the bare tool.
    qsizetype bare(const QString& line)
    {
        const CommandRunner::Result r = runner.run({.launchPath = "/bin/bash",
                                                    .arguments = {"-c", line},
                                                    .timeLimit = CommandRunner::TimeLimit::None});
        return r.output.count('\n');
    }
    /// Runs a search to its end; the number of rows.
    int search(SuperSearch& s, const SuperSearch::Request& r)
    {
        QEventLoop loop;
        const auto done = QObject::connect(&s, &SuperSearch::searchFinished, &loop, &QEventLoop::quit);
        s.startSearch(r);
        if (s.isRunning())
            loop.exec();
        QObject::disconnect(done);
        return s.results().size();
    }
};

Tree& tree()
{
    static Tree t;
    return t;
}

using Clock = std::chrono::steady_clock;
double seconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

void BM_NameSearchAgainstBareFind(benchmark::State& state)
{
    Tree& t = tree();
    SuperSearch search(t.services());
    const SuperSearch::Request request = t.request(false);
    const QString line = search.commandFor(request);
    double searchSeconds = 0;
    double findSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const qsizetype lines = t.bare(line);
        const auto t1 = Clock::now();
        const int rows = t.search(search, request);
        const auto t2 = Clock::now();
        if (lines != kFolders * kFilesPerFolder / kHitEvery || rows != lines)
            state.SkipWithError("the search and find did not find every hit");
        findSeconds += seconds(t0, t1);
        searchSeconds += seconds(t1, t2);
    }
    state.counters["ratio"] = findSeconds > 0 ? searchSeconds / findSeconds : 0;
    state.counters["search_ms"] = 1000 * searchSeconds / double(state.iterations());
    state.counters["find_ms"] = 1000 * findSeconds / double(state.iterations());
}
BENCHMARK(BM_NameSearchAgainstBareFind)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

/// From the moment find writes a line to the moment its row is in the table: a find that prints one
/// line, notes when, and goes on running.
void BM_FirstRowLatency(benchmark::State& state)
{
    FakeServices machine;
    const QString stamp = machine.machine.host("/printed");
    machine.machine.script("/usr/bin/find", "date +%s%N > '" + QFile::encodeName(stamp) +
                                                "'; echo /Users/robin/hit.txt; exec sleep 0.2");
    SuperSearch search(machine.services());
    SuperSearch::Request request = tree().request(false);
    double latencySeconds = 0;
    double worstSeconds = 0;
    for (auto _ : state) {
        QEventLoop loop;
        qint64 shownNs = 0;
        const auto shown = QObject::connect(&search.results(), &QAbstractItemModel::rowsInserted, &loop, [&] {
            shownNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                          std::chrono::system_clock::now().time_since_epoch())
                          .count();
            loop.quit();
        });
        search.startSearch(request);
        loop.exec();
        QObject::disconnect(shown);
        QFile printed(stamp);
        printed.open(QIODevice::ReadOnly);
        const double latency = double(shownNs - printed.readAll().trimmed().toLongLong()) / 1e9;
        latencySeconds += latency;
        worstSeconds = std::max(worstSeconds, latency);
        search.cancelBtn();
    }
    state.counters["first_row_ms"] = 1000 * latencySeconds / double(state.iterations());
    state.counters["worst_ms"] = 1000 * worstSeconds;
}
BENCHMARK(BM_FirstRowLatency)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_ContentSearchAgainstGrepAndRipgrep(benchmark::State& state)
{
    Tree& t = tree();
    SuperSearch search(t.services());
    const SuperSearch::Request request = t.request(true);
    const QString folder = t.root.host(kTree);
    const QString grep = QStringLiteral("grep -r -c needle '%1'").arg(folder);
    const QString rg = QStringLiteral("rg -c needle '%1'").arg(folder);
    const bool haveRg = QFile::exists("/usr/bin/rg");
    double searchSeconds = 0;
    double grepSeconds = 0;
    double rgSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        if (t.search(search, request) != kFolders * kFilesPerFolder / kHitEvery)
            state.SkipWithError("the content search did not find every hit");
        const auto t1 = Clock::now();
        t.bare(grep);
        const auto t2 = Clock::now();
        if (haveRg)
            t.bare(rg);
        const auto t3 = Clock::now();
        searchSeconds += seconds(t0, t1);
        grepSeconds += seconds(t1, t2);
        rgSeconds += seconds(t2, t3);
    }
    const double n = double(state.iterations());
    state.counters["search_ms"] = 1000 * searchSeconds / n;
    state.counters["grep_r_ms"] = 1000 * grepSeconds / n;
    state.counters["vs_grep_r"] = grepSeconds > 0 ? searchSeconds / grepSeconds : 0;
    if (haveRg) {
        state.counters["rg_ms"] = 1000 * rgSeconds / n;
        state.counters["vs_rg"] = rgSeconds > 0 ? searchSeconds / rgSeconds : 0;
    }
}
BENCHMARK(BM_ContentSearchAgainstGrepAndRipgrep)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
