#include "platform/SettingsBackend.h"
#include "platform/SystemRoot.h"

namespace trevalo {

std::unique_ptr<SettingsBackend> settingsBackendFor(const SystemRoot& root)
{
    return fileSettingsBackend(root.settingsFile());
}

} // namespace trevalo
