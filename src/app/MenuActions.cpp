#include "app/MenuActions.h"

#include "analyser/Analyser.h"
#include "app/TRAppDelegate.h"

namespace trevalo {

bool MenuActions::activate(MenuItem item) const
{
    const auto it = m_actions.constFind(item);
    if (it == m_actions.constEnd())
        return false;
    it.value()();
    return true;
}

bool MenuActions::activateEntry(MenuItem submenu, const QString& entry) const
{
    const auto it = m_entryActions.constFind(submenu);
    if (it == m_entryActions.constEnd())
        return false;
    it.value()(entry);
    return true;
}

void bindMenuActions(MenuActions& actions, TRAppDelegate& app)
{
    Analyser& analyser = app.analyserSubsystem();

    // Analyser.
    actions.bind(MenuItem::analyseNow, [&analyser] { analyser.analyser(); });
    actions.bind(MenuItem::showAnalyser, [&analyser] { analyser.showAnalyser(); });

    // Quick tools.
    actions.bind(MenuItem::ipAddress, [&app] { app.displayIP(); });
    actions.bind(MenuItem::freeMemory, [&app] { app.freeMem(); });
    actions.bind(MenuItem::visitWebsite, [&app] { app.visitWebsite(); });
    // SuperSearch.
    actions.bind(MenuItem::superSearch, [&app] { app.openSearchWin(); });
    // Task pad.
    actions.bind(MenuItem::displayLists, [&app] { app.displayLists(TaskPad::OpenedFrom::MenuItem); });

    // The program.
    actions.bind(MenuItem::quitTheApp, [&app] { app.quitTheApp(); });
}

} // namespace trevalo
