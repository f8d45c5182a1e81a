// The program's analyse and sig commands, run as a user runs them, on a copy of the simulated Mac.

#include "analyser/Signatures.h"
#include "platform/PlistFormat.h"
#include "support/Program.h"
#include "support/SampleMacPlanted.h"
#include "support/TempRoot.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <thread>

using namespace trevalo;
using namespace trevalo::test;

namespace {

class SampleMacScan : public ::testing::Test {
protected:
    std::unique_ptr<TempRoot> mac = TempRoot::sampleMac();
    void SetUp() override { ASSERT_TRUE(mac); }
};

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

/// Runs the program once per argument list, all at the same time.
QVector<ProgramOutput> runAtOnce(const QVector<QStringList>& runs)
{
    QVector<ProgramOutput> outputs(runs.size());
    std::vector<std::thread> threads;
    for (qsizetype i = 0; i < runs.size(); ++i)
        threads.emplace_back([&outputs, &runs, i] { outputs[i] = runProgram(runs[i]); });
    for (std::thread& thread : threads)
        thread.join();
    return outputs;
}

QStringList storedWhitelist(const TempRoot& mac)
{
    const QByteArray bytes = mac.read("/Users/robin/Library/Preferences/com.quorvex.trevalo2.plist");
    return plistToVariant(bytes).value_or(QVariant()).toMap().value("whitelist").toStringList();
}

TEST_F(SampleMacScan, IgnoresRunAtOnceAllKeepTheirEntry)
{
    QVector<QStringList> runs;
    QStringList entries;
    for (int i = 0; i < 10; ++i) {
        entries << QStringLiteral("/Library/ignored-%1").arg(i);
        runs << QStringList{"--root", mac->path(), "analyse", "--ignore", entries.last()};
    }
    for (const ProgramOutput& run : runAtOnce(runs))
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
    QStringList stored = storedWhitelist(*mac);
    stored.sort();
    EXPECT_EQ(stored, entries);
}

TEST_F(SampleMacScan, AnIgnoreDuringTheFirstScanIsKept)
{
    // The scan stores an empty whitelist when it finds none; an --ignore landing meanwhile must survive it.
    for (int trial = 0; trial < 6; ++trial) {
        SCOPED_TRACE(trial);
        QFile::remove(mac->host("/Users/robin/Library/Preferences/com.quorvex.trevalo2.plist"));
        const QString entry = QStringLiteral("/Library/ignored-%1").arg(trial);
        for (const ProgramOutput& run : runAtOnce(
                 {{"--root", mac->path(), "analyse"}, {"--root", mac->path(), "analyse", "--ignore", entry}}))
            EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(storedWhitelist(*mac), QStringList{entry});
    }
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

} // namespace
