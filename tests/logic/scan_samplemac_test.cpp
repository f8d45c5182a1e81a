// The scan on a copy of the simulated Mac, with the signature files the build made and the Mac's own
// stand-ins (Spotlight for applications by identifier, Time Machine for the backup).

#include "analyser/AnalyseCommand.h"
#include "analyser/Signatures.h"
#include "app/Machine.h"
#include "support/Program.h"
#include "support/QtPrinters.h"
#include "support/TempRoot.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace trevalo::test;

namespace {

/// What the planted items are listed as, in the table's order.
const QStringList kPlanted = {
    "Dock Master Helper.app\tn/a\t/Applications/Dock Master Helper.app", // found by identifier only
    "Genieo\tAdware\t/Applications/Genieo",
    "Genieo.app\tAdware\t/Applications/Genieo.app",
    "iMunizator.app\tPerformance\t/Applications/iMunizator.app",
    "com.apple.questd\tMalware\t/Library/AppQuest/com.apple.questd",
    "logKext\tKeylogger\t/Library/Application Support/logKext",
    "logKextKeymap.plist\tKeylogger\t/Library/Application Support/logKext/logKextKeymap.plist",
    "Flash Player.plugin\tDetritus\t/Library/Internet Plug-Ins/Flash Player.plugin",
    // The Mac's own Oracle Java plug-in, which no browser loads any more: rightly found too.
    "JavaAppletPlugin.plugin\tDetritus\t/Library/Internet Plug-Ins/JavaAppletPlugin.plugin",
    "com.genieo.completer.update.plist\tAdware\t/Library/LaunchAgents/com.genieo.completer.update.plist",
    "com.oracle.java.Java-Updater.plist\tDetritus\t/Library/LaunchAgents/com.oracle.java.Java-Updater.plist",
    "com.apple.questd.plist\tMalware\t/Library/LaunchDaemons/com.apple.questd.plist",
    "com.mackeeper.AntiVirus.plist\tPerformance\t/Library/LaunchDaemons/com.mackeeper.AntiVirus.plist",
    "logKext.plist\tKeylogger\t/Library/LaunchDaemons/logKext.plist",
    "JavaControlPanel.prefPane\tDetritus\t/Library/PreferencePanes/JavaControlPanel.prefPane",
    "com.genieo.completer.update.plist\tAdware\t/Users/robin/Library/LaunchAgents/"
    "com.genieo.completer.update.plist",
    ".3FAD0F65-FC6E-4889-B975-B96CBF807B78\tPerformance\t/Users/robin/Library/Preferences/"
    ".3FAD0F65-FC6E-4889-B975-B96CBF807B78",
    "Omnibar.safariextz\tAdware\t/Users/robin/Library/Safari/Extensions/Omnibar.safariextz",
    // A $TEMP entry, in the folder the Mac's getconf names.
    "MacKeeperOffers\tPerformance\t/var/folders/7k/h3b4qmx91z2d5wfv0c8n_l6r0000gn/T/MacKeeperOffers",
};

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

TEST_F(SampleMacScan, TheProgramsAnalyseCommandPrintsTheSameRows)
{
    const ProgramOutput run = runProgram({"--root", mac->path(), "analyse"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(QString::fromUtf8(run.out).split('\n', Qt::SkipEmptyParts),
              kPlanted + QStringList{"Backup: yes"});

    const ProgramOutput usage = runProgram({"--root", mac->path(), "analyse", "--ignore"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err.count('\n'), 1) << usage.err.toStdString();
}

TEST(SignatureProgram, DecodeThenEncodeGivesEveryBuiltFileBack)
{
    QTemporaryDir dir;
    const QString built = QFileInfo(QStringLiteral(TREVALO_BINARY)).absolutePath() + "/resources/signatures/";
    for (const char* name : kSignatureNames) {
        QFile original(built + name + ".txt");
        ASSERT_TRUE(original.open(QIODevice::ReadOnly)) << name;
        const ProgramOutput decoded = runProgram({"sig", "decode", original.fileName()});
        ASSERT_EQ(decoded.status, 0) << name << decoded.err.toStdString();
        EXPECT_TRUE(decoded.err.isEmpty()) << name;

        QFile plain(dir.filePath(QString::fromLatin1(name) + ".plain"));
        plain.open(QIODevice::WriteOnly);
        plain.write(decoded.out);
        plain.close();
        const ProgramOutput encoded = runProgram({"sig", "encode", plain.fileName()});
        ASSERT_EQ(encoded.status, 0) << name << encoded.err.toStdString();
        EXPECT_EQ(encoded.out, original.readAll()) << name;
    }
}
