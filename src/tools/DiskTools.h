#pragma once

#include "platform/Services.h"

#include <QFileSystemWatcher>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

namespace trevalo {

/// One item of the eject or the mount submenu.
struct VolumeMenuEntry {
    QString title;          ///< " Backup Drive", " All Disks", " No disks"; empty for the separator
    int tag = 0;            ///< 0 for " All Disks", 1, 2, ... for the volumes in their order
    bool hasAction = false; ///< " No disks" and the separator do nothing
    bool isSeparator = false;

    bool operator==(const VolumeMenuEntry&) const = default;
};

/// The title of the menu's " All Disks" and " No disks" items.
inline constexpr const char* kAllDisksTitle = " All Disks";
inline constexpr const char* kNoDisksTitle = " No disks";

/// The AppleScript that lists the partitions that are present but not mounted, each name followed by ",".
QString unmountedVolumesScript();

/// A volume's name back from its menu title: without leading and trailing blanks and line ends.
QString volumeNameOfTitle(const QString& title);

/// The eject submenu for these volume names: " No disks", one volume, or " All Disks", a separator and
/// the volumes.
QList<VolumeMenuEntry> diskMenuEntries(const QStringList& names);
/// The mount submenu for the unmounted-volumes script's answer ("Archive,Other,").
QList<VolumeMenuEntry> mountMenuEntries(const QString& scriptResult);

/// The Finder script that ejects the item's volume; tag 0 (the " All Disks" item) ejects every disk.
/// The name is an AppleScript string literal, so no name can end it and become script.
QString ejectScript(const QString& title, int tag);
/// The shell line that mounts a volume: "diskutil mount My\ Disk", the name taken literally.
QString mountCommandLine(const QString& title);

/// The encrypted image in the user's home folder: the script that creates and attaches it (without
/// administrator rights, so that the user owns it), and the one that mounts it when it exists.
QString encryptedDiskCreateScript(const QString& homeDir);
QString encryptedDiskMountScript(const QString& homeDir);

/// The RAM disk's help text, paragraphs separated by two carriage returns.
QString ramDiskHelpText();

/// True for the volumes the mount and unmount notifications leave out unless "alldiskevents" is set.
bool isSystemVolume(const QString& name, bool mounting);

/// The status menu's volume commands: the eject and mount submenus, the RAM disk, the encrypted image
/// and the mount and unmount notifications.
class DiskTools {
public:
    explicit DiskTools(Services services) : m_services(services) {}

    /// Names of the mounted volumes that are local and not internal, in the order /Volumes lists them.
    QStringList ejectableDisksList() const;
    /// Rebuilds the eject submenu.
    void getDiskList();
    /// Rebuilds the mount submenu.
    void getUnmounted();
    const QList<VolumeMenuEntry>& diskSubMenu() const { return m_diskSubMenu; }
    const QList<VolumeMenuEntry>& mountSubMenu() const { return m_mountSubMenu; }

    /// Ejects the volume of the item, or every disk for the " All Disks" item (tag 0).
    void ejectAllDisks(const VolumeMenuEntry& item);
    /// Starts mounting the item's volume; does not wait.
    void mountDisks(const VolumeMenuEntry& item);
    /// Creates a RAM disk, writes its Help.txt and warns that its contents are volatile.
    void tempDisk();
    /// Creates and attaches the encrypted image in the home folder, or mounts it when it exists.
    void encryptedDisk();

    /// The mount and unmount notifications, by "diskevents" and "alldiskevents".
    void deviceMounted(const QString& name);
    void deviceUnmounted(const QString& name);

private:
    void notifyVolume(const QString& name, bool mounting);

    Services m_services;
    QList<VolumeMenuEntry> m_diskSubMenu{{QString::fromLatin1(kNoDisksTitle)}};
    QList<VolumeMenuEntry> m_mountSubMenu{{QString::fromLatin1(kNoDisksTitle)}};
};

/// Watches the root's /Volumes and tells the disk tools of each volume that appears or goes, as the
/// system's did-mount and did-unmount notifications do on a Mac.
class VolumeWatcher : public QObject {
    Q_OBJECT
public:
    VolumeWatcher(const SystemRoot& root, DiskTools& disks, QObject* parent = nullptr);
    /// Takes the volumes mounted now as known and starts watching; harmless when watching already.
    void start();
    /// Compares /Volumes with the volumes known and notifies the changes (also called by the watcher).
    void rescan();

private:
    QSet<QString> listVolumes() const;

    const SystemRoot& m_root;
    DiskTools& m_disks;
    QFileSystemWatcher m_watcher;
    QSet<QString> m_known;
};

} // namespace trevalo
