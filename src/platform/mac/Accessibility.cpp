#include "platform/Accessibility.h"

#include <ApplicationServices/ApplicationServices.h>

namespace trevalo {

std::optional<bool> isTrustedForAccessibility()
{
    const void* keys[] = {kAXTrustedCheckOptionPrompt};
    const void* values[] = {kCFBooleanFalse};
    CFDictionaryRef options = CFDictionaryCreate(
        nullptr, keys, values, 1, &kCFCopyStringDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    const bool trusted = AXIsProcessTrustedWithOptions(options);
    CFRelease(options);
    return trusted;
}

} // namespace trevalo
