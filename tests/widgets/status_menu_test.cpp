#include "app/SettingsKeys.h"
#include "app/TRAppDelegate.h"
#include "app/ui/StatusMenuView.h"
#include "support/FakeServices.h"

#include <QtTest>

using namespace trevalo;
using trevalo::test::TempRoot;

/// The status menu's widgets follow the model: hidden items, marks, titles and greyed tools.
class StatusMenuTest : public QObject {
    Q_OBJECT

    struct Fixture : trevalo::test::FakeServices {
        std::unique_ptr<TRAppDelegate> delegate;
        std::unique_ptr<StatusMenuView> view;

        Fixture()
        {
            machine.script(
                "/usr/sbin/system_profiler",
                "[ \"$1\" = SPFirewallDataType ] && printf 'Firewall:\\n\\n      Firewall Settings:\\n\\n"
                "          Mode: Block all incoming connections\\n'");
            machine.script("/usr/bin/sw_vers",
                           "printf 'ProductName:\\tMac OS X\\nProductVersion:\\t10.15.7\\n"
                           "BuildVersion:\\t19H2\\n'");
            machine.script("/usr/bin/csrutil", "echo 'System Integrity Protection status: enabled.'");
            volumes.space = {100'000'000'000, 50'000'000'000};
        }
        void launch()
        {
            delegate = std::make_unique<TRAppDelegate>(services());
            delegate->applicationDidFinishLaunching({.runScan = false, .startTimer = false});
            view = std::make_unique<StatusMenuView>(*delegate);
            QObject::connect(view.get(), &StatusMenuView::aboutToShow, delegate.get(),
                             &TRAppDelegate::menuNeedsUpdate);
            QObject::connect(delegate.get(), &TRAppDelegate::menuChanged, view.get(), &StatusMenuView::sync);
        }
        void openMenu() { emit view->aboutToShow(); }
    };

    static constexpr MenuItem kSystemFacts[] = {
        MenuItem::osxnum,       MenuItem::buildNo,   MenuItem::theDisk,  MenuItem::sizeSpace,
        MenuItem::usedSpace,    MenuItem::freeSpace, MenuItem::uptime,   MenuItem::whoami,
        MenuItem::recoveryDisk, MenuItem::trimState, MenuItem::sipState, MenuItem::folderActs};

private slots:
    void statusInfoHidesExactlyTheTwelveFacts()
    {
        Fixture fx;
        fx.settings.setBool(keys::showStatusInfo, true);
        fx.launch();
        fx.openMenu();
        for (MenuItem item : kSystemFacts)
            QVERIFY2(!fx.view->action(item)->isVisible(), qPrintable(fx.delegate->menu()[item].title));
        for (const MenuItemSpec& spec : statusMenuLayout()) {
            if (spec.kind == ItemKind::Tool || spec.kind == ItemKind::Submenu)
                QVERIFY2(fx.view->action(spec.item)->isVisible(), spec.title);
        }
    }

    void showKeysHideTheirItems_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("item");
        QTest::newRow("firewall") << keys::showFirewall << int(MenuItem::firewall);
        QTest::newRow("battery") << keys::showBattery << int(MenuItem::batteryStats);
        QTest::newRow("eject disks") << keys::showEjectDisks << int(MenuItem::ejectDisks);
        QTest::newRow("ram disk") << keys::showRamDisk << int(MenuItem::ramDisk);
    }
    void showKeysHideTheirItems()
    {
        QFETCH(QString, key);
        QFETCH(int, item);
        Fixture fx;
        fx.settings.setBool(key, true);
        fx.launch();
        fx.openMenu();
        QVERIFY(!fx.view->action(MenuItem(item))->isVisible());
        QVERIFY(fx.view->action(MenuItem::osxnum)->isVisible());
    }

    void marksAndTitlesFollowTheReadings()
    {
        Fixture fx;
        fx.launch();
        fx.openMenu();
        QAction* firewall = fx.view->action(MenuItem::firewall);
        QVERIFY(firewall->isCheckable() && firewall->isChecked());
        // The tool's tab and line feed are not shown as a shortcut or a second line.
        QCOMPARE(fx.view->action(MenuItem::osxnum)->text(), QStringLiteral("OSX:    10.15.7"));
        QCOMPARE(fx.view->action(MenuItem::sipState)->text(), QStringLiteral("   SIP:     ON"));
        // The level shows as the disk line's icon.
        QVERIFY(!fx.view->action(MenuItem::theDisk)->icon().isNull());
        QVERIFY(!fx.view->action(MenuItem::levelIndicator)->isVisible());
        QVERIFY(!fx.view->action(MenuItem::dockLeft)->isChecked());
    }

    void menuShowsBeforeASlowToolAnswersThenUpdatesInPlace()
    {
        Fixture fx;
        fx.machine.script("/usr/bin/uptime",
                          "sleep 1; echo '10:00  up 3 days,  1:00, 1 user, load averages: 1 1 1'");
        fx.launch();
        fx.delegate->statusMenu().setReadMode(StatusMenuController::ReadMode::Background);
        QAction* uptime = fx.view->action(MenuItem::uptime);
        const QString before = uptime->text();

        fx.view->menu()->popup(QPoint(10, 10));
        QVERIFY(fx.view->menu()->isVisible());
        QVERIFY(fx.delegate->statusMenu().isRefreshing());
        QCOMPARE(uptime->text(), before);
        QTRY_COMPARE_WITH_TIMEOUT(uptime->text(), QStringLiteral("Uptime:  3 days,  1:00"), 15000);
        QVERIFY(fx.view->menu()->isVisible());
    }

    void toolsWithoutAnActionAreGreyedAndChoosingCallsTheDelegate()
    {
        Fixture fx;
        fx.launch();
        fx.delegate->menuActions().unbind(MenuItem::flushDNSCache);
        fx.view->sync();
        QVERIFY(!fx.view->action(MenuItem::flushDNSCache)->isEnabled());
        int chosen = 0;
        fx.delegate->menuActions().bind(MenuItem::flushDNSCache, [&] { ++chosen; });
        fx.view->sync();
        QVERIFY(fx.view->action(MenuItem::flushDNSCache)->isEnabled());
        fx.view->action(MenuItem::flushDNSCache)->trigger();
        QCOMPARE(chosen, 1);
        QVERIFY(fx.view->action(MenuItem::osxnum)->isEnabled()); // facts read as text, not greyed
    }
};

QTEST_MAIN(StatusMenuTest)
#include "status_menu_test.moc"
