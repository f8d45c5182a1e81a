#pragma once

#include "app/Preferences.h"

#include <QWidget>
#include <functional>

class QAbstractButton;
class QActionGroup;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QStackedWidget;
class QToolBar;

namespace trevalo {

class ListWindowHost;

/// The preferences window: a toolbar of three tabs (General, Other, Analyser) over their pages. Every
/// control shows its stored value whenever the window is shown, and each click goes straight to
/// Preferences, which stores it and changes the status menu. Closing only hides the window.
class PreferencesWindow : public QWidget {
    Q_OBJECT
public:
    /// The one window of `prefs`, made on first use; it goes when `prefs` goes ("sharedController").
    static PreferencesWindow& sharedController(Preferences& prefs);

    explicit PreferencesWindow(Preferences& prefs, QWidget* parent = nullptr);
    ~PreferencesWindow() override;

    /// Shows the window, in front, on `tab`.
    void showTab(Preferences::Tab tab);
    void generalTab();
    void otherTab();
    void analyserTab();
    int currentTab() const;

    /// Sets every control from the stored settings.
    void showStoredValues();

    /// The item box of a tag (1 to 12).
    QCheckBox* itemBox(int tag) const;

    /// Asks for the task pad file (a host path); empty when cancelled. Tests replace the file dialog.
    std::function<QString()> chooseTaskPadFile;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeGeneralPage();
    QWidget* makeOtherPage();
    QWidget* makeAnalyserPage();
    QCheckBox* checkBox(QWidget* parent, const char* name, const QString& title);
    void setPath();
    void about();

    Preferences& m_prefs;
    QToolBar* m_toolbar;
    QActionGroup* m_tabs;
    QStackedWidget* m_tabView;
    QList<QCheckBox*> m_itemBoxes; ///< by tag - 1
    QButtonGroup* m_radioIcon;
    QCheckBox* m_checkDarkMode;
    QCheckBox* m_checkStartAtLogin;
    QCheckBox* m_checkRunAnalyserOnLaunch;
    QCheckBox* m_checkHighWarning;
    QCheckBox* m_allowMountNotifs;
    QCheckBox* m_allDiskEvents;
    QLabel* m_pathLabel;
};

/// Connects the preferences to their window and to the task pad's: opening shows the one shared window,
/// "Task Pad Location…" opens it on the general tab, and choosing a task pad file drops the list window.
void bindPreferencesWindow(Preferences& prefs, ListWindowHost& listWindows);

} // namespace trevalo
