// Files of the program's own that hold garbage, or are huge, on a copy of the simulated Mac: the program
// ends normally, keeps every byte it cannot read, and stays within a few seconds.

#include "support/Program.h"
#include "support/TempRoot.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using trevalo::test::TempRoot;

namespace {

const QString kSupport = QStringLiteral("/Users/robin/Library/Application Support/Trevalo 2");
const QString kSettings = QStringLiteral("/Users/robin/Library/Preferences/com.quorvex.trevalo2.plist");

QByteArray garbage(int size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

struct TimedRun {
    int status;
    QString out;
    QString err;
    qint64 milliseconds;
};

class GarbageFilesProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
    }
    TimedRun trevalo(const QStringList& args) const
    {
        QElapsedTimer timer;
        timer.start();
        const auto run = trevalo::test::runProgram(QStringList{"--root", mac->path()} + args);
        return {run.status, QString::fromUtf8(run.out), QString::fromUtf8(run.err), timer.elapsed()};
    }
    std::unique_ptr<TempRoot> mac;
};

TEST_F(GarbageFilesProgramTest, AGarbageSettingsFileIsKeptAsDamagedAndTheProgramRunsOnDefaults)
{
    const struct Case {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"random bytes", garbage(3000, 1)},
        {"a binary header with nothing after it", QByteArray("bplist00\xff\xff\xff\xff", 12)},
        {"XML cut short", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>showbattery</key>"},
        {"an empty file", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
        mac->write(kSettings, c.bytes);
        const TimedRun run = trevalo({"facts"});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_TRUE(run.out.contains("10.15.7")) << run.out.toStdString();
        if (c.bytes.isEmpty())
            continue;
        const QStringList kept = QDir(mac->host("/Users/robin/Library/Preferences"))
                                     .entryList({"com.quorvex.trevalo2.plist.damaged-*"}, QDir::Files);
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(mac->read("/Users/robin/Library/Preferences/" + kept.first()), c.bytes);
    }
}

TEST_F(GarbageFilesProgramTest, AGarbageSignatureFileIsRefused)
{
    QTemporaryDir dir;
    const QString file = dir.path() + "/trnums.txt";
    for (const QByteArray& bytes : {garbage(5000, 2), QByteArray("\x00\x01\x02 not a signature\n", 21)}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        const TimedRun run = trevalo({"sig", "decode", file});
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains("is not a signature file")) << run.err.toStdString();
    }
}

TEST_F(GarbageFilesProgramTest, AGarbageTaskPadIsNeverWrittenOver)
{
    const QByteArray bytes = "bplist00" + garbage(4000, 3);
    mac->write(kSupport + "/taskpad.tp", bytes);
    for (const QStringList& args : {QStringList{"tasks"}, QStringList{"tasks", "add", "Buy milk"},
                                    QStringList{"tasks", "remove", "0"}, QStringList{"startup"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TimedRun run = trevalo(args);
        EXPECT_NE(run.status, -1) << "crashed or did not end";
        EXPECT_EQ(mac->read(kSupport + "/taskpad.tp"), bytes);
    }
    EXPECT_EQ(trevalo({"tasks", "add", "Buy milk"}).status, 1);
}

TEST_F(GarbageFilesProgramTest, AGarbageReportLogIsKeptAndAppendedTo)
{
    const QByteArray bytes = garbage(100000, 4);
    mac->write(kSupport + "/tr2.log", bytes);
    TimedRun run = trevalo({"logs"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith("Reports: 0\n")) << run.out.toStdString();
    EXPECT_EQ(trevalo({"logs", "1"}).status, 1);

    run = trevalo({"profile"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QByteArray after = mac->read(kSupport + "/tr2.log");
    EXPECT_TRUE(after.startsWith(bytes));
    EXPECT_GT(after.size(), bytes.size());
    EXPECT_TRUE(trevalo({"logs"}).out.startsWith("Reports: 1\n"));
}

TEST_F(GarbageFilesProgramTest, AReportLogOf200MegabytesIsReadAndAppendedToInSeconds)
{
    // Sparse: a run of NUL bytes as long as the log, made at once.
    const QByteArray path = mac->host(kSupport + "/tr2.log").toLocal8Bit();
    QDir().mkpath(mac->host(kSupport));
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{200} * 1024 * 1024), 0);
    ::close(fd);

    for (const QStringList& args : {QStringList{"logs"}, QStringList{"profile"}, QStringList{"logs"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TimedRun run = trevalo(args);
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_LT(run.milliseconds, 15000);
    }
    EXPECT_GT(QFileInfo(mac->host(kSupport + "/tr2.log")).size(), 200 * 1024 * 1024);
    EXPECT_TRUE(trevalo({"logs"}).out.startsWith("Reports: 1\n"));
}

TEST_F(GarbageFilesProgramTest, AWatchedFolderOf100000EntriesIsListedAndComparedOnce)
{
    const QString agents = mac->host("/Users/robin/Library/LaunchAgents/");
    for (int i = 0; i < 100000; ++i) {
        const QByteArray name =
            (agents + QStringLiteral("agent%1.plist").arg(i, 6, 10, QLatin1Char('0'))).toLocal8Bit();
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    TimedRun run = trevalo({"profile"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("agent099999.plist"));
    EXPECT_LT(run.milliseconds, 30000);

    // Unchanged, the second run records nothing and marks nothing.
    const qint64 changeLog = QFileInfo(mac->host(kSupport + "/tr2Change.log")).size();
    run = trevalo({"profile"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_FALSE(run.out.contains("+ added")) << "a run over an unchanged folder marked additions";
    EXPECT_EQ(QFileInfo(mac->host(kSupport + "/tr2Change.log")).size(), changeLog);
    EXPECT_LT(run.milliseconds, 30000);
}

} // namespace
