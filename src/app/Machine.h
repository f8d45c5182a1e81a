#pragma once

#include "platform/Services.h"

#include <memory>

namespace trevalo {

/// Owns the machine-facing seams for one root: runner, settings, workspace, volumes and clock. The
/// user-facing seams (alerts, notifications, clipboard) differ between the menu-bar program and the
/// command line and are lent by the caller.
class Machine {
public:
    Machine(SystemRoot root, Alerts& alerts, Notifier& notifier, Clipboard& clipboard);

    Services services();
    const SystemRoot& root() const { return m_root; }

private:
    SystemRoot m_root;
    CommandRunner m_runner;
    Settings m_settings;
    ToolWorkspace m_workspace;
    RootVolumes m_volumes;
    Clock m_clock;
    Alerts& m_alerts;
    Notifier& m_notifier;
    Clipboard& m_clipboard;
};

} // namespace trevalo
