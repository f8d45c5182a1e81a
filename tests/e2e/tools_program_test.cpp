// The status menu's battery, network-connection and window items chosen in the real program on a copy
// of the simulated Mac: what the dialogs showed is in the Mac's dialogs log, the tools in its calls log.

#include "platform/PlistFormat.h"
#include "support/LoopbackWebServer.h"
#include "support/Program.h"
#include "support/TempRoot.h"

#include <gtest/gtest.h>

using trevalo::test::LoopbackWebServer;
using trevalo::test::TempRoot;

namespace {

class ToolsProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
    }
    trevalo::test::ProgramOutput choose(const QStringList& item) const
    {
        return trevalo::test::runProgram(QStringList{"--root", mac->path(), "choose"} + item);
    }
    QString lastDialog() const
    {
        const QStringList lines =
            QString::fromUtf8(mac->read("/.sim/dialogs.log")).split('\n', Qt::SkipEmptyParts);
        return lines.isEmpty() ? QString() : lines.last();
    }
    QString calls() const { return QString::fromUtf8(mac->read("/.sim/calls.log")); }

    std::unique_ptr<TempRoot> mac;
};

TEST_F(ToolsProgramTest, BatteryAndConnectionsShowWhatTheToolsRead)
{
    const struct Case {
        const char* name;
        const char* stateFile; ///< written before the choice; none when null
        const char* state;
        const char* item;
        const char* dialog;
        const char* toolCall;
    } cases[] = {
        {"a battery in use", nullptr, "", "Battery",
         "Charge: 87%; discharging\\rCycle count: 312\\rCondition: Normal",
         "ioreg\t-r\t-c\tAppleSmartBattery"},
        {"a charging battery", "/.sim/state/battery", "40\tcharging\t2:10\t1021\tService Recommended\n",
         "Battery", "Charge: 40%; charging\\rCycle count: 1021\\rCondition: Service Recommended",
         "system_profiler\tSPPowerDataType"},
        {"a Mac without a battery", "/.sim/state/battery", "none\n", "Battery", "This Mac has no battery.",
         "pmset\t-g\tbatt"},
        {"connections on the network", nullptr, "", "Network Connections",
         "192.168.1.23.52344  ->  17.57.146.52.5223\\r192.168.1.23.52310  ->  104.199.65.124.4070\\r"
         "127.0.0.1.52401  ->  127.0.0.1.17600\\r127.0.0.1.17600  ->  127.0.0.1.52401",
         "netstat\t-an\t-p\ttcp"},
        {"no connections", "/.sim/state/connections.tsv", "", "Network Connections",
         "No established connections.", "netstat\t-an\t-p\ttcp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
        if (c.stateFile)
            mac->write(c.stateFile, c.state);
        const auto run = choose({c.item});
        EXPECT_EQ(run.status, 0) << run.err.toStdString();
        EXPECT_EQ(lastDialog(), c.dialog);
        EXPECT_TRUE(calls().contains(c.toolCall)) << calls().toStdString();
    }
}

TEST_F(ToolsProgramTest, AWindowItemPrintsTheWindowAndItsFirstFill)
{
    LoopbackWebServer server;
    server.answer(200, "203.0.113.7\n");
    mac->write(
        mac->root().mac(mac->root().settingsFile()),
        trevalo::variantToXmlPlist(QVariantMap{{"externalAddressLookupURL", server.url().toString()}}));

    auto run = choose({"IP Addresses…"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Window: ip\nExternal: 203.0.113.7\nRouter: 192.168.1.1\nLocal: 192.168.1.23\n");

    run = choose({"Free Memory…"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Window: freemem\nMemory: PhysMem: 15G used (2097M wired), 1187M unused.\n");

    // A window whose fill is no reading shows only that it opened; the Analyser's job-stopping alerts
    // come after its window.
    run = choose({"Task Pad…"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Window: taskpad\n");
    run = choose({"Show Analyser"});
    EXPECT_TRUE(run.out.startsWith("Window: analyser\nAlert: ")) << run.out.toStdString();

    // A memory reading that fails leaves the field empty, and the command still ends.
    mac->script("/usr/bin/top", "exit 1");
    run = choose({"Free Memory…"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Window: freemem\nMemory: \n");
}

} // namespace
