#include "tools/ui/ToolWindows.h"

#include "tools/Tools.h"
#include "tools/ui/DisplayIPWindow.h"
#include "tools/ui/FreeMemPanelWindow.h"
#include "tools/ui/WindowPlacement.h"

namespace trevalo {

ToolWindows::ToolWindows(Tools& tools, QObject* parent) : QObject(parent)
{
    connect(&tools, &Tools::displayIPRequested, this, [this](TRDisplayIP* controller, bool) {
        if (!m_displayIP)
            m_displayIP = std::make_unique<DisplayIPWindow>(*controller);
        showInFront(m_displayIP.get());
    });
    connect(&tools, &Tools::freeMemRequested, this, [this](TRFreeMemPanel* controller, bool) {
        if (!m_freeMem)
            m_freeMem = std::make_unique<FreeMemPanelWindow>(*controller);
        showInFront(m_freeMem.get());
    });
}

ToolWindows::~ToolWindows() = default;

} // namespace trevalo
