#pragma once

#include <QSettings>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace trevalo {

class SystemRoot;

/// Where Settings keeps its values: one plist file, or the platform's defaults service. Settings does the
/// typed reads, the saving and the read-modify-write; a backend says where the values live, how to read
/// what is stored there now, and which lock file read-modify-writes take.
class SettingsBackend {
public:
    virtual ~SettingsBackend() = default;

    /// The values as this process sees them: the stored ones with its own unsaved changes.
    virtual QSettings& values() = 0;
    /// The file's path or the defaults domain, for messages and log lines.
    virtual QString location() const = 0;
    /// The lock every process takes around a read-modify-write of these values.
    virtual QString lockFile() const = 0;
    /// Why a save cannot succeed now (making folders if need be), or nothing.
    virtual std::optional<QString> writeProblem() const = 0;
    /// Called before every read. A store that other programs change while this one runs brings this
    /// process's copy up to date here; a file needs nothing, as QSettings reads it anew at each save.
    virtual void refresh() {}
    /// Every value as stored now, behind this process's copy; nothing, with the reason in `error`, when
    /// the store cannot be read. May write this process's unsaved changes on the way.
    virtual std::optional<QVariantMap> readStored(QString& error) = 0;
};

/// The settings as one XML property list at `filePath`. A file there that is not a property list is set
/// aside as `<file>.damaged-<yyyyMMdd-HHmmss>` (with a counter when one of that name exists), so that the
/// next save does not overwrite it, and the values start empty.
std::unique_ptr<SettingsBackend> fileSettingsBackend(const QString& filePath);

/// Host path of the running machine's settings file `fileName` for the user whose home is `home`: in
/// ~/Library/Preferences on a Mac, in the user's configuration folder elsewhere.
QString settingsFileOfUser(const QString& home, const QString& fileName);

/// The backend for a machine root: the defaults service for the running Mac, where the platform has one;
/// the root's plist file everywhere else (any other root, and platforms without that service).
std::unique_ptr<SettingsBackend> settingsBackendFor(const SystemRoot& root);

} // namespace trevalo
