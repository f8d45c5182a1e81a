#pragma once

/// The task pad's settings keys.
namespace trevalo::keys {

/// Full path of the task pad file (text); absent until the first use, which stores the default path.
inline constexpr const char* taskPadPathKey = "taskpadpath";
/// 1 when the list window opens attached to the status item, else 0 (integer).
inline constexpr const char* listWindowIsAttachedKey = "listWindowIsAttached";

} // namespace trevalo::keys
