#pragma once

#include "app/StatusMenuModel.h"
#include "platform/Services.h"

#include <QMap>
#include <QObject>
#include <QTimer>
#include <functional>

namespace trevalo {

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

    Services& services() { return m_services; }
    StatusMenuModel& menu() { return m_menu; }
    ScanResults& scanResults() { return m_results; }

    bool profileTab = false;
    double t = 0;
    double f = 0;
    double percent = 0;
    bool darkModeItem = false;
    bool highWarning = false;

    // Hooks for the parts with windows; the command line leaves them empty.
    std::function<void()> onShowAnalyser;
    std::function<void()> onPrepareSearchWindow;
    std::function<void()> onSaveTaskPad;
    /// The scan itself; start-up and analyser() call it.
    std::function<void(TRAppDelegate&)> scanner;

signals:
    void menuChanged();

private:
    void readVolumeFigures();

    Services m_services;
    StatusMenuModel m_menu;
    ScanResults m_results;
    QTimer m_refreshTimer;
};

} // namespace trevalo
