#pragma once

#include "platform/Services.h"
#include "taskpad/OutlineViewController.h"
#include "taskpad/TaskPadFile.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <memory>
#include <optional>

namespace trevalo {

/// The task pad subsystem's owner: the process's task pad file and the outline of the list window,
/// made when the window first needs it and kept until it is dropped.
class TaskPad : public QObject {
    Q_OBJECT
public:
    explicit TaskPad(Services services, QObject* parent = nullptr);
    ~TaskPad() override;

    TaskPadFile& file() { return m_file; }
    /// The outline, made (and the file loaded) on first use.
    OutlineViewController& outline();
    /// The outline if one is open; null otherwise.
    OutlineViewController* liveOutline() const { return m_outline.get(); }
    /// Drops the outline, committing it first; the next outline() loads the file again ("removeListWin").
    void dropOutline();

    /// Whether the list window opens attached to the status item ("listWindowIsAttached").
    bool attached() const;
    /// The attach switch: stores the choice at once.
    void setAttached(bool attached);

    /// Save-as: writes the list to `path` as a new file. Only when that worked does the file become the
    /// task pad file (stored under "taskpadpath") and the list is read back from it; otherwise the old
    /// file and the list stay and the reason is in file().errorString().
    bool saveListAs(const QString& path);

    /// What asked for the list window: a menu item hangs an attached window from the pointer, the
    /// status item from itself.
    enum class OpenedFrom { MenuItem, StatusItem };
    /// Asks for the list window, attached or not as the switch says ("displayLists:").
    void displayLists(OpenedFrom from);
    /// The search window opens: the list is committed and the window closes ("closeForSearchWin").
    void closeForSearchWin();

    /// Asks for the list window's save-as sheet, opening the window first when it is not showing
    /// ("showListSaveAsPanel").
    void showListSaveAsPanel() { emit saveAsSheetRequested(); }

    /// Quitting: the commit step on the live outline, so that nothing typed is lost. Without an open
    /// outline there is nothing to save, and the file is left as it is.
    void applicationWillTerminate();

signals:
    /// Show the list window; attached, it hangs from what asked for it.
    void windowRequested(TaskPad::OpenedFrom from, bool attached);
    void windowCloseRequested();
    /// The list should be saved under another name or reloaded: the file changed outside or cannot be
    /// written over.
    void saveAsRequested();
    /// Show the save-as sheet on the list window.
    void saveAsSheetRequested();

private:
    TaskPadFile m_file;
    std::unique_ptr<OutlineViewController> m_outline;
};

/// Where an attached window of `size` goes: its top edge 20 pixels below `anchor`, centred on it, and
/// kept inside `screen`.
QPoint attachedWindowOrigin(const QPoint& anchor, const QSize& size, const QRect& screen);

} // namespace trevalo
