#include "app/TRAppDelegate.h"
#include "support/FakeServices.h"
#include "support/LoopbackWebServer.h"
#include "tools/ToolsKeys.h"
#include "tools/ui/DisplayIPWindow.h"
#include "tools/ui/FreeMemPanelWindow.h"
#include "tools/ui/ToolWindows.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using namespace trevalo;
using namespace std::chrono_literals;
using trevalo::test::LoopbackWebServer;
using trevalo::test::TempRoot;

/// The network address window and the free memory panel as the status menu opens them, on a copy of
/// the simulated Mac with a web server of the test's own as the lookup service.
class ToolWindowsTest : public QObject {
    Q_OBJECT

    struct Fixture : trevalo::test::FakeServices {
        LoopbackWebServer server;
        TRAppDelegate delegate{services(), [](const Services&) { return ScanOutcome{}; }};
        ToolWindows windows{delegate.toolsSubsystem()};

        Fixture() : FakeServices(TempRoot::SampleMac)
        {
            settings.setString(keys::externalAddressLookupUrl, server.url().toString());
            server.answer(200, "203.0.113.7\n");
        }
        void choose(MenuItem item) { QVERIFY(delegate.menuActions().activate(item)); }
        DisplayIPWindow* ipWindow() const { return windows.displayIPWindow(); }
        FreeMemPanelWindow* panel() const { return windows.freeMemPanelWindow(); }
        static QRect visibleArea() { return QGuiApplication::primaryScreen()->availableGeometry(); }
    };

private slots:
    void theAddressWindowOpensAtTheTopRightAndFillsItself()
    {
        Fixture fx;
        fx.choose(MenuItem::ipAddress);
        DisplayIPWindow* window = fx.ipWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        const QRect area = Fixture::visibleArea();
        const QRect frame = window->frameGeometry();
        QCOMPARE(frame.x() + frame.width(), area.x() + area.width() - 5);
        QCOMPARE(frame.y(), area.y() + 5);

        QVERIFY(window->spinner()->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return !window->spinner()->isVisible(); }, 15000));
        QCOMPARE(window->externalIP()->text(), "203.0.113.7");
        QCOMPARE(window->routerAddress()->text(), "192.168.1.1");
        QCOMPARE(window->localNode()->text(), "192.168.1.23");

        // Chosen again: the same window where the user left it, filled anew.
        window->move(frame.topLeft() + QPoint(-100, 40));
        const QPoint moved = window->pos();
        window->hide();
        fx.server.answer(500, "<html>Internal Server Error</html>", "text/html");
        fx.choose(MenuItem::ipAddress);
        QCOMPARE(fx.ipWindow(), window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->pos(), moved);
        QVERIFY(QTest::qWaitFor([&] { return !window->spinner()->isVisible(); }, 15000));
        QCOMPARE(window->externalIP()->text(), "No connection");
    }

    void refreshLooksUpAgainWithTheSpinner()
    {
        Fixture fx;
        fx.choose(MenuItem::ipAddress);
        DisplayIPWindow* window = fx.ipWindow();
        QVERIFY(QTest::qWaitFor([&] { return !window->spinner()->isVisible(); }, 15000));
        fx.machine.write("/.sim/state/network", "offline\n");
        fx.server.answer(200, "2001:db8::5\n");
        QTest::mouseClick(window->refreshButton(), Qt::LeftButton);
        QVERIFY(window->spinner()->isVisible());
        QVERIFY(QTest::qWaitFor([&] { return !window->spinner()->isVisible(); }, 15000));
        QCOMPARE(window->externalIP()->text(), "2001:db8::5");
        QCOMPARE(window->routerAddress()->text(), "No connection");
        QCOMPARE(window->localNode()->text(), "127.0.0.1");
    }

    void thePanelPurgesAndReportsTheOutcome()
    {
        Fixture fx;
        fx.choose(MenuItem::freeMemory);
        FreeMemPanelWindow* panel = fx.panel();
        QVERIFY(panel && panel->isVisible());
        const QRect area = Fixture::visibleArea();
        const QRect frame = panel->frameGeometry();
        QCOMPARE(frame.x() + frame.width(), area.x() + area.width() - 5);
        QCOMPARE(frame.y(), area.y() + 153);
        QVERIFY(QTest::qWaitFor([&] { return !panel->memoryUsage()->text().isEmpty(); }, 15000));
        QCOMPARE(panel->memoryUsage()->text(), "PhysMem: 15G used (2097M wired), 1187M unused.");

        TRFreeMemPanel* controller = fx.delegate.toolsSubsystem().aHud();
        controller->setMessageDuration(300ms);
        struct Step {
            const char* prompt;
            const char* msg;
            const char* memory;
        } steps[] = {
            {"cancel\n", "purge cancelled", "PhysMem: 15G used (2097M wired), 1187M unused."},
            {"accept\n", "purge done", "PhysMem: 12G used (2081M wired), 4263M unused."},
        };
        for (const Step& step : steps) {
            fx.machine.write("/.sim/state/admin-prompt", step.prompt);
            QTest::mouseClick(panel->purgeButton(), Qt::LeftButton);
            QVERIFY(panel->spinner()->isVisible());
            QVERIFY(!panel->purgeButton()->isEnabled()); // one purge at a time
            QVERIFY(QTest::qWaitFor([&] { return !panel->spinner()->isVisible(); }, 15000));
            QCOMPARE(panel->msg()->text(), step.msg);
            QCOMPARE(panel->memoryUsage()->text(), step.memory);
            QVERIFY(panel->purgeButton()->isEnabled());
            QVERIFY(QTest::qWaitFor([&] { return panel->msg()->text().isEmpty(); }, 5000));
        }
    }

    void visitWebsiteOpensTheProductPage()
    {
        Fixture fx;
        fx.choose(MenuItem::visitWebsite);
        QCOMPARE(fx.workspace.opened, QStringList{"https://www.quorvex.com/trevalo2"});
    }
};

QTEST_MAIN(ToolWindowsTest)
#include "tool_windows_test.moc"
