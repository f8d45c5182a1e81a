#pragma once

#include "platform/CommandRunner.h"
#include "platform/Services.h"
#include "search/FolderPopUp.h"
#include "search/SearchOptions.h"
#include "search/SearchResultsModel.h"

#include <QObject>

namespace trevalo {

/// SuperSearch: the search window's options and folder pop-up, and the searches with their results.
///
/// The faster engine asks Spotlight (the root's mdfind); the deeper one runs a find pipeline through
/// "/bin/bash -c" over the chosen folder. Both run asynchronously; rows of a deep search are added as
/// their lines are read. Every search has a number, and whatever arrives for any search but the current
/// one is dropped, so a cancelled or replaced search never adds a row. The window observes stateChanged()
/// and the results model; the command line starts a search with startSearch() and waits for
/// searchFinished().
class SuperSearch : public QObject {
    Q_OBJECT
public:
    /// What the window's controls show besides the options.
    struct WindowState {
        bool directoryPopUpEnabled = false;
        int selectedFolder = 0;
        bool checkWebEnabled = true;
        bool checkWebOn = false;
        bool checkEmailEnabled = true;
        bool checkEmailOn = false;
        QString fieldText;
        QString resultCounter;
        bool spinnerVisible = false;
        bool revealVisible = false;
        bool actionEnabled = false; ///< the action pop-up
        QString failure;            ///< why the last search failed; empty when it did not
    };

    /// A search as the engines run it, whatever the window's controls say.
    struct Request {
        SearchOptions options;
        StartFolder start; ///< deep searches only
        QString term;
    };

    explicit SuperSearch(Services services, QObject* parent = nullptr);
    ~SuperSearch() override;

    const SearchOptions& options() const { return m_options; }
    const FolderPopUp& popUp() const { return m_popUp; }
    const WindowState& state() const { return m_state; }
    SearchResultsModel& results() { return m_results; }
    const SearchResultsModel& results() const { return m_results; }
    /// Rows are added only while a search is in progress.
    bool searchInProgress() const { return m_searchInProgress; }
    /// A search's tool is running.
    bool isRunning() const { return m_running; }
    /// Spotlight hits the mail and web-history filters left out of the last search.
    qint64 filteredHits() const { return m_filteredHits; }

    // The window.
    /// Start-up's preparation: the pop-up holds "All Volumes" only, the spinner is hidden.
    void prepareSearchWindow();
    /// Prepares and shows the window ("openSearchWin:"): the task pad gives way, the pop-up is rebuilt,
    /// the options are read (every missing one written as NO) and the settings written to disk.
    void openSearchWin();
    /// "closeSearchWin:".
    void closeSearchWin();

    // The options' controls; each writes its key (not yet to disk).
    void searchType(bool content);
    void searchTerm(bool anywhere);
    void searchDepth(bool deep);
    void searchCaseMethod(bool on);
    void searchWebHistMethod(bool on);
    void searchEmailMethod(bool on);
    /// The user chose an item of the folder pop-up; separators are not chosen.
    void selectFolder(int position);

    /// The search field's action ("searchFieldMethod:"): a search, or one of the shortcuts.
    void searchFieldMethod(const QString& term);
    /// A Spotlight search ("initiateSearch:"); a term shorter than 3 characters starts nothing.
    void initiateSearch(const QString& term);
    /// A find search over the selected folder ("searchWithTask:"); the same rule for short terms.
    void searchWithTask(const QString& term);
    /// Stops everything and empties the field and the results ("cancelBtn").
    void cancelBtn();
    /// Removes every row ("clearAll").
    void clearAll();

    // Actions on the results, given the selected rows of the model.
    /// Reveals the selected hits in the Finder, or says that none is selected ("openFileLocation:").
    void openFileLocation(const QList<int>& selectedRows);
    /// Every row, as "copyAllMenu:" copies them; empty when there are none.
    QString copyAllText() const;
    /// The first selected row, as "copySelectedMenu:" copies it; empty without a selection.
    QString copySelectedText(const QList<int>& selectedRows) const;
    void copyAllMenu();
    void copySelectedMenu(const QList<int>& selectedRows);

    /// What a request runs: the find command line, its start folder mapped through the root (deep), or
    /// the query handed to mdfind (faster).
    QString commandFor(const Request& request) const;
    /// Starts a search without the field's rules and without touching the stored options.
    void startSearch(const Request& request);
    /// Where a deep search of the window starts, from the selected pop-up item.
    std::optional<StartFolder> selectedStartFolder() const { return startFolderAt(m_state.selectedFolder); }
    /// Where a deep search over the pop-up's item at `position` starts.
    std::optional<StartFolder> startFolderAt(int position) const;
    /// Rebuilds the folder pop-up from the disk, selecting the start-up volume, without the options.
    void rebuildPopUp();
    /// The host path of a hit or folder, for its icon and preview.
    QString hostPath(const QString& macPath) const { return m_services.root.host(macPath); }

signals:
    /// The window is about to open: the task pad's window gives way ("closeForSearchWin").
    void windowOpening();
    void showRequested();
    void closeRequested();
    void stateChanged();
    /// The current search has ended: all its rows are in. False when its tool failed.
    void searchFinished(bool succeeded);

private:
    void syncCheckBoxes();
    void stopRun();
    void startDeep(const Request& request);
    void startSpotlight(const Request& request);
    void takeFindLines(const QList<QByteArray>& lines, bool contentSearch);
    void finishDeep(const CommandRunner::Result& result);
    /// Collects the Spotlight hits once mdfind has ended ("initalGatherComplete:").
    void initalGatherComplete(const CommandRunner::Result& result);
    void queryDidUpdate();
    void fail(const QString& message);
    void showCounter(qint64 rows);

    Services m_services;
    SearchOptions m_options;
    FolderPopUp m_popUp;
    WindowState m_state;
    SearchResultsModel m_results;

    bool m_searchInProgress = false;
    quint64 m_searchNumber = 0;
    bool m_running = false;
    RunHandle m_run;
    qint64 m_counter = 0;
    qint64 m_filteredHits = 0;
    QStringList m_spotlightHits;
    SearchOptions m_runOptions; ///< the options of the search that runs: its filters
};

} // namespace trevalo
