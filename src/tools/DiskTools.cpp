#include "tools/DiskTools.h"

#include "platform/TextEscape.h"
#include "tools/ToolsKeys.h"

#include <QDir>
#include <QFileInfo>

namespace trevalo {

namespace {

const QString kEncryptedImage = QStringLiteral("encryptedDisk.dmg");

/// The value of one "   Key:   value" line of diskutil's info text; empty when the line is missing.
QString infoValue(const QString& info, const QString& key)
{
    for (const QString& line : info.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(key + u':'))
            return trimmed.mid(key.size() + 1).trimmed();
    }
    return {};
}

/// A do shell script statement running the line; the line is one AppleScript string literal.
QString doShellScript(const QString& line)
{
    return QStringLiteral("do shell script ") + appleScriptString(line);
}

} // namespace

QString unmountedVolumesScript()
{
    return QStringLiteral(
        "use AppleScript version \"2.4\"\nuse framework \"Foundation\"\nuse scripting additions\nset "
        "theString to do shell script \"diskutil list -plist\"\nset theString to current application's "
        "NSString's stringWithString:theString\nset theData to theString's "
        "dataUsingEncoding:(current application's NSUTF8StringEncoding)\nset {theDict, theError} to "
        "current application's NSPropertyListSerialization's propertyListWithData:theData options:0 "
        "format:(missing value) |error|:(reference)\nif theDict is missing value then error (theError's "
        "localizedDescription() as text)\nset partitionInfo to theDict's "
        "valueForKeyPath:\"AllDisksAndPartitions.Partitions\"\nset partitionInfos to current application's "
        "NSMutableArray's array()\nrepeat with anInfo in partitionInfo\nif not (anInfo's "
        "isKindOfClass:(current application's NSNull)) then (partitionInfos's "
        "addObjectsFromArray:anInfo)\nend "
        "repeat\nset thePred to current application's NSPredicate's predicateWithFormat:\"(Content "
        "BEGINSWITH %@) AND (NOT Content IN %@)\" argumentArray:{\"Apple_\", {\"Apple_Boot\", "
        "\"Apple_CoreStorage\"}}\npartitionInfos's filterUsingPredicate:thePred\nset volumeNames to "
        "(partitionInfos's valueForKey:\"VolumeName\")'s mutableCopy()\nset mountedVolumes to theDict's "
        "objectForKey:\"VolumesFromDisks\"\nvolumeNames's removeObjectsInArray:mountedVolumes\nset "
        "unmountedVolumes to volumeNames as list\nset returnString to \"\"\nrepeat with i from 1 to count of "
        "unmountedVolumes\nset this_item to item i of unmountedVolumes\nset returnString to returnString & "
        "this_item & \",\"\nend repeat\nreturn returnString");
}

QString volumeNameOfTitle(const QString& title)
{
    return title.trimmed();
}

QList<VolumeMenuEntry> diskMenuEntries(const QStringList& names)
{
    if (names.isEmpty())
        return {{QString::fromLatin1(kNoDisksTitle)}};
    QList<VolumeMenuEntry> entries;
    if (names.size() >= 2) {
        entries.append({QString::fromLatin1(kAllDisksTitle), 0, true});
        entries.append({QString(), 0, false, true});
    }
    int tag = 1;
    for (const QString& name : names)
        entries.append({u' ' + name.trimmed(), tag++, true});
    return entries;
}

QList<VolumeMenuEntry> mountMenuEntries(const QString& scriptResult)
{
    const QStringList pieces = scriptResult.split(u',');
    if (pieces.size() < 2)
        return {{QString::fromLatin1(kNoDisksTitle)}};
    QList<VolumeMenuEntry> entries;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i)
        entries.append({u' ' + pieces[i], int(i) + 1, true});
    return entries;
}

QString ejectScript(const QString& title, int tag)
{
    if (tag == 0)
        return QStringLiteral("tell application \"Finder\" to eject every disk");
    return QStringLiteral("try\ntell application \"Finder\" to eject every disk whose name is ") +
           appleScriptString(volumeNameOfTitle(title)) + QStringLiteral("\nend try");
}

QString mountCommandLine(const QString& title)
{
    return QStringLiteral("diskutil mount ") + shellWord(volumeNameOfTitle(title));
}

QString encryptedDiskCreateScript(const QString& homeDir)
{
    return doShellScript(
        QStringLiteral("hdiutil create -attach -encryption -size 100m -volname encryptedVol %1 -fs HFS+J")
            .arg(shellWord(homeDir + u'/' + kEncryptedImage)));
}

QString encryptedDiskMountScript(const QString& homeDir)
{
    return doShellScript(QStringLiteral("hdiutil mount ") + shellWord(homeDir + u'/' + kEncryptedImage));
}

QString ramDiskHelpText()
{
    const QStringList paragraphs = {
        QStringLiteral("The RAM Disk is approximately 290MB."),
        QStringLiteral(
            "The RAM Disk, while it exists, will behave just like any other disk, so it will have its "
            "own .Trashes directory, and its own Versions and Spotlight indexes just as all other "
            "disks do. That means you get all the comforts of OSX’s failsafes while the disk is "
            "mounted, coupled with speed that cannot be matched by any other device. "),
        QStringLiteral("However, as soon as you eject or unmount the disk, all the files, folders, Versions, "
                       "Autosaves and Trashes disappear completely and unrecoverably. "),
        QStringLiteral("RAM Disks are useful for a number of purposes:"),
        QStringLiteral("\t reading, browsing or editing sensitive information (such as messages, websites or "
                       "passwords) that you want to subsequently discard without a trace. Ensure you run a "
                       "copy of the application from the RAM Disk and not from the /Applications "
                       "directory.*"),
        QStringLiteral("\t for running applications or processes that require maximum read/write speed.**"),
        QStringLiteral(
            "Notes:\n*Be aware that if the application you are using to view, browse, or edit caches "
            "a 'SavedState' or other information outside of the RAM Disk, some information from "
            "your RAM Disk may be preserved."),
        QStringLiteral(
            "**The downside of this is that the volatility of RAM means you could easily lose "
            "everything in your RAM Disk if any of the following occur: you eject the disk "
            "accidentally, the computer crashes, the power fails or battery runs flat, you log out "
            "or restart the computer. Keep these points in mind and only use your RAM Disk for short "
            "sessions. Never store anything solely on a RAM Disk if preserving the data is of "
            "importance to you."),
        QStringLiteral(
            "If you create more than one RAM Disk simultaneously (not recommended), this Help.txt only "
            "appears in the first."),
    };
    return paragraphs.join(QStringLiteral("\r\r"));
}

bool isSystemVolume(const QString& name, bool mounting)
{
    if (name == u"EFI" || name == u"Boot OS X" || name.contains(u"@snap"))
        return true;
    return mounting ? name.startsWith(u"Recovery") : name == u"Recovery HD";
}

QStringList DiskTools::ejectableDisksList() const
{
    // The start-up volume's entry is a link to "/"; every other mounted volume is a folder here. What
    // diskutil cannot describe is not a local disk (a network share); what it places inside the machine
    // is internal, except a disk image or RAM disk, which the user ejects like any other.
    const QDir volumes(m_services.root.host(QStringLiteral("/Volumes")));
    QStringList names;
    for (const QFileInfo& entry : volumes.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        if (entry.isSymLink())
            continue;
        const QString info = m_services.runner.callSubsidTaskWithResult(
            QStringLiteral("/usr/sbin/diskutil"),
            {QStringLiteral("info"), QStringLiteral("/Volumes/") + entry.fileName()});
        const QString location = infoValue(info, QStringLiteral("Device Location"));
        if (location.isEmpty())
            continue;
        const bool isInternal =
            location == u"Internal" && infoValue(info, QStringLiteral("Virtual")) != u"Yes";
        if (!isInternal)
            names.append(entry.fileName());
    }
    return names;
}

void DiskTools::getDiskList()
{
    m_diskSubMenu = diskMenuEntries(ejectableDisksList());
}

void DiskTools::getUnmounted()
{
    m_mountSubMenu = mountMenuEntries(m_services.runner.callNSAppleScript(unmountedVolumesScript()));
}

void DiskTools::ejectAllDisks(const VolumeMenuEntry& item)
{
    m_services.runner.callOSATask(ejectScript(item.title, item.tag));
}

void DiskTools::mountDisks(const VolumeMenuEntry& item)
{
    m_services.runner.callNSTask(QStringLiteral("/bin/bash"),
                                 {QStringLiteral("-c"), mountCommandLine(item.title)});
}

void DiskTools::tempDisk()
{
    CommandRunner& runner = m_services.runner;
    runner.callOSATask(QStringLiteral("do shell script \"diskutil erasevolume HFS+ \\\"RAM Disk\\\" `hdiutil "
                                      "attach -nomount ram://582715`\""));
    runner.callOSATask(doShellScript(QStringLiteral("echo \"") + doubleQuotedContent(ramDiskHelpText()) +
                                     QStringLiteral("\" > /Volumes/RAM\\ Disk/Help.txt")));
    Alert alert;
    alert.informativeText = QStringLiteral(
        "The contents of a RAM Disk are only held in system memory and will be lost when you eject the disk, "
        "logout, shutdown or interupt the computer's power supply in any way.\r\rCopy any important files "
        "to permanent storage.\r\rSee the Help.txt in the RAM Disk for more information.");
    m_services.alerts.runModal(alert);
}

void DiskTools::encryptedDisk()
{
    // The image tool asks for the pass phrase: no time limit while the user answers.
    const QString home = m_services.root.homeDir();
    CommandRunner& runner = m_services.runner;
    const QString created = CommandRunner::appleScriptResult(
        runner.runScript(encryptedDiskCreateScript(home), {}, CommandRunner::TimeLimit::None));
    if (created.isEmpty())
        runner.runScript(encryptedDiskMountScript(home), {}, CommandRunner::TimeLimit::None);
}

void DiskTools::deviceMounted(const QString& name)
{
    notifyVolume(name, true);
}

void DiskTools::deviceUnmounted(const QString& name)
{
    notifyVolume(name, false);
}

void DiskTools::notifyVolume(const QString& name, bool mounting)
{
    const Settings& settings = m_services.settings;
    if (!settings.boolForKey(QString::fromLatin1(keys::diskEvents)))
        return;
    if (!settings.boolForKey(QString::fromLatin1(keys::allDiskEvents)) && isSystemVolume(name, mounting))
        return;
    Notification notification;
    notification.informativeText = mounting ? QStringLiteral("Volume %1 was mounted.").arg(name)
                                            : QStringLiteral("Volume %1 was ejected").arg(name);
    notification.hasActionButton = false;
    m_services.notifier.deliver(notification);
}

VolumeWatcher::VolumeWatcher(const SystemRoot& root, DiskTools& disks, QObject* parent)
    : QObject(parent), m_root(root), m_disks(disks)
{
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &VolumeWatcher::rescan);
}

void VolumeWatcher::start()
{
    const QString folder = m_root.host(QStringLiteral("/Volumes"));
    if (m_watcher.directories().contains(folder))
        return;
    m_known = listVolumes();
    m_watcher.addPath(folder);
}

void VolumeWatcher::rescan()
{
    const QSet<QString> now = listVolumes();
    QStringList gone = (m_known - now).values();
    QStringList added = (now - m_known).values();
    gone.sort();
    added.sort();
    m_known = now;
    for (const QString& name : gone)
        m_disks.deviceUnmounted(name);
    for (const QString& name : added)
        m_disks.deviceMounted(name);
}

QSet<QString> VolumeWatcher::listVolumes() const
{
    const QStringList names =
        QDir(m_root.host(QStringLiteral("/Volumes"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    return QSet<QString>(names.begin(), names.end());
}

} // namespace trevalo
