// The scan on a copy of the simulated Mac, with the signature files the build made and the Mac's own
// stand-ins (Spotlight for applications by identifier, Time Machine for the backup).

#include "analyser/AnalyseCommand.h"
#include "analyser/Signatures.h"
#include "app/Machine.h"
#include "support/Fakes.h"
#include "support/QtPrinters.h"
#include "support/SampleMacPlanted.h"
#include "support/TempRoot.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace trevalo::test;

namespace {

class SampleMacScan : public ::testing::Test {
protected:
    void SetUp() override
    {
        mac = test::TempRoot::sampleMac();
        ASSERT_TRUE(mac);
        machine = std::make_unique<Machine>(mac->root(), alerts, notifier, clipboard);
    }

    /// `trevalo analyse ARGS` on the copy: its exit status, and its output as lines.
    int analyse(const QStringList& args, QStringList* lines)
    {
        QString out, err;
        QTextStream o(&out), e(&err);
        FolderSignatures built(QFileInfo(QStringLiteral(TREVALO_BINARY)).absolutePath() +
                               "/resources/signatures");
        const int status = runAnalyseCommand(args, machine->services(), o, e, &built);
        o.flush();
        e.flush();
        EXPECT_TRUE(err.isEmpty()) << err.toStdString();
        if (lines)
            *lines = out.split('\n', Qt::SkipEmptyParts);
        return status;
    }

    std::unique_ptr<test::TempRoot> mac;
    RecordingAlerts alerts;
    RecordingNotifier notifier;
    RecordingClipboard clipboard;
    std::unique_ptr<Machine> machine;
};

} // namespace

TEST_F(SampleMacScan, ListsThePlantedItemsAndNothingElse)
{
    QStringList lines;
    ASSERT_EQ(analyse({}, &lines), 0);
    EXPECT_EQ(lines, kPlanted + QStringList{"Backup: yes"});
}

TEST_F(SampleMacScan, BackupFollowsTimeMachine)
{
    mac->write("/.sim/state/tmutil-latestbackup", "");
    QStringList lines;
    ASSERT_EQ(analyse({}, &lines), 0);
    EXPECT_EQ(lines.last(), "Backup: no");

    mac->write("/Users/robin/Library/Preferences/com.apple.timemachine.plist", "bplist00");
    ASSERT_EQ(analyse({}, &lines), 0);
    EXPECT_EQ(lines.last(), "Backup: yes");
}

TEST_F(SampleMacScan, IgnoringAnItemKeepsTheItemsItsPathStartsWith)
{
    ASSERT_EQ(analyse({"--ignore", "/Applications/Genieo.app"}, nullptr), 0);
    ASSERT_EQ(analyse({"--ignore", "/LIBRARY/LaunchAgents/com.genieo.completer.update.plist"}, nullptr), 0);
    QStringList lines;
    ASSERT_EQ(analyse({}, &lines), 0);
    QStringList expected = kPlanted;
    expected.removeAt(2); // Genieo.app
    expected.removeAt(8); // the machine's Genieo agent; the user's stays
    EXPECT_EQ(lines, expected + QStringList{"Backup: yes"});

    ASSERT_EQ(analyse({"--reset-ignored"}, nullptr), 0);
    ASSERT_EQ(analyse({}, &lines), 0);
    EXPECT_EQ(lines, kPlanted + QStringList{"Backup: yes"});
}
