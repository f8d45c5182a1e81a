#pragma once

#include "platform/Alerts.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/CommandRunner.h"
#include "platform/Notifier.h"
#include "platform/Settings.h"
#include "platform/SystemRoot.h"
#include "platform/Volumes.h"
#include "platform/Workspace.h"

namespace trevalo {

/// The seams every subsystem reaches the machine through. The references stay valid for the life of
/// whatever is given them; the program, the command line and the tests each own their own set.
struct Services {
    const SystemRoot& root;
    CommandRunner& runner;
    Settings& settings;
    Alerts& alerts;
    Notifier& notifier;
    Clipboard& clipboard;
    Workspace& workspace;
    Volumes& volumes;
    const Clock& clock;
};

} // namespace trevalo
