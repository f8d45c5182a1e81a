#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace trevalo {

/// The program's defaults domain: typed values over one settings file.
///
/// Reads follow the defaults semantics the program relies on: a value of another type reads as its
/// type's zero (NO, 0, absent text, absent list); an absent list is distinct from an empty one. Writes
/// stay in memory until synchronize().
///
/// Several processes use one file at once (the menu-bar program, `trevalo analyse --ignore`), and a
/// synchronize() stores this process's own copy of every key it set. A value that is changed from its
/// stored form, such as an item added to a list, goes through update() instead, which changes what is on
/// disk now.
class Settings {
public:
    /// A store over the given settings file (created on the first synchronize()). A file that is not a
    /// property list is set aside as `<file>.damaged-<yyyyMMdd-HHmmss>` (with a counter when one of that
    /// name exists) and the store starts empty.
    explicit Settings(const QString& filePath);
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

    /// Writes the settings to disk; false (and a log line) when the file cannot be written or read, with
    /// the reason in errorString().
    bool synchronize();

    /// Replaces one stored value by what `change` makes of it, as a read-modify-write of the file on disk:
    /// under a lock beside it (`<file>.rmw-lock`), the file is read anew, `change` gets the key's value
    /// there (invalid when absent) and its result is written (an invalid result removes the key). So two
    /// processes adding to one list both keep their entry. This store's other unsaved changes are written
    /// with it. False when the file cannot be read or written, with the reason in errorString() and a log
    /// line: the file is unchanged, and so is this store, unless the write itself failed (a full disk),
    /// which leaves the new value unsaved in memory as a failed synchronize() does.
    bool update(const QString& key, const std::function<QVariant(const QVariant& stored)>& change);

    /// Several reads and writes as one step against other processes: under the same lock as update(),
    /// the store is read anew from the file (its own unsaved changes written with it), `change` reads and
    /// sets values on this store, and they are written when it returns true (false: nothing more is
    /// written). False when the file cannot be read or written, as for update(); `change` then has not
    /// run, or its values stay unsaved in memory.
    bool transact(const std::function<bool()>& change);
    /// Why the last synchronize() or update() failed, naming the file: one line for the user.
    QString errorString() const;

    QString fileName() const;

private:
    /// Why the file cannot be written now (making its folder if need be), or nothing.
    std::optional<QString> writeProblem() const;
    bool fail(const QString& error);
    /// Runs `work` holding the lock beside the file; false, with the reason, when the lock cannot be had.
    bool underLock(const std::function<bool()>& work);

    std::unique_ptr<QSettings> m_settings;
    QString m_error;
};

} // namespace trevalo
