#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace trevalo {

class TRDisplayIP;

/// The network address window: the external, router and local addresses, and a refresh control with
/// its spinner. It floats above other windows and draws what its controller holds.
class DisplayIPWindow : public QWidget {
    Q_OBJECT
public:
    explicit DisplayIPWindow(TRDisplayIP& controller, QWidget* parent = nullptr);

    /// Puts the window in the top-right corner of the main screen's visible area, 5 points in from its
    /// right and top edges ("setWindowPosition").
    void setWindowPosition();

    QLabel* externalIP() const { return m_externalIP; }
    QLabel* routerAddress() const { return m_routerAddress; }
    QLabel* localNode() const { return m_localNode; }
    QProgressBar* spinner() const { return m_spinner; }
    QPushButton* refreshButton() const { return m_refresh; }

private:
    void showFields();

    QPointer<TRDisplayIP> m_controller;
    QLabel* m_externalIP;
    QLabel* m_routerAddress;
    QLabel* m_localNode;
    QProgressBar* m_spinner;
    QPushButton* m_refresh;
};

} // namespace trevalo
