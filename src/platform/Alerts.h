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

} // namespace trevalo
