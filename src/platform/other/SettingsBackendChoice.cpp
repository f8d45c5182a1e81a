#include "platform/SettingsBackend.h"
#include "platform/SystemRoot.h"

#include <QStandardPaths>

namespace trevalo {

QString settingsFileOfUser(const QString&, const QString& fileName)
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Quorvex/" + fileName;
}

std::unique_ptr<SettingsBackend> settingsBackendFor(const SystemRoot& root)
{
    return fileSettingsBackend(root.settingsFile());
}

} // namespace trevalo
