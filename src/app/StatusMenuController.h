#pragma once

#include "app/LevelIcon.h"
#include "app/StatusMenuModel.h"
#include "platform/Services.h"

#include <QObject>
#include <optional>
#include <vector>

namespace trevalo {

/// Reads the system facts and tool states into the status menu's model. Every reading goes through the
/// command runner and the root, so the same code serves the Mac, the simulated Mac and the tests.
///
/// The readings of an opening menu and of the periodic refresh run either blocking, one tool after the
/// other (the command line, which prints the fresh readings), or in the background (the menu-bar
/// program: the menu shows at once with the last readings and each item updates in place when its tool
/// answers). One refresh runs at a time; a request during one is merged into one more run after it, so
/// an older reading never overwrites a newer one.
class StatusMenuController : public QObject {
    Q_OBJECT
public:
    enum class ReadMode { Blocking, Background };

    StatusMenuController(Services services, StatusMenuModel& model, QObject* parent = nullptr);
    void setReadMode(ReadMode mode) { m_readMode = mode; }
    ReadMode readMode() const { return m_readMode; }
    /// True while background readings are out.
    bool isRefreshing() const { return m_running.has_value(); }

    // Read once at start-up.
    void getHardware();
    void getOSVer();
    void getBootVol();
    void getRecoveryDisk();
    void userName();
    bool amIAdmin() const;
    void getTRTrimState();
    void getCsrutil();
    /// Hides the items whose show key is YES (start-up).
    void hideSwitchableItems();

    // Read whenever the menu opens (each a blocking read of its one tool).
    /// The menu is about to open: the menu's readings and the refresh.
    void menuNeedsUpdate();
    void getTRUptime();
    void theFirewallStatus();
    void getInvisibleFileStatus();
    void getUserLibraryStatus();

    /// Everything the 180-second timer and the opening menu refresh.
    void refresh();
    /// The status item's title (0 none, 1 free space, 2 used percentage) and template flag.
    void menuStates(int mode);
    QString getFAStatus();
    QString getMemStatus();
    void readVolumeFigures();

    double t = 0;
    double f = 0;
    double percent = 0;
    QString theOSFinal;
    bool darkModeItem = false;
    bool highWarning = false;

signals:
    /// Titles, marks or images of the model changed.
    void changed();
    /// Every reading of the refreshes requested so far is in.
    void refreshFinished();

private:
    /// What a refresh reads: the timer's refresh, or that and the opening menu's own readings.
    enum class Scope { Refresh, MenuOpen };
    /// One tool whose output sets one or more items.
    struct ToolReading {
        CommandRunner::Request request;
        void (StatusMenuController::*apply)(const QString& output);
    };

    void requestRefresh(Scope scope);
    void startRefresh(Scope scope);
    void readingFinished();
    std::vector<ToolReading> toolReadings(Scope scope) const;
    // The readings an opening menu adds to the refresh's, each also read on its own by its operation.
    static ToolReading firewallReading();
    static ToolReading invisibleFilesReading();
    static ToolReading userLibraryReading();
    static ToolReading uptimeReading();
    /// The reading's output as text; a log line when the tool failed or printed what is not text.
    static QString readingText(const CommandRunner::Request& request, const CommandRunner::Result& result);
    /// Runs a tool on this thread for a reading.
    QString read(const QString& launchPath, const QStringList& arguments);
    /// Runs one reading on this thread and applies it.
    void readNow(const ToolReading& reading);
    /// The refresh's readings that need no tool: volume figures, level, warnings, titles, last run.
    void applyLocalReadings();
    void readLastRun();

    void applyFirewall(const QString& output);
    void applyInvisibleFiles(const QString& output);
    void applyUserLibrary(const QString& output);
    void applyFolderActions(const QString& output);
    void applyDockSize(const QString& output);
    void applyDockHiding(const QString& output);
    void applyDockEdge(const QString& output);
    void applyUptime(const QString& output);

    Services m_services;
    StatusMenuModel& m_model;
    DiskWarnings m_warnings;
    ReadMode m_readMode = ReadMode::Blocking;
    std::optional<Scope> m_running; ///< the refresh under way in the background
    std::optional<Scope> m_pending; ///< what was asked for while it ran
    int m_readingsOut = 0;
};

} // namespace trevalo
