#pragma once

#include "taskpad/TaskPad.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <memory>

namespace trevalo {

class ListWindow;

/// Keeps the task pad's list window: made on the first request to show it and kept until
/// removeListWin(), so that every later opening shows the same window, reloaded from the file.
class ListWindowHost : public QObject {
    Q_OBJECT
public:
    explicit ListWindowHost(TaskPad& taskPad, QObject* parent = nullptr);
    ~ListWindowHost() override;

    ListWindow* listWin() const { return m_window.get(); }
    /// Drops the window, committing the list first; the next opening makes a new one ("removeListWin").
    void removeListWin();

    /// The status item's lower edge centre, where an attached window opened by a click on it hangs
    /// from; the pointer when unset.
    std::function<QPoint()> statusItemAnchor;
    /// The pointer's position (tests pin it).
    std::function<QPoint()> pointer;
    /// Where the help page is read from; tests point it elsewhere.
    QString helpResource = QStringLiteral(":/help/tr2help.html");

signals:
    /// The preferences should open on the tab where the task pad file is chosen.
    void locationRequested();

private:
    void show(TaskPad::OpenedFrom from, bool attached);
    void openHelp();

    TaskPad& m_taskPad;
    std::unique_ptr<ListWindow> m_window;
};

} // namespace trevalo
