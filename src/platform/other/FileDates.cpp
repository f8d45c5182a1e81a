#include "platform/FileDates.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace trevalo {

std::optional<FileDates> readFileDates(const QString& hostPath)
{
    const QByteArray path = QFile::encodeName(hostPath);
    if (path.isEmpty())
        return std::nullopt;
    // statx tells whether the file system keeps a birth time (ext4, btrfs, xfs and tmpfs do on a recent
    // kernel); where it does not, the status-change time stands in for it.
    struct statx sx {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, STATX_MTIME | STATX_CTIME | STATX_BTIME,
                &sx) == 0) {
        if (!(sx.stx_mask & STATX_MTIME))
            return std::nullopt;
        const statx_timestamp& created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime;
        return fileDatesFromEpoch(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec, created.tv_sec, created.tv_nsec);
    }
    if (errno != ENOSYS)
        return std::nullopt;
    // A kernel (or a sandbox) without statx.
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0)
        return std::nullopt;
    return fileDatesFromEpoch(st.st_mtim.tv_sec, st.st_mtim.tv_nsec, st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
}

} // namespace trevalo
