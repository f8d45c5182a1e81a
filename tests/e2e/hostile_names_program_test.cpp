// File, folder, volume and task names that a shell or AppleScript would take for code, through every
// command that shows, stores or passes names, on a copy of the simulated Mac. Each name tries to make a
// marker file; none may appear, and each name comes back as it was.

#include "platform/TextEscape.h"
#include "support/Program.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <gtest/gtest.h>

using trevalo::escapeField;
using trevalo::test::TempRoot;

namespace {

/// Names a user could be handed on a disk or in a download. None holds a slash, so each makes its marker
/// in the working folder of whatever runs it.
const QStringList kNames{
    QStringLiteral("x$(touch pwned)"),       QStringLiteral("b`touch pwned`"),
    QStringLiteral("q\"uo'te; touch pwned"), QStringLiteral("a\" & do shell script \"touch pwned\" & \""),
    QStringLiteral("$HOME|touch pwned"),
};
/// A line feed cannot be part of a volume's name in the simulated Mac's disk table; files and tasks
/// take it.
const QString kLineFeedName = QStringLiteral("line\nfeed $(touch pwned)");

struct NamedRun {
    int status;
    QString out;
    QString err;
};

class HostileNamesProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
        QDir(QDir::currentPath()).remove(QStringLiteral("pwned"));
    }
    void TearDown() override
    {
        // Nothing a name smuggled in ran: no marker in the Mac, in the home or where the test runs.
        QDirIterator it(mac->path(), {"pwned"}, QDir::AllEntries | QDir::Hidden | QDir::System,
                        QDirIterator::Subdirectories);
        EXPECT_FALSE(it.hasNext()) << it.next().toStdString();
        EXPECT_FALSE(QFileInfo::exists(QDir::currentPath() + "/pwned"));
        EXPECT_FALSE(QFileInfo::exists(QDir::homePath() + "/pwned"));
        EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/tmp/pwned")));
    }
    NamedRun trevalo(const QStringList& args) const
    {
        const auto run =
            trevalo::test::runProgram(QStringList{"--root", mac->path(), "--answer", "OK"} + args);
        return {run.status, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
    }
    void plantVolumes(const QStringList& names, const char* mounted) const
    {
        QByteArray disks = mac->read("/.sim/state/disks.tsv");
        int disk = 5;
        for (const QString& name : names) {
            disks += QStringLiteral("disk%1\texternal\tGUID_partition_scheme\t-\t8000000000\t-\n"
                                    "disk%1s1\t-\tApple_HFS\t%2\t4000000000\t%3\n")
                         .arg(disk++)
                         .arg(name, QString::fromLatin1(mounted))
                         .toUtf8();
            if (QByteArray(mounted) == "yes")
                mac->write("/Volumes/" + name + "/file.txt", "x");
        }
        mac->write("/.sim/state/disks.tsv", disks);
    }
    bool mounted(const QString& name) const { return QFileInfo::exists(mac->host("/Volumes/" + name)); }

    std::unique_ptr<TempRoot> mac;
};

TEST_F(HostileNamesProgramTest, TheProfileListsEachNameOnceAndUnchangedNamesAreNoChange)
{
    const QStringList names = kNames + QStringList{kLineFeedName};
    for (const QString& name : names)
        mac->write("/Users/robin/Library/LaunchAgents/" + name + ".plist", "x");
    NamedRun run = trevalo({"profile"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    for (const QString& name : names)
        EXPECT_TRUE(run.out.contains(name + ".plist")) << name.toStdString();

    run = trevalo({"profile"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("--removed")) << run.out.toStdString();
    EXPECT_FALSE(run.out.contains("+ added")) << run.out.toStdString();
}

TEST_F(HostileNamesProgramTest, SearchFindsTheNamesByNameAndByContent)
{
    // A name with a line feed is left out here: the deep engine reads find's and grep's lines, which such
    // a name splits, so it is not found (nor run).
    const QStringList names = kNames;
    for (const QString& name : names)
        mac->write("/Users/robin/Documents/" + name + "/" + name + " touchstone.txt", "flintstone\n");
    for (const QStringList& args : {QStringList{"--deep", "--dir", "Documents", "*touchstone*"},
                                    QStringList{"--deep", "--content", "--dir", "Documents", "flintstone"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const NamedRun run = trevalo(QStringList{"search"} + args);
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.endsWith(QStringLiteral("Results: %1\n").arg(names.size())))
            << run.out.toStdString();
        for (const QString& name : names) {
            const QString path = "/Users/robin/Documents/" + name + "/" + name + " touchstone.txt";
            EXPECT_TRUE(run.out.contains('\t' + escapeField(path) + '\t')) << name.toStdString();
        }
    }
}

TEST_F(HostileNamesProgramTest, VolumesMountAndEjectByTheirOwnName)
{
    plantVolumes(kNames, "no");
    for (const QString& name : kNames) {
        SCOPED_TRACE(name.toStdString());
        NamedRun run = trevalo({"choose", "Mount", name});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(mounted(name));
        run = trevalo({"choose", "Eject", name});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_FALSE(mounted(name));
        EXPECT_TRUE(mounted("Backup Drive")) << "another volume was ejected";
    }
}

TEST_F(HostileNamesProgramTest, AVolumeNameThatIsNoTextIsNeverActedOn)
{
    // A foreign disk's name need not be UTF-8. Read back as text it holds the replacement character and
    // names no volume of the Mac: the menu does not offer it, and choosing that name ejects nothing.
    const QByteArray raw("Disk\xff\xfe", 6);
    QByteArray disks = mac->read("/.sim/state/disks.tsv");
    disks += "disk5\texternal\tGUID_partition_scheme\t-\t8000000000\t-\ndisk5s1\t-\tApple_HFS\t" + raw +
             "\t4000000000\tyes\n";
    mac->write("/.sim/state/disks.tsv", disks);
    const QString hostFolder = mac->host("/Volumes/") + QFile::decodeName(raw);
    ASSERT_TRUE(QDir().mkpath(hostFolder));

    const QString shown = QStringLiteral("Disk\uFFFD\uFFFD");
    const NamedRun run = trevalo({"choose", "Eject", shown});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.endsWith("it has:\n  Backup Drive\n")) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(hostFolder));
    EXPECT_TRUE(mounted("Backup Drive"));
}

TEST_F(HostileNamesProgramTest, TasksKeepTheirNamesAsTyped)
{
    const QStringList names = kNames + QStringList{kLineFeedName};
    for (const QString& name : names)
        ASSERT_EQ(trevalo({"tasks", "add", name}).status, 0);
    const NamedRun run = trevalo({"tasks"});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList rows = run.out.split('\n', Qt::SkipEmptyParts);
    // After the task a new task pad file starts with.
    EXPECT_EQ(rows.size(), names.size() + 1);
    for (const QString& name : names)
        EXPECT_EQ(rows.count("[ ] " + escapeField(name)), 1) << name.toStdString();
}

} // namespace
