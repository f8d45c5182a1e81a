#include "app/Scripting.h"

namespace trevalo {

// AppleScript is macOS's; elsewhere the local channel is the only way in.
void installAppleScriptEntries(Scripting&) {}

} // namespace trevalo
