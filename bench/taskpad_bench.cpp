// Loading and saving a task pad against libplist's bare parse and write of the same file, in the same
// run: 10,000 tasks nested three deep, 1,000 of them with a styled note. Each should cost at most twice
// the bare libplist work; the benchmarks report the ratio as "ratio".
//
// BM_TaskPadLoad/BM_TaskPadSave compare the file's bytes in memory (decode against plist_from_bin,
// encode against plist_to_bin); BM_TaskPadFileLoad/BM_TaskPadFileSave the file operations with their
// lock, checks and atomic write against reading or atomically writing the bytes and parsing or
// writing them with libplist alone.

#include "support/FakeServices.h"
#include "taskpad/KeyedArchive.h"
#include "taskpad/TaskPadFile.h"
#include "taskpad/TaskPadFormat.h"

#include <QFile>
#include <QSaveFile>
#include <benchmark/benchmark.h>
#include <chrono>

using namespace trevalo;

namespace {

using Clock = std::chrono::steady_clock;

const QString kPath = QStringLiteral("/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp");

/// 100 top-level tasks with 9 sub-tasks each, and 10 sub-sub-tasks under each of those: 10,000 tasks.
/// Every tenth task has a note of three styled runs; every seventh a due date; every fifth is done.
std::unique_ptr<ListItem> benchOutline(const QDateTime& now)
{
    auto root = std::make_unique<ListItem>(QString());
    int n = 0;
    auto decorate = [&](ListItem* item) {
        ++n;
        if (n % 10 == 0) {
            TextStyle bold;
            bold.setFont("Helvetica Neue", 13, true, false);
            TextStyle red;
            red.setFont("Helvetica Neue", 13, false, true);
            red.color = TextColor{0.9, 0.1, 0.1, 1};
            TextStyle underlined;
            underlined.underline = true;
            StyledText note;
            note.append(QStringLiteral("Note %1: ").arg(n), bold);
            note.append("call the plumber about the kitchen sink, ", red);
            note.append("before Friday.", underlined);
            item->setNotes(note);
            item->setHasNote(true);
        }
        if (n % 7 == 0)
            item->setCompletionDate(now.addDays(n % 400 - 100));
        if (n % 5 == 0)
            item->setTaskIsDoneFlag(true);
        return item;
    };
    for (int top = 0; top < 100; ++top) {
        ListItem* t = decorate(
            root->insertChild(top, std::make_unique<ListItem>(QStringLiteral("Project %1").arg(top))));
        for (int sub = 0; sub < 9; ++sub) {
            ListItem* s =
                decorate(t->addChild(std::make_unique<ListItem>(QStringLiteral("Step %1").arg(sub))));
            for (int leaf = 0; leaf < 10; ++leaf)
                decorate(s->addChild(
                    std::make_unique<ListItem>(QStringLiteral("Detail %1.%2").arg(sub).arg(leaf))));
        }
    }
    return root;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

/// The two timings of each iteration: their means, and the ratio of the means ("ratio") and of the
/// fastest runs ("ratio_best", which leaves out what other programs on a shared machine cost a run).
struct Timings {
    double ours = 0;
    double bare = 0;
    double bestOurs = 1e9;
    double bestBare = 1e9;
    void add(Clock::duration bareRun, Clock::duration ourRun)
    {
        bare += seconds(bareRun);
        ours += seconds(ourRun);
        bestBare = std::min(bestBare, seconds(bareRun));
        bestOurs = std::min(bestOurs, seconds(ourRun));
    }
    void report(benchmark::State& state) const
    {
        const double n = double(state.iterations());
        state.counters["taskpad_ms"] = ours / n * 1000;
        state.counters["libplist_ms"] = bare / n * 1000;
        state.counters["ratio"] = ours / bare;
        state.counters["ratio_best"] = bestOurs / bestBare;
    }
};

const QDateTime kNow(QDate(2026, 6, 10), QTime(10, 0));

void BM_TaskPadLoad(benchmark::State& state)
{
    const QByteArray bytes = writeTaskPad(*benchOutline(kNow), kNow);
    Timings timings;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        plist_t parsed = nullptr;
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &parsed);
        benchmark::DoNotOptimize(parsed);
        plist_free(parsed);
        const auto t1 = Clock::now();
        QString error;
        std::optional<TaskPadContent> content = readTaskPad(bytes, error);
        if (!content || content->root->childCount() != 100)
            state.SkipWithError("the task pad did not load");
        content.reset();
        const auto t2 = Clock::now();
        timings.add(t1 - t0, t2 - t1);
    }
    timings.report(state);
    state.counters["bytes"] = double(bytes.size());
}
BENCHMARK(BM_TaskPadLoad)->Unit(benchmark::kMillisecond);

// A save after a load: the notes are written back as they were read.
void BM_TaskPadSave(benchmark::State& state)
{
    const QByteArray bytes = writeTaskPad(*benchOutline(kNow), kNow);
    QString error;
    std::optional<TaskPadContent> content = readTaskPad(bytes, error);
    plist_t parsed = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &parsed);
    Timings timings;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        char* out = nullptr;
        uint32_t length = 0;
        plist_to_bin(parsed, &out, &length);
        benchmark::DoNotOptimize(out);
        free(out);
        const auto t1 = Clock::now();
        const QByteArray written = writeTaskPad(*content->root, kNow);
        benchmark::DoNotOptimize(written.constData());
        const auto t2 = Clock::now();
        timings.add(t1 - t0, t2 - t1);
    }
    plist_free(parsed);
    timings.report(state);
}
BENCHMARK(BM_TaskPadSave)->Unit(benchmark::kMillisecond);

// A save of notes made or edited here, written anew from their runs.
void BM_TaskPadSaveNewNotes(benchmark::State& state)
{
    const std::unique_ptr<ListItem> root = benchOutline(kNow);
    const QByteArray bytes = writeTaskPad(*root, kNow);
    plist_t parsed = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &parsed);
    Timings timings;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        char* out = nullptr;
        uint32_t length = 0;
        plist_to_bin(parsed, &out, &length);
        free(out);
        const auto t1 = Clock::now();
        const QByteArray written = writeTaskPad(*root, kNow);
        benchmark::DoNotOptimize(written.constData());
        const auto t2 = Clock::now();
        timings.add(t1 - t0, t2 - t1);
    }
    plist_free(parsed);
    timings.report(state);
}
BENCHMARK(BM_TaskPadSaveNewNotes)->Unit(benchmark::kMillisecond);

void BM_TaskPadFileLoad(benchmark::State& state)
{
    trevalo::test::FakeServices fake;
    fake.machine.write(kPath, writeTaskPad(*benchOutline(kNow), kNow));
    TaskPadFile file(fake.services());
    const QString host = fake.machine.host(kPath);
    Timings timings;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        QFile f(host);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        plist_t parsed = nullptr;
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &parsed);
        plist_free(parsed);
        const auto t1 = Clock::now();
        std::unique_ptr<ListItem> root = file.loadFromDisk();
        root.reset();
        const auto t2 = Clock::now();
        timings.add(t1 - t0, t2 - t1);
    }
    timings.report(state);
}
BENCHMARK(BM_TaskPadFileLoad)->Unit(benchmark::kMillisecond);

void BM_TaskPadFileSave(benchmark::State& state)
{
    trevalo::test::FakeServices fake;
    fake.machine.write(kPath, writeTaskPad(*benchOutline(kNow), kNow));
    TaskPadFile file(fake.services());
    std::unique_ptr<ListItem> root = file.loadFromDisk();
    const QByteArray bytes = fake.machine.read(kPath);
    plist_t parsed = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &parsed);
    const QString bareFile = fake.machine.host("/Users/robin/bare.tp");
    Timings timings;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        char* out = nullptr;
        uint32_t length = 0;
        plist_to_bin(parsed, &out, &length);
        QSaveFile f(bareFile);
        f.open(QIODevice::WriteOnly);
        f.write(out, length);
        f.commit();
        free(out);
        const auto t1 = Clock::now();
        if (!file.saveListToFile(*root, SaveTarget::automatic()))
            state.SkipWithError("the save was refused");
        const auto t2 = Clock::now();
        timings.add(t1 - t0, t2 - t1);
    }
    plist_free(parsed);
    timings.report(state);
}
BENCHMARK(BM_TaskPadFileSave)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
