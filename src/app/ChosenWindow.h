#pragma once

#include "app/StatusMenuModel.h"

#include <QString>
#include <optional>

class QTextStream;

namespace trevalo {

class TRAppDelegate;

/// The name of the window a status-menu item opens (as `--open` names it), or none for an item that
/// opens no window of the program.
std::optional<QString> windowOpenedBy(MenuItem item);

/// Without a display, after a window's item was chosen: waits for the window's first fill and prints
/// what it produced, one "Label: value" line a field (the network address window's three addresses,
/// the free memory panel's line). Windows whose fill is not a reading print nothing more.
void printWindowFill(MenuItem item, TRAppDelegate& app, QTextStream& out);

} // namespace trevalo
