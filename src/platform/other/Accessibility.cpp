#include "platform/Accessibility.h"

namespace trevalo {

std::optional<bool> isTrustedForAccessibility()
{
    return std::nullopt;
}

} // namespace trevalo
