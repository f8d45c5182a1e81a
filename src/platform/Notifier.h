#pragma once

#include <QString>
#include <QVector>
#include <functional>

namespace trevalo {

struct Notification {
    QString title = QStringLiteral("Trevalo 2");
    QString informativeText;
    bool hasActionButton = true; ///< the "Show" button; clicking such a notification opens the Analyser
    bool sound = true;
};

class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void deliver(const Notification& notification) = 0;
    /// Called on the main thread when the user clicks a delivered notification.
    std::function<void(const Notification&)> onActivated;
};

class RecordingNotifier : public Notifier {
public:
    QVector<Notification> delivered;
    void deliver(const Notification& notification) override { delivered.append(notification); }
};

} // namespace trevalo
