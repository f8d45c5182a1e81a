#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace trevalo {

class SettingsBackend;

/// The program's defaults domain: typed values over a backend, one plist file or the platform's defaults
/// service (see SettingsBackend.h).
///
/// Reads follow the defaults semantics the program relies on: a value of another type reads as its
/// type's zero (NO, 0, absent text, absent list); an absent list is distinct from an empty one. Writes
/// are stored for certain by synchronize() (a file keeps them in memory until then; the defaults service
/// may store them sooner).
///
/// Several processes use one store at once (the menu-bar program, `trevalo analyse --ignore`), and a
/// synchronize() stores this process's own copy of every key it set. A value that is changed from its
/// stored form, such as an item added to a list, goes through update() instead, which changes what is
/// stored now.
class Settings {
public:
    /// A store over the given settings file (created on the first synchronize()). A file that is not a
    /// property list is set aside as `<file>.damaged-<yyyyMMdd-HHmmss>` (with a counter when one of that
    /// name exists) and the store starts empty.
    explicit Settings(const QString& filePath);
    explicit Settings(std::unique_ptr<SettingsBackend> backend);
    ~Settings();

    bool contains(const QString& key) const;
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    /// Null when absent or not a text.
    QString stringForKey(const QString& key) const;
    /// Absent when the key is missing or not a list. A list reads as its texts: an item of another kind
    /// (put there by hand, or by another program) is skipped with a log line, so that one such item does
    /// not cost the user every other entry.
    std::optional<QStringList> stringArrayForKey(const QString& key) const;

    void setBool(const QString& key, bool value);
    void setInteger(const QString& key, qint64 value);
    void setString(const QString& key, const QString& value);
    void setStringArray(const QString& key, const QStringList& value);
    void remove(const QString& key);

    /// Writes the settings to disk; false (and a log line) when the store cannot be written or read, with
    /// the reason in errorString(). The values stay in memory either way.
    bool synchronize();

    /// Replaces one stored value by what `change` makes of it, as a read-modify-write of the store: under
    /// the backend's lock (`<file>.rmw-lock` beside a settings file), the store is read anew, `change` gets
    /// the key's value there (invalid when absent) and its result is written (an invalid result removes the
    /// key). So two processes adding to one list both keep their entry. This store's other unsaved changes
    /// are written with it. False when the store cannot be read or written, with the reason in errorString()
    /// and a log line: what is stored is unchanged, and so is this store, unless the write itself failed (a
    /// full disk), which leaves the new value unsaved in memory as a failed synchronize() does.
    bool update(const QString& key, const std::function<QVariant(const QVariant& stored)>& change);

    /// Several reads and writes as one step against other processes: under the same lock as update(),
    /// the store is read anew (its own unsaved changes written with it), `change` reads and
    /// sets values on this store, and they are written when it returns true (false: nothing more is
    /// written). False when the store cannot be read or written, as for update(); `change` then has not
    /// run, or its values stay unsaved in memory.
    bool transact(const std::function<bool()>& change);
    /// Why the last synchronize() or update() failed, naming the store: one line for the user.
    QString errorString() const;

    /// The settings file's path, or the defaults domain the values are kept in.
    QString fileName() const;

private:
    bool fail(const QString& error);
    /// Writes this store's changes; false, with the reason, when they could not be.
    bool save();
    /// Runs `work` holding the backend's lock; false, with the reason, when the lock cannot be had.
    bool underLock(const std::function<bool()>& work);

    std::unique_ptr<SettingsBackend> m_backend;
    QSettings& m_settings;
    QString m_error;
};

} // namespace trevalo
