#pragma once

#include "platform/Services.h"

#include <QString>
#include <functional>

namespace trevalo {

/// The Dock items' tags.
enum class DockTag { left = 1, right = 2, bottom = 3, hiding = 4, mini = 5 };

/// The System Events script for a Dock item; empty for a tag that is none of them. `marked` is the
/// item's check mark (hiding on, or the Dock at its smallest).
QString dockScript(int tag, bool marked);

/// The fan-speed script: one second's system sample in a fresh private folder, its fan lines, the
/// folder removed.
QString fanSpeedScript();

/// The script that adds the program as a login item, found by its bundle identifier.
QString addLoginItemScript(const QString& bundleIdentifier);
QString removeLoginItemScript();
/// Answers "true" when the program's login item exists, "false" when it does not.
QString loginItemExistsScript();

/// The menu's system toggles and maintenance commands. Each takes the chosen item's mark where it
/// matters and returns the mark the item now carries; the menu recomputes the others when it opens.
class SystemToggles {
public:
    /// The text of a script resource by name ("battery", "loginpanel", ...); empty when there is none.
    using ScriptResource = std::function<QString(const QString& name)>;

    SystemToggles(Services services, ScriptResource scripts)
        : m_services(services), m_scripts(std::move(scripts))
    {
    }

    void dockPosition(int tag, bool isHidingMarked, bool miniMarked);
    bool toggleInvisibleFiles(bool marked);
    bool toggleUserLib(bool marked);
    void flushDNSCache();
    void getFanSpeed();
    void loginItems();
    void removeAllLogins();
    /// The menu's start-at-login item: `marked` is its mark before the click.
    bool startAtLogin(bool marked, const QString& bundleIdentifier);
    /// Adds or removes the login item, then stores and returns whether it exists now: a script that
    /// failed leaves the mark and the setting telling the truth.
    bool setStartAtLogin(bool on, const QString& bundleIdentifier);
    /// Whether the program's login item exists; false when System Events cannot tell.
    bool loginItemExists();
    void firewallStatus();
    void batteryStats();
    void getNetworksConnections();

private:
    /// Runs the resource as a script file through osascript.
    void runScriptFile(const QString& name);
    int loginItemCount();

    Services m_services;
    ScriptResource m_scripts;
};

/// The script resources as the program ships them (":/scripts/NAME.applescript").
QString shippedScript(const QString& name);

} // namespace trevalo
