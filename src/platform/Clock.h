#pragma once

#include <QDateTime>

namespace trevalo {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};

} // namespace trevalo
