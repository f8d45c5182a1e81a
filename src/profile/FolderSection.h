#pragma once

#include "profile/ReportText.h"

#include <QDateTime>
#include <QStringList>
#include <optional>

namespace trevalo {

/// How a watched row of the profile shows its folder.
enum class SectionVariant {
    Standard,
    Trimmed,            ///< names are compared without blanks at their ends (user Launch Agents)
    ChangesOnly,        ///< only the removed names are listed (/Library)
    BlankWhenNoneAdded, ///< an empty added block is a single blank (Scripting Additions)
};

/// What a folder's listing gave this run.
struct FolderListing {
    enum class State { Listed, Missing, Unreadable };
    State state = State::Missing;
    QStringList names; ///< in the order the file system gave them
};

struct SectionOutcome {
    /// The snapshot to store: the listing when there was one, absent to remove the key. Unchanged for a
    /// folder that exists but could not be read.
    std::optional<QStringList> snapshot;
    QStringList records; ///< change records to append to the change log, in order
    int removed = 0;
    int added = 0;
};

/// One folder row of the profile: appends the row's body to the report, the changed names marked, and
/// says what to store and record. `snapshot` is the row's stored list (absent when its key is absent).
///
/// A marked name is looked for in this section's own text, on a line that is the name itself, else
/// at its first occurrence in the section; so a name that also stands in an earlier section, or
/// inside a longer name, is marked where it belongs, and the section costs about its own length. A
/// folder that exists but cannot be read changes nothing: reading it again next run tells more than
/// recording every entry as removed.
SectionOutcome runFolderSection(ReportText& report, const std::optional<QStringList>& snapshot,
                                const FolderListing& listing, SectionVariant variant, const QString& location,
                                const QDateTime& time);

/// The login-items row's outcome: its section, and the text to store as the login snapshot (absent to
/// keep the stored one).
struct LoginSectionOutcome {
    SectionOutcome section;
    std::optional<QString> snapshot;
};

/// The login-items row: `stored` is the last run's names joined by line feeds (absent before the first),
/// `current` this run's names (absent when the script that reads them failed: then the stored names are
/// shown unchanged and nothing is recorded). Unlike a folder row, the added names follow the listing on
/// its last line.
LoginSectionOutcome runLoginSection(ReportText& report, const std::optional<QString>& stored,
                                    const std::optional<QStringList>& current, const QString& location,
                                    const QDateTime& time);

/// The login-item names in the text the login-items script gives: split at every "," and trimmed.
QStringList loginItemNames(const QString& scriptText);

} // namespace trevalo
