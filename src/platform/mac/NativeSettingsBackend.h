#pragma once

#include "platform/SettingsBackend.h"

namespace trevalo {

/// The settings in a user-defaults domain (such as "com.quorvex.trevalo2"), through the defaults service,
/// so that `defaults write` by the user or an installer is seen and the service's cache never hides the
/// program's own writes. Read-modify-writes take `lockFile` in every process of the user.
std::unique_ptr<SettingsBackend> nativeSettingsBackend(const QString& domain, const QString& lockFile);

} // namespace trevalo
