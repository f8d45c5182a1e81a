#include "support/Program.h"
#include "support/TempRoot.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using trevalo::test::ProgramRun;
using trevalo::test::TempRoot;

namespace {

ProgramRun trevalo(const TempRoot& mac, const QStringList& args)
{
    return trevalo::test::runProgramText(QStringList{"--root", mac.path(), "--answer", "OK", "choose"} +
                                         args);
}

TEST(DiskProgramTest, TheVolumeSubmenusMountAndEjectByName)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    auto mounted = [&](const char* name) {
        return QFileInfo::exists(mac->host(QStringLiteral("/Volumes/") + name));
    };

    ProgramRun run = trevalo(*mac, {"Eject", "Nothing"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.endsWith("it has:\n  Backup Drive\n")) << run.err.toStdString();

    run = trevalo(*mac, {"Mount", "Archive"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(mounted("Archive"));

    run = trevalo(*mac, {"Mount", "Nothing"});
    EXPECT_TRUE(run.err.endsWith("it has:\n  missing value\n")) << run.err.toStdString();
    run = trevalo(*mac, {"Eject", "Nothing"});
    EXPECT_TRUE(run.err.endsWith("it has:\n  All Disks\n  Archive\n  Backup Drive\n"))
        << run.err.toStdString();

    run = trevalo(*mac, {"RAM Disk…"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(mounted("RAM Disk"));
    run = trevalo(*mac, {"Eject", "RAM Disk"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(mounted("RAM Disk"));
    EXPECT_TRUE(mounted("Backup Drive"));

    run = trevalo(*mac, {"Eject", "All Disks"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(mounted("Archive"));
    EXPECT_FALSE(mounted("Backup Drive"));
}

TEST(DiskProgramTest, LoginItemsAreRemovedAfterTheConfirmation)
{
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    ProgramRun run = trevalo(*mac, {"Login Items", "Remove All Login Items…"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Alert: Are you sure you want to remove all Login Items?\n"
                       "Notification: Trevalo 2: Login Items: Login Items is now empty!\n");
    run = trevalo(*mac, {"Login Items", "Remove All Login Items…"});
    EXPECT_EQ(run.out, "Alert: No Login Items to delete.\n");
}

TEST(DiskProgramTest, AVolumeNameWithAControlCharacterEjectsThatVolumeOnly)
{
    // The eject script joins the control character in as (character id 1); its plain twin stays.
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    const QString odd = QStringLiteral("USB\x01Stick");
    QByteArray disks = mac->read("/.sim/state/disks.tsv");
    disks += "disk5\texternal\tGUID_partition_scheme\t-\t8000000000\t-\n"
             "disk5s1\t-\tApple_HFS\t" +
             odd.toUtf8() +
             "\t4000000000\tyes\n"
             "disk6\texternal\tGUID_partition_scheme\t-\t8000000000\t-\n"
             "disk6s1\t-\tApple_HFS\tUSBStick\t4000000000\tyes\n";
    mac->write("/.sim/state/disks.tsv", disks);
    mac->write("/Volumes/" + odd + "/file.txt", "x");
    mac->write("/Volumes/USBStick/file.txt", "x");

    const ProgramRun run = trevalo(*mac, {"Eject", odd});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(mac->host("/Volumes/" + odd)));
    EXPECT_TRUE(QFileInfo::exists(mac->host("/Volumes/USBStick")));
    EXPECT_TRUE(QString::fromUtf8(mac->read("/.sim/calls.log"))
                    .contains("eject every disk whose name is (\"USB\" & (character id 1) & \"Stick\")"));
}

} // namespace
