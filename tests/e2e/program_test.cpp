// The real program on a fresh copy of the simulated Mac, as a user runs it without a display.

#include "app/SettingsKeys.h"
#include "platform/Settings.h"
#include "support/Program.h"
#include "support/TempRoot.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::ProgramRun;
using trevalo::test::TempRoot;

namespace {

ProgramRun trevalo(const QStringList& args)
{
    return trevalo::test::runProgramText(args);
}

TEST(ProgramTest, FirstRunWritesTheDefaultSettings)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    const ProgramRun run = trevalo({"--root", mac->path()});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("trevalo: no display; running the headless commands instead\n"));

    const Settings stored(mac->root().settingsFile());
    for (const char* key : keys::startupFlags) {
        EXPECT_TRUE(stored.contains(key)) << key;
        EXPECT_FALSE(stored.boolForKey(key)) << key;
    }
    for (const char* key : keys::boxes)
        EXPECT_TRUE(stored.boolForKey(key)) << key;
    EXPECT_EQ(stored.integerForKey(keys::menuBarIcon), 0);
    EXPECT_TRUE(stored.contains(keys::menuBarIcon));
    EXPECT_FALSE(stored.stringForKey(keys::lastAnalyserRun).isEmpty());
    EXPECT_TRUE(QFileInfo(mac->host("/Users/robin/Library/Application Support/Trevalo 2")).isDir());
}

TEST(ProgramTest, FactsPrintsTheOpenMenu)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    mac->write("/.sim/state/sw_vers", "13.3.1a\n");
    mac->write("/.sim/state/firewall", "block\n");
    const ProgramRun run = trevalo({"facts", "--root", mac->path()});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split('\n');
    // The rapid security response version: version and build from their own lines. The tool's tab is
    // written escaped, so that the only tabs of the output separate fields.
    EXPECT_EQ(lines.value(0), QStringLiteral("OSX:  \\t\\t13.3.1"));
    EXPECT_TRUE(lines.value(1).startsWith("Build: \\t")) << lines.value(1).toStdString();
    EXPECT_FALSE(lines.value(1).contains("BuildVersion"));
    EXPECT_TRUE(lines.contains("Recovery Disk: YES"));
    EXPECT_TRUE(lines.contains("User:       robin (Admin)"));
    EXPECT_TRUE(lines.contains(" Firewall\ton"));
    EXPECT_TRUE(lines.contains("Position Bottom\ton"));
    EXPECT_TRUE(run.out.contains("\nIcon: level"));
    EXPECT_TRUE(run.out.contains("\nTitle: \n"));
    // The tools were the root's stand-ins.
    EXPECT_TRUE(mac->read("/.sim/calls.log").contains("system_profiler\tSPHardwareDataType\n"));
}

TEST(ProgramTest, UsageAndRootErrorsExitWithTwoAndOneLine)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    const QString root = mac->path();
    const struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--root", "/nonexistent/mac", "facts"}, "does not exist"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"dance"}, "unknown command dance"},
        {{"--root"}, "--root needs a value"},
        // An empty root is never the real machine.
        {{"--root", "", "facts"}, "--root needs a value"},
        {{"--root=", "facts"}, "--root needs a value"},
        {{"--root", root, "--user", "Shared", "facts"}, "not a home folder"},
        {{"--root", root, "--open", "nowhere"}, "nothing to open called nowhere (menu, analyser, profile"},
        {{"--root", root, "facts", "extra"}, "facts takes no arguments"},
        {{"--root", root, "startup", "extra"}, "startup takes no arguments"},
        {{"--root", root, "analyse", "extra"}, "unknown argument extra"},
        {{"sig", "decode"}, "usage: trevalo sig"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const ProgramRun run = trevalo(c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

TEST(ProgramTest, SignatureCommandRefusesWhatIsNoSignatureFile)
{
    QTemporaryDir dir;
    auto file = [&dir](const char* name, const QByteArray& content) {
        QFile f(dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return f.fileName();
    };
    const struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"sig", "decode", file("words.txt", "just some words\n")}, "is not a signature file"},
        {{"sig", "decode", file("binary.bin", QByteArray("\xff\xfe\x00\x01", 4))}, "is not a signature file"},
        // decode would drop the carriage return: the round trip would change the entry.
        {{"sig", "encode", file("crlf.list", "/Library/a,\r\n/Library/b\n")},
         "line 1 holds the control character U+000D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const ProgramRun run = trevalo(c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

TEST(ProgramTest, FactsAndChooseLeaveTheOneShotScanRequestWaiting)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    {
        Settings settings(mac->root().settingsFile());
        settings.setBool(keys::secCenter, true);
        settings.synchronize();
    }
    for (const QStringList& args : {QStringList{"facts"}, QStringList{"choose", "Quit Trevalo 2"}}) {
        const ProgramRun run = trevalo(QStringList{"--root", mac->path()} + args);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(Settings(mac->root().settingsFile()).boolForKey(keys::secCenter))
            << args.join(' ').toStdString();
    }
    const ProgramRun run = trevalo({"--root", mac->path(), "startup"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(Settings(mac->root().settingsFile()).boolForKey(keys::secCenter));
}

TEST(ProgramTest, ToolsThatNeverEndDoNotHangTheCommands)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    // One tool never exits; another exits but leaves a child holding its output.
    mac->script("/usr/bin/uptime", "exec sleep 1000");
    mac->script("/usr/bin/tmutil", "sleep 1000 & echo /Volumes/Backup/Backups.backupdb/latest");
    {
        Settings settings(mac->root().settingsFile());
        settings.setInteger(keys::toolTimeLimit, 1);
        settings.synchronize();
    }
    QTemporaryDir logDir;
    qputenv("TREVALO_LOG", logDir.filePath("log").toLocal8Bit());
    const ProgramRun facts = trevalo({"--root", mac->path(), "facts"});
    const ProgramRun analyse = trevalo({"--root", mac->path(), "analyse"});
    qunsetenv("TREVALO_LOG");
    EXPECT_EQ(facts.status, 0) << facts.err.toStdString();
    EXPECT_TRUE(facts.out.contains("\nUptime: \n")) << facts.out.toStdString(); // unknown, not invented
    EXPECT_EQ(analyse.status, 0) << analyse.err.toStdString();
    EXPECT_TRUE(analyse.out.endsWith("Backup: no\n")) << analyse.out.toStdString();
    QFile log(logDir.filePath("log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QString logged = QString::fromUtf8(log.readAll());
    EXPECT_TRUE(logged.contains("/usr/bin/uptime")) << logged.toStdString();
    EXPECT_TRUE(logged.contains("/usr/bin/tmutil")) << logged.toStdString();
}

TEST(ProgramTest, ToolsChatterStaysOutOfTheProgramsOutput)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    // Every tool of the menu says something on its error stream, which nobody reads.
    for (const char* tool :
         {"/usr/bin/uptime", "/usr/bin/sw_vers", "/usr/bin/osascript", "/usr/bin/defaults"}) {
        const QString real = mac->host(tool) + ".real";
        QFile::rename(mac->host(tool), real);
        mac->script(tool,
                    QStringLiteral("echo 'chatter from %1' >&2\nexec '%2' \"$@\"").arg(tool, real).toUtf8());
    }
    for (const QStringList& args : {QStringList{"facts"}, QStringList{"analyse", "--stop-jobs"}}) {
        const ProgramRun run = trevalo(QStringList{"--root", mac->path()} + args);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_FALSE(run.out.contains("chatter")) << run.out.toStdString();
        EXPECT_FALSE(run.err.contains("chatter")) << run.err.toStdString();
    }
}

TEST(ProgramTest, ChooseRunsAMenuItemOrListsTheTitles)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    ProgramRun run = trevalo({"choose", "--root", mac->path(), "No Such Item"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("\n  Analyse Now\n"));
    run = trevalo({"choose", "--root", mac->path(), "Quit Trevalo 2"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
}

} // namespace
