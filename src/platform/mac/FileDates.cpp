#include "platform/FileDates.h"

#include <QFile>
#include <sys/stat.h>

namespace trevalo {

std::optional<FileDates> readFileDates(const QString& hostPath)
{
    const QByteArray path = QFile::encodeName(hostPath);
    struct stat st {};
    if (path.isEmpty() || ::lstat(path.constData(), &st) != 0)
        return std::nullopt;
    return fileDatesFromEpoch(st.st_mtimespec.tv_sec, st.st_mtimespec.tv_nsec, st.st_birthtimespec.tv_sec,
                              st.st_birthtimespec.tv_nsec);
}

} // namespace trevalo
