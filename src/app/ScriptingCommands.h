#pragma once

#include "platform/SystemRoot.h"

#include <QTextStream>
#include <functional>

namespace trevalo {

/// `trevalo run-analyser`, `open-search` and `last-run`: a request to the running program on the same
/// user and root. run-analyser returns when the Analyser window's profile run has ended. Without a running
/// program, last-run prints `storedLastRun()` (the settings' value) and the others exit 1 with
/// "Trevalo 2 is not running". Returns the exit status.
int runScriptingCommand(const QString& request, const SystemRoot& root, QTextStream& out, QTextStream& err,
                        const std::function<QString()>& storedLastRun);

} // namespace trevalo
