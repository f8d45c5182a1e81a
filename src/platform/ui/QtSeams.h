#pragma once

#include "platform/Alerts.h"
#include "platform/Clipboard.h"
#include "platform/Notifier.h"

#include <QObject>
#include <QPointer>

class QSystemTrayIcon;

namespace trevalo {

/// Alerts as modal message boxes.
class QtAlerts : public Alerts {
public:
    int runModal(const Alert& alert) override;
};

/// The general clipboard, as plain text.
class QtClipboard : public Clipboard {
public:
    void setText(const QString& text) override;
};

/// Notifications through the status item's balloon (or the desktop's notification service when one is
/// running: Qt forwards the balloon there). A click on the balloon reports the last notification.
class TrayNotifier : public Notifier {
    Q_OBJECT
public:
    explicit TrayNotifier(QSystemTrayIcon* tray);
    void deliver(const Notification& notification) override;

private:
    QPointer<QSystemTrayIcon> m_tray;
    Notification m_last;
};

} // namespace trevalo
