// The Mac's tools answering badly, on a copy of the simulated Mac whose stand-ins are replaced: they
// print nothing, print garbage, or never end. The program ends normally within its time limits, shows
// no garbage as a file, and leaves no tool running.

#include "platform/PlistFormat.h"
#include "support/Program.h"
#include "support/TempRoot.h"

#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>

using trevalo::test::TempRoot;

namespace {

struct Behaviour {
    const char* name;
    QByteArray script;
};

const Behaviour kNothing{"prints nothing", "exit 0"};
// Fixed bytes, so a run is the same every time: a binary header, bytes that are no UTF-8, a terminal
// colour, carriage returns and tabs, NULs, and one absolute path among them.
const Behaviour kGarbage{"prints garbage",
                         "head -c 3000 /dev/zero | tr '\\0' 'z'\n"
                         "printf 'PK\\003\\004\\377\\376\\n\\t\\r\\033[31mred\\000nul\\n/x\\000/x\\000'"};
// A sleep of its own length, so the test can tell its tools from anything else on the machine.
const Behaviour kNeverEnds{"never ends", "exec sleep 613"};

/// The tools the menu, the profile and the search read.
const QStringList kTools{
    "/usr/bin/sw_vers", "/usr/sbin/system_profiler", "/usr/sbin/diskutil", "/usr/bin/osascript",
    "/usr/bin/csrutil", "/usr/bin/uptime",           "/usr/bin/mdfind",    "/bin/launchctl",
    "/usr/bin/stat"};

int sleepersLeft()
{
    QProcess pgrep;
    pgrep.start(QStringLiteral("pgrep"), {"-f", "sleep 613"});
    pgrep.waitForFinished();
    return int(pgrep.readAllStandardOutput().count('\n'));
}

class BadToolsProgramTest : public ::testing::Test {
protected:
    void replaceTools(const Behaviour& behaviour, const QStringList& tools = kTools)
    {
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
        for (const QString& tool : tools)
            mac->script(tool, behaviour.script);
        // A tool that never ends is ended after a second.
        mac->write(mac->root().mac(mac->root().settingsFile()),
                   trevalo::variantToXmlPlist(QVariantMap{{"toolTimeLimitSeconds", 1}}));
    }
    trevalo::test::ProgramOutput trevalo(const QStringList& args, qint64* milliseconds = nullptr) const
    {
        QElapsedTimer timer;
        timer.start();
        auto run = trevalo::test::runProgram(QStringList{"--root", mac->path()} + args);
        if (milliseconds)
            *milliseconds = timer.elapsed();
        return run;
    }
    std::unique_ptr<TempRoot> mac;
};

TEST_F(BadToolsProgramTest, TheMenuAndTheProfileEndNormally)
{
    for (const Behaviour& behaviour : {kNothing, kGarbage, kNeverEnds}) {
        replaceTools(behaviour);
        for (const QStringList& args : {QStringList{"facts"}, QStringList{"profile"}, QStringList{"ip"},
                                        QStringList{"choose", "Mount", "Nothing"}}) {
            SCOPED_TRACE(QStringLiteral("%1: %2").arg(behaviour.name, args.join(' ')).toStdString());
            qint64 ms = 0;
            const auto run = trevalo(args, &ms);
            EXPECT_NE(run.status, -1) << "crashed or did not end";
            EXPECT_NE(run.status, 2) << run.err.toStdString();
            // Every call waits at most its second; the calls are a few dozen.
            EXPECT_LT(ms, 90000);
        }
        EXPECT_EQ(sleepersLeft(), 0);
    }
}

TEST_F(BadToolsProgramTest, SpotlightGarbageIsNoResult)
{
    for (const Behaviour& behaviour : {kNothing, kGarbage}) {
        SCOPED_TRACE(behaviour.name);
        replaceTools(behaviour, {"/usr/bin/mdfind"});
        const auto run = trevalo({"search", "notes"});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        // Only the line that is an absolute path can be a hit.
        const QList<QByteArray> rows = run.out.split('\n');
        for (const QByteArray& row : rows) {
            if (row.isEmpty() || row.startsWith("Results: "))
                continue;
            EXPECT_TRUE(row.contains("\t/")) << row.toStdString();
        }
        EXPECT_TRUE(run.out.endsWith(behaviour.name == kGarbage.name ? "Results: 1\n" : "Results: 0\n"))
            << run.out.toStdString();
    }
}

TEST_F(BadToolsProgramTest, APathThatIsNoTextIsShownWithTheReplacementCharacter)
{
    // Spotlight indexes a foreign volume whose names need not be UTF-8: the row shows the name as text
    // can, and no date is read from a file that the shown path does not name.
    replaceTools(kNothing, {});
    mac->script("/usr/bin/mdfind", "printf '/Volumes/Backup Drive/caf\\351 notes.txt\\000'");
    const auto run = trevalo({"search", "notes"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(
        QString::fromUtf8(run.out),
        QStringLiteral("caf\uFFFD notes.txt\t/Volumes/Backup Drive/caf\uFFFD notes.txt\t\nResults: 1\n"));
}

} // namespace
