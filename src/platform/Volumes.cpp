#include "platform/Volumes.h"

#include <QStorageInfo>

namespace trevalo {

VolumeSpace RootVolumes::startupVolume() const
{
    const QStorageInfo info(m_root.host(QStringLiteral("/")));
    return {info.bytesTotal(), info.bytesAvailable()};
}

} // namespace trevalo
