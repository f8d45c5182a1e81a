#pragma once

#include "app/StatusMenuController.h"
#include "app/StatusMenuModel.h"
#include "platform/Services.h"

#include <QMap>
#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace trevalo {

class TRAnalyser;

/// Results of the last Analyser scan, shared with the Analyser window.
struct ScanResults {
    /// Found path to item name (the path's last component). Keyed by path, so that two found items
    /// with the same name each keep their row.
    QMap<QString, QString> appDict;
    QMap<QString, QString> threats; ///< found path to issue name; no entry for "n/a"
    bool haveBackup = false;
};

/// The program's switchboard: start-up, quitting, the shared state, and the operations other parts call
/// by name. It holds no window code; the widgets observe it (hooks below) and the command line drives it
/// the same way the menu does.
class TRAppDelegate : public QObject {
    Q_OBJECT
public:
    explicit TRAppDelegate(Services services, QObject* parent = nullptr);
    ~TRAppDelegate() override;

    struct LaunchOptions {
        bool runScan = true; ///< false for the command line's facts: the scan has its own command
        bool startTimer = true;
    };
    /// The start-up sequence.
    void applicationDidFinishLaunching(const LaunchOptions& options);
    void applicationDidFinishLaunching() { applicationDidFinishLaunching(LaunchOptions{}); }
    /// Saves what quitting saves.
    void applicationWillTerminate();

    // Scan.
    void analyser();
    void showAnalyser();
    /// The scripting command: runs a scan whose window opens on the profile tab.
    void runAnalyserCommand();
    QString lastrun() const;

    // Status menu.
    void refresh();
    void menuNeedsUpdate();
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
    /// A click on the status item. Returns what the click did; PopUpMenu is left to the caller, which
    /// knows where the status item is.
    ClickOutcome itemClicked(Modifiers modifiers);

    /// What choosing a menu item does. Subsystems register their items here; the widgets and the
    /// command line both call activate(), so a choice from a shell is exactly a click.
    void setAction(MenuItem item, std::function<void()> action) { m_actions[item] = std::move(action); }
    bool hasAction(MenuItem item) const { return m_actions.contains(item); }
    /// Runs the item's action; false when the item has none.
    bool activate(MenuItem item);
    /// Entries of the eject and mount submenus: (submenu, entry title).
    std::function<void(MenuItem, const QString&)> onSubmenuEntry;

    void quitTheApp();
    std::function<void()> onQuit;

    Services& services() { return m_services; }
    StatusMenuModel& menu() { return m_menu; }
    StatusMenuController& statusMenu() { return m_status; }
    ScanResults& scanResults() { return m_results; }

    bool profileTab = false;

    /// The Analyser window's controller, made anew by every showAnalyser(); null before the first.
    TRAnalyser* wins() const { return m_wins.get(); }

    // Hooks for the parts with windows; the command line leaves them empty.
    /// A new Analyser controller exists: show its window (before its set-up runs).
    std::function<void(TRAnalyser&)> onShowAnalyser;
    std::function<void()> onPrepareSearchWindow;
    std::function<void()> onSaveTaskPad;
    /// The scan itself; start-up and analyser() call it.
    std::function<void(TRAppDelegate&)> scanner;

signals:
    void menuChanged();

private:
    Services m_services;
    QHash<MenuItem, std::function<void()>> m_actions;
    StatusMenuModel m_menu;
    StatusMenuController m_status;
    ScanResults m_results;
    std::unique_ptr<TRAnalyser> m_wins;
    QTimer m_refreshTimer;
};

} // namespace trevalo
