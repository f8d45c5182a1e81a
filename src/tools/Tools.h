#pragma once

#include "platform/Services.h"
#include "platform/WebClient.h"
#include "tools/DiskTools.h"
#include "tools/FreeMemory.h"
#include "tools/NetworkAddresses.h"
#include "tools/SystemToggles.h"

#include <QObject>
#include <memory>

namespace trevalo {

/// The product's web page, which "Visit Website" opens.
inline constexpr const char* kProductPage = "https://www.quorvex.com/trevalo2";
/// The program's bundle identifier, by which the login-item script finds the application.
inline constexpr const char* kBundleIdentifier = "com.quorvex.trevalo2";

/// The quick tools: the menu's maintenance commands and their small windows. The window controllers
/// are made when their window is first needed and kept until the program ends; the widgets observe the
/// signals.
class Tools : public QObject {
    Q_OBJECT
public:
    /// `scripts` gives the script resources' texts; the shipped ones unless given.
    Tools(Services services, WebClient& web, QObject* parent = nullptr,
          SystemToggles::ScriptResource scripts = shippedScript);
    ~Tools() override;

    /// Opens the network address window and fills it ("displayIP:").
    void displayIP();
    /// Opens the free memory panel with a fresh memory line ("freeMem:").
    void freeMem();
    /// Opens the product's web page ("visitWebsite:").
    void visitWebsite();

    /// The network address window's controller; null before the first displayIP().
    TRDisplayIP* aWin() const { return m_aWin.get(); }
    /// The free memory panel's controller; null before the first freeMem().
    TRFreeMemPanel* aHud() const { return m_aHud.get(); }

    /// The eject and mount submenus, the RAM disk and the encrypted image.
    DiskTools& disks() { return m_disks; }
    /// Starts the mount and unmount notifications (start-up).
    void watchVolumes() { m_volumeWatcher.start(); }
    /// The Dock, Finder, login-item and maintenance commands.
    SystemToggles& toggles() { return m_toggles; }

    /// The three addresses, waiting for each: the command line's form of the window.
    AddressReadings readAddressesBlocking() { return trevalo::readAddressesBlocking(m_services, m_web); }

signals:
    /// The window is to be shown, brought to the front and given the focus. Comes before the window is
    /// filled; `created` on its first time.
    void displayIPRequested(trevalo::TRDisplayIP* controller, bool created);
    void freeMemRequested(trevalo::TRFreeMemPanel* controller, bool created);

private:
    Services m_services;
    WebClient& m_web;
    std::unique_ptr<TRDisplayIP> m_aWin;
    std::unique_ptr<TRFreeMemPanel> m_aHud;
    DiskTools m_disks;
    VolumeWatcher m_volumeWatcher;
    SystemToggles m_toggles;
};

} // namespace trevalo
