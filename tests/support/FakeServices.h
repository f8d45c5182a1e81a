#pragma once

#include "platform/PlistFormat.h"
#include "platform/Services.h"
#include "support/Fakes.h"
#include "support/TempRoot.h"

namespace trevalo::test {

/// Every seam for code under test: a small Mac of its own (tools are scripts the test writes) and
/// recording alerts, notifications, clipboard and workspace. Derive a fixture from it, or hold one.
struct FakeServices {
    explicit FakeServices(TempRoot::Kind kind = TempRoot::Empty) : machine(kind) {}

    TempRoot machine;
    SystemRoot root = machine.root();
    CommandRunner runner{root};
    Settings settings{root.settingsFile()};
    RecordingAlerts alerts;
    RecordingNotifier notifier;
    RecordingClipboard clipboard;
    RecordingWorkspace workspace;
    FixedVolumes volumes;
    FixedClock clock{QDateTime(QDate(2026, 12, 9), QTime(8, 5))};

    Services services()
    {
        return Services{root, runner, settings, alerts, notifier, clipboard, workspace, volumes, clock};
    }

    /// Writes the settings file as another process does: behind the back of `settings`, which has read it.
    void writeSettingsFile(const QVariantMap& values) const
    {
        machine.write(root.mac(root.settingsFile()), variantToXmlPlist(values));
    }
    /// A value as the settings file holds it now; invalid when absent.
    QVariant storedSetting(const QString& key) const
    {
        return plistToVariant(machine.read(root.mac(root.settingsFile())))
            .value_or(QVariant())
            .toMap()
            .value(key);
    }
};

} // namespace trevalo::test
