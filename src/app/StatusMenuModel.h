#pragma once

#include "tools/DiskTools.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <span>

namespace trevalo {

/// Every item of the status menu. The names are the delegate's fields (and, for items without state,
/// the action they carry).
enum class MenuItem {
    // System facts: hidden together by "showstatusinfo".
    osxnum,
    buildNo,
    theDisk,
    sizeSpace,
    usedSpace,
    freeSpace,
    uptime,
    whoami,
    recoveryDisk,
    trimState,
    sipState,
    folderActs,
    // Other facts.
    levelIndicator,
    hardware, // submenu of HWMenu1..HWMenu12
    HWMenu1,
    HWMenu2,
    HWMenu3,
    HWMenu4,
    HWMenu5,
    HWMenu6,
    HWMenu7,
    HWMenu8,
    HWMenu9,
    HWMenu10,
    HWMenu11,
    HWMenu12,
    lastRun,
    // Scan and windows.
    analyseNow,
    showAnalyser,
    superSearch,
    displayLists,
    // Dock and Finder.
    dock, // submenu
    dockLeft,
    dockRight,
    dockBottom,
    isHiding,
    mini,
    invisibleFiles,
    userLib,
    firewall,
    // Disks.
    ejectDisks,
    mountDisks,
    ramDisk,
    encryptedDisk,
    // Maintenance.
    flushDNSCache,
    freeMemory,
    fanSpeed,
    batteryStats,
    netConnects,
    ipAddress,
    // Login items and the program.
    loginItemsMenu, // submenu
    loginItems,
    removeAllLogins,
    startAtLogin,
    openPrefs,
    visitWebsite,
    quitTheApp,
    separator,
};

enum class ItemKind {
    SystemFact, ///< one of the twelve facts hidden together by "showstatusinfo"
    Fact,       ///< another fact: shows a reading, does nothing when chosen
    Tool,       ///< does something when chosen
    Submenu,
    Separator,
};

struct MenuItemSpec {
    MenuItem item;
    ItemKind kind;
    const char* title;   ///< the initial title; facts replace it when read
    const char* showKey; ///< the setting whose YES hides the item, or null
    MenuItem parent;     ///< the submenu holding the item; separator for the top level
};

/// The menu's layout, top to bottom: one row per item, separators included.
std::span<const MenuItemSpec> statusMenuLayout();
const MenuItemSpec& specOf(MenuItem item);

struct MenuItemState {
    QString title;
    QString image; ///< resource image name, or empty
    bool hidden = false;
    bool removed = false; ///< taken out of the menu for good (the SIP item on a system without it)
    bool marked = false;
    bool enabled = true;
};

/// What the status item and its menu show. The delegate writes it; the widgets and the command line read
/// it. Holds no behaviour beyond bookkeeping.
class StatusMenuModel {
public:
    StatusMenuModel();

    MenuItemState& operator[](MenuItem item) { return m_items[item]; }
    /// Every item of the layout has a state; any other (the separator) reads as an empty one.
    const MenuItemState& operator[](MenuItem item) const;

    /// An item is shown when neither it nor its submenu is hidden or removed.
    bool isVisible(MenuItem item) const;

    QString statusImage; ///< the status item's image
    QString statusTitle; ///< text beside the image; empty for none
    bool statusTemplate = false;
    QList<VolumeMenuEntry> ejectable{{QString::fromLatin1(kNoDisksTitle)}}; ///< the eject submenu
    QList<VolumeMenuEntry> unmounted{{QString::fromLatin1(kNoDisksTitle)}}; ///< the mount submenu

private:
    QHash<MenuItem, MenuItemState> m_items;
};

} // namespace trevalo
