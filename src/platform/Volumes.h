#pragma once

#include "platform/SystemRoot.h"

#include <QtGlobal>

namespace trevalo {

struct VolumeSpace {
    qint64 total = 0;
    qint64 free = 0;
};

/// The file systems of the machine.
class Volumes {
public:
    virtual ~Volumes() = default;
    /// Size and free space of the start-up volume: the file system that holds the root.
    virtual VolumeSpace startupVolume() const = 0;
    /// The name the Finder shows for the start-up volume ("Macintosh HD").
    virtual QString startupVolumeName() const = 0;
};

class RootVolumes : public Volumes {
public:
    explicit RootVolumes(SystemRoot root) : m_root(std::move(root)) {}
    VolumeSpace startupVolume() const override;
    QString startupVolumeName() const override;

private:
    SystemRoot m_root;
};

} // namespace trevalo
