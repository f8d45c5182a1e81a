#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

namespace trevalo {

/// A modal alert: "Trevalo 2" as its text, the informative text below, buttons left to right in the
/// order given (the first is the default).
struct Alert {
    QString messageText = QStringLiteral("Trevalo 2");
    QString informativeText;
    QStringList buttons{QStringLiteral("OK")};
};

class Alerts {
public:
    virtual ~Alerts() = default;
    /// Shows the alert and returns the index of the chosen button.
    virtual int runModal(const Alert& alert) = 0;
};

/// Records every alert and answers with a chosen button (by title; the first button when the title is
/// not among the alert's buttons).
class RecordingAlerts : public Alerts {
public:
    QVector<Alert> shown;
    QString answer;

    int runModal(const Alert& alert) override
    {
        shown.append(alert);
        const int index = alert.buttons.indexOf(answer);
        return index < 0 ? 0 : index;
    }
};

} // namespace trevalo
