#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>

namespace trevalo {

/// One hit of a search, as the results table shows it.
struct SearchRow {
    QString name; ///< the file's name; in a content search with its count ("notes.txt:3")
    QString path; ///< the file's full macOS path
    /// A find hit's date: its last status change as "stat -f %Sc" prints it, with the final line feed;
    /// empty when the file's status could not be read. Empty for a Spotlight hit.
    QString dateText;
    /// A Spotlight hit's creation date; invalid for a find hit or when it could not be read.
    QDateTime created;

    /// The date as copies and the command line write it: the find hit's text, or the Spotlight hit's
    /// date in its standard form ("2024-06-17 09:29:29 +0000").
    QString dateForCopy() const;

    bool operator==(const SearchRow&) const = default;
};

/// A line of find's (or a content search's) output as a row's name and path, without its date.
struct FindLine {
    QString name;
    QString path;

    bool operator==(const FindLine&) const = default;
};

/// Reads one line of a deep search's output. A line of fewer than 2 characters, one of find's own
/// messages ("find: …") and one that is not an absolute path (the rest of a name that held a line feed)
/// give nothing. In a content search the line is path:count, split at its last ":"; the name is the last
/// component of the whole line, count included.
std::optional<FindLine> parseFindLine(QStringView line, bool contentSearch);

/// The last component of a path, as the Finder names the item (trailing slashes ignored).
QString lastPathComponent(QStringView path);

/// A time as "stat -f %Sc" prints it, in the local time zone, with stat's final line feed:
/// "Mar  3 11:47:13 2020\n".
QString statDateText(const QDateTime& time);
QString statDateText(qint64 secondsSinceEpoch);

/// The last status change of the file at a host path (a link's own), as statDateText; empty when its
/// status cannot be read.
QString statChangeText(const QString& hostPath);
/// The same for a path in the file system's own bytes, as a tool printed it.
QString statChangeText(const QByteArray& hostPath);

/// The standard text form of a date: "yyyy-MM-dd HH:mm:ss +0000", in UTC.
QString standardDateText(const QDateTime& time);

} // namespace trevalo
