#pragma once

#include <QString>

namespace trevalo {

class Clipboard {
public:
    virtual ~Clipboard() = default;
    /// Replaces the general clipboard's contents with plain text.
    virtual void setText(const QString& text) = 0;
};

} // namespace trevalo
