#include "app/ui/AnalyserWindows.h"

#include "analyser/TRAnalyser.h"
#include "analyser/ui/AnalyserWindow.h"
#include "app/TRAppDelegate.h"
#include "profile/ui/ProfileTabs.h"

#include <QPointer>
#include <QTabWidget>

namespace trevalo {

AnalyserWindow* makeAnalyserWindow(TRAppDelegate& delegate, TRAnalyser& controller)
{
    auto* window = new AnalyserWindow(controller);
    Profile& profile = delegate.profileSubsystem();
    auto* profileTab = new ProfileTab(profile);
    window->addTab(profileTab, QObject::tr("Profile"));
    auto* changeLogTab = new ChangeLogTab(profile);
    window->addTab(changeLogTab, QObject::tr("Changes"));
    QTabWidget* tabs = window->tabView();
    QObject::connect(tabs, &QTabWidget::currentChanged, changeLogTab,
                     [changeLogTab, tabs, shown = false](int index) mutable {
                         const bool nowShown = tabs->widget(index) == changeLogTab;
                         if (nowShown)
                             changeLogTab->tabSelected();
                         else if (shown)
                             changeLogTab->tabLeft();
                         shown = nowShown;
                     });
    QPointer<TRAnalyser> owner(&controller);
    QObject::connect(profileTab, &ProfileTab::copyRequested, window, [owner](const QString& text) {
        if (owner)
            owner->copyEntirety(text);
    });
    QObject::connect(window, &AnalyserWindow::closed, &profile, &Profile::cancel);
    window->selectTab(delegate.analyserSubsystem().profileTab ? 1 : 0);
    return window;
}

QString shownTabTitle(const AnalyserWindow& window)
{
    const QTabWidget* tabs = window.tabView();
    return tabs->tabText(tabs->currentIndex());
}

} // namespace trevalo
