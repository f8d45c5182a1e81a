#include "platform/CommandRunner.h"
#include "support/TempRoot.h"

#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace trevalo;
using trevalo::test::CapturedLog;
using trevalo::test::TempRoot;

namespace {

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
        EXPECT_TRUE(log.text().contains(QStringLiteral("Could not start %1").arg(c.path)));
        EXPECT_TRUE(log.text().contains("[Line "));
    }
}

TEST_F(CommandRunnerTest, ErrorVariantCapturesStandardErrorOnly)
{
    machine.script("/usr/bin/tool", "echo out; echo 'bad thing' >&2");
    EXPECT_EQ(runner.callNSTaskWithError("/usr/bin/tool", {}), "bad thing\n");
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
    // Stopping a finished child does nothing (and must not signal a process that reused its id).
    runner.terminateCurrentTask();
    first->terminate();
}

TEST_F(CommandRunnerTest, CancellingStopsOnlyTheNewestChild)
{
    machine.script("/usr/bin/slow", "exec sleep 30");
    QString searchOutput = "not finished";
    std::thread search([&] { searchOutput = runner.callNSTaskWithResult("/usr/bin/slow", {}); });
    while (!runner.currentTask())
        QThread::msleep(5);
    QElapsedTimer timer;
    timer.start();
    runner.terminateCurrentTask();
    search.join();
    EXPECT_LT(timer.elapsed(), 10000);
    EXPECT_EQ(searchOutput, "");
    EXPECT_TRUE(runner.currentTask()->hasEnded());
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
esac)sh");
    }
};

TEST_F(ScriptTest, DisplayValueLosesItsQuotesAndFailureSaysError)
{
    struct Case {
        const char* script;
        QString expected;
    } cases[] = {
        {"text-abc", "abc"},
        {"fails", "error"},
        {"nothing", "error"},
        {"number-5", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_EQ(runner.callOSAScript(c.script), c.expected);
    }
    EXPECT_TRUE(machine.read("/osascript.calls").startsWith("-s s -e text-abc\n"));
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
    runner.callOSAScriptNull("fails"); // dropped silently
}

TEST_F(CommandRunnerTest, DefaultsTaskRestartsTheFinderWithoutWaitingForTheWrite)
{
    const QString log = machine.host("/calls");
    machine.script("/usr/bin/defaults",
                   QStringLiteral("sleep 0.5; echo \"defaults $*\" >> '%1'").arg(log).toUtf8());
    machine.script("/usr/bin/killall", QStringLiteral("echo \"killall $*\" >> '%1'").arg(log).toUtf8());
    runner.callDefaultsTask("1");
    for (int i = 0; i < 200 && machine.read("/calls").count('\n') < 2; ++i)
        QThread::msleep(10);
    EXPECT_EQ(machine.read("/calls"),
              "killall Finder\ndefaults write com.apple.finder AppleShowAllFiles 1\n");
}

} // namespace
