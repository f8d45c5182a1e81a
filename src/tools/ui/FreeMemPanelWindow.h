#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace trevalo {

class TRFreeMemPanel;

/// The free memory panel: the memory line, the purge control with its spinner and the outcome of the
/// last purge. It floats above other windows and draws what its controller holds.
class FreeMemPanelWindow : public QWidget {
    Q_OBJECT
public:
    explicit FreeMemPanelWindow(TRFreeMemPanel& controller, QWidget* parent = nullptr);

    /// Puts the panel near the top-right corner of the main screen's visible area: 5 points in from its
    /// right edge and 153 below its top edge ("setWindowPosition").
    void setWindowPosition();

    QLabel* memoryUsage() const { return m_memoryUsage; }
    QLabel* msg() const { return m_msg; }
    QProgressBar* spinner() const { return m_spinner; }
    QPushButton* purgeButton() const { return m_purge; }

private:
    void showState();

    QPointer<TRFreeMemPanel> m_controller;
    QLabel* m_memoryUsage;
    QLabel* m_msg;
    QProgressBar* m_spinner;
    QPushButton* m_purge;
};

} // namespace trevalo
