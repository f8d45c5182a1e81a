#include "app/MenuActions.h"

#include "analyser/Analyser.h"
#include "app/TRAppDelegate.h"

namespace trevalo {

bool MenuActions::activate(MenuItem item) const
{
    const auto it = m_actions.constFind(item);
    if (it == m_actions.constEnd())
        return false;
    it.value()();
    return true;
}

bool MenuActions::activateEntry(MenuItem submenu, const VolumeMenuEntry& entry) const
{
    const auto it = m_entryActions.constFind(submenu);
    if (it == m_entryActions.constEnd())
        return false;
    it.value()(entry);
    return true;
}

namespace {

/// The disk tools and the system toggles. A toggle's new mark shows at once; the next opening of the
/// menu reads the real state again.
void bindDiskAndToggleActions(MenuActions& actions, TRAppDelegate& app)
{
    DiskTools& disks = app.toolsSubsystem().disks();
    SystemToggles& toggles = app.toolsSubsystem().toggles();
    StatusMenuModel& menu = app.menu();

    actions.bindEntries(MenuItem::ejectDisks, [&disks](const VolumeMenuEntry& e) { disks.ejectAllDisks(e); });
    actions.bindEntries(MenuItem::mountDisks, [&disks](const VolumeMenuEntry& e) { disks.mountDisks(e); });
    actions.bind(MenuItem::ramDisk, [&disks] { disks.tempDisk(); });
    actions.bind(MenuItem::encryptedDisk, [&disks] { disks.encryptedDisk(); });

    for (const auto& [item, tag] : {std::pair{MenuItem::dockLeft, DockTag::left},
                                    {MenuItem::dockRight, DockTag::right},
                                    {MenuItem::dockBottom, DockTag::bottom},
                                    {MenuItem::isHiding, DockTag::hiding},
                                    {MenuItem::mini, DockTag::mini}}) {
        // An init-capture: clang, which the lint runs on, cannot capture a structured binding before 16.
        actions.bind(item, [&toggles, &menu, tag = tag] {
            toggles.dockPosition(int(tag), menu[MenuItem::isHiding].marked, menu[MenuItem::mini].marked);
        });
    }
    auto toggle = [&menu](MenuItem item, bool (SystemToggles::*action)(bool), SystemToggles& t) {
        return [&menu, item, action, &t] { menu[item].marked = (t.*action)(menu[item].marked); };
    };
    actions.bind(MenuItem::invisibleFiles,
                 toggle(MenuItem::invisibleFiles, &SystemToggles::toggleInvisibleFiles, toggles));
    actions.bind(MenuItem::userLib, toggle(MenuItem::userLib, &SystemToggles::toggleUserLib, toggles));
    actions.bind(MenuItem::startAtLogin, [&toggles, &menu] {
        menu[MenuItem::startAtLogin].marked =
            toggles.startAtLogin(menu[MenuItem::startAtLogin].marked, QString::fromLatin1(kBundleIdentifier));
    });
    actions.bind(MenuItem::flushDNSCache, [&toggles] { toggles.flushDNSCache(); });
    actions.bind(MenuItem::fanSpeed, [&toggles] { toggles.getFanSpeed(); });
    actions.bind(MenuItem::loginItems, [&toggles] { toggles.loginItems(); });
    actions.bind(MenuItem::removeAllLogins, [&toggles] { toggles.removeAllLogins(); });
    actions.bind(MenuItem::firewall, [&toggles] { toggles.firewallStatus(); });
    actions.bind(MenuItem::batteryStats, [&toggles] { toggles.batteryStats(); });
    actions.bind(MenuItem::netConnects, [&toggles] { toggles.getNetworksConnections(); });
}

} // namespace

void bindMenuActions(MenuActions& actions, TRAppDelegate& app)
{
    Analyser& analyser = app.analyserSubsystem();

    // Analyser.
    actions.bind(MenuItem::analyseNow, [&analyser] { analyser.analyser(); });
    actions.bind(MenuItem::showAnalyser, [&analyser] { analyser.showAnalyser(); });

    // Quick tools.
    actions.bind(MenuItem::ipAddress, [&app] { app.displayIP(); });
    actions.bind(MenuItem::freeMemory, [&app] { app.freeMem(); });
    actions.bind(MenuItem::visitWebsite, [&app] { app.visitWebsite(); });
    bindDiskAndToggleActions(actions, app);
    // SuperSearch.
    actions.bind(MenuItem::superSearch, [&app] { app.openSearchWin(); });
    // Task pad.
    actions.bind(MenuItem::displayLists, [&app] { app.displayLists(TaskPad::OpenedFrom::MenuItem); });

    // The program.
    actions.bind(MenuItem::openPrefs, [&app] { app.openPrefs(); });
    actions.bind(MenuItem::quitTheApp, [&app] { app.quitTheApp(); });
}

} // namespace trevalo
