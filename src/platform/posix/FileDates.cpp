#include "platform/FileDates.h"

#include <QTimeZone>

namespace trevalo {

namespace {

constexpr qint64 kNsPerSecond = 1'000'000'000;
constexpr qint64 kNsPerMs = 1'000'000;

/// The date to its millisecond, and the nanoseconds after that millisecond.
QDateTime toDate(qint64 seconds, qint64 nanoseconds, int& subMsNs)
{
    // Carry whole seconds out of the nanoseconds so that they end in [0, 1e9), also below zero.
    seconds += nanoseconds / kNsPerSecond;
    nanoseconds %= kNsPerSecond;
    if (nanoseconds < 0) {
        nanoseconds += kNsPerSecond;
        --seconds;
    }
    subMsNs = int(nanoseconds % kNsPerMs);
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / kNsPerMs, QTimeZone::utc());
}

} // namespace

FileDates fileDatesFromEpoch(qint64 modifiedSeconds, qint64 modifiedNanoseconds, qint64 createdSeconds,
                             qint64 createdNanoseconds)
{
    FileDates dates;
    dates.modified = toDate(modifiedSeconds, modifiedNanoseconds, dates.modifiedSubMsNs);
    dates.created = toDate(createdSeconds, createdNanoseconds, dates.createdSubMsNs);
    return dates;
}

} // namespace trevalo
