#include "taskpad/TaskPadFile.h"

#include "platform/FileLock.h"
#include "platform/Log.h"
#include "taskpad/TaskPadFormat.h"
#include "taskpad/TaskPadKeys.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace trevalo {

namespace {

// The operations whose log lines others read by name and line.
constexpr char kLoadFromDisk[] = "-[OutlineViewController loadFromDisk]";
constexpr char kSaveListToFile[] = "-[OutlineViewController saveListToFile:]";

void logAs(const char* operation, int line, const QString& text)
{
    writeLog(logPrefix(operation, line) + text);
}

// Another process's check-and-write takes milliseconds; QLockFile takes over the lock of one that died.
constexpr int kLockWaitMs = 10000;

std::optional<QString> writeAtomically(const QString& hostPath, const QByteArray& bytes)
{
    QSaveFile file(hostPath);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return std::nullopt;
}

QString lockProblem(const QLockFile& lock)
{
    return lock.error() == QLockFile::LockFailedError
               ? QStringLiteral("another program keeps %1 locked").arg(lock.fileName())
               : QStringLiteral("the lock %1 cannot be made").arg(lock.fileName());
}

} // namespace

std::optional<FileSignature> fileSignature(const QString& hostPath, QString* error)
{
    struct stat info {};
    if (::stat(QFile::encodeName(hostPath).constData(), &info) != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return std::nullopt;
    }
#ifdef Q_OS_MACOS
    const qint64 modifiedNs = qint64(info.st_mtimespec.tv_sec) * 1000000000 + info.st_mtimespec.tv_nsec;
#else
    const qint64 modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
#endif
    return FileSignature{qint64(info.st_size), modifiedNs, quint64(info.st_dev), quint64(info.st_ino)};
}

TaskPadFile::TaskPadFile(Services services, Writer writer, QObject* parent)
    : QObject(parent), m_services(services), m_writer(writer ? std::move(writer) : Writer(writeAtomically))
{
}

QString TaskPadFile::getTaskPadPath()
{
    Settings& settings = m_services.settings;
    m_path = settings.stringForKey(keys::taskPadPathKey);
    const QString supportFolder = m_services.root.supportFolder();
    if (m_path.isEmpty()) {
        m_path = supportFolder + QStringLiteral("/taskpad.tp");
        settings.setString(keys::taskPadPathKey, m_path);
        settings.synchronize();
    }
    QDir().mkpath(host(supportFolder)); // a failure shows in the writes that need the folder
    return m_path;
}

std::unique_ptr<ListItem> TaskPadFile::createDefaultItems()
{
    auto root = std::make_unique<ListItem>(QString());
    root->insertChild(0, std::make_unique<ListItem>());
    return root;
}

std::unique_ptr<ListItem> TaskPadFile::loadFromDisk()
{
    const QString path = getTaskPadPath();
    const QString file = host(path);
    m_error.clear();

    QLockFile lock(file + QStringLiteral(".lock"));
    // Reading is left to go ahead without the lock where none can be made (a folder we may not write).
    lockWithin(lock, kLockWaitMs);

    if (!QFileInfo::exists(file)) {
        logAs(kLoadFromDisk, 222, QStringLiteral("taskpad path doesn't exist; creating default items list"));
        std::unique_ptr<ListItem> root = createDefaultItems();
        // Made on first use, so that the automatic saves have a file to write to. Only where its folder
        // is: a path on a volume that is not mounted gets no folders on the start-up disk.
        if (QFileInfo(QFileInfo(file).absolutePath()).isDir()) {
            const QByteArray bytes = writeTaskPad(*root, m_services.clock.now());
            if (const std::optional<QString> failure = m_writer(file, bytes)) {
                m_error = QStringLiteral("The task pad file %1 cannot be created: %2").arg(path, *failure);
                TR_LOG("%1", m_error);
                alert(m_error);
            } else if (const std::optional<FileSignature> seen = fileSignature(file)) {
                m_seen.insert(path, *seen);
            }
        }
        return root;
    }

    QString error;
    std::optional<TaskPadContent> content;
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        error = f.errorString();
    else
        content = readTaskPad(f.readAll(), error);
    const std::optional<FileSignature> seen = fileSignature(file);

    if (!content) {
        m_error = QStringLiteral("The task pad file %1 cannot be read: %2").arg(path, error);
        TR_LOG("%1; the file is kept as it is and not written to", m_error);
        m_seen.remove(path);
        // Told once for each state of the file, not at every reload of the same damaged file.
        if (m_failedPath != path || m_failureShown != seen) {
            alert(
                QStringLiteral("The task pad file \"%1\" cannot be read (%2).\n\nThe file is left as it is. "
                               "Until a task pad file that can be read is loaded, your tasks are saved "
                               "only with Save As.")
                    .arg(path, error));
        }
        m_failedPath = path;
        m_failureShown = seen;
        return createDefaultItems();
    }

    if (m_failedPath == path) {
        m_failedPath.clear();
        m_failureShown.reset();
    }
    if (seen)
        m_seen.insert(path, *seen);
    if (content->rootAbsent || content->root->childCount() == 0) {
        logAs(kLoadFromDisk, 215, QStringLiteral("path exists but no items; creating default items list"));
        return createDefaultItems();
    }
    return std::move(content->root);
}

bool TaskPadFile::saveListToFile(ListItem& root, const SaveTarget& target)
{
    const QString path = target.kind == SaveTarget::Kind::File ? target.path : getTaskPadPath();
    const QString file = host(path);
    const bool automatic = target.kind == SaveTarget::Kind::Automatic;
    m_error.clear();

    if (isProtected(path)) {
        m_error = QStringLiteral(
                      "The task pad file %1 could not be read when it was loaded; it is not written over")
                      .arg(path);
        TR_LOG("%1", m_error);
        if (target.kind == SaveTarget::Kind::File)
            alert(m_error + '.');
        else
            emit saveAsRequested();
        return false;
    }

    if (automatic && !QFileInfo::exists(file)) {
        logAs(kSaveListToFile, 755, QStringLiteral("save failed; file doesn't exist"));
        m_error = QStringLiteral("The task pad file %1 does not exist").arg(path);
        // It was there when the list was read or last saved: someone took it away. The user chooses
        // where the list goes rather than losing its changes.
        if (m_seen.contains(path))
            emit saveAsRequested();
        return false;
    }

    QLockFile lock(file + QStringLiteral(".lock"));
    if (!lockWithin(lock, kLockWaitMs)) {
        m_error = QStringLiteral("The task pad cannot be saved to %1: %2").arg(path, lockProblem(lock));
        TR_LOG("%1", m_error);
        alert(m_error);
        return false;
    }

    QString statError;
    const std::optional<FileSignature> now = fileSignature(file, &statError);
    if (!now && QFileInfo::exists(file))
        logAs(kSaveListToFile, 729,
              QStringLiteral("error retrieving file modification date:\n %1").arg(statError));

    if (automatic) {
        const auto seen = m_seen.constFind(path);
        if (!now || seen == m_seen.constEnd() || *seen != *now) {
            logAs(kSaveListToFile, 737, QStringLiteral("file has been modified since last load"));
            m_error = QStringLiteral("The task pad file %1 has been changed since it was loaded").arg(path);
            emit saveAsRequested();
            return false;
        }
    }

    const QByteArray bytes = writeTaskPad(root, m_services.clock.now());
    if (const std::optional<QString> failure = m_writer(file, bytes)) {
        m_error = QStringLiteral("The task pad cannot be saved to %1: %2").arg(path, *failure);
        TR_LOG("%1", m_error);
        alert(m_error);
        return false;
    }
    if (const std::optional<FileSignature> written = fileSignature(file))
        m_seen.insert(path, *written);
    if (m_failedPath == path) {
        m_failedPath.clear();
        m_failureShown.reset();
    }
    return true;
}

bool TaskPadFile::loadFailed() const
{
    return !m_failedPath.isEmpty() && m_failedPath == m_path;
}

bool TaskPadFile::isProtected(const QString& path) const
{
    // Once the damaged file is gone (moved away by the user), there is nothing left to keep.
    return !m_failedPath.isEmpty() && path == m_failedPath && QFileInfo::exists(host(path));
}

void TaskPadFile::alert(const QString& text)
{
    Alert a;
    a.informativeText = text;
    m_services.alerts.runModal(a);
}

} // namespace trevalo
