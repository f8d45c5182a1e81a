#pragma once

namespace trevalo::keys {

/// The number of the last profile run (an integer; absent before the first).
inline constexpr const char* timestampInt = "timestampInt";
/// When the last profile run started, "dd/MM/yy HH:mm" (the status menu shows it).
inline constexpr const char* lastAnalyserRun = "last_analyser_run";
/// The login-item names of the last run, joined by line feeds (one text, not a list).
inline constexpr const char* previousLogins = "previousLogins";

} // namespace trevalo::keys
