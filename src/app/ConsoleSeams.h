#pragma once

#include "platform/Alerts.h"
#include "platform/Clipboard.h"
#include "platform/Notifier.h"
#include "platform/TextEscape.h"

#include <QTextStream>
#include <QVector>

namespace trevalo {

/// Alerts on the command line: each is printed as "Alert: <informative text>" (escaped, so one alert is
/// one line) and answered with the chosen button, or the first.
class ConsoleAlerts : public Alerts {
public:
    ConsoleAlerts(QTextStream& out, QString answer) : m_out(out), m_answer(std::move(answer)) {}
    int runModal(const Alert& alert) override
    {
        m_out << "Alert: " << escapeField(alert.informativeText) << Qt::endl;
        const int index = alert.buttons.indexOf(m_answer);
        return index < 0 ? 0 : index;
    }

private:
    QTextStream& m_out;
    QString m_answer;
};

/// The command line has no clipboard: what would be copied is kept for the command to show.
class MemoryClipboard : public Clipboard {
public:
    void setText(const QString& text) override { m_text = text; }
    QString text() const { return m_text; }

private:
    QString m_text;
};

/// Notifications kept for a command that prints them after its own output.
class CollectingNotifier : public Notifier {
    Q_OBJECT
public:
    void deliver(const Notification& notification) override { m_delivered.append(notification); }
    const QVector<Notification>& delivered() const { return m_delivered; }

private:
    QVector<Notification> m_delivered;
};

/// Notifications on the command line: "Notification: <title>: <text>", or with a subtitle
/// "Notification: <title>: <subtitle>: <text>".
class ConsoleNotifier : public Notifier {
    Q_OBJECT
public:
    explicit ConsoleNotifier(QTextStream& out) : m_out(out) {}
    void deliver(const Notification& n) override
    {
        m_out << "Notification: " << escapeField(n.title) << ": ";
        if (!n.subtitle.isEmpty())
            m_out << escapeField(n.subtitle) << ": ";
        m_out << escapeField(n.informativeText) << Qt::endl;
    }

private:
    QTextStream& m_out;
};

} // namespace trevalo
