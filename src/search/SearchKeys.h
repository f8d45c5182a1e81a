#pragma once

namespace trevalo::keys {

// The search window's options (booleans; absent reads NO, and opening the window writes NO for each).
inline constexpr const char* searchForDepth = "searchfordepth";           ///< deep search with find
inline constexpr const char* searchForContent = "searchforcontent";       ///< search file contents
inline constexpr const char* searchForString = "searchforstring";         ///< the term anywhere in the name
inline constexpr const char* searchForCase = "searchforcase";             ///< case-sensitive
inline constexpr const char* searchForWebHistory = "searchforwebhistory"; ///< keep web-history hits
inline constexpr const char* searchForEmail = "searchforemail";           ///< keep mail-message hits

} // namespace trevalo::keys
