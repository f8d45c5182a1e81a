#pragma once

#include <QObject>
#include <memory>

namespace trevalo {

class DisplayIPWindow;
class FreeMemPanelWindow;
class Tools;

/// The quick tools' windows. Each is made the first time its controller asks to be shown, placed then,
/// and kept, as its controller is, until this object goes; every later request shows the same window
/// where the user left it.
class ToolWindows : public QObject {
    Q_OBJECT
public:
    explicit ToolWindows(Tools& tools, QObject* parent = nullptr);
    ~ToolWindows() override;

    DisplayIPWindow* displayIPWindow() const { return m_displayIP.get(); }
    FreeMemPanelWindow* freeMemPanelWindow() const { return m_freeMem.get(); }

private:
    std::unique_ptr<DisplayIPWindow> m_displayIP;
    std::unique_ptr<FreeMemPanelWindow> m_freeMem;
};

} // namespace trevalo
