#include "platform/Log.h"
#include "platform/PlistFormat.h"
#include "platform/SettingsBackend.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace trevalo {

namespace {

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

class FileSettingsBackend final : public SettingsBackend {
public:
    explicit FileSettingsBackend(const QString& filePath)
    {
        setAsideIfDamaged(filePath);
        m_settings = std::make_unique<QSettings>(filePath, plistSettingsFormat());
    }

    QSettings& values() override { return *m_settings; }
    QString location() const override { return m_settings->fileName(); }
    // Not "<file>.lock": QSettings takes that one inside sync(), which runs while this one is held.
    QString lockFile() const override { return location() + QStringLiteral(".rmw-lock"); }

    std::optional<QString> writeProblem() const override
    {
        const QFileInfo file(location());
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

    // The file itself, not QSettings' copy of it: QSettings takes a damaged file for an empty one.
    std::optional<QVariantMap> readStored(QString& error) override
    {
        QFile file(location());
        if (!file.exists())
            return QVariantMap();
        if (!file.open(QIODevice::ReadOnly)) {
            error = file.errorString();
            return std::nullopt;
        }
        const QByteArray bytes = file.readAll();
        if (bytes.trimmed().isEmpty())
            return QVariantMap();
        const std::optional<QVariant> root = plistToVariant(bytes);
        if (!root || root->typeId() != QMetaType::QVariantMap) {
            error = QStringLiteral("it is not a property list");
            return std::nullopt;
        }
        return root->toMap();
    }

private:
    std::unique_ptr<QSettings> m_settings;
};

} // namespace

std::unique_ptr<SettingsBackend> fileSettingsBackend(const QString& filePath)
{
    return std::make_unique<FileSettingsBackend>(filePath);
}

} // namespace trevalo
