#pragma once

/// The task pad's settings keys.
namespace trevalo::keys {

/// Full path of the task pad file (text); absent until the first use, which stores the default path.
inline constexpr const char* taskPadPathKey = "taskpadpath";

} // namespace trevalo::keys
