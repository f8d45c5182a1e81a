#pragma once

#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace trevalo {

/// A file's modification and creation dates, to the precision the file system keeps. QDateTime stops at
/// milliseconds, so each date carries the nanoseconds past its millisecond beside it: two dates that
/// differ by less than a millisecond are still two dates (modifiedWhenCreated compares to the nanosecond;
/// the QDateTimes alone cannot).
struct FileDates {
    QDateTime modified;
    QDateTime created;
    int modifiedSubMsNs = 0; ///< 0 to 999,999: nanoseconds after `modified`'s millisecond
    int createdSubMsNs = 0;  ///< 0 to 999,999: nanoseconds after `created`'s millisecond

    /// Whether the file's modification date is its creation date, to the nanosecond. An invalid date
    /// (none read) equals nothing.
    bool modifiedWhenCreated() const
    {
        return modified.isValid() && created.isValid() && modified == created &&
               modifiedSubMsNs == createdSubMsNs;
    }
};

/// Dates in the form file systems keep them: seconds since 1970-01-01 UTC and nanoseconds past that
/// second (0 to 999,999,999; anything else is carried into the seconds).
FileDates fileDatesFromEpoch(qint64 modifiedSeconds, qint64 modifiedNanoseconds, qint64 createdSeconds,
                             qint64 createdNanoseconds);

/// The dates of the file at a host path; absent when its attributes cannot be read. The creation date is
/// the file's birth time where the file system keeps one, else its status-change time. A symbolic link
/// gives its own dates, not those of what it points to.
std::optional<FileDates> readFileDates(const QString& hostPath);

} // namespace trevalo
