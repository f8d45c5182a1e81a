#pragma once

#include "app/StatusMenuModel.h"

#include <QObject>
#include <QString>
#include <span>

namespace trevalo {

class TRAppDelegate;

/// One check box of the preferences that shows or hides a status-menu item.
struct ItemBox {
    int tag;
    const char* title;   ///< the check box's title
    const char* boxKey;  ///< the box's own state
    const char* showKey; ///< YES hides the item
    MenuItem item;       ///< the item; for tag 11 the system facts as a group
};

/// The twelve item boxes, by tag (1 to 12).
std::span<const ItemBox> itemBoxes();

/// What the preferences window does, without its widgets: each operation writes its setting and changes
/// the status menu at once, through the delegate. The window only shows the stored values and calls
/// these.
class Preferences : public QObject {
    Q_OBJECT
public:
    explicit Preferences(TRAppDelegate& app, QObject* parent = nullptr);
    TRAppDelegate& app() const { return m_app; }

    /// The tabs of the window.
    enum class Tab { General = 0, Other = 1, Analyser = 2 };
    /// Shows the window on its general tab ("openPrefs:").
    void openPrefs() { emit windowRequested(Tab::General); }

    /// What the controls show: every value as stored.
    struct Values {
        bool boxes[12] = {}; ///< by tag - 1
        int menuBarIcon = 0; ///< 0, 1 or 2
        bool darkMode = false;
        bool runAnalyserOnLaunch = true;
        bool startAtLogin = false;
        bool highWarning = false;
        bool diskEvents = false;
        bool allDiskEvents = false;
        QString taskPadPath; ///< the default file until one is stored
    };
    Values values() const;

    /// An item box was clicked: shows or hides its menu item and stores both keys ("itemsToHide:"). A tag
    /// that is not one of the twelve does nothing.
    void itemsToHide(int tag, bool on);
    /// The icon's radio column, with the dark-mode box's state ("pSetMenuBarIcon:").
    void pSetMenuBarIcon(int column, bool darkMode);
    void runAnalyserOnLaunch(bool on);
    /// Adds or removes the login item; returns whether it exists afterwards, which is also what is
    /// stored ("startAtLogin:").
    bool startAtLogin(bool on);
    /// On: the two lower disk-space warnings stay away ("preventDiskSpaceWarning:").
    void preventDiskSpaceWarning(bool on);
    void setDiskEvents(bool on);
    void setAllDiskEvents(bool on);
    /// Leaves the item boxes and the icon alone ("restoreDefaults:").
    void restoreDefaults();
    /// Uses the task pad file at the macOS path `path` from now on: the open list is saved to the old
    /// file and its window dropped before the setting changes ("setPath:"). False, with nothing changed,
    /// when the old file refuses the list.
    bool setPath(const QString& path);
    /// Opens the help centre's page in the browser.
    void help();

    static constexpr const char* kHelpPage = "https://www.quorvex.com/trevalo2/help";

signals:
    void windowRequested(Preferences::Tab tab);
    /// The list window must go now, its list saved ("removeListWin").
    void listWindowDropRequested();

private:
    void synchronize();

    TRAppDelegate& m_app;
};

} // namespace trevalo
