#pragma once

#include "platform/Settings.h"

#include <QByteArray>
#include <QList>
#include <QVariantMap>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>

namespace trevalo::test {

/// One place where settings are kept (a plist file, a defaults domain), as the settings tests that every
/// backend must pass see it. Each place starts empty and is cleared when it is destroyed.
class SettingsPlace {
public:
    virtual ~SettingsPlace() = default;

    /// A store over the place, as a process starting now opens it.
    virtual std::unique_ptr<Settings> open() const = 0;
    /// What another program reads there now.
    virtual QVariantMap stored() const = 0;
    /// Replaces everything stored there, as another program would (`defaults write`, an installer).
    virtual void storeBehind(const QVariantMap& values) const = 0;
    /// The lock that read-modify-writes take.
    virtual QString lockFile() const = 0;

    /// Puts bytes that are no settings where the values are kept; false when the place cannot be damaged
    /// from outside (the defaults service owns its files).
    virtual bool damage(const QByteArray&) const { return false; }
    /// The contents of the damaged stores set aside so far.
    virtual QList<QByteArray> keptDamaged() const { return {}; }

    /// Makes every save fail until unblockSaving(); the reason a failed save must give, or nothing when
    /// saving cannot be made to fail here.
    virtual std::optional<QString> blockSaving() const { return std::nullopt; }
    virtual void unblockSaving() const {}
};

struct SettingsPlaceKind {
    const char* name;
    std::function<std::unique_ptr<SettingsPlace>()> make;
};

inline void PrintTo(const SettingsPlaceKind& kind, std::ostream* out)
{
    *out << kind.name;
}

inline std::string settingsPlaceName(const ::testing::TestParamInfo<SettingsPlaceKind>& info)
{
    return info.param.name;
}

/// The settings tests every backend must pass; each backend instantiates it with its kind of place.
class SettingsContract : public ::testing::TestWithParam<SettingsPlaceKind> {
protected:
    std::unique_ptr<SettingsPlace> place = GetParam().make();
};

} // namespace trevalo::test
