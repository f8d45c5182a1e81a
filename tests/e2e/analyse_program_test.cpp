// The program's analyse and sig commands, run as a user runs them, on a copy of the simulated Mac.

#include "analyser/Signatures.h"
#include "support/Program.h"
#include "support/SampleMacPlanted.h"
#include "support/TempRoot.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
