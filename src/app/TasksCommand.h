#pragma once

#include "app/CommandLine.h"

#include <QTextStream>

namespace trevalo {

/// `trevalo tasks [--json] [ACTION ...]`: prints the task pad's outline in display order, one line per task
/// ("[x] " or "[ ] ", the name as stored, then a tab and the remaining days when there are some), after
/// carrying out the action with the rules of the outline's controls. Rows count from 0 in the fully
/// expanded outline. Returns the exit status: 1 when a row does not exist or the file cannot be read or
/// written (the file is left as it was), 2 for a usage error. --json, before the action, prints the
/// outline as one object instead: {"tasks": [{"done", "name", "days"}...]}, days null when none.
int runTasksCommand(const CommandLine& commandLine, QTextStream& out, QTextStream& err);

} // namespace trevalo
