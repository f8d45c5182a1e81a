#pragma once

#include "analyser/Analyser.h"
#include "app/MenuActions.h"
#include "app/Preferences.h"
#include "app/StatusMenuController.h"
#include "app/StatusMenuModel.h"
#include "platform/Services.h"
#include "platform/WebClient.h"
#include "profile/Profile.h"
#include "search/SuperSearch.h"
#include "taskpad/TaskPad.h"
#include "tools/Tools.h"

#include <QObject>
#include <QTimer>
#include <thread>

namespace trevalo {

/// The program's switchboard: the start-up sequence, quitting, and the operations other code calls by
/// name, each a short forward to the subsystem that does the work. It holds no window code; the widgets
/// observe the subsystems' signals and the command line drives the same operations the menu does.
class TRAppDelegate : public QObject {
    Q_OBJECT
public:
    /// `scan` replaces the Analyser's scan (tests); empty for the signature files compiled in.
    explicit TRAppDelegate(Services services, Analyser::ScanFunction scan = {}, QObject* parent = nullptr);
    ~TRAppDelegate() override;

    struct LaunchOptions {
        bool runScan = true; ///< false for the command line's facts: the scan has its own command
        bool startTimer = true;
    };
    /// The start-up sequence ("applicationDidFinishLaunching:").
    void applicationDidFinishLaunching(const LaunchOptions& options);
    void applicationDidFinishLaunching() { applicationDidFinishLaunching(LaunchOptions{}); }
    /// Saves what quitting saves ("applicationWillTerminate:").
    void applicationWillTerminate();

    // Analyser (the names scripts and the log know).
    void analyser() { m_analyser.analyser(); }
    void showAnalyser() { m_analyser.showAnalyser(); }
    /// The scripting command TRRunAnalyser.
    void runAnalyserCommand() { m_analyser.runAnalyserCommand(); }
    /// The scripting property lastrun: the stored last run, or "(null)".
    QString lastrun() const;

    // Profile (the names the Analyser window's controls and the log know).
    void profiler() { m_profile.runProfiler(); }
    void runProfiler() { m_profile.runProfiler(); }
    void logView(std::optional<reportlog::LogStep> step = std::nullopt) { m_profile.logView(step); }
    void openConsole() { m_profile.openConsole(); }
    void deleteLogs() { m_profile.deleteLogs(Profile::DeleteFrom::Window); }
    void removeChangeLog() { m_profile.removeChangeLog(); }

    // Quick tools (the names the menu and the log know).
    void displayIP() { m_tools.displayIP(); }
    void freeMem() { m_tools.freeMem(); }
    void visitWebsite() { m_tools.visitWebsite(); }
    // SuperSearch (the names the menu, the status item and scripts know).
    void openSearchWin() { m_search.openSearchWin(); }
    void closeSearchWin() { m_search.closeSearchWin(); }
    /// The task pad's window gives way to the search window: the list is saved and the window closes.
    void closeForSearchWin() { m_taskPad.closeForSearchWin(); }

    // Status menu.
    void refresh();
    void menuNeedsUpdate();
    /// Rebuilds the eject and mount submenus (part of every refresh).
    void refreshVolumeMenus();
    void menuStates(int mode);
    void copyToClipboard(const QString& text);
    QString getMemStatus();

    /// Modifier keys held during a click on the status item, as the Mac names them.
    struct Modifiers {
        bool control = false;
        bool option = false;
        bool shift = false;
        bool command = false;
    };
    enum class ClickOutcome { Nothing, PopUpMenu, TaskPad, SuperSearch };
    /// A click on the status item ("itemClicked:"). Returns what the click did; PopUpMenu is left to the
    /// caller, which knows where the status item is.
    ClickOutcome itemClicked(Modifiers modifiers);

    /// Asks the program to quit on the next turn of the event loop ("quitTheApp:").
    void quitTheApp();

    // Task pad.
    /// Opens the list window ("displayLists:"); the search window gives way first.
    void displayLists(TaskPad::OpenedFrom from);
    /// The task pad file changed outside or cannot be written over ("showListSaveAsPanel"): the list
    /// window offers its save-as sheet, and the outline keeps its changes meanwhile.
    void showListSaveAsPanel() { m_taskPad.showListSaveAsPanel(); }

    // Preferences.
    /// Shows the preferences on their general tab ("openPrefs:").
    void openPrefs() { m_prefs.openPrefs(); }

    Services& services() { return m_services; }
    StatusMenuModel& menu() { return m_menu; }
    StatusMenuController& statusMenu() { return m_status; }
    MenuActions& menuActions() { return m_actions; }
    Analyser& analyserSubsystem() { return m_analyser; }
    Profile& profileSubsystem() { return m_profile; }
    TaskPad& taskPad() { return m_taskPad; }
    Tools& toolsSubsystem() { return m_tools; }
    SuperSearch& searchSubsystem() { return m_search; }
    Preferences& preferences() { return m_prefs; }

signals:
    void menuChanged();
    /// Quit was chosen; the event loop that runs the program should end.
    void quitRequested();

private:
    Services m_services;
    StatusMenuModel m_menu;
    StatusMenuController m_status;
    Analyser m_analyser;
    Profile m_profile;
    TaskPad m_taskPad;
    NetworkWebClient m_web;
    Tools m_tools;
    SuperSearch m_search;
    MenuActions m_actions;
    Preferences m_prefs{*this};
    QTimer m_refreshTimer;
    // The volume submenus' reading off the main thread (the menu-bar program): one at a time, a request
    // during one makes one more after it. Joined before the delegate goes, so its answer never outlives it.
    std::thread m_volumeReader;
    bool m_volumeReading = false;
    bool m_volumeReadAgain = false;
};

} // namespace trevalo
