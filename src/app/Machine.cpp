#include "app/Machine.h"

#include "app/SettingsKeys.h"
#include "platform/SettingsBackend.h"

namespace trevalo {

Machine::Machine(SystemRoot root, Alerts& alerts, Notifier& notifier, Clipboard& clipboard)
    : m_root(std::move(root)), m_runner(m_root), m_settings(settingsBackendFor(m_root)),
      m_workspace(m_runner), m_volumes(m_root), m_alerts(alerts), m_notifier(notifier), m_clipboard(clipboard)
{
    // A slow Mac (or a network home folder) may need longer than the default for its tools.
    const qint64 seconds = m_settings.integerForKey(keys::toolTimeLimit);
    if (seconds > 0)
        m_runner.setDefaultTimeLimit(std::chrono::seconds(seconds));
}

Services Machine::services()
{
    return Services{m_root,      m_runner,    m_settings, m_alerts, m_notifier,
                    m_clipboard, m_workspace, m_volumes,  m_clock};
}

} // namespace trevalo
