#pragma once

#include <QStringView>

namespace trevalo {

/// The integer at the start of a text, as a text's integer value reads it: white space skipped, one
/// optional sign, digits up to the first other character, held to the 32-bit range; 0 without digits.
int leadingInt(QStringView text);

} // namespace trevalo
