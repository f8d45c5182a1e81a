#pragma once

#include <QDateTime>

namespace trevalo {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime at) : at(std::move(at)) {}
    QDateTime at;
    QDateTime now() const override { return at; }
};

} // namespace trevalo
