#pragma once

#include "platform/FileDates.h"
#include "profile/FolderSection.h"
#include "profile/ReportText.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace trevalo {

/// What one profile run gathered from the machine's tools and files before the report is built.
struct ProfileInputs {
    /// The login-item names; absent when the script that reads them failed.
    std::optional<QStringList> loginItems;
    /// When the run started: taken once the login items are read.
    QDateTime runDate;
    QString swVers;               ///< `sw_vers`
    std::optional<QString> spctl; ///< `spctl --status --verbose` through AppleScript; absent: no result
    QString sipStateTitle;        ///< the status menu's SIP item title
    bool cleanupInstallerExists = false;
    std::optional<FileDates> sudoersDates;
    QByteArray installHistory; ///< the installer history property list; empty when unreadable
    QString wcHosts;           ///< `wc -l /etc/hosts`
    QString bluetooth;         ///< `system_profiler SPBluetoothDataType 2> /dev/null`
    QString network;           ///< `system_profiler SPNetworkDataType`
    QString storage;           ///< `system_profiler SPStorageDataType`
};

/// The snapshots the last run stored: each folder row's list by its key (a missing key is absent), and
/// the login names.
struct StoredSnapshots {
    QHash<QString, QStringList> folders;
    std::optional<QString> logins;
};

/// A finished report and everything the run must store for it.
struct ProfileBuild {
    int number = 0;
    ReportText report;
    int removed = 0;
    int added = 0;
    /// Change records in the order they were made.
    QStringList records;
    /// Each folder row's key with the list to store (absent: remove the key). A row whose folder could
    /// not be read is not here: its snapshot stays as it was.
    QList<std::pair<QString, std::optional<QStringList>>> folderSnapshots;
    /// The login names to store; absent when the login items could not be read.
    std::optional<QString> logins;
};

/// Texts one after another in UTF-8, as the change log takes a run's records: encoded straight into one
/// buffer, without first joining them into one more text of the same size.
QByteArray joinedUtf8(const QStringList& texts);

/// The watched folders: the snapshot keys of every folder row, in the report's order, with each row's
/// folder as a macOS path (home rows under `home`).
struct WatchedFolder {
    QString key;
    QString folder;
};
QList<WatchedFolder> watchedFolders(const QString& home);

/// Lists a folder given by its macOS path: names in the order the file system gives them.
using FolderReader = std::function<FolderListing(const QString& macPath)>;

/// Lists a folder on this machine as a run does: every entry, hidden ones too, unsorted; missing when
/// it is no folder, unreadable when it is one that cannot be read.
FolderListing readFolder(const QString& hostPath);

/// Builds report `number` from what the run gathered and what the last run stored: the header, the
/// system's version and status block, then every section in order, each folder row compared with its
/// snapshot. Nothing is written; the caller stores the outcome.
ProfileBuild buildProfile(int number, const ProfileInputs& inputs, const StoredSnapshots& stored,
                          const FolderReader& listFolder, const QString& home);

} // namespace trevalo
