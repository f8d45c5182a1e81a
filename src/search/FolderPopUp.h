#pragma once

#include "search/SearchQuery.h"

#include <QList>
#include <QString>
#include <optional>

namespace trevalo {

class SystemRoot;

/// One entry of the search window's folder pop-up.
struct FolderItem {
    enum class Kind {
        AllVolumes, ///< "All Volumes": the whole machine
        Separator,
        Volume,     ///< an entry of /Volumes
        RootFolder, ///< "Applications ", "Library ", "System", "tmp", "Users"
        Home,       ///< the user's short name: the home folder
        HomeFolder, ///< a visible folder of the home folder, indented one level
    };
    Kind kind = Kind::Separator;
    QString title;
    /// The macOS folder the item stands for, whose icon it shows; empty for "All Volumes" and separators.
    QString folder;
    int indentation = 0;

    bool operator==(const FolderItem&) const = default;
};

/// The folder pop-up's items in order, and the one selected when it is built.
struct FolderPopUp {
    QList<FolderItem> items;
    /// The start-up volume's entry when /Volumes has one, else 0 ("All Volumes").
    int startupVolumePosition = 0;

    /// The first item with exactly this title (blanks count), if any.
    std::optional<int> positionOf(const QString& title) const;
    /// The titles in order, separators as empty texts.
    QStringList titles() const;
};

/// Builds the pop-up ("populatePopUp"): "All Volumes"; the entries of /Volumes not beginning with "."; the
/// five folders of "/"; the user's short name and the home folder's visible folders (links to folders
/// count). Groups are parted by separators; listings are in name order. The start-up volume is the entry
/// whose name equals its display name.
FolderPopUp populatePopUp(const SystemRoot& root, const QString& startupVolumeName);

/// Where a deep search over the item at `position` starts. The start-up volume stays on its own volume
/// from "/"; a separator or a position outside the pop-up has none.
std::optional<StartFolder> startFolderOf(const FolderPopUp& popUp, int position,
                                         const QString& startupVolumeName);

} // namespace trevalo
