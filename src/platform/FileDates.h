#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace trevalo {

/// A file's modification and creation dates, to the precision the file system keeps.
struct FileDates {
    QDateTime modified;
    QDateTime created;
};

/// The dates of the file at a host path; absent when its attributes cannot be read. The creation date is
/// the file's birth time where the file system keeps one, else its status-change time.
std::optional<FileDates> readFileDates(const QString& hostPath);

} // namespace trevalo
