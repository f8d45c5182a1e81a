#include "support/FakeServices.h"
#include "tools/FreeMemory.h"
#include "tools/Tools.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace std::chrono_literals;
using trevalo::test::TempRoot;

namespace {

const char* const kBefore = "PhysMem: 15G used (2097M wired), 1187M unused.";
const char* const kAfter = "PhysMem: 12G used (2081M wired), 4263M unused.";

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s)
{
    QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

/// The panel's controller on a copy of the simulated Mac: its purge needs administrator rights, which
/// the password prompt's state grants or refuses, and frees memory that the next `top` shows.
class FreeMemoryTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    FreeMemoryTest() : FakeServices(TempRoot::SampleMac) {}

    void prompt(const QByteArray& answers) const { machine.write("/.sim/state/admin-prompt", answers); }
    void purge()
    {
        panel.purgeButton();
        EXPECT_TRUE(panel.isPurging());
        ASSERT_TRUE(waitUntil([&] { return !panel.isPurging(); }));
    }

    TRFreeMemPanel panel{services()};
};

TEST_F(FreeMemoryTest, ThePurgeReportsItsOutcomeAndTheMemoryLineIsReadAgain)
{
    struct Case {
        const char* name;
        const char* prompt;
        const char* purgeTool; // replaces the stand-in when set
        const char* msg;
        const char* memory;
    } cases[] = {
        {"password prompt cancelled", "cancel\n", nullptr, "purge cancelled", kBefore},
        {"purge itself fails", "accept\n", "echo 'purge: failed' >&2; exit 1", "purge cancelled", kBefore},
        {"purge ran", "accept\n", nullptr, "purge done", kAfter},
    };
    const QByteArray standIn = machine.read("/usr/sbin/purge");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        prompt(c.prompt);
        if (c.purgeTool)
            machine.script("/usr/sbin/purge", c.purgeTool);
        else
            machine.write("/usr/sbin/purge", standIn, true);
        purge();
        EXPECT_EQ(panel.msg(), c.msg);
        EXPECT_EQ(panel.memoryUsage(), c.memory);
        panel.resetMsg();
        EXPECT_EQ(panel.msg(), "");
    }
}

TEST_F(FreeMemoryTest, TheOutcomeIsEmptiedFourSecondsAfterItShows)
{
    panel.purgeButton();
    ASSERT_TRUE(waitUntil([&] { return !panel.msg().isEmpty(); }));
    QElapsedTimer shown;
    shown.start();
    EXPECT_EQ(panel.msg(), "purge done");
    ASSERT_TRUE(waitUntil([&] { return shown.elapsed() >= 3500; }));
    EXPECT_EQ(panel.msg(), "purge done");
    ASSERT_TRUE(waitUntil([&] { return panel.msg().isEmpty(); }));
    EXPECT_LT(shown.elapsed(), 4800);
}

TEST_F(FreeMemoryTest, ASecondPurgeKeepsItsMessageForItsFullTime)
{
    panel.setMessageDuration(1000ms);
    prompt("cancel\naccept\n");
    purge();
    ASSERT_EQ(panel.msg(), "purge cancelled");
    QElapsedTimer sinceFirst;
    sinceFirst.start();
    QThread::msleep(500);
    panel.purgeButton();
    ASSERT_TRUE(waitUntil([&] { return panel.msg() == "purge done"; }));
    QElapsedTimer sinceSecond;
    sinceSecond.start();
    // The first message's time is up; the second one's is not.
    ASSERT_TRUE(waitUntil([&] { return sinceFirst.elapsed() >= 1200; }));
    ASSERT_LT(sinceSecond.elapsed(), 900) << "the machine is too slow for this check";
    EXPECT_EQ(panel.msg(), "purge done");
    ASSERT_TRUE(waitUntil([&] { return panel.msg().isEmpty(); }));
    EXPECT_GE(sinceSecond.elapsed(), 900);
}

TEST_F(FreeMemoryTest, APurgeWhileOneRunsIsIgnored)
{
    // The first purge waits at its password prompt until the gate opens.
    machine.script("/usr/bin/osascript",
                   QStringLiteral("while [ ! -e '%1' ]; do sleep 0.02; done; echo >> '%2'")
                       .arg(machine.host("/gate"), machine.host("/runs"))
                       .toUtf8());
    panel.purgeButton();
    panel.purgeButton();
    machine.write("/gate", "");
    ASSERT_TRUE(waitUntil([&] { return !panel.isPurging(); }));
    EXPECT_EQ(machine.read("/runs").count('\n'), 2); // one purge, one memory read
}

TEST(ToolsFreeMemTest, ThePanelIsMadeOnceAndShowsAFreshMemoryLine)
{
    trevalo::test::FakeServices fake;
    fake.machine.script("/usr/bin/osascript", "echo '\"PhysMem: 8G used (1G wired), 2G unused.\"'");
    NetworkWebClient web;
    Tools tools(fake.services(), web);
    QList<bool> created;
    QObject::connect(&tools, &Tools::freeMemRequested,
                     [&](TRFreeMemPanel*, bool isNew) { created.append(isNew); });
    tools.freeMem();
    ASSERT_TRUE(waitUntil([&] { return !tools.aHud()->memoryUsage().isEmpty(); }));
    EXPECT_EQ(tools.aHud()->memoryUsage(), "PhysMem: 8G used (1G wired), 2G unused.");
    tools.freeMem();
    EXPECT_EQ(created, (QList<bool>{true, false}));
}

} // namespace
