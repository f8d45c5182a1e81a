#pragma once

#include "platform/Alerts.h"
#include "platform/Clipboard.h"
#include "platform/Notifier.h"

#include <QTextStream>

namespace trevalo {

/// Alerts on the command line: each is printed as "Alert: <informative text>" (line feeds as \n) and
/// answered with the chosen button, or the first.
class ConsoleAlerts : public Alerts {
public:
    ConsoleAlerts(QTextStream& out, QString answer) : m_out(out), m_answer(std::move(answer)) {}
    int runModal(const Alert& alert) override
    {
        QString text = alert.informativeText;
        text.replace('\n', QLatin1String("\\n"));
        m_out << "Alert: " << text << Qt::endl;
        const int index = alert.buttons.indexOf(m_answer);
        return index < 0 ? 0 : index;
    }

private:
    QTextStream& m_out;
    QString m_answer;
};

/// Notifications on the command line: "Notification: <title>: <text>".
class ConsoleNotifier : public Notifier {
public:
    explicit ConsoleNotifier(QTextStream& out) : m_out(out) {}
    void deliver(const Notification& n) override
    {
        m_out << "Notification: " << n.title << ": " << n.informativeText << Qt::endl;
    }

private:
    QTextStream& m_out;
};

} // namespace trevalo
