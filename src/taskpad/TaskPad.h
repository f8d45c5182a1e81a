#pragma once

#include "platform/Services.h"
#include "taskpad/OutlineViewController.h"
#include "taskpad/TaskPadFile.h"

#include <QObject>
#include <memory>

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

    /// Quitting: the commit step on the live outline, so that nothing typed is lost. Without an open
    /// outline there is nothing to save, and the file is left as it is.
    void applicationWillTerminate();

signals:
    /// The list should be saved under another name or reloaded ("showListSaveAsPanel").
    void saveAsRequested();

private:
    TaskPadFile m_file;
    std::unique_ptr<OutlineViewController> m_outline;
};

} // namespace trevalo
