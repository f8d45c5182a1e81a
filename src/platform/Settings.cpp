#include "platform/Settings.h"

#include "platform/FileLock.h"
#include "platform/Log.h"
#include "platform/SettingsBackend.h"

#include <QLockFile>

namespace trevalo {

namespace {

// How long update() waits for another process's read-modify-write of the store. Those take
// milliseconds, and the lock of a holder that has died is taken over.
constexpr int kLockWaitMs = 10000;

QString cannotWrite(const QString& where, const QString& reason)
{
    return QStringLiteral("%1 cannot be written: %2").arg(where, reason);
}

// Booleans and numbers are one kind in a defaults domain: either reads as the other.
bool isNumber(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// A key's value as this process sees it, after the backend has caught up with changes made behind it.
QVariant storedOrSet(SettingsBackend& backend, const QString& key)
{
    backend.refresh();
    return backend.values().value(key);
}

} // namespace

Settings::Settings(const QString& filePath) : Settings(fileSettingsBackend(filePath)) {}

Settings::Settings(std::unique_ptr<SettingsBackend> backend)
    : m_backend(std::move(backend)), m_settings(m_backend->values())
{
}

Settings::~Settings() = default;

bool Settings::contains(const QString& key) const
{
    m_backend->refresh();
    return m_settings.contains(key);
}

bool Settings::boolForKey(const QString& key) const
{
    const QVariant v = storedOrSet(*m_backend, key);
    return isNumber(v) && v.toBool();
}

qint64 Settings::integerForKey(const QString& key) const
{
    const QVariant v = storedOrSet(*m_backend, key);
    return isNumber(v) ? v.toLongLong() : 0;
}

QString Settings::stringForKey(const QString& key) const
{
    const QVariant v = storedOrSet(*m_backend, key);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

std::optional<QStringList> Settings::stringArrayForKey(const QString& key) const
{
    const QVariant v = storedOrSet(*m_backend, key);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList();
    if (v.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList texts;
    qsizetype skipped = 0;
    for (const QVariant& item : v.toList()) {
        if (item.typeId() == QMetaType::QString)
            texts << item.toString();
        else
            ++skipped;
    }
    if (skipped)
        TR_LOG("Settings: %1 of the %2 items of \"%3\" in %4 are not texts; they are skipped",
               QString::number(skipped), QString::number(v.toList().size()), key, fileName());
    return texts;
}

void Settings::setBool(const QString& key, bool value)
{
    m_settings.setValue(key, value);
}

void Settings::setInteger(const QString& key, qint64 value)
{
    m_settings.setValue(key, value);
}

void Settings::setString(const QString& key, const QString& value)
{
    m_settings.setValue(key, value);
}

void Settings::setStringArray(const QString& key, const QStringList& value)
{
    m_settings.setValue(key, value);
}

void Settings::remove(const QString& key)
{
    m_settings.remove(key);
}

bool Settings::synchronize()
{
    if (const std::optional<QString> problem = m_backend->writeProblem())
        return fail(cannotWrite(fileName(), *problem));
    return save();
}

bool Settings::save()
{
    // QSettings writes its own value for each key this store changed and takes every other key from the
    // store as it is now.
    m_settings.sync();
    if (m_settings.status() == QSettings::NoError)
        return true;
    return fail(cannotWrite(fileName(), QStringLiteral("writing it failed")));
}

bool Settings::update(const QString& key, const std::function<QVariant(const QVariant& stored)>& change)
{
    return underLock([&]() -> bool {
        QString readError;
        const std::optional<QVariantMap> stored = m_backend->readStored(readError);
        if (!stored)
            return fail(QStringLiteral("%1 cannot be read: %2").arg(fileName(), readError));
        const QVariant value = change(stored->value(key));
        if (value.isValid())
            m_settings.setValue(key, value);
        else
            m_settings.remove(key);
        return save();
    });
}

bool Settings::transact(const std::function<bool()>& change)
{
    return underLock([&]() -> bool {
        QString readError;
        if (!m_backend->readStored(readError))
            return fail(QStringLiteral("%1 cannot be read: %2").arg(fileName(), readError));
        // Reads the store anew; this store's own unsaved changes go with it.
        if (!save())
            return false;
        if (!change())
            return true;
        return save();
    });
}

bool Settings::underLock(const std::function<bool()>& work)
{
    if (const std::optional<QString> problem = m_backend->writeProblem())
        return fail(cannotWrite(fileName(), *problem));
    QLockFile lock(m_backend->lockFile());
    if (!lockWithin(lock, kLockWaitMs)) {
        return fail(cannotWrite(fileName(),
                                lock.error() == QLockFile::LockFailedError
                                    ? QStringLiteral("another program keeps %1 locked").arg(lock.fileName())
                                    : QStringLiteral("the lock %1 cannot be made").arg(lock.fileName())));
    }
    return work();
}

QString Settings::errorString() const
{
    return m_error;
}

QString Settings::fileName() const
{
    return m_backend->location();
}

bool Settings::fail(const QString& error)
{
    m_error = error;
    TR_LOG("%1", error);
    return false;
}

} // namespace trevalo
