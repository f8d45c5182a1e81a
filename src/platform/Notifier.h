#pragma once

#include <QObject>
#include <QString>

namespace trevalo {

struct Notification {
    QString title = QStringLiteral("Trevalo 2");
    QString subtitle; ///< a line between title and text; empty for none
    QString informativeText;
    bool hasActionButton = true; ///< the "Show" button; clicking such a notification opens the Analyser
    bool sound = true;
};

/// The system's user notifications. `activated` comes on the main thread when the user clicks one.
class Notifier : public QObject {
    Q_OBJECT
public:
    virtual void deliver(const Notification& notification) = 0;

signals:
    void activated(const trevalo::Notification& notification);
};

} // namespace trevalo
