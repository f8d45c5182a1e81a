#pragma once

namespace trevalo::keys {

/// Paths the user chose to ignore in the Analyser (a list of texts; absent until the first scan).
inline constexpr const char* whitelist = "whitelist";

} // namespace trevalo::keys
