#include "analyser/AnalyserKeys.h"
#include "analyser/TRAnalyser.h"
#include "app/SettingsKeys.h"
#include "app/TRAppDelegate.h"
#include "support/FakeServices.h"

#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::TempRoot;

namespace {

/// A delegate on an empty Mac with recording seams; the scan is counted, not run.
class StartupTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    int scans = 0;

    std::unique_ptr<TRAppDelegate> launch()
    {
        auto delegate = std::make_unique<TRAppDelegate>(services(), [this](const Services&) {
            ++scans;
            return ScanOutcome{};
        });
        delegate->applicationDidFinishLaunching({.runScan = true, .startTimer = false});
        return delegate;
    }
    Settings reloaded() const { return Settings(root.settingsFile()); }
};

TEST_F(StartupTest, FirstStartFillsAnEmptyDomain)
{
    volumes.space = {500'000'000'000, 125'000'000'000};
    const auto delegate = launch();
    const Settings stored = reloaded();
    for (const char* key : keys::startupFlags) {
        EXPECT_TRUE(stored.contains(key)) << key;
        EXPECT_FALSE(stored.boolForKey(key)) << key;
    }
    for (const char* key : keys::boxes)
        EXPECT_TRUE(stored.boolForKey(key)) << key;
    EXPECT_TRUE(stored.contains(keys::menuBarIcon));
    EXPECT_EQ(stored.integerForKey(keys::menuBarIcon), 0);
    EXPECT_EQ(stored.stringForKey(keys::lastAnalyserRun), "09/12/26 08:05");
    // Keys nobody asked for stay absent.
    for (const char* key : {keys::showBattery, keys::showEjectDisks, keys::whitelist, keys::startAtLogin})
        EXPECT_FALSE(stored.contains(key)) << key;
    EXPECT_EQ(scans, 1);
    EXPECT_TRUE(QFileInfo(machine.host(root.supportFolder())).isDir());
    EXPECT_DOUBLE_EQ(delegate->statusMenu().t, 500);
    EXPECT_DOUBLE_EQ(delegate->statusMenu().f, 125);
    EXPECT_DOUBLE_EQ(delegate->statusMenu().percent, 75);
}

TEST_F(StartupTest, KeepsWhatTheUserChose)
{
    settings.setBool(keys::showFirewall, true);
    settings.setBool("firewallbox", false);
    settings.setInteger(keys::menuBarIcon, 2);
    settings.setString(keys::lastAnalyserRun, "01/02/25 10:00");
    settings.synchronize();
    launch();
    const Settings stored = reloaded();
    EXPECT_TRUE(stored.boolForKey(keys::showFirewall));
    EXPECT_FALSE(stored.boolForKey("firewallbox"));
    EXPECT_EQ(stored.integerForKey(keys::menuBarIcon), 2);
    EXPECT_EQ(stored.stringForKey(keys::lastAnalyserRun), "01/02/25 10:00");
}

TEST_F(StartupTest, WhetherTheScanRunsAtLaunch)
{
    struct Case {
        const char* name;
        bool secCenter;
        bool disabled;
        int scans;
    } cases[] = {
        {"default", false, false, 1},
        {"disabled", false, true, 0},
        {"one-shot request wins over disabled", true, true, 1},
        {"one-shot request", true, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        scans = 0;
        settings.setBool(keys::secCenter, c.secCenter);
        settings.setBool(keys::disableAnalyserAtLaunch, c.disabled);
        launch();
        EXPECT_EQ(scans, c.scans);
        EXPECT_TRUE(reloaded().contains(keys::secCenter) || !c.secCenter);
        EXPECT_FALSE(reloaded().boolForKey(keys::secCenter));
    }
}

TEST_F(StartupTest, StartAtLoginRegistersTheLoginItemEveryStart)
{
    machine.script("/usr/bin/osascript",
                   QStringLiteral("printf '%s\\n' \"$@\" >> '%1'").arg(machine.host("/calls")).toUtf8());
    launch();
    // The profile run at the end of the Analyser's set-up reads the login items; it adds none.
    EXPECT_FALSE(machine.read("/calls").contains("make new login item"));

    settings.setBool(keys::startAtLogin, true);
    launch();
    const QString calls = QString::fromUtf8(machine.read("/calls"));
    EXPECT_TRUE(calls.contains("tell application \"System Events\"\nname of every login item\n"
                               "if (login item \"Trevalo 2\" exists) is false then\n"));
    EXPECT_TRUE(calls.contains("make new login item at end of login items with properties {path:aPath, "
                               "hidden:false, kind:\"Application\", name:\"Trevalo 2\"}\nend if\nend tell"));
    EXPECT_TRUE(reloaded().boolForKey(keys::startAtLogin));
}

TEST_F(StartupTest, QuittingSavesTitleAndDarkMode)
{
    settings.setString(keys::menuBarTitle, "63.27%");
    settings.setBool(keys::darkMode, true);
    auto delegate = launch();
    EXPECT_TRUE(delegate->statusMenu().darkModeItem);
    delegate->menu().statusTitle = "12.3 GB";
    delegate->statusMenu().darkModeItem = false;
    delegate->applicationWillTerminate();
    EXPECT_EQ(reloaded().stringForKey(keys::menuBarTitle), "12.3 GB");
    EXPECT_FALSE(reloaded().boolForKey(keys::darkMode));

    delegate->menu().statusTitle.clear();
    delegate->applicationWillTerminate();
    EXPECT_FALSE(reloaded().contains(keys::menuBarTitle));
}

TEST_F(StartupTest, NotificationClickOpensTheAnalyser)
{
    auto delegate = launch();
    int shown = 0;
    QObject::connect(&delegate->analyserSubsystem(), &Analyser::controllerCreated, [&] { ++shown; });
    Notification withButton;
    emit notifier.activated(withButton);
    Notification warning;
    warning.hasActionButton = false;
    emit notifier.activated(warning);
    EXPECT_EQ(shown, 2); // a disk-space warning has no button, and opens the Analyser all the same
}

TEST_F(StartupTest, LastrunPropertyReadsTheStoredRun)
{
    auto delegate = launch();
    EXPECT_EQ(delegate->lastrun(), "09/12/26 08:05");
    settings.remove(keys::lastAnalyserRun);
    EXPECT_EQ(delegate->lastrun(), "(null)");
}

} // namespace

namespace {

TEST_F(StartupTest, StatusItemClickFollowsTheModifierKeys)
{
    auto delegate = launch();
    QStringList opened;
    // The status item opens the task pad as itself, so that an attached window hangs from it.
    QObject::connect(&delegate->taskPad(), &TaskPad::windowRequested, [&](TaskPad::OpenedFrom from, bool) {
        opened << (from == TaskPad::OpenedFrom::StatusItem ? "task pad" : "task pad from a menu item");
    });
    delegate->menuActions().bind(MenuItem::superSearch, [&] { opened << "search"; });
    using O = TRAppDelegate::ClickOutcome;
    struct Case {
        const char* name;
        TRAppDelegate::Modifiers keys;
        O outcome;
        const char* opened;
    } cases[] = {
        {"plain click pops the menu up", {}, O::PopUpMenu, nullptr},
        {"control does nothing", {.control = true, .option = true}, O::Nothing, nullptr},
        {"option opens the task pad", {.option = true, .shift = true}, O::TaskPad, "task pad"},
        {"shift opens SuperSearch", {.shift = true, .command = true}, O::SuperSearch, "search"},
        {"command does nothing", {.command = true}, O::Nothing, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        opened.clear();
        EXPECT_EQ(delegate->itemClicked(c.keys), c.outcome);
        EXPECT_EQ(opened, c.opened ? QStringList{c.opened} : QStringList());
    }

    // The menu's Task Pad item: the search window gives way first.
    int searchClosed = 0;
    QObject::connect(&delegate->searchSubsystem(), &SuperSearch::closeRequested, [&] { ++searchClosed; });
    opened.clear();
    delegate->menuActions().activate(MenuItem::displayLists);
    EXPECT_EQ(opened, QStringList{"task pad from a menu item"});
    EXPECT_EQ(searchClosed, 1);
}

} // namespace

namespace {

TEST_F(StartupTest, RestoredTitleGivesWayToTheFirstRefresh)
{
    settings.setString(keys::menuBarTitle, "99.99%");
    settings.setInteger(keys::menuBarIcon, 1);
    volumes.space = {500'000'000'000, 12'340'000'000};
    auto delegate = launch();
    EXPECT_EQ(delegate->menu().statusTitle, "12.3 GB");
}

TEST_F(StartupTest, StatusInfoHidesTheTwelveFactsAtStart)
{
    settings.setBool(keys::showStatusInfo, true);
    settings.setBool(keys::showEjectDisks, true);
    auto delegate = launch();
    int hidden = 0;
    for (const MenuItemSpec& spec : statusMenuLayout()) {
        if (spec.kind == ItemKind::SystemFact) {
            EXPECT_FALSE(delegate->menu().isVisible(spec.item)) << spec.title;
            ++hidden;
        } else if (spec.kind == ItemKind::Tool && spec.item != MenuItem::separator) {
            EXPECT_TRUE(delegate->menu().isVisible(spec.item)) << spec.title;
        }
    }
    EXPECT_EQ(hidden, 12);
    EXPECT_FALSE(delegate->menu().isVisible(MenuItem::ejectDisks));
}

} // namespace
