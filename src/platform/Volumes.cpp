#include "platform/Volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

namespace trevalo {

VolumeSpace RootVolumes::startupVolume() const
{
    const QStorageInfo info(m_root.host(QStringLiteral("/")));
    return {info.bytesTotal(), info.bytesAvailable()};
}

QString RootVolumes::startupVolumeName() const
{
    // The start-up volume appears in /Volumes as a link to "/": its name there is its display name.
    const QString rootHost = QFileInfo(m_root.host(QStringLiteral("/"))).canonicalFilePath();
    const QDir volumes(m_root.host(QStringLiteral("/Volumes")));
    for (const QFileInfo& entry : volumes.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System)) {
        if (entry.isSymLink() && entry.canonicalFilePath() == rootHost)
            return entry.fileName();
    }
    const QString name = QStorageInfo(rootHost).name();
    return name.isEmpty() ? QStringLiteral("Macintosh HD") : name;
}

} // namespace trevalo
