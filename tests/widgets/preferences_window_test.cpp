#include "app/SettingsKeys.h"
#include "app/TRAppDelegate.h"
#include "app/ui/PreferencesWindow.h"
#include "support/FakeServices.h"
#include "taskpad/TaskPadFormat.h"
#include "taskpad/TaskPadKeys.h"
#include "taskpad/ui/ListWindow.h"
#include "taskpad/ui/ListWindowHost.h"

#include <QAbstractButton>
#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

using namespace trevalo;

/// The preferences window: what its controls show, and what a click stores and changes in the menu.
class PreferencesWindowTest : public QObject {
    Q_OBJECT

    static inline const QString kTaskPad = "/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp";

    struct Fixture : trevalo::test::FakeServices {
        std::unique_ptr<TRAppDelegate> delegate;
        std::unique_ptr<ListWindowHost> listWindows;

        Fixture()
        {
            // System Events keeps the login item in a file beside the stand-in; with the .fail file there
            // it refuses every change. Each call is logged.
            machine.script("/usr/bin/osascript", R"(echo "$2" >> "$0.calls"
case "$2" in
*'exists login item'*) [ -f "$0.item" ] && echo true || echo false ;;
*'make new login item'*) [ -f "$0.fail" ] && exit 1; touch "$0.item" ;;
*'delete login item'*) [ -f "$0.fail" ] && exit 1; rm -f "$0.item" ;;
esac)");
            volumes.space = {100'000'000'000, 40'000'000'000};
        }
        void launch()
        {
            delegate = std::make_unique<TRAppDelegate>(services());
            delegate->applicationDidFinishLaunching({.runScan = false, .startTimer = false});
            listWindows = std::make_unique<ListWindowHost>(delegate->taskPad());
            bindPreferencesWindow(delegate->preferences(), *listWindows);
        }
        /// "Garden" in the task pad file, "Holiday" in another; the list window is open on the first
        /// with "Garden" renamed "Orchard" and not saved yet.
        ListWindow* openListWithAChangeNotSaved()
        {
            ListItem top{QString()};
            ListItem* task = top.insertChild(0, std::make_unique<ListItem>("Garden"));
            machine.write(kTaskPad, writeTaskPad(top, clock.now()));
            task->setName("Holiday");
            machine.write("/Users/robin/Documents/other.tp", writeTaskPad(top, clock.now()));
            launch();
            delegate->displayLists(TaskPad::OpenedFrom::MenuItem);
            ListWindow* list = listWindows->listWin();
            list->ovc().displayOrder().first()->setName("Orchard");
            return list;
        }
        PreferencesWindow& open()
        {
            delegate->menuActions().activate(MenuItem::openPrefs);
            PreferencesWindow& w = PreferencesWindow::sharedController(delegate->preferences());
            [&] { QVERIFY(QTest::qWaitForWindowExposed(&w)); }();
            return w;
        }
        template <typename T> T* control(PreferencesWindow& w, const char* name) const
        {
            T* found = w.findChild<T*>(QString::fromLatin1(name));
            [&] { QVERIFY2(found, name); }();
            return found;
        }
        QCheckBox* box(PreferencesWindow& w, const char* name) const { return control<QCheckBox>(w, name); }
        void loginItemThere(bool there) const
        {
            if (there)
                machine.write("/usr/bin/osascript.item", "");
            else
                QFile::remove(machine.host("/usr/bin/osascript.item"));
        }
        bool loginItemThere() const { return QFile::exists(machine.host("/usr/bin/osascript.item")); }
        void scriptsFail() const { machine.write("/usr/bin/osascript.fail", ""); }
        QStringList scriptsRun() const
        {
            return QString::fromUtf8(machine.read("/usr/bin/osascript.calls"))
                .split('\n', Qt::SkipEmptyParts);
        }
        QVariantMap stored() const
        {
            return plistToVariant(machine.read(root.mac(root.settingsFile()))).value_or(QVariant()).toMap();
        }
        const MenuItemState& item(MenuItem which) const { return delegate->menu()[which]; }
    };

private slots:
    void eachControlShowsTheStoredValue_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("stored YES, icon 2") << true;
        QTest::newRow("stored NO, icon 0") << false;
    }
    void eachControlShowsTheStoredValue()
    {
        QFETCH(bool, on);
        Fixture f;
        f.launch();
        PreferencesWindow& w = f.open();
        w.hide();

        // The settings change while the window is hidden; it shows them when it opens again.
        for (const ItemBox& box : itemBoxes())
            f.settings.setBool(box.boxKey, box.tag % 2 == 0 ? on : !on);
        f.settings.setInteger(keys::menuBarIcon, on ? 2 : 0);
        f.settings.setBool(keys::darkMode, on);
        f.settings.setBool(keys::disableAnalyserAtLaunch, !on);
        f.settings.setBool(keys::startAtLogin, on);
        f.settings.setBool(keys::highWarning, on);
        f.settings.setBool(keys::diskEvents, on);
        f.settings.setBool(keys::allDiskEvents, on);
        f.settings.setString(keys::taskPadPathKey, on ? "/Users/robin/Documents/work.tp" : "");
        f.open();

        for (const ItemBox& box : itemBoxes())
            QCOMPARE(w.itemBox(box.tag)->isChecked(), box.tag % 2 == 0 ? on : !on);
        QVERIFY(f.control<QRadioButton>(w, on ? "radioIcon2" : "radioIcon0")->isChecked());
        QCOMPARE(f.box(w, "checkDarkMode")->isChecked(), on);
        QCOMPARE(f.box(w, "checkRunAnalyserOnLaunch")->isChecked(), on);
        QCOMPARE(f.box(w, "checkStartAtLogin")->isChecked(), on);
        QCOMPARE(f.box(w, "checkHighWarning")->isChecked(), on);
        QCOMPARE(f.box(w, "allowMountNotifs")->isChecked(), on);
        QCOMPARE(f.box(w, "checkAllDiskEvents")->isChecked(), on);
        QCOMPARE(f.control<QLabel>(w, "pathLabel")->toolTip(),
                 on ? "/Users/robin/Documents/work.tp" : kTaskPad);
    }

    void itemBoxesHideAndShowTheirItems_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("item");
        QTest::addColumn<QString>("showKey");
        QTest::newRow("1 firewall") << 1 << int(MenuItem::firewall) << keys::showFirewall;
        QTest::newRow("6 eject disks") << 6 << int(MenuItem::ejectDisks) << keys::showEjectDisks;
        QTest::newRow("9 battery") << 9 << int(MenuItem::batteryStats) << keys::showBattery;
        QTest::newRow("12 network connections") << 12 << int(MenuItem::netConnects) << keys::showNetConnects;
    }
    void itemBoxesHideAndShowTheirItems()
    {
        QFETCH(int, tag);
        QFETCH(int, item);
        QFETCH(QString, showKey);
        Fixture f;
        f.launch();
        PreferencesWindow& w = f.open();
        QCheckBox* box = w.itemBox(tag);
        QCOMPARE(box->property("tag").toInt(), tag);
        const QString boxKey = itemBoxes()[tag - 1].boxKey;

        box->click();
        QVERIFY(f.item(MenuItem(item)).hidden);
        QCOMPARE(f.storedSetting(boxKey), QVariant(false));
        QCOMPARE(f.storedSetting(showKey), QVariant(true));

        box->click();
        QVERIFY(!f.item(MenuItem(item)).hidden);
        QCOMPARE(f.storedSetting(boxKey), QVariant(true));
        QCOMPARE(f.storedSetting(showKey), QVariant(false));

        // Not a box's tag: nothing happens.
        const QVariantMap before = f.stored();
        f.delegate->preferences().itemsToHide(13, false);
        f.delegate->preferences().itemsToHide(0, false);
        QCOMPARE(f.stored(), before);
    }

    void theSystemFactsBoxHidesElevenFactsAndTheSipItemAtTheNextRefresh()
    {
        Fixture f;
        f.machine.script("/usr/bin/csrutil", "echo 'System Integrity Protection status: enabled.'");
        f.launch();
        PreferencesWindow& w = f.open();
        const MenuItem eleven[] = {MenuItem::osxnum,    MenuItem::theDisk,      MenuItem::usedSpace,
                                   MenuItem::sizeSpace, MenuItem::freeSpace,    MenuItem::uptime,
                                   MenuItem::whoami,    MenuItem::recoveryDisk, MenuItem::trimState,
                                   MenuItem::buildNo,   MenuItem::folderActs};
        QVERIFY(!f.item(MenuItem::sipState).hidden);

        f.box(w, "checkStatusInfo")->click();
        for (MenuItem fact : eleven)
            QVERIFY(f.item(fact).hidden);
        QVERIFY(!f.item(MenuItem::sipState).hidden);
        QVERIFY(!f.item(MenuItem::firewall).hidden);
        QCOMPARE(f.storedSetting("statusinfobox"), QVariant(false));
        QCOMPARE(f.storedSetting(keys::showStatusInfo), QVariant(true));
        f.delegate->refresh();
        QVERIFY(f.item(MenuItem::sipState).hidden);

        f.box(w, "checkStatusInfo")->click();
        for (MenuItem fact : eleven)
            QVERIFY(!f.item(fact).hidden);
        f.delegate->refresh();
        QVERIFY(!f.item(MenuItem::sipState).hidden);
        QCOMPARE(f.storedSetting(keys::showStatusInfo), QVariant(false));
    }

    void theIconColumnsAndDarkModeChangeTheStatusItemAtOnce()
    {
        Fixture f;
        f.launch();
        PreferencesWindow& w = f.open();
        int menuChanges = 0;
        connect(f.delegate.get(), &TRAppDelegate::menuChanged, this, [&] { ++menuChanges; });

        f.control<QRadioButton>(w, "radioIcon1")->click();
        QCOMPARE(f.delegate->menu().statusTitle, QString("40.0 GB"));
        QCOMPARE(f.storedSetting(keys::menuBarIcon), QVariant(1));
        QVERIFY(menuChanges > 0);

        f.control<QRadioButton>(w, "radioIcon2")->click();
        QCOMPARE(f.delegate->menu().statusTitle, QString("60.00%"));
        QVERIFY(!f.delegate->menu().statusTemplate);

        f.box(w, "checkDarkMode")->click();
        QVERIFY(f.delegate->menu().statusTemplate);
        QCOMPARE(f.storedSetting(keys::darkMode), QVariant(true));
        QCOMPARE(f.storedSetting(keys::menuBarIcon), QVariant(2));

        f.control<QRadioButton>(w, "radioIcon0")->click();
        QCOMPARE(f.delegate->menu().statusTitle, QString());
        QVERIFY(f.delegate->menu().statusTemplate);
    }

    void theOtherBoxesStoreTheirSettings()
    {
        Fixture f;
        f.launch();
        PreferencesWindow& w = f.open();
        f.box(w, "checkRunAnalyserOnLaunch")->click();
        QCOMPARE(f.storedSetting(keys::disableAnalyserAtLaunch), QVariant(true));
        f.box(w, "checkHighWarning")->click();
        QCOMPARE(f.storedSetting(keys::highWarning), QVariant(true));
        QVERIFY(f.delegate->statusMenu().highWarning);
        QVERIFY(!f.box(w, "checkAllDiskEvents")->isEnabled());
        f.box(w, "allowMountNotifs")->click();
        QCOMPARE(f.storedSetting(keys::diskEvents), QVariant(true));
        f.box(w, "checkAllDiskEvents")->click();
        QCOMPARE(f.storedSetting(keys::allDiskEvents), QVariant(true));
    }

    void restoreDefaultsLeavesTheBoxesAndTheIconAlone()
    {
        Fixture f;
        f.launch();
        PreferencesWindow& w = f.open();
        w.itemBox(3)->click();
        w.itemBox(11)->click();
        f.control<QRadioButton>(w, "radioIcon2")->click();
        f.box(w, "checkRunAnalyserOnLaunch")->click();
        f.box(w, "checkHighWarning")->click();
        f.box(w, "allowMountNotifs")->click();
        const QStringList scriptsBefore = f.scriptsRun();
        QVariantMap expected = f.stored();
        expected[keys::disableAnalyserAtLaunch] = false;
        expected[keys::startAtLogin] = true;
        expected[keys::highWarning] = false;

        f.control<QPushButton>(w, "restoreDefaults")->click();
        QCOMPARE(f.stored(), expected);
        QCOMPARE(f.scriptsRun(), scriptsBefore); // the login item follows at the next start
        QVERIFY(!f.delegate->statusMenu().highWarning);
        QVERIFY(!w.itemBox(3)->isChecked());
        QVERIFY(!w.itemBox(11)->isChecked());
        QVERIFY(w.itemBox(1)->isChecked());
        QVERIFY(f.control<QRadioButton>(w, "radioIcon2")->isChecked());
        QVERIFY(f.box(w, "checkRunAnalyserOnLaunch")->isChecked());
        QVERIFY(f.box(w, "checkStartAtLogin")->isChecked());
        QVERIFY(!f.box(w, "checkHighWarning")->isChecked());
        QVERIFY(f.box(w, "allowMountNotifs")->isChecked());
    }

    void startAtLoginShowsWhetherTheLoginItemIsThere_data()
    {
        QTest::addColumn<bool>("before");
        QTest::addColumn<bool>("scriptsFail");
        QTest::addColumn<bool>("after");
        QTest::newRow("on") << false << false << true;
        QTest::newRow("off") << true << false << false;
        QTest::newRow("on, the adding fails") << false << true << false;
        QTest::newRow("off, the removal fails") << true << true << true;
    }
    void startAtLoginShowsWhetherTheLoginItemIsThere()
    {
        QFETCH(bool, before);
        QFETCH(bool, scriptsFail);
        QFETCH(bool, after);
        Fixture f;
        f.settings.setBool(keys::startAtLogin, before);
        f.launch();
        f.loginItemThere(before);
        if (scriptsFail)
            f.scriptsFail();
        PreferencesWindow& w = f.open();
        QCheckBox* box = f.box(w, "checkStartAtLogin");
        QCOMPARE(box->isChecked(), before);

        box->click();
        QCOMPARE(f.loginItemThere(), after);
        QCOMPARE(box->isChecked(), after);
        QCOMPARE(f.storedSetting(keys::startAtLogin), QVariant(after));
        QCOMPARE(f.item(MenuItem::startAtLogin).marked, after);
        QVERIFY(f.scriptsRun().last().contains("exists login item"));
    }

    void choosingATaskPadFileSavesTheOpenListFirst()
    {
        Fixture f;
        ListWindow* list = f.openListWithAChangeNotSaved();
        QVERIFY(list && list->isVisible());

        PreferencesWindow& w = f.open();
        w.chooseTaskPadFile = [] { return QString(); };
        f.control<QPushButton>(w, "choosePath")->click();
        QCOMPARE(f.listWindows->listWin(), list); // cancelled: nothing changes
        QCOMPARE(f.settings.stringForKey(keys::taskPadPathKey), kTaskPad);

        w.chooseTaskPadFile = [&] { return f.machine.host("/Users/robin/Documents/other.tp"); };
        f.control<QPushButton>(w, "choosePath")->click();
        QString error;
        const auto saved = readTaskPad(f.machine.read(kTaskPad), error);
        QVERIFY2(saved, qPrintable(error));
        QCOMPARE(saved->root->children().at(0)->name(), QString("Orchard"));
        QCOMPARE(f.listWindows->listWin(), nullptr);
        QCOMPARE(f.storedSetting(keys::taskPadPathKey), QVariant("/Users/robin/Documents/other.tp"));
        QCOMPARE(f.control<QLabel>(w, "pathLabel")->toolTip(), QString("/Users/robin/Documents/other.tp"));

        // The window opens again on the chosen file.
        f.delegate->displayLists(TaskPad::OpenedFrom::MenuItem);
        QCOMPARE(f.listWindows->listWin()->ovc().displayOrder().first()->name(), QString("Holiday"));
    }

    void aTaskPadFileChangedOutsideKeepsTheListAndTheFile()
    {
        Fixture f;
        ListWindow* list = f.openListWithAChangeNotSaved();
        const QByteArray changed = f.machine.read(kTaskPad) + " ";
        f.machine.write(kTaskPad, changed);

        PreferencesWindow& w = f.open();
        w.chooseTaskPadFile = [&] { return f.machine.host("/Users/robin/Documents/other.tp"); };
        f.control<QPushButton>(w, "choosePath")->click();
        QVERIFY(f.listWindows->listWin() == list); // kept, with its change
        QCOMPARE(list->ovc().displayOrder().first()->name(), QString("Orchard"));
        QCOMPARE(f.machine.read(kTaskPad), changed);
        QCOMPARE(f.settings.stringForKey(keys::taskPadPathKey), kTaskPad);
        QCOMPARE(f.control<QLabel>(w, "pathLabel")->toolTip(), kTaskPad);
        // The list window offers to save the list elsewhere.
        QTRY_VERIFY(list->attachedSheet() && list->attachedSheet()->isVisible());
        QCOMPARE(list->attachedSheet()->objectName(), QString("saveAsPanel"));
    }

    void theMenuAndTheTaskPadOpenTheOneWindowOnTheGeneralTab()
    {
        Fixture f;
        f.launch();
        PreferencesWindow& w = f.open();
        QCOMPARE(w.currentTab(), 0);
        w.findChild<QAction*>("Analyser")->trigger();
        QCOMPARE(w.currentTab(), 2);
        w.close();

        f.delegate->displayLists(TaskPad::OpenedFrom::MenuItem);
        ListWindow* list = f.listWindows->listWin();
        QMenu* actions = list->findChild<QToolButton*>("actionMenu")->menu();
        for (QAction* action : actions->actions()) {
            if (action->text().startsWith("Task Pad Location"))
                action->trigger();
        }
        QVERIFY(!list->isVisible());
        QCOMPARE(&PreferencesWindow::sharedController(f.delegate->preferences()), &w);
        QVERIFY(w.isVisible());
        QCOMPARE(w.currentTab(), 0);
        QVERIFY(w.findChild<QAction*>("General")->isChecked());
    }

    void helpOpensTheHelpPage()
    {
        Fixture f;
        f.machine.script("/usr/bin/open", R"(printf '%s\n' "$@" > "$0.args")");
        f.launch();
        PreferencesWindow& w = f.open();
        f.control<QPushButton>(w, "help")->click();
        f.runner.waitForDetached();
        QCOMPARE(QString::fromUtf8(f.machine.read("/usr/bin/open.args")).trimmed(),
                 QString::fromLatin1(Preferences::kHelpPage));
    }
};

QTEST_MAIN(PreferencesWindowTest)
#include "preferences_window_test.moc"
