#include "platform/CommandRunner.h"
#include "support/TempRoot.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <optional>
#include <poll.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace trevalo;
using trevalo::test::CapturedLog;
using trevalo::test::TempRoot;
using Capture = CommandRunner::Capture;
using Request = CommandRunner::Request;
using Result = CommandRunner::Result;
using TimeLimit = CommandRunner::TimeLimit;
using namespace std::chrono_literals;

namespace {

// Long enough never to be reached by a run that works; only there so a broken run fails the test.
constexpr int kSafetyMs = 20000;

/// A named pipe in the temporary root. Tools write lines to it, read from it, or hold it open; the test
/// waits on it, so it waits on the tools themselves rather than on a clock.
class Fifo {
public:
    Fifo(const TempRoot& machine, const QString& macPath) : m_path(machine.host(macPath))
    {
        const QByteArray path = m_path.toLocal8Bit();
        ::mkfifo(path.constData(), 0600);
        m_read = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        // Our own writer: the reader never sees an end between two tools, and tools reading the pipe
        // get what the test writes.
        m_write = ::open(path.constData(), O_WRONLY | O_CLOEXEC);
    }
    ~Fifo()
    {
        ::close(m_read);
        if (m_write >= 0)
            ::close(m_write);
    }

    /// The path to put in a tool's script.
    QByteArray path() const { return m_path.toLocal8Bit(); }

    void write(const QByteArray& line)
    {
        [[maybe_unused]] const ssize_t n = ::write(m_write, line.constData(), line.size());
    }

    /// The next line a tool wrote, without its line feed; "(nothing came)" after the safety limit.
    QByteArray readLine()
    {
        while (!m_pending.contains('\n')) {
            pollfd fd{m_read, POLLIN, 0};
            if (::poll(&fd, 1, kSafetyMs) <= 0)
                return "(nothing came)";
            char buffer[256];
            const ssize_t n = ::read(m_read, buffer, sizeof buffer);
            if (n > 0)
                m_pending.append(buffer, n);
        }
        const qsizetype end = m_pending.indexOf('\n');
        QByteArray line = m_pending.left(end);
        m_pending.remove(0, end + 1);
        return line;
    }

    /// True once every process that opened the pipe for writing, other than the test, has closed it: all of
    /// them have ended.
    bool writersGone()
    {
        ::close(m_write);
        m_write = -1;
        for (;;) {
            pollfd fd{m_read, POLLIN, 0};
            if (::poll(&fd, 1, kSafetyMs) <= 0)
                return false;
            char buffer[256];
            if (::read(m_read, buffer, sizeof buffer) == 0)
                return true;
        }
    }

private:
    QString m_path;
    int m_read = -1;
    int m_write = -1;
    QByteArray m_pending;
};

/// Sends our own standard output and error to a file for the life of the object.
class OwnOutputToFile {
public:
    explicit OwnOutputToFile(const QString& file)
    {
        std::fflush(stdout);
        std::fflush(stderr);
        m_savedOut = ::dup(STDOUT_FILENO);
        m_savedErr = ::dup(STDERR_FILENO);
        const int fd = ::open(file.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~OwnOutputToFile()
    {
        std::fflush(stdout);
        std::fflush(stderr);
        ::dup2(m_savedOut, STDOUT_FILENO);
        ::dup2(m_savedErr, STDERR_FILENO);
        ::close(m_savedOut);
        ::close(m_savedErr);
    }

private:
    int m_savedOut = -1;
    int m_savedErr = -1;
};

class CommandRunnerTest : public ::testing::Test {
protected:
    TempRoot machine;
    CommandRunner runner{machine.root()};
};

struct OutputCase {
    const char* name;
    QByteArray body;
    bool absent;
    QString text;
};

TEST_F(CommandRunnerTest, ReturnsStandardOutputExactlyOrAbsent)
{
    const OutputCase cases[] = {
        {"nothing printed is empty, not absent", "true", false, ""},
        {"output is not trimmed", "printf '  a\\n\\n'", false, "  a\n\n"},
        {"UTF-8 is decoded", "printf 'Caf\\xc3\\xa9\\n'", false, "Café\n"},
        {"invalid UTF-8 is absent", "printf 'ab\\xff\\xfe'", true, ""},
        {"standard error is not captured", "echo out; echo err >&2", false, "out\n"},
        {"exit status is not looked at", "echo partial; exit 3", false, "partial\n"},
    };
    for (const OutputCase& c : cases) {
        SCOPED_TRACE(c.name);
        machine.script("/usr/bin/tool", c.body);
        const QString out = runner.callNSTaskWithResult("/usr/bin/tool", {});
        EXPECT_EQ(out.isNull(), c.absent);
        if (!c.absent) {
            EXPECT_EQ(out, c.text);
        }
    }
}

TEST_F(CommandRunnerTest, ArgumentsReachTheToolAsTheyAre)
{
    machine.script("/usr/bin/args", "for a in \"$@\"; do printf '[%s]' \"$a\"; done");
    EXPECT_EQ(runner.callSubsidTaskWithResult("/usr/bin/args", {"a b", "", "$HOME", "\"q\""}),
              "[a b][][$HOME][\"q\"]");
}

TEST_F(CommandRunnerTest, LaunchFailureGivesAbsentResultAndLogLine)
{
    machine.write("/usr/bin/notexec", "#!/bin/bash\necho hi\n", false);
    struct Case {
        const char* path;
    } cases[] = {{"/usr/bin/missing"}, {"/usr/bin/notexec"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CapturedLog log;
        EXPECT_TRUE(runner.callNSTaskWithResult(c.path, {}).isNull());
        EXPECT_TRUE(runner.callNSTaskWithError(c.path, {}).isNull());
        EXPECT_TRUE(runner.callOSATask("x").isNull()); // no osascript in this root
        runner.callNSTask(c.path, {});
        const Result r = runner.run({.launchPath = c.path});
        EXPECT_FALSE(r.started);
        EXPECT_FALSE(r.succeeded());
        EXPECT_TRUE(log.text().contains(QStringLiteral("Could not start %1").arg(c.path)));
        EXPECT_TRUE(log.text().contains("[Line "));
    }
}

TEST_F(CommandRunnerTest, ErrorVariantCapturesStandardErrorOnly)
{
    machine.script("/usr/bin/tool", "echo out; echo 'bad thing' >&2");
    EXPECT_EQ(runner.callNSTaskWithError("/usr/bin/tool", {}), "bad thing\n");
    const Result both = runner.run({.launchPath = "/usr/bin/tool", .capture = Capture::Both});
    EXPECT_EQ(both.output, "out\n");
    EXPECT_EQ(both.error, "bad thing\n");
}

TEST_F(CommandRunnerTest, ResultTellsHowTheToolEnded)
{
    struct Case {
        const char* body;
        int status;
        int signal;
        bool succeeded;
    } cases[] = {
        {"exit 0", 0, 0, true},
        {"echo partial; exit 3", 3, 0, false},
        {"kill -TERM $$", -1, SIGTERM, false},
        {"kill -KILL $$", -1, SIGKILL, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        machine.script("/usr/bin/tool", c.body);
        const Result r = runner.run({.launchPath = "/usr/bin/tool"});
        EXPECT_TRUE(r.started);
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_EQ(r.signal, c.signal);
        EXPECT_EQ(r.succeeded(), c.succeeded);
        EXPECT_FALSE(r.timedOut);
    }
}

TEST_F(CommandRunnerTest, ReadsUntilEveryHolderOfTheOutputHasClosedIt)
{
    // The child exits at once but leaves a background process writing to the same pipe.
    machine.script("/usr/bin/tool", "echo early; (sleep 0.3; echo late) &");
    EXPECT_EQ(runner.callNSTaskWithResult("/usr/bin/tool", {}), "early\nlate\n");
}

TEST_F(CommandRunnerTest, ShellLinesReachTheRootsToolsAndHome)
{
    machine.script("/usr/sbin/system_profiler", "printf 'TRIM Support: Yes\\nOther: No\\n'");
    EXPECT_EQ(runner.callNSTaskWithResult("/bin/bash",
                                          {"-c", "system_profiler SPSerialATADataType | grep -i trim"}),
              "TRIM Support: Yes\n");
    EXPECT_EQ(runner.callNSTaskWithResult("/bin/bash", {"-c", "printf %s \"$HOME\""}),
              machine.host("/Users/robin"));
}

TEST_F(CommandRunnerTest, StreamsNobodyReadsGoNowhereNotIntoOurOwn)
{
    machine.script("/usr/bin/tool", "echo to-out; echo to-err >&2");
    struct Case {
        const char* name;
        Capture capture;
        QByteArray output;
        QByteArray error;
    } cases[] = {
        {"nothing captured", Capture::Nothing, "", ""},
        {"output captured", Capture::Output, "to-out\n", ""},
        {"error captured", Capture::Error, "", "to-err\n"},
    };
    const QString ownOutput = machine.host("/own-output");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Result r;
        {
            OwnOutputToFile redirect(ownOutput);
            r = runner.run({.launchPath = "/usr/bin/tool", .capture = c.capture});
        }
        EXPECT_TRUE(r.succeeded());
        EXPECT_EQ(r.output, c.output);
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(machine.read("/own-output"), "");
    }
}

TEST_F(CommandRunnerTest, OutputBeyondTheCapIsReadAndDropped)
{
    runner.setOutputCap(1000);
    struct Case {
        int printed;
        int held;
        bool truncated;
    } cases[] = {{999, 999, false}, {1000, 1000, false}, {1001, 1000, true}, {300000, 1000, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.printed);
        // Far more than a pipe holds: the tool only finishes if the rest is read, not left in the pipe.
        machine.script("/usr/bin/tool", QStringLiteral("head -c %1 /dev/zero | tr '\\0' a; "
                                                       "head -c %1 /dev/zero | tr '\\0' b >&2")
                                            .arg(c.printed)
                                            .toUtf8());
        CapturedLog log;
        const Result r = runner.run({.launchPath = "/usr/bin/tool", .capture = Capture::Both});
        EXPECT_TRUE(r.succeeded());
        EXPECT_EQ(r.output, QByteArray(c.held, 'a'));
        EXPECT_EQ(r.error, QByteArray(c.held, 'b'));
        EXPECT_EQ(r.truncated, c.truncated);
        EXPECT_EQ(log.text().contains("/usr/bin/tool printed more than 1000 bytes"), c.truncated);
    }
}

TEST_F(CommandRunnerTest, ConcurrentCallsAllSeeTheWholeEnvironment)
{
    const QString expected = runner.callSubsidTaskWithResult("/bin/bash", {"-c", "env | sort"});
    ASSERT_TRUE(expected.contains("HOME=" + machine.host("/Users/robin")));
    std::atomic<int> wrong = 0;
    std::vector<std::thread> threads;
    threads.reserve(4);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 20; ++i) {
                if (runner.callNSTaskWithResult("/bin/bash", {"-c", "env | sort"}) != expected)
                    ++wrong;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, 0);
}

TEST_F(CommandRunnerTest, OnlyTheMainTaskOperationTakesTheCurrentTaskSlot)
{
    machine.script("/usr/bin/tool", "true");
    EXPECT_EQ(runner.currentTask(), nullptr);
    runner.callNSTaskWithResult("/usr/bin/tool", {});
    const auto first = runner.currentTask();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->hasEnded());

    machine.script("/usr/bin/osascript", "echo '\"x\"'");
    runner.callSubsidTaskWithResult("/usr/bin/tool", {});
    runner.callNSTaskWithError("/usr/bin/tool", {});
    runner.callOSATask("1");
    runner.callOSATaskWithScript("/tmp/x.scpt");
    runner.callOSAScript("1");
    runner.callNSAppleScript("1");
    EXPECT_EQ(runner.currentTask(), first);

    runner.callNSTaskWithResult("/usr/bin/tool", {});
    EXPECT_NE(runner.currentTask(), first);
}

TEST_F(CommandRunnerTest, StoppingTheCurrentTaskEndsItsWholeGroup)
{
    Fifo fifo(machine, "/fifo");
    // A child that waits, with a background process of its own.
    machine.script("/usr/bin/slow", "exec 3>'" + fifo.path() + "'; sleep 120 & echo started >&3; wait");
    QString searchOutput = "not finished";
    std::thread search([&] { searchOutput = runner.callNSTaskWithResult("/usr/bin/slow", {}); });
    ASSERT_EQ(fifo.readLine(), "started");
    runner.terminateCurrentTask();
    EXPECT_TRUE(fifo.writersGone());
    search.join();
    EXPECT_EQ(searchOutput, "");
    EXPECT_TRUE(runner.currentTask()->hasEnded());
}

TEST_F(CommandRunnerTest, StoppingAChildThatHasEndedLeavesOthersAlone)
{
    machine.script("/usr/bin/quick", "true");
    runner.callNSTaskWithResult("/usr/bin/quick", {});
    const auto first = runner.currentTask();
    ASSERT_TRUE(first->hasEnded());

    Fifo started(machine, "/started");
    Fifo go(machine, "/go");
    machine.script("/usr/bin/second",
                   "echo started > '" + started.path() + "'; read -r < '" + go.path() + "'; echo survived");
    QString secondOutput;
    std::thread second([&] { secondOutput = runner.callNSTaskWithResult("/usr/bin/second", {}); });
    ASSERT_EQ(started.readLine(), "started");
    ASSERT_NE(runner.currentTask(), first);
    first->terminate();
    go.write("go\n");
    second.join();
    EXPECT_EQ(secondOutput, "survived\n");
    runner.terminateCurrentTask(); // the second has ended too: nothing happens
}

/// Runs asynchronous starts against a context object living on the test's thread, and the event loop
/// until they finish.
class AsyncTest : public CommandRunnerTest {
protected:
    QObject context;
    QList<QList<QByteArray>> batches;
    std::vector<Result> finished;
    bool deliveredElsewhere = false;
    RunHandle handle;

    RunHandle start(const Request& request, bool withLines = true, CommandRunner* on = nullptr)
    {
        CommandRunner::LinesCallback onLines;
        if (withLines) {
            onLines = [this](const QList<QByteArray>& lines) {
                deliveredElsewhere |= QThread::currentThread() != context.thread();
                batches.append(lines);
                if (m_onBatch)
                    m_onBatch();
            };
        }
        handle = (on ? *on : runner).start(request, &context, onLines, [this](const Result& result) {
            deliveredElsewhere |= QThread::currentThread() != context.thread();
            finished.push_back(result);
            m_loop.quit();
        });
        return handle;
    }
    void onEachBatch(std::function<void()> action) { m_onBatch = std::move(action); }
    QList<QByteArray> allLines() const
    {
        QList<QByteArray> lines;
        for (const QList<QByteArray>& batch : batches)
            lines += batch;
        return lines;
    }

    /// Runs the event loop until the finish callback has come; false when it did not come.
    bool waitForFinish()
    {
        if (finished.empty()) {
            QTimer safety;
            safety.setSingleShot(true);
            QObject::connect(&safety, &QTimer::timeout, &m_loop, &QEventLoop::quit);
            safety.start(kSafetyMs);
            m_loop.exec();
        }
        QCoreApplication::processEvents(); // anything queued after the finish would show up now
        return !finished.empty();
    }

private:
    QEventLoop m_loop;
    std::function<void()> m_onBatch;
};

TEST_F(AsyncTest, LinesArriveWholeWhereverTheReadsCutThem)
{
    Fifo gate(machine, "/gate");
    struct Case {
        const char* name;
        const char* body; // %1: a pipe the tool waits on until the test has had its first lines
        char separator;
        QList<QByteArray> firstBatch; // when the tool waits: what arrived before it went on
        QList<QByteArray> lines;
    } cases[] = {
        {"a line cut between two reads waits for its rest",
         "printf 'one\\ntw'; read -r < '%1'; printf 'o\\nthree\\n'",
         '\n',
         {"one"},
         {"one", "two", "three"}},
        {"the last line needs no separator",
         "printf 'one\\ntw'; read -r < '%1'; printf 'o\\nthree'",
         '\n',
         {"one"},
         {"one", "two", "three"}},
        {"NUL-separated, cut between two reads",
         "printf 'a b\\0c'; read -r < '%1'; printf 'd\\0'",
         '\0',
         {"a b"},
         {"a b", "cd"}},
        {"empty lines are lines", "printf 'a\\n\\nb\\n'", '\n', {}, {"a", "", "b"}},
        {"NUL-separated lines keep their line feeds", "printf 'x\\ny\\0z'", '\0', {}, {"x\ny", "z"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        batches.clear();
        finished.clear();
        onEachBatch([&] {
            if (batches.size() == 1 && !c.firstBatch.isEmpty())
                gate.write("go\n");
        });
        machine.script("/usr/bin/tool",
                       QString::fromUtf8(c.body).arg(QString::fromLocal8Bit(gate.path())).toUtf8());
        start({.launchPath = "/usr/bin/tool", .lineSeparator = c.separator});
        ASSERT_TRUE(waitForFinish());
        if (!c.firstBatch.isEmpty()) {
            ASSERT_FALSE(batches.isEmpty());
            EXPECT_EQ(batches.first(), c.firstBatch);
        }
        EXPECT_EQ(allLines(), c.lines);
        ASSERT_EQ(finished.size(), 1u);
        EXPECT_TRUE(finished[0].succeeded());
        EXPECT_EQ(finished[0].output, ""); // the lines went to the callback
    }
    EXPECT_FALSE(deliveredElsewhere);
}

TEST_F(AsyncTest, CallbacksComeThroughTheContextsEventLoopWhoeverStarted)
{
    machine.script("/usr/bin/tool", "printf 'a\\nb'; echo oops >&2; exit 4");
    // Started from another thread, delivered on the context's, and only once its event loop runs.
    std::thread([&] {
        start({.launchPath = "/usr/bin/tool", .capture = Capture::Both}, false);
        handle.wait();
    }).join();
    EXPECT_TRUE(finished.empty());
    ASSERT_TRUE(waitForFinish());
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_FALSE(deliveredElsewhere);
    const Result& r = finished[0];
    EXPECT_EQ(r.output, "a\nb"); // without a line callback the output is collected
    EXPECT_EQ(r.error, "oops\n");
    EXPECT_EQ(r.exitStatus, 4);
    EXPECT_FALSE(r.succeeded());
}

TEST_F(AsyncTest, AToolThatCannotStartStillFinishesOnce)
{
    CapturedLog log;
    start({.launchPath = "/usr/bin/missing"});
    ASSERT_TRUE(waitForFinish());
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_FALSE(finished[0].started);
    EXPECT_TRUE(log.text().contains("Could not start /usr/bin/missing"));
    handle.cancel();
    handle.wait();
}

TEST_F(AsyncTest, CancelEndsTheWholeGroupAndTheFinishSaysSo)
{
    Fifo fifo(machine, "/fifo");
    machine.script("/usr/bin/tool", "exec 3>'" + fifo.path() + "'; sleep 30 & echo started; sleep 30");
    onEachBatch([this] { handle.cancel(); });
    start({.launchPath = "/usr/bin/tool", .timeLimit = TimeLimit::None});
    ASSERT_TRUE(waitForFinish());
    ASSERT_EQ(finished.size(), 1u);
    const Result& r = finished[0];
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.signal, SIGTERM);
    EXPECT_FALSE(r.succeeded());
    EXPECT_EQ(batches, QList<QList<QByteArray>>{{"started"}});
    EXPECT_TRUE(fifo.writersGone());

    // The run is over: the handle, a copy of it and an empty one do nothing.
    const RunHandle copy = handle;
    copy.cancel();
    copy.wait();
    RunHandle().cancel();
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.size(), 1u);
}

TEST_F(AsyncTest, ACancelThatComesBeforeTheToolHasStartedStillStopsIt)
{
    // start() returns before the child exists: the cancel must not be lost on the way.
    machine.script("/usr/bin/tool", "echo started; exec sleep 30");
    start({.launchPath = "/usr/bin/tool", .timeLimit = TimeLimit::None});
    handle.cancel();
    ASSERT_TRUE(waitForFinish());
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_TRUE(finished[0].cancelled);
    EXPECT_FALSE(finished[0].succeeded());
}

TEST_F(AsyncTest, NothingIsDeliveredOnceTheContextIsGone)
{
    Fifo gate(machine, "/gate");
    machine.script("/usr/bin/tool", "echo early; read -r < '" + gate.path() + "'; echo late");
    struct Case {
        const char* name;
        bool beforeTheRunEnds;
    } cases[] = {{"destroyed while the tool runs", true}, {"destroyed with the callbacks queued", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int calls = 0;
        auto* doomed = new QObject;
        const RunHandle run = runner.start(
            {.launchPath = "/usr/bin/tool"}, doomed, [&](const QList<QByteArray>&) { ++calls; },
            [&](const Result&) { ++calls; });
        if (c.beforeTheRunEnds)
            delete doomed;
        gate.write("go\n");
        run.wait();
        if (!c.beforeTheRunEnds)
            delete doomed;
        QCoreApplication::processEvents();
        EXPECT_EQ(calls, 0);
    }
}

TEST_F(AsyncTest, ALineLongerThanTheCapKeepsItsBeginning)
{
    runner.setOutputCap(10);
    machine.script("/usr/bin/tool", "printf '0123456789abcdef\\nok\\n'");
    CapturedLog log;
    start({.launchPath = "/usr/bin/tool"});
    ASSERT_TRUE(waitForFinish());
    const QList<QByteArray> expected{"0123456789", "ok"};
    EXPECT_EQ(allLines(), expected);
    EXPECT_TRUE(finished[0].truncated);
    EXPECT_TRUE(log.text().contains("/usr/bin/tool printed more than 10 bytes"));
}

TEST_F(AsyncTest, DestroyingTheRunnerEndsEverythingItStarted)
{
    Fifo fifo(machine, "/fifo");
    machine.script("/usr/bin/tool", "exec 3>'" + fifo.path() + "'; sleep 30 & echo started >&3; wait");
    {
        CommandRunner doomed(machine.root());
        start({.launchPath = "/usr/bin/tool", .timeLimit = TimeLimit::None}, true, &doomed);
        doomed.callNSTask("/usr/bin/tool", {});
        ASSERT_EQ(fifo.readLine(), "started");
        ASSERT_EQ(fifo.readLine(), "started");
    }
    EXPECT_TRUE(fifo.writersGone());
    ASSERT_TRUE(waitForFinish());
    EXPECT_TRUE(finished[0].cancelled);
}

class TimeLimitTest : public AsyncTest {
protected:
    void SetUp() override { runner.setDefaultTimeLimit(300ms); }
};

TEST_F(TimeLimitTest, AToolStillRunningAtItsLimitLosesItsGroupAndGivesTheEmptyResult)
{
    struct Case {
        const char* name;
        const char* body; // %1: a pipe every process of the tool holds open
    } cases[] = {
        {"a tool that waits", "exec 3>'%1'; echo started >&3; echo partial; sleep 30"},
        {"a tool that is gone but left a sleeper holding its output",
         "exec 3>'%1'; sleep 30 & echo started >&3; echo partial"},
        {"a tool that closed its output and waits", "exec 3>'%1'; echo started >&3; exec >&-; sleep 30"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fifo fifo(machine, "/fifo");
        machine.script("/usr/bin/tool",
                       QString::fromUtf8(c.body).arg(QString::fromLocal8Bit(fifo.path())).toUtf8());
        CapturedLog log;
        const Result r = runner.run({.launchPath = "/usr/bin/tool"});
        EXPECT_TRUE(r.started);
        EXPECT_TRUE(r.timedOut);
        EXPECT_FALSE(r.cancelled);
        EXPECT_FALSE(r.succeeded());
        EXPECT_EQ(r.output, "");
        EXPECT_TRUE(
            log.text().contains("Stopped /usr/bin/tool: still running after its time limit of 300 ms"));
        EXPECT_EQ(fifo.readLine(), "started");
        EXPECT_TRUE(fifo.writersGone());
    }
}

TEST_F(TimeLimitTest, TheTextOperationsGiveEmptyTextAndAsynchronousRunsAreLimitedToo)
{
    machine.script("/usr/bin/tool", "echo partial; sleep 30");
    EXPECT_EQ(runner.callNSTaskWithResult("/usr/bin/tool", {}), "");
    start({.launchPath = "/usr/bin/tool"});
    ASSERT_TRUE(waitForFinish());
    EXPECT_TRUE(finished[0].timedOut);
    EXPECT_EQ(batches, QList<QList<QByteArray>>{{"partial"}});
}

TEST_F(TimeLimitTest, NoLimitForAToolThatWaitsForAPerson)
{
    machine.script("/usr/bin/tool", "sleep 1; echo answered");
    const Result r = runner.run({.launchPath = "/usr/bin/tool", .timeLimit = TimeLimit::None});
    EXPECT_FALSE(r.timedOut);
    EXPECT_TRUE(r.succeeded());
    EXPECT_EQ(r.output, "answered\n");
}

class ScriptTest : public CommandRunnerTest {
protected:
    void SetUp() override
    {
        // A stand-in osascript: the script text names the outcome; every call is logged.
        machine.script("/usr/bin/osascript", R"sh(
echo "$*" >> "$(dirname "$0")/../../osascript.calls"
display=0; [ "$1" = -s ] && { display=1; shift 2; }
[ "$1" = -e ] && script=$2 || script=$(cat "$1")
case "$script" in
  text-abc) [ $display = 1 ] && echo '"abc"' || echo abc ;;
  number-5) echo 5 ;;
  nothing) ;;
  fails) echo "0:6: execution error: The variable fails is not defined. (-2753)" >&2; exit 1 ;;
  dialog) sleep 1; echo OK ;;
esac)sh");
    }
};

TEST_F(ScriptTest, DisplayValueLosesItsQuotesAndFailureSaysError)
{
    struct Case {
        const char* script;
        QString plain;
        QString analyser;
    } cases[] = {
        {"text-abc", "abc", "abc"},
        {"fails", "error", " "},
        {"nothing", "error", " "},
        {"number-5", "", " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(runner.callOSAScript(c.script), c.plain);
        EXPECT_EQ(runner.callOSAScriptForAnalyser(c.script), c.analyser);
    }
    EXPECT_TRUE(machine.read("/osascript.calls").startsWith("-s s -e text-abc\n-s s -e text-abc\n"));
}

TEST_F(ScriptTest, PlainOutputKeepsItsLineFeedAndErrorsAreNotCaptured)
{
    EXPECT_EQ(runner.callOSATask("text-abc"), "abc\n");
    EXPECT_EQ(runner.callOSATask("fails"), "");
    machine.write("/Users/robin/a.scpt", "text-abc");
    EXPECT_EQ(runner.callOSATaskWithScript(machine.host("/Users/robin/a.scpt")), "abc\n");
}

TEST_F(ScriptTest, AppleScriptErrorsAreLoggedAndGiveAbsent)
{
    CapturedLog log;
    EXPECT_EQ(runner.callNSAppleScript("text-abc"), "abc");
    EXPECT_TRUE(log.text().isEmpty());
    EXPECT_TRUE(runner.callNSAppleScript("fails").isNull());
    EXPECT_TRUE(log.text().contains("callNSAppleScript"));
    EXPECT_TRUE(
        log.text().contains("AppleScript Error:\n0:6: execution error: The variable fails is not defined."));
}

TEST_F(ScriptTest, QuietVariantsWriteNoLogLine)
{
    CapturedLog log;
    EXPECT_EQ(runner.callNSAppleScriptQuietly("text-abc"), "abc");
    EXPECT_TRUE(runner.callNSAppleScriptQuietly("fails").isNull());
    runner.callOSAScriptNull("fails");
    EXPECT_EQ(log.text(), "");
}

TEST_F(ScriptTest, OutcomeSaysWhetherOsascriptSucceeded)
{
    runner.setDefaultTimeLimit(300ms);
    struct Case {
        const char* script;
        TimeLimit limit;
        bool succeeded;
        QString output;
    } cases[] = {
        {"text-abc", TimeLimit::Limited, true, "abc"},
        {"fails", TimeLimit::Limited, false, ""},
        {"dialog", TimeLimit::Limited, false, ""}, // stopped at the limit
        {"dialog", TimeLimit::None, true, "OK"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        const CommandRunner::ScriptOutcome outcome = runner.runScript(c.script, {}, c.limit);
        EXPECT_TRUE(outcome.started);
        EXPECT_EQ(outcome.succeeded, c.succeeded);
        EXPECT_EQ(outcome.output, c.output);
    }
}

TEST_F(CommandRunnerTest, DefaultsTaskRestartsTheFinderWithoutWaitingForTheWrite)
{
    Fifo calls(machine, "/calls");
    Fifo go(machine, "/go");
    machine.script("/usr/bin/defaults",
                   "read -r < '" + go.path() + "'; echo \"defaults $*\" > '" + calls.path() + "'");
    machine.script("/usr/bin/killall", "echo \"killall $*\" > '" + calls.path() + "'");
    runner.callDefaultsTask("1");
    EXPECT_EQ(calls.readLine(), "killall Finder");
    go.write("go\n");
    EXPECT_EQ(calls.readLine(), "defaults write com.apple.finder AppleShowAllFiles 1");
}

} // namespace

TEST_F(CommandRunnerTest, WaitForDetachedLetsAStartedChildFinish)
{
    // Without the wait, the runner's end would end the child before it wrote.
    const QString done = machine.host("/done");
    machine.script("/usr/bin/tool", QStringLiteral("sleep 0.3; touch '%1'").arg(done).toUtf8());
    runner.callNSTask("/usr/bin/tool", {});
    runner.waitForDetached();
    EXPECT_TRUE(QFileInfo::exists(done));
}
