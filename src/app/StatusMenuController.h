#pragma once

#include "app/LevelIcon.h"
#include "app/StatusMenuModel.h"
#include "platform/Services.h"

namespace trevalo {

/// Reads the system facts and tool states into the status menu's model. Every reading goes through the
/// command runner and the root, so the same code serves the Mac, the simulated Mac and the tests.
class StatusMenuController {
public:
    StatusMenuController(Services services, StatusMenuModel& model);

    // Read once at start-up.
    void getHardware();
    void getOSVer();
    void getBootVol();
    void getRecoveryDisk();
    void userName();
    bool amIAdmin() const;
    void getTRTrimState();
    void getCsrutil();
    /// Hides the items whose show key is YES (start-up).
    void hideSwitchableItems();

    // Read whenever the menu opens.
    void menuNeedsUpdate();
    void getTRUptime();
    void theFirewallStatus();
    void getInvisibleFileStatus();
    void getUserLibraryStatus();

    /// Everything the 180-second timer and the opening menu refresh.
    void refresh();
    /// The status item's title (0 none, 1 free space, 2 used percentage) and template flag.
    void menuStates(int mode);
    QString getFAStatus();
    QString getMemStatus();
    void readVolumeFigures();

    double t = 0;
    double f = 0;
    double percent = 0;
    QString theOSFinal;
    bool darkModeItem = false;
    bool highWarning = false;

private:
    void readDock();
    void readLastRun();

    Services m_services;
    StatusMenuModel& m_model;
    DiskWarnings m_warnings;
};

} // namespace trevalo
