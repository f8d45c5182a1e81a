#pragma once

#include "app/InstanceChannel.h"

#include <QObject>
#include <functional>

namespace trevalo {

class TRAppDelegate;

/// The running program's scripting entries: the commands TRRunAnalyser and OpenSearchCommand and the
/// property lastrun. The local channel (a shell's `trevalo run-analyser`, …) and, on macOS, AppleScript
/// both reach the program through these.
class Scripting : public QObject {
    Q_OBJECT
public:
    explicit Scripting(TRAppDelegate& delegate, QObject* parent = nullptr);

    /// TRRunAnalyser: scans, and the new Analyser window opens on its profile tab. `done` is called once
    /// that window's profile run has ended: with an empty text, or with why it failed.
    void runAnalyser(std::function<void(const QString& failure)> done);
    /// OpenSearchCommand.
    void openSearch();
    /// The property lastrun: the stored last run, or "(null)".
    QString lastrun() const;

    /// What only the windows know: the menu to pop up, and the title of the tab the Analyser window
    /// shows (empty without a window).
    struct Windows {
        std::function<void()> showMenu;
        std::function<QString()> analyserTab;
    };
    /// Answers the channel's requests with these entries; `show-menu` is a second start's hand-over.
    void serve(InstanceServer& server, const Windows& windows);

private:
    TRAppDelegate& m_delegate;
};

/// Makes the entries reachable from AppleScript (macOS; nothing elsewhere). They stay until the program
/// ends.
void installAppleScriptEntries(Scripting& scripting);

} // namespace trevalo
