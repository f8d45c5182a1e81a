#include "platform/Settings.h"

#include "platform/FileLock.h"
#include "platform/Log.h"
#include "platform/PlistFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace trevalo {

namespace {

// How long update() waits for another process's read-modify-write of the file. Those take milliseconds,
// and the lock of a holder that has died is taken over.
constexpr int kLockWaitMs = 10000;

// A free name for a damaged file: the time it was found, and a counter when that name is taken (two
// starts within one second), so that no earlier damaged file is replaced.
QString asideNameFor(const QString& filePath)
{
    const QString stem = filePath + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem;
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = QStringLiteral("%1-%2").arg(stem).arg(n);
    return name;
}

// A settings file that is not a property list would be overwritten by the next write. Keep it beside
// the new one instead, so nothing the user had is lost.
void setAsideIfDamaged(const QString& filePath)
{
    QFile file(filePath);
    if (!file.exists())
        return;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        file.close();
        const std::optional<QVariant> root = plistToVariant(bytes);
        if (bytes.trimmed().isEmpty() || (root && root->typeId() == QMetaType::QVariantMap))
            return;
    }
    const QString aside = asideNameFor(filePath);
    const bool kept = QFile::rename(filePath, aside);
    TR_LOG("Settings file %1 could not be read; starting from empty settings%2", filePath,
           kept ? QStringLiteral(" (the old file is kept as %1)").arg(aside) : QString());
}

// A key's value in the file as it is now: invalid when the file or the key is absent; nothing, with the
// reason in `error`, when the file cannot be read.
std::optional<QVariant> storedValue(const QString& filePath, const QString& key, QString& error)
{
    QFile file(filePath);
    if (!file.exists())
        return QVariant();
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.trimmed().isEmpty())
        return QVariant();
    const std::optional<QVariant> root = plistToVariant(bytes);
    if (!root || root->typeId() != QMetaType::QVariantMap) {
        error = QStringLiteral("it is not a property list");
        return std::nullopt;
    }
    return root->toMap().value(key);
}

QString cannotWrite(const QString& filePath, const QString& reason)
{
    return QStringLiteral("%1 cannot be written: %2").arg(filePath, reason);
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

} // namespace

Settings::Settings(const QString& filePath)
{
    setAsideIfDamaged(filePath);
    m_settings = std::make_unique<QSettings>(filePath, plistSettingsFormat());
}

Settings::~Settings() = default;

bool Settings::contains(const QString& key) const
{
    return m_settings->contains(key);
}

bool Settings::boolForKey(const QString& key) const
{
    const QVariant v = m_settings->value(key);
    return isNumber(v) && v.toBool();
}

qint64 Settings::integerForKey(const QString& key) const
{
    const QVariant v = m_settings->value(key);
    return isNumber(v) ? v.toLongLong() : 0;
}

QString Settings::stringForKey(const QString& key) const
{
    const QVariant v = m_settings->value(key);
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

std::optional<QStringList> Settings::stringArrayForKey(const QString& key) const
{
    const QVariant v = m_settings->value(key);
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
    m_settings->setValue(key, value);
}

void Settings::setInteger(const QString& key, qint64 value)
{
    m_settings->setValue(key, value);
}

void Settings::setString(const QString& key, const QString& value)
{
    m_settings->setValue(key, value);
}

void Settings::setStringArray(const QString& key, const QStringList& value)
{
    m_settings->setValue(key, value);
}

void Settings::remove(const QString& key)
{
    m_settings->remove(key);
}

bool Settings::synchronize()
{
    if (const std::optional<QString> problem = writeProblem())
        return fail(cannotWrite(fileName(), *problem));
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return true;
    return fail(cannotWrite(fileName(), QStringLiteral("writing it failed")));
}

bool Settings::update(const QString& key, const std::function<QVariant(const QVariant& stored)>& change)
{
    const QString file = fileName();
    return underLock([&]() -> bool {
        QString readError;
        const std::optional<QVariant> stored = storedValue(file, key, readError);
        if (!stored)
            return fail(QStringLiteral("%1 cannot be read: %2").arg(file, readError));
        const QVariant value = change(*stored);
        if (value.isValid())
            m_settings->setValue(key, value);
        else
            m_settings->remove(key);
        // QSettings writes its own value for each key this store changed and takes every other key from
        // the file as it is now.
        m_settings->sync();
        if (m_settings->status() != QSettings::NoError)
            return fail(cannotWrite(file, QStringLiteral("writing it failed")));
        return true;
    });
}

bool Settings::transact(const std::function<bool()>& change)
{
    const QString file = fileName();
    return underLock([&]() -> bool {
        QString readError;
        if (!storedValue(file, QString(), readError))
            return fail(QStringLiteral("%1 cannot be read: %2").arg(file, readError));
        // Reads the file anew; this store's own unsaved changes go with it.
        m_settings->sync();
        if (m_settings->status() != QSettings::NoError)
            return fail(cannotWrite(file, QStringLiteral("writing it failed")));
        if (!change())
            return true;
        m_settings->sync();
        if (m_settings->status() != QSettings::NoError)
            return fail(cannotWrite(file, QStringLiteral("writing it failed")));
        return true;
    });
}

bool Settings::underLock(const std::function<bool()>& work)
{
    const QString file = fileName();
    if (const std::optional<QString> problem = writeProblem())
        return fail(cannotWrite(file, *problem));
    // Not "<file>.lock": QSettings takes that one inside sync(), which runs while this one is held.
    QLockFile lock(file + QStringLiteral(".rmw-lock"));
    if (!lockWithin(lock, kLockWaitMs)) {
        return fail(
            cannotWrite(file, lock.error() == QLockFile::LockFailedError
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
    return m_settings->fileName();
}

std::optional<QString> Settings::writeProblem() const
{
    const QFileInfo file(fileName());
    const QString folder = file.absolutePath();
    if (!QDir().mkpath(folder)) {
        // Name what is in the way: the nearest part of the folder's path that exists.
        QFileInfo there(folder);
        while (!there.exists() && !there.isRoot())
            there = QFileInfo(there.absolutePath());
        if (!there.isDir())
            return QStringLiteral("%1 is a file, not a folder").arg(there.absoluteFilePath());
        return QStringLiteral("the folder %1 cannot be made").arg(folder);
    }
    // QSettings refuses these too but cannot say why. It writes a new file beside the old one and
    // renames it over it, so the folder must take new files.
    if (!QFileInfo(folder).isWritable())
        return QStringLiteral("the folder %1 is read-only").arg(folder);
    if (file.exists() && !file.isWritable())
        return QStringLiteral("the file is read-only");
    return std::nullopt;
}

bool Settings::fail(const QString& error)
{
    m_error = error;
    TR_LOG("%1", error);
    return false;
}

} // namespace trevalo
