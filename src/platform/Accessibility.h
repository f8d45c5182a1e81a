#pragma once

#include <optional>

namespace trevalo {

/// Whether the program may control other applications through the accessibility interface, asked
/// without prompting the user. Absent on a platform that has no such check.
std::optional<bool> isTrustedForAccessibility();

} // namespace trevalo
