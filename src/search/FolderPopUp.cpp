#include "search/FolderPopUp.h"

#include "platform/SystemRoot.h"

#include <QDir>
#include <QFileInfo>

namespace trevalo {

namespace {

const FolderItem kSeparator{};

/// Names of a folder's entries that do not begin with ".", in name order.
QStringList visibleEntries(const QString& hostFolder, QDir::Filters kinds)
{
    QStringList names;
    const QDir dir(hostFolder);
    for (const QString& name :
         dir.entryList(kinds | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
        if (!name.startsWith(u'.'))
            names << name;
    }
    return names;
}

} // namespace

std::optional<int> FolderPopUp::positionOf(const QString& title) const
{
    for (int i = 0; i < items.size(); ++i) {
        if (items[i].kind != FolderItem::Kind::Separator && items[i].title == title)
            return i;
    }
    return std::nullopt;
}

QStringList FolderPopUp::titles() const
{
    QStringList out;
    for (const FolderItem& item : items)
        out << item.title;
    return out;
}

FolderPopUp populatePopUp(const SystemRoot& root, const QString& startupVolumeName)
{
    using Kind = FolderItem::Kind;
    FolderPopUp popUp;
    popUp.items << FolderItem{Kind::AllVolumes, QStringLiteral("All Volumes"), QString(), 0} << kSeparator;

    for (const QString& name : visibleEntries(root.host(QStringLiteral("/Volumes")), QDir::AllEntries)) {
        if (name == startupVolumeName)
            popUp.startupVolumePosition = int(popUp.items.size());
        popUp.items << FolderItem{Kind::Volume, name, QStringLiteral("/Volumes/") + name, 0};
    }

    popUp.items << kSeparator;
    // "Applications " and "Library " keep a blank, so that they differ from the home folder's own.
    for (const char* title : {"Applications ", "Library ", "System", "tmp", "Users"}) {
        const QString t = QString::fromLatin1(title);
        popUp.items << FolderItem{Kind::RootFolder, t, u'/' + t.trimmed(), 0};
    }

    popUp.items << kSeparator;
    const QString home = root.homeDir();
    popUp.items << FolderItem{Kind::Home, home.section(u'/', -1), home, 0};
    const QString hostHome = root.host(home);
    for (const QString& name : visibleEntries(hostHome, QDir::AllEntries)) {
        if (QFileInfo(hostHome + u'/' + name).isDir()) // follows links
            popUp.items << FolderItem{Kind::HomeFolder, name, home + u'/' + name, 1};
    }
    return popUp;
}

std::optional<StartFolder> startFolderOf(const FolderPopUp& popUp, int position,
                                         const QString& startupVolumeName)
{
    using Kind = FolderItem::Kind;
    if (position < 0 || position >= popUp.items.size())
        return std::nullopt;
    const FolderItem& item = popUp.items[position];
    switch (item.kind) {
    case Kind::Separator:
        return std::nullopt;
    case Kind::AllVolumes:
        return StartFolder{QStringLiteral("/"), false};
    case Kind::Volume:
        if (item.title == startupVolumeName)
            return StartFolder{QStringLiteral("/"), true};
        return StartFolder{item.folder, false};
    case Kind::RootFolder:
    case Kind::Home:
    case Kind::HomeFolder:
        return StartFolder{item.folder, false};
    }
    return std::nullopt;
}

} // namespace trevalo
