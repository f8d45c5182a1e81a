#pragma once

#include "platform/Services.h"
#include "taskpad/ListItem.h"

#include <QHash>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

namespace trevalo {

/// Where a save writes and what it checks (the target of "saveListToFile:").
struct SaveTarget {
    enum class Kind {
        Automatic, ///< after a change: only over the file as it was last read or written here
        Control,   ///< sent by a control: to the task pad path, creating the file, without checks
        File,      ///< save-as: to the chosen path, without checks
    };
    Kind kind = Kind::Automatic;
    QString path; ///< for File: the chosen macOS path

    static SaveTarget automatic() { return {}; }
    static SaveTarget control() { return {Kind::Control, {}}; }
    static SaveTarget file(const QString& path) { return {Kind::File, path}; }
};

/// A file as it was when this process last read or wrote it. A file that shows other values has been
/// changed by someone else since, whatever its clock said.
struct FileSignature {
    qint64 size = 0;
    qint64 modifiedNs = 0;
    quint64 device = 0;
    quint64 inode = 0;
    bool operator==(const FileSignature&) const = default;
};

/// The task pad file of one process: its path, and what this process last read or wrote there.
///
/// Saves are made under a lock beside the file (`<file>.lock`), shared with every other process of the
/// program (the menu-bar program and `trevalo tasks`): the check that the file is as it was and the
/// write happen as one. A write goes to a new file that replaces the old one only when complete.
///
/// A file that exists but cannot be read as a task pad is never written over: the user is told once,
/// the working list starts from the default items, and it is saved only through save-as (a save-as
/// request) until a good file is loaded.
class TaskPadFile : public QObject {
    Q_OBJECT
public:
    /// Writes bytes to a host path; the reason when that failed.
    using Writer = std::function<std::optional<QString>(const QString& hostPath, const QByteArray& bytes)>;

    /// `writer` replaces the atomic write (tests); empty for the real one.
    explicit TaskPadFile(Services services, Writer writer = {}, QObject* parent = nullptr);

    /// The task pad path (a macOS path), made the default one and stored on first use; the support
    /// folder is made on the way ("getTaskPadPath").
    QString getTaskPadPath();
    /// Uses another task pad file from now on; the setting is not touched ("setTaskPadPath:").
    void setTaskPadPath(const QString& path) { m_path = path; }

    /// A new outline root holding one task, "Untitled" ("createDefaultItems").
    static std::unique_ptr<ListItem> createDefaultItems();

    /// Reads the task pad file into a new outline root ("loadFromDisk"). A missing file gives the
    /// default items and is created with them when its folder exists; a file that cannot be read gives
    /// the default items and is protected (see the class).
    std::unique_ptr<ListItem> loadFromDisk();

    /// Writes the outline below `root` ("saveListToFile:"); false when nothing was written. A refused
    /// automatic save asks for save-as (saveAsRequested); a write that fails is reported in an alert.
    bool saveListToFile(ListItem& root, const SaveTarget& target);

    /// Whether the file at the task pad path failed to load and is kept from being written.
    bool loadFailed() const;
    /// Why the last load or save did not do what was asked, in one line; empty after success.
    QString errorString() const { return m_error; }

    const Services& services() const { return m_services; }

signals:
    /// The list should be saved under another name or reloaded ("showListSaveAsPanel").
    void saveAsRequested();

private:
    QString host(const QString& path) const { return m_services.root.host(path); }
    bool isProtected(const QString& path) const;
    void alert(const QString& text);

    Services m_services;
    Writer m_writer;
    QString m_path;
    /// What each file looked like after this process last read or wrote it, by macOS path.
    QHash<QString, FileSignature> m_seen;
    /// The file that failed to load, and the state of it the user was told about.
    QString m_failedPath;
    std::optional<FileSignature> m_failureShown;
    QString m_error;
};

/// The signature of the file at a host path; nothing when it cannot be read, with the reason in `error`.
std::optional<FileSignature> fileSignature(const QString& hostPath, QString* error = nullptr);

} // namespace trevalo
