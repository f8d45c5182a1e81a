#pragma once

#include "analyser/ResultsTableModel.h"
#include "platform/Services.h"

#include <QObject>
#include <QTimer>
#include <optional>

namespace trevalo {

class Analyser;

/// The Analyser window's controller: the results table, its notices and the actions on a found item.
/// It holds no widgets; AnalyserWindow shows its state and forwards the user's actions, and the command
/// line drives it the same way. A new one is made for every scan; the old one is retired.
class TRAnalyser : public QObject {
    Q_OBJECT
public:
    enum class Colour { Default, Blue, Red };
    /// The Downloads notice: shown only when the Downloads folder holds disk images.
    struct DownloadsNotice {
        int count = 0;
        QString label; ///< "contains: "
        QString text;  ///< "3 DMGs"
        Colour colour = Colour::Default;
    };

    explicit TRAnalyser(Analyser& owner, QObject* parent = nullptr);
    ~TRAnalyser() override;

    /// A newer controller replaces this one: the window closes at once, and the controller deletes
    /// itself once no operation of its own is under way (an alert's event loop may have re-entered the
    /// program from inside one).
    void retire();
    bool isRetired() const { return m_retired; }

    /// The set-up that follows the window's creation, in order: whitelist label, table, backup
    /// warning, then the job-stopping passes and the profile report.
    void windowDidLoad();
    void loadTableData();
    void setStringIntValue();
    void resetTxt();

    // Actions on the selected row (absent: nothing selected).
    void doInfo(std::optional<int> row);
    void revealInFinder(std::optional<int> row);
    void inspect(std::optional<int> row) { revealInFinder(row); }
    void deleteSelected(std::optional<int> row);
    void ignore(std::optional<int> row);
    void reset();
    void openDownloadsFolder();
    void copyEntirety(const QString& reportText);
    /// Puts the text on the clipboard under the heading "Trevalo 2 Analyser:".
    void copyToClipboard(const QString& text);

    // This controller's own runner variants.
    QString callOSAScript(const QString& script);
    void callOSAScriptNull(const QString& script);
    /// The script's result as text; absent when it failed or gave none. Unlike the runner's own, a
    /// failure writes no log line.
    QString callNSAppleScript(const QString& script);

    ResultsTableModel* model() { return &m_model; }
    bool backup() const { return m_backup; }
    QStringList whitelist() const { return m_ignoredPaths; }

    // What the window shows.
    QString ignoreLabel;
    QString issueCount;
    QString doneCheckingText;
    bool doneCheckingVisible = false;
    QString backupWarning;
    DownloadsNotice downloads;

    /// Stops the background jobs of known unwanted products (set-up runs it after every scan).
    void unloadProc();

    /// The Delete script for a path, with the path written as an AppleScript string literal.
    static QString deleteScript(const QString& path);
    static const char* const kDownloadsCountScript;

signals:
    void changed();
    /// The window's set-up has reached the profile report: whoever builds it fills the profile view.
    void profileRequested();
    /// This controller has been replaced; its window should close.
    void retired();

private:
    void updateIgnoreLabel();
    /// Empties the table and scans again; the scan replaces this window.
    void rescan();
    void alert(const QString& informativeText, const QString& messageText = QStringLiteral("Trevalo 2"));
    /// Ignore or Reset could not store the whitelist: says so, naming the settings file and why.
    void alertWhitelistUnchanged();

    /// Keeps the controller alive while one of its operations runs.
    class BusyScope {
    public:
        explicit BusyScope(TRAnalyser& controller);
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;

    private:
        TRAnalyser& m_controller;
    };

    Analyser& m_owner;
    Services m_services;
    ResultsTableModel m_model;
    QStringList m_ignoredPaths;
    int m_busyDepth = 0;
    bool m_retired = false;
    bool m_backup = false;
    QTimer m_resetTimer;
};

} // namespace trevalo
