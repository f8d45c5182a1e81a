// The settings tests on the defaults service: built and run on macOS only.

#include "logic/SettingsContract.h"
#include "platform/mac/NativeSettingsBackend.h"

#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>

using namespace trevalo;
using namespace trevalo::test;

namespace {

// A defaults domain of its own for each test, emptied at the end.
class DefaultsPlace : public SettingsPlace {
public:
    ~DefaultsPlace() override
    {
        const std::unique_ptr<QSettings> domain = service();
        domain->clear();
        domain->sync();
    }

    std::unique_ptr<Settings> open() const override
    {
        return std::make_unique<Settings>(nativeSettingsBackend(m_domain, lockFile()));
    }
    QVariantMap stored() const override
    {
        const std::unique_ptr<QSettings> domain = service();
        domain->sync();
        QVariantMap values;
        for (const QString& key : domain->childKeys())
            values.insert(key, domain->value(key));
        return values;
    }
    void storeBehind(const QVariantMap& values) const override
    {
        const std::unique_ptr<QSettings> domain = service();
        domain->clear();
        for (auto it = values.begin(); it != values.end(); ++it)
            domain->setValue(it.key(), it.value());
        domain->sync();
    }
    QString lockFile() const override { return m_dir.filePath("settings.rmw-lock"); }

private:
    // The domain as `defaults` and other programs reach it, apart from any store under test.
    std::unique_ptr<QSettings> service() const
    {
        auto domain = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                  "quorvex.com", m_application);
        domain->setFallbacksEnabled(false);
        return domain;
    }

    QTemporaryDir m_dir;
    QString m_application = QStringLiteral("trevalo2-test-%1").arg(QRandomGenerator::global()->generate());
    QString m_domain = "com.quorvex." + m_application;
};

INSTANTIATE_TEST_SUITE_P(Defaults, SettingsContract,
                         ::testing::Values(SettingsPlaceKind{
                             "Defaults", [] { return std::unique_ptr<SettingsPlace>(new DefaultsPlace); }}),
                         settingsPlaceName);

} // namespace
