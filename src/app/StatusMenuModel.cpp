#include "app/StatusMenuModel.h"

#include "app/SettingsKeys.h"

#include <array>

namespace trevalo {

namespace {

using M = MenuItem;
constexpr M top = M::separator;

// Titles of fact items are what the menu shows before the first reading.
constexpr std::array kLayout = std::to_array<MenuItemSpec>({
    {M::osxnum, "OSX:  ", nullptr, top, true},
    {M::buildNo, "Build: ", nullptr, top, true},
    {M::sipState, "   SIP:     ", nullptr, top, true},
    {M::separator, "", nullptr, top, false},
    {M::theDisk, "Disk:      ", nullptr, top, true},
    {M::levelIndicator, "", nullptr, top, false},
    {M::sizeSpace, "   -size", nullptr, top, true},
    {M::usedSpace, "   -used", nullptr, top, true},
    {M::freeSpace, "   -free", nullptr, top, true},
    {M::trimState, "   TRIM:  ", nullptr, top, true},
    {M::recoveryDisk, "Recovery Disk: ", nullptr, top, true},
    {M::separator, "", nullptr, top, false},
    {M::uptime, "Uptime: ", nullptr, top, true},
    {M::whoami, "User:       ", nullptr, top, true},
    {M::folderActs, "Folder Actions: ", nullptr, top, true},
    {M::hardware, "Hardware", nullptr, top, false},
    {M::HWMenu1, "", nullptr, M::hardware, false},
    {M::HWMenu2, "", nullptr, M::hardware, false},
    {M::HWMenu3, "", nullptr, M::hardware, false},
    {M::HWMenu4, "", nullptr, M::hardware, false},
    {M::HWMenu5, "", nullptr, M::hardware, false},
    {M::HWMenu6, "", nullptr, M::hardware, false},
    {M::HWMenu7, "", nullptr, M::hardware, false},
    {M::HWMenu8, "", nullptr, M::hardware, false},
    {M::HWMenu9, "", nullptr, M::hardware, false},
    {M::HWMenu10, "", nullptr, M::hardware, false},
    {M::HWMenu11, "", nullptr, M::hardware, false},
    {M::HWMenu12, "", nullptr, M::hardware, false},
    {M::separator, "", nullptr, top, false},
    {M::analyseNow, "Analyse Now", nullptr, top, false},
    {M::showAnalyser, "Show Analyser", nullptr, top, false},
    {M::lastRun, " Last run: ", nullptr, top, false},
    {M::superSearch, "SuperSearch…", nullptr, top, false},
    {M::displayLists, "Task Pad…", nullptr, top, false},
    {M::separator, "", nullptr, top, false},
    {M::dock, "Dock", nullptr, top, false},
    {M::dockLeft, "Position Left", nullptr, M::dock, false},
    {M::dockBottom, "Position Bottom", nullptr, M::dock, false},
    {M::dockRight, "Position Right", nullptr, M::dock, false},
    {M::isHiding, "Automatically Hide", nullptr, M::dock, false},
    {M::mini, "Smallest Size", nullptr, M::dock, false},
    {M::invisibleFiles, " Invisible Files", keys::showInvisibleFiles, top, false},
    {M::userLib, " User Library", keys::showUserLibrary, top, false},
    {M::firewall, " Firewall", keys::showFirewall, top, false},
    {M::separator, "", nullptr, top, false},
    {M::ejectDisks, "Eject", keys::showEjectDisks, top, false},
    {M::mountDisks, "Mount", nullptr, top, false},
    {M::ramDisk, "RAM Disk…", keys::showRamDisk, top, false},
    {M::encryptedDisk, "Encrypted Disk Image…", nullptr, top, false},
    {M::separator, "", nullptr, top, false},
    {M::flushDNSCache, "Flush DNS Cache", keys::showFlushDns, top, false},
    {M::freeMemory, "Free Memory…", keys::showFreeMemory, top, false},
    {M::fanSpeed, "Fan Speed", keys::showFanSpeed, top, false},
    {M::batteryStats, "Battery", keys::showBattery, top, false},
    {M::netConnects, "Network Connections", keys::showNetConnects, top, false},
    {M::ipAddress, "IP Addresses…", keys::showIpAddress, top, false},
    {M::separator, "", nullptr, top, false},
    {M::loginItemsMenu, "Login Items", nullptr, top, false},
    {M::loginItems, "Show Login Items", nullptr, M::loginItemsMenu, false},
    {M::removeAllLogins, "Remove All Login Items…", nullptr, M::loginItemsMenu, false},
    {M::startAtLogin, "Open Trevalo 2 at Login", nullptr, M::loginItemsMenu, false},
    {M::openPrefs, "Preferences…", nullptr, top, false},
    {M::visitWebsite, "Visit Website", nullptr, top, false},
    {M::quitTheApp, "Quit Trevalo 2", nullptr, top, false},
});

} // namespace

std::span<const MenuItemSpec> statusMenuLayout()
{
    return kLayout;
}

const MenuItemSpec& specOf(MenuItem item)
{
    for (const MenuItemSpec& spec : kLayout) {
        if (spec.item == item)
            return spec;
    }
    return kLayout.back();
}

StatusMenuModel::StatusMenuModel()
{
    for (const MenuItemSpec& spec : kLayout) {
        if (spec.item != M::separator)
            m_items[spec.item].title = QString::fromUtf8(spec.title);
    }
}

bool StatusMenuModel::isVisible(MenuItem item) const
{
    const MenuItemState& state = (*this)[item];
    if (state.hidden || state.removed)
        return false;
    const MenuItem parent = specOf(item).parent;
    return parent == M::separator || isVisible(parent);
}

} // namespace trevalo
