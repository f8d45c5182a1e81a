// The profile commands of the real program on a fresh copy of the simulated Mac.

#include "support/Program.h"
#include "support/TempRoot.h"

#include <QFile>
#include <gtest/gtest.h>

using trevalo::test::TempRoot;

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

class ProfileProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
    }
    Outcome trevalo(QStringList args) const
    {
        args << "--root" << mac->path();
        const trevalo::test::ProgramOutput run = trevalo::test::runProgram(args);
        return {run.status, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
    }
    QString agents() const { return mac->host("/Users/robin/Library/LaunchAgents"); }

    std::unique_ptr<TempRoot> mac;
};

TEST_F(ProfileProgramTest, TwoRunsInARowShowWhatChangedBetweenThem)
{
    const Outcome first = trevalo({"profile"});
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    EXPECT_TRUE(first.out.startsWith("Timestamp (2):\n\n"));
    EXPECT_FALSE(first.out.contains("\x1b[")); // not a terminal: plain text
    EXPECT_TRUE(first.out.contains("Installer check: OK.\n\n\nLogin Items:\n\n\"Dropbox\"\n\"Spotify\"\n"));
    EXPECT_FALSE(first.out.contains("--removed"));

    ASSERT_TRUE(QFile::rename(agents() + "/com.spotify.webhelper.plist", mac->host("/webhelper.plist")));
    mac->write("/Users/robin/Library/LaunchAgents/com.evil.agent.plist", "<plist/>");
    const Outcome second = trevalo({"profile", "--color"});
    ASSERT_EQ(second.status, 0) << second.err.toStdString();
    EXPECT_TRUE(second.out.contains("Timestamp (3):"));
    // The removed agent in yellow, its marker in orange; the new one with its magenta marker.
    EXPECT_TRUE(second.out.contains(
        "\x1b[38;2;255;255;0mcom.spotify.webhelper.plist\x1b[38;2;255;128;0m    --removed"));
    EXPECT_TRUE(
        second.out.contains("\x1b[38;2;255;255;0mcom.evil.agent.plist\x1b[38;2;255;0;255m    + added"));

    const Outcome changes = trevalo({"changes"});
    ASSERT_EQ(changes.status, 0);
    EXPECT_TRUE(changes.out.contains("Location$ /Users/robin/Library/LaunchAgents/\ncom.evil.agent.plist\n" +
                                     QString(38, u' ') + "    + added on or before "))
        << changes.out.right(200).toStdString();

    const Outcome logs = trevalo({"logs"});
    EXPECT_EQ(logs.status, 0);
    EXPECT_TRUE(logs.out.startsWith("Reports: 2\nSize: < 1Mb\n")) << logs.out.toStdString();
    const Outcome report = trevalo({"logs", "2"});
    EXPECT_EQ(report.status, 0);
    EXPECT_TRUE(report.out.startsWith("Timestamp (2):"));
    EXPECT_FALSE(report.out.contains("Timestamp (3):"));
    const Outcome missing = trevalo({"logs", "9"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "trevalo: the report log holds no report 9\n");
}

TEST_F(ProfileProgramTest, DeletingAsksAndAnswersComeFromTheCommandLine)
{
    EXPECT_EQ(trevalo({"changes"}).out, "No changes yet!\n");
    EXPECT_EQ(trevalo({"logs", "--delete"}).status, 1); // no log yet
    ASSERT_EQ(trevalo({"profile"}).status, 0);
    ASSERT_EQ(trevalo({"profile"}).status, 0);

    const Outcome kept = trevalo({"logs", "--delete", "--answer", "Cancel"});
    EXPECT_EQ(kept.status, 1);
    EXPECT_TRUE(trevalo({"logs"}).out.startsWith("Reports: 2\n"));

    const Outcome deleted = trevalo({"logs", "--delete", "--answer", "Delete"});
    EXPECT_EQ(deleted.status, 0) << deleted.err.toStdString();
    EXPECT_TRUE(deleted.out.contains("Reports: 1\n")) << deleted.out.toStdString();
    EXPECT_TRUE(trevalo({"logs", "2"}).out.startsWith("Timestamp (2):"));

    EXPECT_EQ(trevalo({"changes", "--delete", "--answer", "Cancel"}).status, 1);
    EXPECT_NE(trevalo({"changes"}).out, "No changes yet!\n");
    EXPECT_EQ(trevalo({"changes", "--delete", "--answer", "OK"}).status, 0);
    EXPECT_EQ(trevalo({"changes"}).out, "No changes yet!\n");

    EXPECT_EQ(trevalo({"profile", "extra"}).status, 2);
    EXPECT_EQ(trevalo({"logs", "two"}).status, 2);
}

} // namespace
