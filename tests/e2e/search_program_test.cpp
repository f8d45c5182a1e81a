// trevalo search: the real program on a fresh copy of the simulated Mac.

#include "support/Program.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using trevalo::test::TempRoot;

namespace {

struct Outcome {
    int status;
    QString out;
    QString err;
};

class SearchProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
    }
    Outcome trevalo(QStringList args) const
    {
        args.prepend("search");
        args << "--root" << mac->path();
        const trevalo::test::ProgramOutput run = trevalo::test::runProgram(args);
        return {run.status, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
    }
    QString settingsFile() const
    {
        return mac->host("/Users/robin/Library/Preferences/com.quorvex.trevalo2.plist");
    }

    std::unique_ptr<TempRoot> mac;
};

const QRegularExpression kStatDate(QStringLiteral("^[A-Z][a-z]{2} [ 123][0-9] \\d\\d:\\d\\d:\\d\\d \\d{4}$"));
const QRegularExpression kStandardDate(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\+0000$"));

TEST_F(SearchProgramTest, BothEnginesFindByNameAndByContent)
{
    const struct Case {
        const char* name;
        QStringList args;
        QString row; // Name<TAB>Path
        const QRegularExpression& date;
    } cases[] = {
        {"deep, by name, from the start-up volume",
         {"--deep", "--string", "NOTES"},
         "notes.txt\t/Users/robin/Desktop/notes.txt",
         kStatDate},
        {"deep, by name, in a home folder",
         {"--deep", "--case", "--dir", "Documents", "Pancakes.txt"},
         "Pancakes.txt\t/Users/robin/Documents/Recipes/Pancakes.txt",
         kStatDate},
        {"deep, by content",
         {"--deep", "--content", "--dir", "robin", "dentist"},
         "notes.txt:1\t/Users/robin/Desktop/notes.txt",
         kStatDate},
        {"Spotlight, by name",
         {"--string", "pancake"},
         "Pancakes.txt\t/Users/robin/Documents/Recipes/Pancakes.txt",
         kStandardDate},
        {"Spotlight, by content",
         {"--content", "dentist"},
         "notes.txt\t/Users/robin/Desktop/notes.txt",
         kStandardDate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome o = trevalo(c.args);
        ASSERT_EQ(o.status, 0) << o.err.toStdString();
        const QStringList lines = o.out.split('\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2) << o.out.toStdString();
        EXPECT_TRUE(lines[0].startsWith(c.row + '\t')) << lines[0].toStdString();
        EXPECT_TRUE(c.date.match(lines[0].section('\t', 2)).hasMatch()) << lines[0].toStdString();
        EXPECT_EQ(lines[1], "Results: 1");
    }
    // The word option: a whole name only.
    const Outcome word = trevalo({"--deep", "notes"});
    EXPECT_EQ(word.out, "Results: 0\n");
    // Options given here are not stored.
    EXPECT_FALSE(QFile::exists(settingsFile()) && QFile(settingsFile()).open(QIODevice::ReadOnly) &&
                 QFile(settingsFile()).readAll().contains("searchfor"));
}

TEST_F(SearchProgramTest, SpotlightFiltersMailAndWebHistoryUnlessAsked)
{
    mac->write("/Users/robin/Library/Mail/V7/INBOX.mbox/Messages/kumquat.emlx", "x");
    mac->write("/Users/robin/Documents/http_kumquat.webhistory", "x");
    mac->write("/Users/robin/Documents/kumquat.txt", "x");
    const struct Case {
        QStringList args;
        int rows;
    } cases[] = {
        {{"--string", "kumquat"}, 1},
        {{"--string", "--email", "kumquat"}, 2},
        {{"--string", "--email", "--web-history", "kumquat"}, 3},
        {{"--deep", "--string", "kumquat"}, 3}, // a deep search keeps every hit
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome o = trevalo(c.args);
        ASSERT_EQ(o.status, 0) << o.err.toStdString();
        EXPECT_TRUE(o.out.endsWith(QStringLiteral("Results: %1\n").arg(c.rows))) << o.out.toStdString();
    }
}

TEST_F(SearchProgramTest, PrintCommandShowsWhatRuns)
{
    const QString root = mac->path(); // a temporary path: no character the shell would read
    const struct Case {
        QStringList args;
        QString printed;
    } cases[] = {
        {{"--deep", "--string", "report"}, "find " + root + " -xdev -iname \"*report*\" 2>/dev/null\n"},
        {{"--deep", "--case", "--dir", "Users", "Notes"},
         "find " + root + "/Users -name \"Notes\" 2>/dev/null\n"},
        {{"--deep", "--dir", "Backup Drive", "memo"},
         "find " + root + "/Volumes/Backup\\ Drive -iname \"memo\" 2>/dev/null\n"},
        {{"--deep", "--content", "invoice"},
         "find " + root +
             " -xdev -name \"*\" -type f -print0 2>/dev/null | xargs -0 grep --line-buffered -i -H --count "
             "-e "
             "\"invoice\" 2>/dev/null| grep --line-buffered -v ':0$'\n"},
        {{"--string", "memo"},
         "kMDItemFSName == \"*memo*\"cd && (kMDItemFSInvisible == 1 || kMDItemFSInvisible == 0)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Outcome o = trevalo(QStringList{"--print-command"} + c.args);
        EXPECT_EQ(o.status, 0) << o.err.toStdString();
        EXPECT_EQ(o.out, c.printed);
    }
    const Outcome dirs = trevalo({"--list-dirs"});
    EXPECT_EQ(dirs.status, 0);
    EXPECT_TRUE(
        dirs.out.startsWith("All Volumes\nBackup Drive\nMacintosh HD\nApplications \nLibrary \nSystem\ntmp\n"
                            "Users\nrobin\nDesktop\n"))
        << dirs.out.toStdString();
}

TEST_F(SearchProgramTest, HostileInputRunsNothing)
{
    const QString marker = mac->host("/pwned");
    for (const QStringList& args : {QStringList{"--deep", "--string", "*$(touch " + marker + ")*"},
                                    QStringList{"--deep", "--content", "x`touch " + marker + "`"},
                                    QStringList{"--string", "$(touch " + marker + ")"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const Outcome o = trevalo(args);
        EXPECT_EQ(o.status, 0) << o.err.toStdString();
        EXPECT_EQ(o.out, "Results: 0\n");
        EXPECT_FALSE(QFile::exists(marker));
    }
}

TEST_F(SearchProgramTest, AnInterruptedSearchLeavesNothingRunning)
{
    // A find that never ends, with a child of its own; both hold a pipe the test watches.
    const QByteArray held = QFile::encodeName(mac->host("/held"));
    ASSERT_EQ(::mkfifo(held.constData(), 0600), 0);
    const int watch = ::open(held.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    mac->script("/usr/bin/find",
                "exec 3>'" + held + "'; sleep 60 & echo /Users/robin/Desktop/notes.txt; wait");
    QProcess program;
    program.start(QStringLiteral(TREVALO_BINARY), {"search", "--root", mac->path(), "--deep", "notes"});
    ASSERT_TRUE(program.waitForStarted());
    char byte;
    QElapsedTimer timer;
    timer.start();
    // Until find has opened the pipe, a read says "no writer" (0); then "nothing yet" (-1).
    while (::read(watch, &byte, 1) == 0 && timer.elapsed() < 20000)
        QThread::msleep(20);
    ::kill(pid_t(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(20000));
    EXPECT_EQ(program.exitCode(), 1);
    EXPECT_TRUE(program.readAllStandardError().contains("interrupted"));
    timer.restart();
    ssize_t n = -1;
    while ((n = ::read(watch, &byte, 1)) != 0 && timer.elapsed() < 20000)
        QThread::msleep(20);
    EXPECT_EQ(n, 0); // every process of the search has gone
    ::close(watch);
}

TEST_F(SearchProgramTest, BadInputIsAUsageError)
{
    const struct Case {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"ab"}, "at least 3 characters"},
        {{"~/Desktop"}, "shortcuts"},
        {{"`Safari"}, "shortcuts"},
        {{}, "no search term"},
        {{"one", "two"}, "one search term"},
        {{"--dir", "Users", "memo"}, "add --deep"},
        {{"--deep", "--dir", "Nowhere", "memo"}, "no folder \"Nowhere\""},
        {{"--deep", "--dir", "Applications", "memo"},
         "no folder \"Applications\""}, // the pop-up's has a blank
        {{"--fast", "memo"}, "unknown option --fast"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Outcome o = trevalo(c.args);
        EXPECT_EQ(o.status, 2);
        EXPECT_TRUE(o.err.contains(c.message)) << o.err.toStdString();
        EXPECT_EQ(o.out, "");
    }
}

} // namespace
