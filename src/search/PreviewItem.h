#pragma once

#include <QString>

namespace trevalo {

/// What the preview panel shows for one hit.
struct PreviewItem {
    enum class Kind {
        Image,   ///< drawn scaled to the panel
        Text,    ///< its first 64 KB as text
        Other,   ///< its icon, name, size and dates
        Missing, ///< gone since it was found
    };
    Kind kind = Kind::Missing;
    QString hostPath;
    QString name;
    QString text; ///< a text file's beginning
    QString info; ///< size and dates, one per line
};

/// The largest part of a text file the preview reads.
inline constexpr qint64 kPreviewTextBytes = qint64(64) * 1024;

/// The preview of the file at a host path; `macPath` is the path the user knows it by.
PreviewItem previewItem(const QString& hostPath, const QString& macPath);

} // namespace trevalo
