#pragma once

#include "platform/SystemRoot.h"

#include <QTextStream>

namespace trevalo {

/// A second menu-bar program on the same user and root: asks the running one to bring its menu up,
/// instead of starting twice. Returns the exit status: 0 when the running program did.
int handOverToRunningProgram(const SystemRoot& root, QTextStream& err);

} // namespace trevalo
