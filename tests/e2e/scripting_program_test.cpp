// The running menu-bar program driven from a shell: run-analyser, open-search and last-run over its
// local channel, a second start handing over to it, and the command line's help and usage errors.

#include "app/InstanceChannel.h"
#include "app/SettingsKeys.h"
#include "platform/Settings.h"
#include "profile/ProfileKeys.h"
#include "support/Program.h"
#include "support/TempRoot.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace std::chrono_literals;
using trevalo::test::ProgramRun;
using trevalo::test::TempRoot;

namespace {

ProgramRun trevalo(const QStringList& args)
{
    return trevalo::test::runProgramText(args);
}

QProcessEnvironment offscreen()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

/// A copy of the simulated Mac whose scans raise no alert (an offscreen program cannot answer one): the
/// unwanted background jobs are gone. The start-up scan is off, and a last run is stored.
std::unique_ptr<TempRoot> quietMac()
{
    auto mac = TempRoot::sampleMac();
    if (!mac)
        return nullptr;
    QFile::remove(mac->host("/Library/LaunchDaemons/com.mackeeper.AntiVirus.plist"));
    QFile::remove(mac->host("/Library/LaunchDaemons/logKext.plist"));
    QStringList jobs = QString::fromUtf8(mac->read("/.sim/state/launchctl-user.txt")).split('\n');
    jobs.removeIf([](const QString& line) {
        return line.contains("mackeeper", Qt::CaseInsensitive) ||
               line.contains("macbooster", Qt::CaseInsensitive);
    });
    mac->write("/.sim/state/launchctl-user.txt", jobs.join('\n').toUtf8());
    Settings settings(mac->root().settingsFile());
    settings.setBool(keys::disableAnalyserAtLaunch, true);
    settings.setString(keys::lastAnalyserRun, "01/01/20 10:00");
    if (!settings.synchronize())
        return nullptr;
    return mac;
}

/// The menu-bar program on a root, offscreen, for the life of the object: it is killed however the test
/// ends.
class RunningProgram {
public:
    explicit RunningProgram(const TempRoot& mac)
        : m_channel(instance::channelName(mac.root())), m_lockPath(instance::lockPath(mac.root()))
    {
        m_process.setProcessEnvironment(offscreen());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(TREVALO_BINARY), {"--root", mac.path()});
        m_process.waitForStarted(10000);
    }
    ~RunningProgram()
    {
        stop();
        if (!m_leaveFiles) {
            QLocalServer::removeServer(m_channel);
            QFile::remove(m_lockPath);
        }
    }
    /// Kills the program as a crash would: its socket and lock stay behind.
    void crash()
    {
        stop();
        m_leaveFiles = true;
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    /// Waits until the program answers on its channel (its start-up has ended), at most a minute.
    bool answering()
    {
        const QDeadlineTimer deadline(60s);
        while (!deadline.hasExpired() && running()) {
            if (instance::ask(m_channel, instance::lastRun, 5s).status == instance::Answer::Status::Ok)
                return true;
            QThread::msleep(100);
        }
        return false;
    }
    bool running() const { return m_process.state() == QProcess::Running; }
    const QString& channel() const { return m_channel; }

private:
    void stop()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }

    QString m_channel;
    QString m_lockPath;
    QProcess m_process;
    bool m_leaveFiles = false;
};

/// The number of tool calls the simulated Mac has logged, once no more come for a second.
qsizetype settledCallCount(const TempRoot& mac)
{
    qsizetype count = -1;
    const QDeadlineTimer deadline(30s);
    while (!deadline.hasExpired()) {
        const qsizetype now = mac.read("/.sim/calls.log").count('\n');
        if (now == count)
            break;
        count = now;
        QThread::msleep(1000);
    }
    return count;
}

TEST(ScriptingProgramTest, TheEntriesNeedARunningProgramExceptLastRun)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    const ProgramRun lastRun = trevalo({"--root", mac->path(), "last-run"});
    EXPECT_EQ(lastRun.status, 0) << lastRun.err.toStdString();
    EXPECT_EQ(lastRun.out, "(null)\n");

    for (const char* command : {"run-analyser", "open-search"}) {
        SCOPED_TRACE(command);
        const ProgramRun run = trevalo({"--root", mac->path(), command});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "Trevalo 2 is not running\n");
        EXPECT_EQ(run.out, "");
    }
    // Nothing was scanned or stored.
    EXPECT_FALSE(QFileInfo::exists(mac->host("/Users/robin/Library/Application Support/Trevalo 2/tr2.log")));
}

TEST(ScriptingProgramTest, TheRunningProgramAnswersTheEntries)
{
    const auto mac = quietMac();
    ASSERT_TRUE(mac);
    RunningProgram program(*mac);
    ASSERT_TRUE(program.answering());
    const QString root = mac->path();

    const ProgramRun before = trevalo({"--root", root, "last-run"});
    EXPECT_EQ(before.status, 0);
    EXPECT_EQ(before.out, "01/01/20 10:00\n");

    // run-analyser returns once the window's profile run has ended: its report is stored by then.
    const QString reportLog = mac->host("/Users/robin/Library/Application Support/Trevalo 2/tr2.log");
    const ProgramRun scan = trevalo({"--root", root, "run-analyser"});
    EXPECT_EQ(scan.status, 0) << scan.err.toStdString();
    EXPECT_EQ(scan.out, "");
    EXPECT_TRUE(QFileInfo(reportLog).size() > 0);

    const ProgramRun after = trevalo({"--root", root, "last-run"});
    EXPECT_EQ(after.status, 0);
    EXPECT_TRUE(QRegularExpression("^\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d\n$").match(after.out).hasMatch())
        << after.out.toStdString();
    EXPECT_NE(after.out, before.out);

    // The answer to the request names the tab the new window shows.
    const instance::Answer answer = instance::ask(program.channel(), instance::runAnalyser, 120s);
    EXPECT_EQ(answer.status, instance::Answer::Status::Ok);
    EXPECT_EQ(answer.text, "Profile");

    const ProgramRun search = trevalo({"--root", root, "open-search"});
    EXPECT_EQ(search.status, 0) << search.err.toStdString();
    EXPECT_EQ(search.out, "");

    const instance::Answer unknown = instance::ask(program.channel(), "dance", 10s);
    EXPECT_EQ(unknown.status, instance::Answer::Status::Failed);
    EXPECT_EQ(unknown.text, "unknown request dance");
    EXPECT_TRUE(program.running());
}

TEST(ScriptingProgramTest, ASecondStartBringsUpTheRunningProgramsMenu)
{
    const auto mac = quietMac();
    ASSERT_TRUE(mac);
    RunningProgram program(*mac);
    ASSERT_TRUE(program.answering());
    const qsizetype calls = settledCallCount(*mac);

    QProcess second;
    second.setProcessEnvironment(offscreen());
    second.start(QStringLiteral(TREVALO_BINARY), {"--root", mac->path()});
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_TRUE(program.running());
    // The menu opened in the first program, which reads the machine again when its menu opens.
    EXPECT_GT(settledCallCount(*mac), calls);

    // Another root is another program's: it does not hand over to this one.
    const auto other = TempRoot::sampleMac();
    ASSERT_TRUE(other);
    EXPECT_NE(instance::channelName(other->root()), program.channel());
}

TEST(ScriptingProgramTest, AStaleChannelIsCleanedUp)
{
    const auto mac = quietMac();
    ASSERT_TRUE(mac);
    {
        RunningProgram crashed(*mac);
        ASSERT_TRUE(crashed.answering());
        crashed.crash();
    }
    ASSERT_TRUE(QFileInfo::exists(QDir::tempPath() + '/' + instance::channelName(mac->root())));
    ASSERT_EQ(trevalo({"--root", mac->path(), "open-search"}).status, 1); // nobody listens there

    RunningProgram program(*mac);
    EXPECT_TRUE(program.answering());
    const ProgramRun search = trevalo({"--root", mac->path(), "open-search"});
    EXPECT_EQ(search.status, 0) << search.err.toStdString();
}

TEST(ScriptingProgramTest, UsageErrorsAreOneLineWithTheHintToTheHelp)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    const QString root = mac->path();
    const struct Case {
        QStringList args;
        const char* message;
        const char* hint;
    } cases[] = {
        {{"dance"}, "trevalo: unknown command dance", "; see trevalo --help\n"},
        {{"--frobnicate", "facts"}, "trevalo: unknown option --frobnicate", "; see trevalo --help\n"},
        {{"facts", "--root"}, "trevalo: --root needs a value", "; see trevalo --help\n"},
        {{"--root", root, "search", "--frobnicate", "plist"},
         "unknown option --frobnicate",
         "; see trevalo search --help\n"},
        {{"--root", root, "analyse", "--ignore"},
         "--ignore needs exactly one path",
         "; see trevalo analyse --help\n"},
        {{"--root", root, "last-run", "now"},
         "trevalo: last-run takes no arguments",
         "; see trevalo last-run --help\n"},
        {{"--root", root, "run-analyser", "now"},
         "trevalo: run-analyser takes no arguments",
         "; see trevalo run-analyser --help\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ProgramRun run = trevalo(c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.err.endsWith(c.hint)) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_EQ(run.out, "");
    }
}

TEST(ScriptingProgramTest, TheHelpNamesEveryCommandWithAnExample)
{
    const ProgramRun help = trevalo({"--help"});
    ASSERT_EQ(help.status, 0);
    for (const char* option : {"--root DIR", "--user NAME", "--open NAME", "--answer BUTTON", "--help"})
        EXPECT_TRUE(help.out.contains(QStringLiteral("\n  %1 ").arg(option))) << option;

    // Every command line of the help is a command the program knows, with its own help and example.
    const QStringList lines = help.out.split('\n');
    const qsizetype first = lines.indexOf(QRegularExpression("Commands.*"));
    ASSERT_GE(first, 0);
    QStringList commands;
    for (qsizetype i = first + 1; i < lines.size() && lines[i].startsWith("  "); ++i) {
        const QString name = lines[i].mid(2).section(QRegularExpression("[ :]"), 0, 0);
        EXPECT_TRUE(lines[i].contains(QStringLiteral("(e.g. trevalo %1").arg(name)))
            << lines[i].toStdString();
        commands << name;
    }
    for (const char* command : {"analyse", "facts", "search", "tasks", "logs", "profile", "run-analyser",
                                "open-search", "last-run"})
        EXPECT_TRUE(commands.contains(command)) << command;
    for (const QString& command : std::as_const(commands)) {
        SCOPED_TRACE(command.toStdString());
        const ProgramRun one = trevalo({command, "--help"});
        EXPECT_EQ(one.status, 0);
        EXPECT_TRUE(one.out.startsWith(QStringLiteral("usage: trevalo [OPTIONS] %1").arg(command)))
            << one.out.toStdString();
        EXPECT_TRUE(one.out.contains(QStringLiteral("\nExample: trevalo %1").arg(command)));
    }
    // The options another part of the program reads are listed with their command.
    const ProgramRun search = trevalo({"search", "--help"});
    EXPECT_TRUE(search.out.contains("\n  --json "));
    const ProgramRun profile = trevalo({"profile", "--help"});
    EXPECT_TRUE(profile.out.contains("\n  --html FILE "));

    // Every name --open takes is in the help's line for it: the refusal of an unknown name lists them.
    const ProgramRun refused = trevalo({"--open", "nowhere", "facts"});
    const QRegularExpressionMatch names =
        QRegularExpression(R"(nothing to open called nowhere \(([^)]*)\))").match(refused.err);
    ASSERT_TRUE(names.hasMatch()) << refused.err.toStdString();
    const QString openLine = lines.filter(QRegularExpression("^  --open NAME ")).value(0);
    for (const QString& name : names.captured(1).split(", "))
        EXPECT_TRUE(openLine.contains(QRegularExpression("[ :]" + name + "[,)  ]"))) << name.toStdString();
}

} // namespace
