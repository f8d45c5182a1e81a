#pragma once

#include "app/CommandLine.h"

namespace trevalo {

/// Runs the menu-bar program: the status item, its menu and the windows, until the user quits.
int runMenuBarApp(int& argc, char** argv, const CommandLine& commandLine);

} // namespace trevalo
