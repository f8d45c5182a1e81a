#include "support/FakeServices.h"
#include "tools/SystemToggles.h"
#include "tools/ToolsKeys.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace std::chrono_literals;
using trevalo::test::TempRoot;

namespace {

/// The toggles on a copy of the simulated Mac; their effects are read from its calls log and state.
class SystemTogglesTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    SystemTogglesTest() : FakeServices(TempRoot::SampleMac) {}

    QStringList calls() const
    {
        return QString::fromUtf8(machine.read("/.sim/calls.log")).split(u'\n', Qt::SkipEmptyParts);
    }
    bool waitForCall(const QString& line) const
    {
        QDeadlineTimer deadline(15s);
        while (!calls().contains(line)) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(20);
        }
        return true;
    }
    QString loginItems() const { return QString::fromUtf8(machine.read("/.sim/state/login-items.tsv")); }

    QMap<QString, QString> scripts;
    SystemToggles toggles{services(), [this](const QString& name) { return scripts.value(name); }};
};

TEST_F(SystemTogglesTest, DockItemsByTagAndMark)
{
    const struct Case {
        int tag;
        bool hidingMarked;
        bool miniMarked;
        const char* properties; // null: no script runs
    } cases[] = {
        {1, false, false, "screen edge: left"},   {2, false, false, "screen edge: right"},
        {3, false, false, "screen edge: bottom"}, {4, true, false, "autohide: false"},
        {4, false, true, "autohide: true"},       {5, false, true, "dock size: 1.0"},
        {5, true, false, "dock size: 0.0"},       {6, true, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tag);
        const qsizetype before = calls().size();
        toggles.dockPosition(c.tag, c.hidingMarked, c.miniMarked);
        const QStringList now = calls();
        if (!c.properties) {
            EXPECT_EQ(now.size(), before);
            continue;
        }
        ASSERT_EQ(now.size(), before + 1);
        EXPECT_EQ(now.last(), QStringLiteral("osascript\t-e\ttell application \"System Events\"\\ntell dock "
                                             "preferences\\nset properties to {%1}\\nend tell\\nend tell\\n")
                                  .arg(c.properties));
    }
    EXPECT_EQ(runner.callSubsidTaskWithResult("/usr/bin/defaults", {"read", "com.apple.dock", "autohide"}),
              "1\n");
}

TEST_F(SystemTogglesTest, FinderTogglesWriteTheSettingAndTurnTheMark)
{
    EXPECT_TRUE(toggles.toggleInvisibleFiles(false));
    EXPECT_TRUE(waitForCall("defaults\twrite\tcom.apple.finder\tAppleShowAllFiles\t1"));
    EXPECT_TRUE(waitForCall("killall\tFinder"));
    EXPECT_FALSE(toggles.toggleInvisibleFiles(true));
    EXPECT_TRUE(waitForCall("defaults\twrite\tcom.apple.finder\tAppleShowAllFiles\t0"));

    EXPECT_TRUE(toggles.toggleUserLib(false));
    EXPECT_TRUE(calls().contains("chflags\tnohidden\t/Users/robin/Library"));
    EXPECT_FALSE(toggles.toggleUserLib(true));
    EXPECT_EQ(calls().mid(calls().size() - 2),
              QStringList({"chflags\thidden\t/Users/robin/Library", "killall\tFinder"}));
}

TEST_F(SystemTogglesTest, RemoveAllLoginsAsksAndReports)
{
    alerts.answer = "Cancel";
    toggles.removeAllLogins();
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0].informativeText, "Are you sure you want to remove all Login Items?");
    EXPECT_EQ(alerts.shown[0].buttons, QStringList({"OK", "Cancel"}));
    EXPECT_TRUE(loginItems().contains("Dropbox")); // cancelled: nothing deleted
    EXPECT_TRUE(notifier.delivered.isEmpty());

    alerts.answer = "OK";
    toggles.removeAllLogins();
    EXPECT_EQ(loginItems().trimmed(), "");
    ASSERT_EQ(notifier.delivered.size(), 1);
    EXPECT_EQ(notifier.delivered[0].subtitle, "Login Items");
    EXPECT_EQ(notifier.delivered[0].informativeText, "Login Items is now empty!");

    // None left: only the alert, no delete.
    const qsizetype before = calls().size();
    toggles.removeAllLogins();
    EXPECT_EQ(alerts.shown.last().informativeText, "No Login Items to delete.");
    EXPECT_EQ(alerts.shown.last().buttons, QStringList{"OK"});
    EXPECT_EQ(calls().size(), before + 1); // the count alone
    EXPECT_EQ(notifier.delivered.size(), 1);
}

TEST_F(SystemTogglesTest, RemoveAllLoginsReportsItemsThatStay)
{
    // A login item the system refuses to delete: the count stays at 2.
    machine.script("/usr/bin/osascript", "case \"$2\" in *count*) echo 2 ;; esac");
    alerts.answer = "OK";
    toggles.removeAllLogins();
    ASSERT_EQ(notifier.delivered.size(), 1);
    EXPECT_EQ(notifier.delivered[0].informativeText, "Some Login Items were not removed.");
}

TEST_F(SystemTogglesTest, StartAtLoginAddsAndRemovesTheProgram)
{
    EXPECT_TRUE(toggles.startAtLogin(false, "com.quorvex.trevalo2"));
    EXPECT_TRUE(loginItems().contains("Trevalo 2"));
    EXPECT_EQ(storedSetting(keys::startAtLogin), QVariant(true));

    EXPECT_FALSE(toggles.startAtLogin(true, "com.quorvex.trevalo2"));
    EXPECT_FALSE(loginItems().contains("Trevalo 2"));
    EXPECT_EQ(storedSetting(keys::startAtLogin), QVariant(false));
}

TEST_F(SystemTogglesTest, StartAtLoginTellsWhetherTheItemExistsWhenTheScriptFails)
{
    // System Events refuses every change; the login item stays as it was.
    const struct Case {
        bool on;
        const char* exists;
    } cases[] = {{true, "false"}, {false, "true"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.on);
        machine.script(
            "/usr/bin/osascript",
            QStringLiteral("case \"$2\" in *'exists login item'*) echo %1 ;; "
                           "*) echo 'execution error: Not authorised. (-1743)' >&2; exit 1 ;; esac")
                .arg(c.exists)
                .toUtf8());
        EXPECT_EQ(toggles.setStartAtLogin(c.on, "com.quorvex.trevalo2"), !c.on);
        EXPECT_EQ(storedSetting(keys::startAtLogin), QVariant(!c.on));
        EXPECT_EQ(toggles.startAtLogin(!c.on, "com.quorvex.trevalo2"), !c.on); // the menu's item alike
    }
}

TEST(LoginItemScript, TheIdentifierStaysOneAppleScriptString)
{
    const QString script =
        addLoginItemScript("x\" as string) & (do shell script \"touch /tmp/pwned\") & (\"");
    EXPECT_TRUE(script.contains("(application file id \"x\\\" as string) & (do shell script \\\"touch "
                                "/tmp/pwned\\\") & (\\\"\" as string)"))
        << script.toStdString();
    EXPECT_EQ(script.count(u'\r'), 4); // five lines
}

TEST_F(SystemTogglesTest, FlushDnsNotifiesOnlyWhenItRan)
{
    machine.write("/.sim/state/admin-prompt", "cancel\n");
    toggles.flushDNSCache();
    EXPECT_TRUE(notifier.delivered.isEmpty());

    // The stand-in ends mDNSResponder quietly: give the shell line a result to report.
    machine.script("/usr/bin/dscacheutil", "echo flushed");
    machine.write("/.sim/state/admin-prompt", "accept\n");
    toggles.flushDNSCache();
    ASSERT_EQ(notifier.delivered.size(), 1);
    EXPECT_EQ(notifier.delivered[0].subtitle, "Flush DNS Cache");
    EXPECT_EQ(notifier.delivered[0].informativeText, "Success!");
    EXPECT_FALSE(notifier.delivered[0].hasActionButton);
}

TEST_F(SystemTogglesTest, FanSpeedSamplesIntoAFreshPrivateFolder)
{
    // A link planted where an older version wrote its sample: nothing may follow it.
    const QString victim = machine.host("/Users/robin/victim.txt");
    machine.write("/Users/robin/victim.txt", "keep");
    QFile::link(victim, machine.host("/Users/robin/.spindump.txt"));

    const QByteArray standIn = machine.read("/usr/sbin/spindump");
    const struct Case {
        const char* name;
        const char* prompt;
        const char* spindump; // replaces the stand-in when set
        bool notified;
        const char* text;
    } cases[] = {
        {"cancelled", "cancel\n", nullptr, false, ""},
        {"a fan line", "accept\n", nullptr, true, "Fan speed:        2158 rpm"},
        {"no fan line in the sample", "accept\n",
         "while [[ $1 && $1 != -file ]]; do shift; done; echo 'Sampling done' >\"$2\"", true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        notifier.delivered.clear();
        machine.write("/.sim/state/admin-prompt", c.prompt);
        if (c.spindump)
            machine.script("/usr/sbin/spindump", c.spindump);
        else
            machine.write("/usr/sbin/spindump", standIn, true);
        toggles.getFanSpeed();
        ASSERT_EQ(notifier.delivered.size(), c.notified ? 1 : 0);
        if (c.notified) {
            EXPECT_EQ(notifier.delivered[0].informativeText, c.text);
        }
    }
    EXPECT_EQ(machine.read("/Users/robin/victim.txt"), "keep");
    EXPECT_TRUE(QFileInfo(machine.host("/Users/robin/.spindump.txt")).isSymLink());
    // Every sample went into a folder of its own, which is gone.
    for (const QString& call : calls()) {
        if (!call.startsWith("spindump"))
            continue;
        const QString file = call.section(u'\t', 4);
        EXPECT_TRUE(file.startsWith("/tmp/trevalo-fan.")) << file.toStdString();
        EXPECT_FALSE(QDir(machine.host(QFileInfo(file).path())).exists());
    }
}

TEST_F(SystemTogglesTest, ScriptResourcesRunThroughOsascript)
{
    scripts["setFirewall"] =
        "do shell script \"/usr/libexec/ApplicationFirewall/socketfilterfw --getglobalstate\"";
    toggles.firewallStatus();
    EXPECT_EQ(calls().last(), "socketfilterfw\t--getglobalstate");

    scripts["battery"] = "do shell script \"uptime\"";
    toggles.batteryStats();
    EXPECT_EQ(calls().last(), "uptime");

    // A resource the program lacks runs nothing.
    const qsizetype before = calls().size();
    toggles.loginItems();
    EXPECT_EQ(calls().size(), before);
}

} // namespace
