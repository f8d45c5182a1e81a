#include "app/StatusMenuModel.h"

#include "app/SettingsKeys.h"

#include <array>

namespace trevalo {

namespace {

using M = MenuItem;
using K = ItemKind;
constexpr M top = M::separator;

// Titles of fact items are what the menu shows before the first reading.
constexpr std::array kLayout = std::to_array<MenuItemSpec>({
    {M::osxnum, K::SystemFact, "OSX:  ", nullptr, top},
    {M::buildNo, K::SystemFact, "Build: ", nullptr, top},
    {M::sipState, K::SystemFact, "   SIP:     ", nullptr, top},
    {M::separator, K::Separator, "", nullptr, top},
    {M::theDisk, K::SystemFact, "Disk:      ", nullptr, top},
    {M::levelIndicator, K::Fact, "", nullptr, top},
    {M::sizeSpace, K::SystemFact, "   -size", nullptr, top},
    {M::usedSpace, K::SystemFact, "   -used", nullptr, top},
    {M::freeSpace, K::SystemFact, "   -free", nullptr, top},
    {M::trimState, K::SystemFact, "   TRIM:  ", nullptr, top},
    {M::recoveryDisk, K::SystemFact, "Recovery Disk: ", nullptr, top},
    {M::separator, K::Separator, "", nullptr, top},
    {M::uptime, K::SystemFact, "Uptime: ", nullptr, top},
    {M::whoami, K::SystemFact, "User:       ", nullptr, top},
    {M::folderActs, K::SystemFact, "Folder Actions: ", nullptr, top},
    {M::hardware, K::Submenu, "Hardware", nullptr, top},
    {M::HWMenu1, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu2, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu3, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu4, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu5, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu6, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu7, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu8, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu9, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu10, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu11, K::Fact, "", nullptr, M::hardware},
    {M::HWMenu12, K::Fact, "", nullptr, M::hardware},
    {M::separator, K::Separator, "", nullptr, top},
    {M::analyseNow, K::Tool, "Analyse Now", nullptr, top},
    {M::showAnalyser, K::Tool, "Show Analyser", nullptr, top},
    {M::lastRun, K::Fact, " Last run: ", nullptr, top},
    {M::superSearch, K::Tool, "SuperSearch…", nullptr, top},
    {M::displayLists, K::Tool, "Task Pad…", nullptr, top},
    {M::separator, K::Separator, "", nullptr, top},
    {M::dock, K::Submenu, "Dock", nullptr, top},
    {M::dockLeft, K::Tool, "Position Left", nullptr, M::dock},
    {M::dockBottom, K::Tool, "Position Bottom", nullptr, M::dock},
    {M::dockRight, K::Tool, "Position Right", nullptr, M::dock},
    {M::isHiding, K::Tool, "Automatically Hide", nullptr, M::dock},
    {M::mini, K::Tool, "Smallest Size", nullptr, M::dock},
    {M::invisibleFiles, K::Tool, " Invisible Files", keys::showInvisibleFiles, top},
    {M::userLib, K::Tool, " User Library", keys::showUserLibrary, top},
    {M::firewall, K::Tool, " Firewall", keys::showFirewall, top},
    {M::separator, K::Separator, "", nullptr, top},
    {M::ejectDisks, K::Submenu, "Eject", keys::showEjectDisks, top},
    {M::mountDisks, K::Submenu, "Mount", nullptr, top},
    {M::ramDisk, K::Tool, "RAM Disk…", keys::showRamDisk, top},
    {M::encryptedDisk, K::Tool, "Encrypted Disk Image…", nullptr, top},
    {M::separator, K::Separator, "", nullptr, top},
    {M::flushDNSCache, K::Tool, "Flush DNS Cache", keys::showFlushDns, top},
    {M::freeMemory, K::Tool, "Free Memory…", keys::showFreeMemory, top},
    {M::fanSpeed, K::Tool, "Fan Speed", keys::showFanSpeed, top},
    {M::batteryStats, K::Tool, "Battery", keys::showBattery, top},
    {M::netConnects, K::Tool, "Network Connections", keys::showNetConnects, top},
    {M::ipAddress, K::Tool, "IP Addresses…", keys::showIpAddress, top},
    {M::separator, K::Separator, "", nullptr, top},
    {M::loginItemsMenu, K::Submenu, "Login Items", nullptr, top},
    {M::loginItems, K::Tool, "Show Login Items", nullptr, M::loginItemsMenu},
    {M::removeAllLogins, K::Tool, "Remove All Login Items…", nullptr, M::loginItemsMenu},
    {M::startAtLogin, K::Tool, "Open Trevalo 2 at Login", nullptr, M::loginItemsMenu},
    {M::openPrefs, K::Tool, "Preferences…", nullptr, top},
    {M::visitWebsite, K::Tool, "Visit Website", nullptr, top},
    {M::quitTheApp, K::Tool, "Quit Trevalo 2", nullptr, top},
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

const MenuItemState& StatusMenuModel::operator[](MenuItem item) const
{
    static const MenuItemState none;
    const auto it = m_items.constFind(item);
    return it == m_items.constEnd() ? none : it.value();
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
