// `trevalo ip` of the real program on a fresh copy of the simulated Mac, with a web server of the test's
// own as the lookup service.

#include "platform/PlistFormat.h"
#include "support/LoopbackWebServer.h"
#include "support/Program.h"
#include "support/TempRoot.h"

#include <gtest/gtest.h>

using trevalo::test::LoopbackWebServer;
using trevalo::test::TempRoot;

namespace {

class IpProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        mac = TempRoot::sampleMac();
        ASSERT_TRUE(mac);
    }
    void lookUpAt(const QString& url) const
    {
        const QString settings = mac->root().mac(mac->root().settingsFile());
        mac->write(settings, trevalo::variantToXmlPlist(QVariantMap{{"externalAddressLookupURL", url}}));
    }
    trevalo::test::ProgramOutput trevalo(QStringList args) const
    {
        args << "--root" << mac->path();
        return trevalo::test::runProgram(args);
    }

    std::unique_ptr<TempRoot> mac;
    LoopbackWebServer server;
};

TEST_F(IpProgramTest, PrintsTheThreeAddresses)
{
    server.answer(200, "203.0.113.7\n");
    lookUpAt(server.url().toString());
    const auto run = trevalo({"ip"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "External: 203.0.113.7\nRouter: 192.168.1.1\nLocal: 192.168.1.23\n");
    EXPECT_EQ(server.requests(), 1);
}

TEST_F(IpProgramTest, OffTheNetworkEachFieldSaysSo)
{
    // No default route, and nobody listens where the lookup goes.
    mac->write("/.sim/state/network", "offline\n");
    const QString gone = server.url().toString();
    server.quit();
    server.wait();
    lookUpAt(gone);
    const auto run = trevalo({"ip"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "External: No connection\nRouter: No connection\nLocal: 127.0.0.1\n");
}

TEST_F(IpProgramTest, AnErrorPageIsNoAddress)
{
    server.answer(503, "<html><body>203.0.113.7 is over its quota</body></html>", "text/html");
    lookUpAt(server.url().toString());
    const auto run = trevalo({"ip"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(run.out.startsWith("External: No connection\n")) << run.out.toStdString();
}

TEST_F(IpProgramTest, BadInputIsAClearError)
{
    lookUpAt("ftp://203.0.113.1/ip");
    const auto badSetting = trevalo({"ip"});
    EXPECT_EQ(badSetting.status, 1);
    EXPECT_TRUE(badSetting.out.startsWith("External: No connection\nRouter: 192.168.1.1\n"));
    EXPECT_EQ(badSetting.err,
              "trevalo: the setting externalAddressLookupURL is not an http or https address: "
              "\"ftp://203.0.113.1/ip\"\n");

    const auto extra = trevalo({"ip", "now"});
    EXPECT_EQ(extra.status, 2);
    EXPECT_EQ(extra.err, "trevalo: usage: trevalo ip; see trevalo ip --help\n");
    EXPECT_EQ(extra.out, "");
}

} // namespace
