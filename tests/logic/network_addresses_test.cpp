#include "support/FakeServices.h"
#include "support/LoopbackWebServer.h"
#include "tools/NetworkAddresses.h"
#include "tools/Tools.h"
#include "tools/ToolsKeys.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <gtest/gtest.h>

using namespace trevalo;
using namespace std::chrono_literals;
using trevalo::test::LoopbackWebServer;
using trevalo::test::TempRoot;

namespace {

bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 15s)
{
    QDeadlineTimer deadline(limit);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

/// The window's controller on a copy of the simulated Mac (whose route, ifconfig and osascript answer the
/// two scripts), with a web server of the test's own as the lookup service.
class NetworkAddressesTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    NetworkAddressesTest() : FakeServices(TempRoot::SampleMac) { useLookup(server.url().toString()); }

    void useLookup(const QString& url) { settings.setString(keys::externalAddressLookupUrl, url); }
    /// The external field after one lookup.
    QString lookedUp()
    {
        window.getIPFromCurl();
        EXPECT_TRUE(waitUntil([&] { return !window.isRefreshing(); }));
        return window.externalIP();
    }
    void refresh()
    {
        window.refreshIP();
        ASSERT_TRUE(waitUntil([&] { return !window.isRefreshing(); }));
    }

    LoopbackWebServer server;
    NetworkWebClient web;
    TRDisplayIP window{services(), web};
};

TEST_F(NetworkAddressesTest, OnlyAnAddressInA2xxAnswerIsTheExternalAddress)
{
    using Mode = LoopbackWebServer::Mode;
    struct Case {
        const char* name;
        Mode mode;
        int status;
        QByteArray body;
        const char* shown;
    } cases[] = {
        {"IPv4 with the service's line feed", Mode::Answer, 200, "203.0.113.7\n", " 203.0.113.7"},
        {"IPv6", Mode::Answer, 200, "2001:db8::7", " 2001:db8::7"},
        {"blanks around it are trimmed", Mode::Answer, 200, "  \t198.51.100.20 \r\n", " 198.51.100.20"},
        {"another 2xx", Mode::Answer, 203, "198.51.100.21", " 198.51.100.21"},
        {"an address in an error answer", Mode::Answer, 500, "203.0.113.7", " No connection"},
        {"an HTML error page", Mode::Answer, 404, "<html><body>Not Found</body></html>", " No connection"},
        {"an HTML page with an address inside", Mode::Answer, 200, "<html><body>203.0.113.7</body></html>",
         " No connection"},
        {"not UTF-8", Mode::Answer, 200, "\xff\xfe\x32\x00\x30\x00", " No connection"},
        {"an address with bytes after a NUL", Mode::Answer, 200, QByteArray("203.0.113.7\0<script>", 20),
         " No connection"},
        {"two addresses", Mode::Answer, 200, "203.0.113.7 203.0.113.8", " No connection"},
        {"an octet out of range", Mode::Answer, 200, "203.0.113.256", " No connection"},
        {"an IPv6 address with a zone", Mode::Answer, 200, "fe80::1%en0", " No connection"},
        {"an empty body", Mode::Answer, 200, "", " No connection"},
        {"more than 64 bytes trimmed", Mode::Answer, 200, QByteArray(65, '1'), " No connection"},
        {"a body far too long to hold", Mode::Answer, 200, "203.0.113.7" + QByteArray(4 << 20, ' '),
         " No connection"},
        {"the connection closed without an answer", Mode::Hangup, 0, "", " No connection"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window.setIPAddressTitle(QStringLiteral("before"));
        server.answer(c.status, c.body);
        server.setMode(c.mode);
        EXPECT_EQ(lookedUp(), c.shown);
    }
}

TEST_F(NetworkAddressesTest, AServiceThatDoesNotAnswerOrCannotBeReachedShowsNoConnection)
{
    server.setMode(LoopbackWebServer::Mode::Silent);
    window.setLookupTimeLimit(300ms);
    window.setIPAddressTitle(QStringLiteral(" 203.0.113.7"));
    EXPECT_EQ(lookedUp(), " No connection");
    EXPECT_EQ(server.requests(), 1);

    // A port nobody listens on: the server's own, once it has gone.
    const QString gone = server.url().toString();
    server.quit();
    server.wait();
    useLookup(gone);
    window.setIPAddressTitle(QStringLiteral(" 203.0.113.7"));
    EXPECT_EQ(lookedUp(), " No connection");
}

TEST_F(NetworkAddressesTest, ANewerLookupReplacesOneStillOut)
{
    // The first lookup hangs until its limit; the second answers. The answer stays: the first lookup's
    // end cannot overwrite it.
    LoopbackWebServer silent;
    silent.setMode(LoopbackWebServer::Mode::Silent);
    window.setLookupTimeLimit(400ms);
    useLookup(silent.url().toString());
    window.getIPFromCurl();
    ASSERT_TRUE(waitUntil([&] { return silent.requests() == 1; }));
    server.answer(200, "203.0.113.9");
    useLookup(server.url().toString());
    EXPECT_EQ(lookedUp(), " 203.0.113.9");
    QThread::msleep(600);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.externalIP(), " 203.0.113.9");
}

TEST_F(NetworkAddressesTest, RouterAndLocalAddressesComeFromTheScripts)
{
    server.answer(200, "203.0.113.7\n");
    struct Case {
        const char* name;
        const char* network;   // the simulated Mac's state
        const char* osascript; // replaces the stand-in when set
        const char* router;
        const char* local;
    } cases[] = {
        {"on Wi-Fi", "wifi", nullptr, "192.168.1.1\n", "192.168.1.23\n"},
        {"no default route, only the loopback interface", "offline", nullptr, "No connection", "127.0.0.1\n"},
        {"scripts that print an address and fail", "wifi", "echo 10.0.0.1; exit 1", "No connection", ""},
        {"scripts that print nothing", "wifi", "exit 0", "No connection", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.write("/.sim/state/network", QByteArray(c.network) + '\n');
        if (c.osascript)
            machine.script("/usr/bin/osascript", c.osascript);
        window.setRouterTitle(QStringLiteral("before"));
        window.setLocalNodeTitle(QStringLiteral("before"));
        refresh();
        EXPECT_EQ(window.routerAddress(), c.router);
        EXPECT_EQ(window.localNode(), c.local);
        EXPECT_EQ(window.externalIP(), " 203.0.113.7");
    }
}

TEST_F(NetworkAddressesTest, TheBlockingReadGivesTheSameFields)
{
    server.answer(200, "2001:db8::1\n");
    const AddressReadings readings = readAddressesBlocking(services(), web);
    EXPECT_EQ(readings.externalIP, " 2001:db8::1");
    EXPECT_EQ(readings.routerAddress, "192.168.1.1\n");
    EXPECT_EQ(readings.localNode, "192.168.1.23\n");
    EXPECT_TRUE(readings.problem.isEmpty());
}

TEST_F(NetworkAddressesTest, AnUnusableLookupSettingAsksNobody)
{
    struct Case {
        const char* name;
        QVariant stored; // invalid: absent
        const char* url; // null: unusable
    } cases[] = {
        {"absent: the public service", QVariant(), keys::defaultExternalAddressLookupUrl},
        {"an http address", "http://127.0.0.1:8080/ip", "http://127.0.0.1:8080/ip"},
        {"another scheme", "ftp://example.com/ip", nullptr},
        {"no address at all", "what is my address", nullptr},
        {"empty", "", nullptr},
        {"not a text", 42, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settings.remove(keys::externalAddressLookupUrl);
        if (c.stored.typeId() == QMetaType::Int)
            settings.setInteger(keys::externalAddressLookupUrl, c.stored.toInt());
        else if (c.stored.isValid())
            settings.setString(keys::externalAddressLookupUrl, c.stored.toString());
        const LookupAddress lookup = lookupAddress(settings);
        if (c.url) {
            EXPECT_EQ(lookup.url, QUrl(c.url));
            EXPECT_TRUE(lookup.problem.isEmpty());
        } else {
            EXPECT_FALSE(lookup.url.isValid());
            EXPECT_TRUE(lookup.problem.contains(keys::externalAddressLookupUrl));
        }
    }

    useLookup(QStringLiteral("ftp://example.com/ip"));
    window.setIPAddressTitle(QStringLiteral(" 203.0.113.7"));
    EXPECT_EQ(lookedUp(), " No connection");
    EXPECT_FALSE(readAddressesBlocking(services(), web).problem.isEmpty());
    EXPECT_EQ(server.requests(), 0);
}

/// Records the requests and answers none.
class RecordingWebClient : public WebClient {
public:
    QList<WebRequest> requests;
    WebHandle get(const WebRequest& request, QObject*, FinishedCallback) override
    {
        requests.append(request);
        return {};
    }
};

TEST(ToolsTest, TheAddressWindowIsMadeOnceAndItsLookupHasTenSeconds)
{
    trevalo::test::FakeServices fake;
    RecordingWebClient web;
    Tools tools(fake.services(), web);
    QList<std::pair<TRDisplayIP*, bool>> shown;
    QObject::connect(&tools, &Tools::displayIPRequested, [&](TRDisplayIP* controller, bool created) {
        shown.append({controller, created});
    });
    tools.displayIP();
    tools.displayIP();
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(shown[0].second);
    EXPECT_FALSE(shown[1].second);
    EXPECT_EQ(shown[0].first, shown[1].first);
    EXPECT_EQ(shown[0].first, tools.aWin());

    ASSERT_EQ(web.requests.size(), 2);
    EXPECT_EQ(web.requests[0].url, QUrl(keys::defaultExternalAddressLookupUrl));
    EXPECT_EQ(web.requests[0].timeLimit, 10s);
}

TEST(ToolsTest, VisitWebsiteOpensTheProductPage)
{
    trevalo::test::FakeServices fake;
    RecordingWebClient web;
    Tools tools(fake.services(), web);
    tools.visitWebsite();
    EXPECT_EQ(fake.workspace.opened, QStringList{kProductPage});
}

} // namespace
