#include "app/TRAppDelegate.h"
#include "support/FakeServices.h"
#include "tools/DiskTools.h"
#include "tools/ToolsKeys.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace std::chrono_literals;
using trevalo::test::TempRoot;

namespace {

QString entriesText(const QList<VolumeMenuEntry>& entries)
{
    QStringList parts;
    for (const VolumeMenuEntry& e : entries)
        parts << (e.isSeparator ? QStringLiteral("--")
                                : QStringLiteral("%1|%2|%3").arg(e.title).arg(e.tag).arg(e.hasAction));
    return parts.join(u';');
}

TEST(DiskMenus, EntriesTitlesAndTags)
{
    EXPECT_EQ(entriesText(diskMenuEntries({})), " No disks|0|0");
    EXPECT_EQ(entriesText(diskMenuEntries({"Backup Drive"})), " Backup Drive|1|1");
    EXPECT_EQ(entriesText(diskMenuEntries({"Backup Drive", "USB Stick"})),
              " All Disks|0|1;--; Backup Drive|1|1; USB Stick|2|1");

    EXPECT_EQ(entriesText(mountMenuEntries("")), " No disks|0|0");
    EXPECT_EQ(entriesText(mountMenuEntries("Archive,")), " Archive|1|1");
    EXPECT_EQ(entriesText(mountMenuEntries("missing value,Archive,")), " missing value|1|1; Archive|2|1");
}

TEST(DiskMenus, EjectIsDecidedByTheTagAndNamesStayAppleScriptText)
{
    const struct Case {
        const char* name;
        QString title;
        int tag;
        QString script;
    } cases[] = {
        {"the all-disks item", " All Disks", 0, "tell application \"Finder\" to eject every disk"},
        {"a volume whose name holds All Disks", " All Disks Backup", 1,
         "try\ntell application \"Finder\" to eject every disk whose name is \"All Disks Backup\"\nend try"},
        {"a volume named like a script", " a\" & do shell script \"touch /tmp/pwned\" & \"", 2,
         "try\ntell application \"Finder\" to eject every disk whose name is "
         "\"a\\\" & do shell script \\\"touch /tmp/pwned\\\" & \\\"\"\nend try"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ejectScript(c.title, c.tag), c.script);
    }
}

TEST(DiskMenus, MountLineKeepsEveryNameOneLiteralWord)
{
    const struct Case {
        const char* name;
        QString title;
        QString line;
    } cases[] = {
        {"a blank", " My Disk ", "diskutil mount My\\ Disk"},
        {"command substitution", " x$(touch /tmp/pwned)", "diskutil mount x\\$\\(touch\\ /tmp/pwned\\)"},
        {"backquotes and a list", " a`id`;b", "diskutil mount a\\`id\\`\\;b"},
        {"a line feed inside the name", " a\nb", "diskutil mount 'a\nb'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(mountCommandLine(c.title), c.line);
    }
}

TEST(DiskMenus, SystemVolumesAreTheExactNames)
{
    const struct Case {
        const char* name;
        bool mounting;
        bool system;
    } cases[] = {
        {"Recovery 2", true, true},    {"Recovery 2", false, false},
        {"Recovery HD", false, true},  {"EFI", true, true},
        {"EFI Backup", true, false},   {"EFI Backup", false, false},
        {"Boot OS X", false, true},    {"com.apple.TimeMachine.2024@snap", true, true},
        {"Backup Drive", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.mounting ? " mounted" : " unmounted"));
        EXPECT_EQ(isSystemVolume(c.name, c.mounting), c.system);
    }
}

/// The disk tools on a copy of the simulated Mac; their effects are read from its calls log.
class DiskToolsTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    DiskToolsTest() : FakeServices(TempRoot::SampleMac) {}

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
    bool exists(const QString& macPath) const { return QFileInfo::exists(machine.host(macPath)); }

    DiskTools disks{services()};
};

TEST_F(DiskToolsTest, TheSubmenusShowTheMachinesVolumes)
{
    disks.getDiskList();
    disks.getUnmounted();
    EXPECT_EQ(entriesText(disks.diskSubMenu()), " Backup Drive|1|1");
    EXPECT_EQ(entriesText(disks.mountSubMenu()), " missing value|1|1; Archive|2|1");

    runner.callSubsidTaskWithResult("/usr/sbin/diskutil", {"mount", "Archive"});
    disks.getDiskList();
    disks.getUnmounted();
    EXPECT_EQ(entriesText(disks.diskSubMenu()), " All Disks|0|1;--; Archive|1|1; Backup Drive|2|1");
    EXPECT_EQ(entriesText(disks.mountSubMenu()), " missing value|1|1");

    machine.script("/usr/sbin/diskutil", "exit 1"); // diskutil describes no volume
    machine.script("/usr/bin/osascript", "exit 1"); // the script fails
    disks.getDiskList();
    disks.getUnmounted();
    EXPECT_EQ(entriesText(disks.diskSubMenu()), " No disks|0|0");
    EXPECT_EQ(entriesText(disks.mountSubMenu()), " No disks|0|0");
}

TEST_F(DiskToolsTest, TheMenuBarProgramReadsTheSubmenusWithoutWaiting)
{
    // The volumes' tools take a while; the opened menu shows the last submenus until they answer.
    TRAppDelegate delegate(services(), [](const Services&) { return ScanOutcome{}; });
    delegate.statusMenu().setReadMode(StatusMenuController::ReadMode::Background);
    int changes = 0;
    QObject::connect(&delegate, &TRAppDelegate::menuChanged, [&changes] { ++changes; });

    delegate.menuNeedsUpdate();
    delegate.menuNeedsUpdate(); // merged into one more reading after the first
    // The call did not wait for diskutil: the submenu is still the one it had.
    EXPECT_EQ(entriesText(delegate.menu().ejectable), " No disks|0|0");

    QDeadlineTimer deadline(15s);
    while (entriesText(delegate.menu().unmounted) == " No disks|0|0" && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(entriesText(delegate.menu().ejectable), " Backup Drive|1|1");
    EXPECT_EQ(entriesText(delegate.menu().unmounted), " missing value|1|1; Archive|2|1");
    EXPECT_GT(changes, 0);
}

TEST_F(DiskToolsTest, EjectingOneVolumeLeavesTheOthers)
{
    disks.tempDisk();
    disks.getDiskList();
    ASSERT_EQ(disks.diskSubMenu().at(2).title, " Backup Drive");
    disks.ejectAllDisks(disks.diskSubMenu().at(2));
    EXPECT_FALSE(exists("/Volumes/Backup Drive"));
    EXPECT_TRUE(exists("/Volumes/RAM Disk"));

    disks.getDiskList();
    disks.ejectAllDisks(disks.diskSubMenu().at(0)); // the only volume: tag 1
    EXPECT_FALSE(exists("/Volumes/RAM Disk"));
}

TEST_F(DiskToolsTest, HostileVolumeNamesRunNothing)
{
    const QTemporaryDir outside; // the marker lies outside the root, where no stand-in maps it
    const QString marker = outside.path() + "/pwned";
    const QString mountName = "x$(touch " + marker + ")";
    disks.mountDisks({u' ' + mountName, 1, true});
    ASSERT_TRUE(waitForCall("diskutil\tmount\t" + mountName));

    disks.ejectAllDisks({" a\" & do shell script \"touch " + marker + "\" & \"", 1, true});
    disks.ejectAllDisks({" Backup Drive`touch " + marker + "`", 1, true});
    EXPECT_FALSE(QFileInfo::exists(marker));
    EXPECT_TRUE(exists("/Volumes/Backup Drive")); // no name matched: nothing ejected

    disks.mountDisks({" Archive", 2, true});
    ASSERT_TRUE(waitForCall("diskutil\tmount\tArchive"));
}

TEST_F(DiskToolsTest, TheEncryptedImageIsTheUsersOwnInTheHomeFolder)
{
    machine.write("/.sim/state/admin-prompt", "cancel\n"); // no administrator is asked
    disks.encryptedDisk();
    EXPECT_TRUE(exists("/Users/robin/encryptedDisk.dmg"));
    EXPECT_TRUE(exists("/Volumes/encryptedVol"));
    EXPECT_TRUE(
        calls().contains("hdiutil\tcreate\t-attach\t-encryption\t-size\t100m\t-volname\tencryptedVol\t"
                         "/Users/robin/encryptedDisk.dmg\t-fs\tHFS+J"));
    for (const QString& call : calls())
        EXPECT_FALSE(call.contains("administrator")) << call.toStdString();

    // It exists: the second choice mounts it.
    runner.callSubsidTaskWithResult("/usr/bin/hdiutil", {"detach", "/Volumes/encryptedVol"});
    disks.encryptedDisk();
    EXPECT_EQ(calls().last(), "hdiutil\tmount\t/Users/robin/encryptedDisk.dmg");
    EXPECT_TRUE(exists("/Volumes/encryptedVol"));
}

TEST_F(DiskToolsTest, TheRamDiskGetsItsHelpAndTheWarning)
{
    disks.tempDisk();
    // The simulated shell moves the text's "/Applications" under the root, as it does every path.
    const QString help = QString::fromUtf8(machine.read("/Volumes/RAM Disk/Help.txt")).remove(machine.path());
    EXPECT_EQ(help, ramDiskHelpText() + u'\n');
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_TRUE(alerts.shown[0].informativeText.startsWith("The contents of a RAM Disk are only held"));
    EXPECT_EQ(alerts.shown[0].buttons, QStringList{"OK"});

    disks.getDiskList();
    EXPECT_EQ(entriesText(disks.diskSubMenu()), " All Disks|0|1;--; Backup Drive|1|1; RAM Disk|2|1");
}

TEST_F(DiskToolsTest, NotificationsFollowTheTwoSettings)
{
    disks.deviceMounted("Backup Drive");
    EXPECT_TRUE(notifier.delivered.isEmpty()); // "diskevents" NO

    settings.setBool(keys::diskEvents, true);
    disks.deviceMounted("Recovery 2");
    disks.deviceUnmounted("Recovery 2");
    disks.deviceMounted("EFI Backup");
    disks.deviceUnmounted("Recovery HD");
    settings.setBool(keys::allDiskEvents, true);
    disks.deviceUnmounted("Recovery HD");

    QStringList texts;
    for (const Notification& n : notifier.delivered) {
        EXPECT_FALSE(n.hasActionButton);
        EXPECT_EQ(n.title, "Trevalo 2");
        texts << n.informativeText;
    }
    EXPECT_EQ(texts, QStringList({"Volume Recovery 2 was ejected", "Volume EFI Backup was mounted.",
                                  "Volume Recovery HD was ejected"}));
}

TEST_F(DiskToolsTest, TheWatcherNotifiesVolumesThatComeAndGo)
{
    settings.setBool(keys::diskEvents, true);
    VolumeWatcher watcher(root, disks);
    watcher.start(); // Backup Drive is there already: no notification for it
    auto texts = [&] {
        QStringList t;
        for (const Notification& n : notifier.delivered)
            t << n.informativeText;
        return t;
    };
    auto waitForTexts = [&](qsizetype count) {
        QDeadlineTimer deadline(15s);
        while (notifier.delivered.size() < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    runner.callSubsidTaskWithResult("/usr/sbin/diskutil", {"mount", "Archive"});
    waitForTexts(1);
    runner.callSubsidTaskWithResult("/usr/sbin/diskutil", {"unmount", "Backup Drive"});
    waitForTexts(2);
    EXPECT_EQ(texts(), QStringList({"Volume Archive was mounted.", "Volume Backup Drive was ejected"}));
}

} // namespace
