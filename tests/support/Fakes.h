#pragma once

// Recording and fixed stand-ins for the seams, for logic tests, widget tests and benchmarks.

#include "analyser/Signatures.h"
#include "platform/Alerts.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/Notifier.h"
#include "platform/Volumes.h"
#include "platform/Workspace.h"

#include <QMap>
#include <QVector>
#include <functional>

namespace trevalo::test {

/// Records every alert and answers with a chosen button (by title; the first button when the title is
/// not among the alert's buttons). `whileShown`, when set, runs as the alert is up, as the user or the
/// system would act while a modal alert's event loop runs.
class RecordingAlerts : public Alerts {
public:
    QVector<Alert> shown;
    QString answer;
    std::function<void(const Alert&)> whileShown;

    int runModal(const Alert& alert) override
    {
        shown.append(alert);
        if (whileShown)
            whileShown(alert);
        const int index = alert.buttons.indexOf(answer);
        return index < 0 ? 0 : index;
    }
};

class RecordingClipboard : public Clipboard {
public:
    QString text;
    void setText(const QString& t) override { text = t; }
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime time) : at(std::move(time)) {}
    QDateTime at;
    QDateTime now() const override { return at; }
};

class RecordingNotifier : public Notifier {
public:
    QVector<Notification> delivered;
    void deliver(const Notification& notification) override { delivered.append(notification); }
};

class FixedVolumes : public Volumes {
public:
    VolumeSpace space;
    QString name = QStringLiteral("Macintosh HD");
    VolumeSpace startupVolume() const override { return space; }
    QString startupVolumeName() const override { return name; }
};

class RecordingWorkspace : public Workspace {
public:
    QMap<QString, QString> applications; ///< bundle identifier to path
    bool spotlightFails = false;
    QStringList revealed;
    QStringList opened;
    ApplicationLookup findApplication(const QString& id) override
    {
        return {spotlightFails ? QString() : applications.value(id), spotlightFails};
    }
    void revealInFinder(const QString& path) override { revealed << path; }
    void open(const QString& pathOrUrl) override { opened << pathOrUrl; }
};

/// Signature files given as encoded bytes, by name; every read is recorded.
class FixedSignatures : public SignatureSource {
public:
    QMap<QString, QByteArray> files;
    QStringList reads;
    QByteArray read(const QString& name) override
    {
        reads << name;
        return files.value(name);
    }
};

} // namespace trevalo::test
