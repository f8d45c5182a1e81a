#include "app/Preferences.h"

#include "app/SettingsKeys.h"
#include "app/TRAppDelegate.h"
#include "taskpad/TaskPadKeys.h"

#include <algorithm>
#include <array>

namespace trevalo {

namespace {

using M = MenuItem;

constexpr int kSystemFactsTag = 11;

constexpr std::array<ItemBox, 12> kItemBoxes = {{
    {1, "Firewall", "firewallbox", keys::showFirewall, M::firewall},
    {2, "Invisible Files", "invisiblefilesbox", keys::showInvisibleFiles, M::invisibleFiles},
    {3, "User Library", "userlibrarybox", keys::showUserLibrary, M::userLib},
    {4, "Fan Speed", "fanspeedbox", keys::showFanSpeed, M::fanSpeed},
    {5, "IP Addresses", "ipaddressbox", keys::showIpAddress, M::ipAddress},
    {6, "Eject Disks", "ejectdisksbox", keys::showEjectDisks, M::ejectDisks},
    {7, "Flush DNS Cache", "flushdnsbox", keys::showFlushDns, M::flushDNSCache},
    {8, "Free Memory", "freememorybox", keys::showFreeMemory, M::freeMemory},
    {9, "Battery", "batterybox", keys::showBattery, M::batteryStats},
    {10, "RAM Disk", "ramdiskbox", keys::showRamDisk, M::ramDisk},
    {kSystemFactsTag, "System Facts", "statusinfobox", keys::showStatusInfo, M::osxnum},
    {12, "Network Connections", "netconnectsbox", keys::showNetConnects, M::netConnects},
}};

/// The facts the system-facts box shows and hides at once; the SIP item follows at the next refresh,
/// which knows whether the system has it.
constexpr M kBoxedFacts[] = {M::osxnum, M::theDisk,      M::usedSpace, M::sizeSpace, M::freeSpace, M::uptime,
                             M::whoami, M::recoveryDisk, M::trimState, M::buildNo,   M::folderActs};

} // namespace

std::span<const ItemBox> itemBoxes()
{
    return kItemBoxes;
}

Preferences::Preferences(TRAppDelegate& app, QObject* parent) : QObject(parent), m_app(app) {}

void Preferences::synchronize()
{
    m_app.services().settings.synchronize();
}

Preferences::Values Preferences::values() const
{
    const Settings& settings = m_app.services().settings;
    Values v;
    for (const ItemBox& box : kItemBoxes)
        v.boxes[box.tag - 1] = settings.boolForKey(box.boxKey);
    v.menuBarIcon = std::clamp(int(settings.integerForKey(keys::menuBarIcon)), 0, 2);
    v.darkMode = settings.boolForKey(keys::darkMode);
    v.runAnalyserOnLaunch = !settings.boolForKey(keys::disableAnalyserAtLaunch);
    v.startAtLogin = settings.boolForKey(keys::startAtLogin);
    v.highWarning = settings.boolForKey(keys::highWarning);
    v.diskEvents = settings.boolForKey(keys::diskEvents);
    v.allDiskEvents = settings.boolForKey(keys::allDiskEvents);
    v.taskPadPath = settings.stringForKey(keys::taskPadPathKey);
    if (v.taskPadPath.isEmpty()) // the file the task pad makes on first use
        v.taskPadPath = m_app.services().root.supportFolder() + QStringLiteral("/taskpad.tp");
    return v;
}

void Preferences::itemsToHide(int tag, bool on)
{
    if (tag < 1 || tag > int(kItemBoxes.size()))
        return;
    const ItemBox& box = kItemBoxes[tag - 1];
    StatusMenuModel& menu = m_app.menu();
    Settings& settings = m_app.services().settings;
    if (tag == kSystemFactsTag) {
        for (M fact : kBoxedFacts)
            menu[fact].hidden = !on;
    } else {
        menu[box.item].hidden = !on;
    }
    settings.setBool(box.boxKey, on);
    settings.setBool(box.showKey, !on);
    synchronize();
    emit m_app.menuChanged();
}

void Preferences::pSetMenuBarIcon(int column, bool darkMode)
{
    m_app.services().settings.setBool(keys::darkMode, darkMode);
    synchronize();
    m_app.menuStates(column == 2 ? 2 : column == 1 ? 1 : 0);
}

void Preferences::runAnalyserOnLaunch(bool on)
{
    m_app.services().settings.setBool(keys::disableAnalyserAtLaunch, !on);
    synchronize();
}

bool Preferences::startAtLogin(bool on)
{
    const bool exists =
        m_app.toolsSubsystem().toggles().setStartAtLogin(on, QString::fromLatin1(kBundleIdentifier));
    // The menu's item of the same name agrees with the box.
    m_app.menu()[M::startAtLogin].marked = exists;
    emit m_app.menuChanged();
    return exists;
}

void Preferences::preventDiskSpaceWarning(bool on)
{
    m_app.statusMenu().highWarning = on;
    m_app.services().settings.setBool(keys::highWarning, on);
    synchronize();
}

void Preferences::setDiskEvents(bool on)
{
    m_app.services().settings.setBool(keys::diskEvents, on);
    synchronize();
}

void Preferences::setAllDiskEvents(bool on)
{
    m_app.services().settings.setBool(keys::allDiskEvents, on);
    synchronize();
}

void Preferences::restoreDefaults()
{
    Settings& settings = m_app.services().settings;
    settings.setBool(keys::disableAnalyserAtLaunch, false);
    // The login item itself follows at the next start.
    settings.setBool(keys::startAtLogin, true);
    settings.setBool(keys::highWarning, false);
    // The warnings come back now, as the box that shows this setting says.
    m_app.statusMenu().highWarning = false;
    synchronize();
}

bool Preferences::setPath(const QString& path)
{
    // The open list is saved to the file it came from before the setting names another one. When that
    // file refuses it (changed outside), the list, its window and the file stay, and the window offers
    // save-as.
    if (OutlineViewController* list = m_app.taskPad().liveOutline(); list && !list->commit())
        return false;
    emit listWindowDropRequested();
    m_app.taskPad().dropOutline();
    Settings& settings = m_app.services().settings;
    settings.setString(keys::taskPadPathKey, path);
    synchronize();
    return true;
}

void Preferences::help()
{
    m_app.services().runner.callNSTask(QStringLiteral("/usr/bin/open"), {QString::fromLatin1(kHelpPage)});
}

} // namespace trevalo
