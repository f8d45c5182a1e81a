#include "platform/mac/NativeSettingsBackend.h"

#include "platform/SystemRoot.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace trevalo {

namespace {

// QSettings names a domain by an organisation's internet domain and an application:
// "com.quorvex.trevalo2" is ("quorvex.com", "trevalo2").
QString organizationDomainOf(const QString& domain)
{
    QStringList parts = domain.split(QLatin1Char('.'));
    parts.removeLast();
    std::reverse(parts.begin(), parts.end());
    return parts.join(QLatin1Char('.'));
}

class NativeSettingsBackend final : public SettingsBackend {
public:
    NativeSettingsBackend(const QString& domain, const QString& lockFile)
        : m_domain(domain), m_lockFile(lockFile),
          m_settings(QSettings::NativeFormat, QSettings::UserScope, organizationDomainOf(domain),
                     domain.section(QLatin1Char('.'), -1))
    {
        // Only this domain: with fallbacks, the global domain's keys would read as the program's own.
        m_settings.setFallbacksEnabled(false);
    }

    QSettings& values() override { return m_settings; }
    QString location() const override { return QStringLiteral("the defaults domain %1").arg(m_domain); }
    QString lockFile() const override { return m_lockFile; }
    // So that a `defaults write` while the program runs is read, not the cached value from before it.
    void refresh() override { m_settings.sync(); }

    std::optional<QString> writeProblem() const override
    {
        const QString folder = QFileInfo(m_lockFile).absolutePath();
        if (!QDir().mkpath(folder))
            return QStringLiteral("the folder %1 cannot be made").arg(folder);
        return std::nullopt;
    }

    // sync() hands this process's changes to the defaults service and drops its cached copy, so the
    // values read next are those stored now, including another program's.
    std::optional<QVariantMap> readStored(QString& error) override
    {
        m_settings.sync();
        if (m_settings.status() != QSettings::NoError) {
            error = QStringLiteral("the defaults service did not answer");
            return std::nullopt;
        }
        QVariantMap stored;
        for (const QString& key : m_settings.childKeys())
            stored.insert(key, m_settings.value(key));
        return stored;
    }

private:
    QString m_domain;
    QString m_lockFile;
    QSettings m_settings;
};

} // namespace

std::unique_ptr<SettingsBackend> nativeSettingsBackend(const QString& domain, const QString& lockFile)
{
    return std::make_unique<NativeSettingsBackend>(domain, lockFile);
}

QString settingsFileOfUser(const QString& home, const QString& fileName)
{
    return home + "/Library/Preferences/" + fileName;
}

std::unique_ptr<SettingsBackend> settingsBackendFor(const SystemRoot& root)
{
    if (!root.isIdentity())
        return fileSettingsBackend(root.settingsFile());
    // The running Mac: the domain is the one the defaults service keeps in that file,
    // ~/Library/Preferences/<domain>.plist; the lock lies beside it, as the file backend's does.
    const QString file = root.settingsFile();
    return nativeSettingsBackend(QFileInfo(file).completeBaseName(), file + QStringLiteral(".rmw-lock"));
}

} // namespace trevalo
