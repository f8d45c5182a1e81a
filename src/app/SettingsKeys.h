#pragma once

#include "profile/ProfileKeys.h" // the profile run's number and date, which the menu shows
#include "tools/ToolsKeys.h"     // the disk notifications and the login item, which preferences set

#include <array>

/// The application shell's settings keys. Each subsystem keeps its own keys beside its code.
namespace trevalo::keys {

// Show keys: YES hides a menu item. Box keys: the preferences check box that shows the item.
inline constexpr const char* showFirewall = "showfirewall";
inline constexpr const char* showInvisibleFiles = "showinvisiblefiles";
inline constexpr const char* showUserLibrary = "showuserlibrary";
inline constexpr const char* showFanSpeed = "showfanspeed";
inline constexpr const char* showIpAddress = "showipaddress";
inline constexpr const char* showFlushDns = "showflushdns";
inline constexpr const char* showFreeMemory = "showfreememory";
inline constexpr const char* showRamDisk = "showramdisk";
inline constexpr const char* showStatusInfo = "showstatusinfo";
inline constexpr const char* showNetConnects = "shownetconnects";
inline constexpr const char* showBattery = "showbattery";
inline constexpr const char* showEjectDisks = "showejectdisks";

inline constexpr const char* menuBarTitle = "MenuBarTitle";
inline constexpr const char* menuBarIcon = "menubaricon";
inline constexpr const char* darkMode = "darkmode";
inline constexpr const char* highWarning = "highwarning";
inline constexpr const char* disableAnalyserAtLaunch = "disableAnalyserAtLaunch";
inline constexpr const char* secCenter = "secCenter";
inline constexpr const char* taskPadPath = "taskpadpath";
inline constexpr const char* listWindowIsAttached = "listWindowIsAttached";
/// Seconds a tool that waits on no person may run before it is ended (60 when absent or not above 0).
inline constexpr const char* toolTimeLimit = "toolTimeLimitSeconds";

/// Written as NO at every start when they read NO, so that they exist (in this order).
inline constexpr std::array startupFlags = {
    showFirewall,   showInvisibleFiles, showUserLibrary, showFanSpeed,    showIpAddress, showFlushDns,
    showFreeMemory, showRamDisk,        showStatusInfo,  showNetConnects, diskEvents,    allDiskEvents};

/// The preferences check boxes, written as YES when absent (in this order).
inline constexpr std::array boxes = {"firewallbox",   "invisiblefilesbox", "userlibrarybox", "fanspeedbox",
                                     "ipaddressbox",  "ejectdisksbox",     "freememorybox",  "ramdiskbox",
                                     "statusinfobox", "batterybox",        "netconnectsbox", "flushdnsbox"};

} // namespace trevalo::keys
