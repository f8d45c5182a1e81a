#include "taskpad/ui/ListWindowHost.h"

#include "platform/Log.h"
#include "taskpad/ui/ListWindow.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QUrl>

namespace trevalo {

ListWindowHost::ListWindowHost(TaskPad& taskPad, QObject* parent) : QObject(parent), m_taskPad(taskPad)
{
    connect(&taskPad, &TaskPad::windowRequested, this, &ListWindowHost::show);
    connect(&taskPad, &TaskPad::windowCloseRequested, this, [this] {
        if (m_window)
            m_window->closeForSearchWin();
    });
    // Queued: a save refused while the window closes brings it back once the closing is over.
    connect(
        &taskPad, &TaskPad::saveAsSheetRequested, this,
        [this] {
            if (!m_window || !m_window->isVisible())
                show(TaskPad::OpenedFrom::MenuItem, m_taskPad.attached());
            m_window->showSaveAsSheet();
        },
        Qt::QueuedConnection);
}

ListWindowHost::~ListWindowHost() = default;

void ListWindowHost::removeListWin()
{
    // Closing commits the list with the open note; the outline goes after the window that shows it.
    if (m_window)
        m_window->close();
    m_window.reset();
    m_taskPad.dropOutline();
}

void ListWindowHost::show(TaskPad::OpenedFrom from, bool attached)
{
    if (!m_window) {
        m_window = std::make_unique<ListWindow>(m_taskPad);
        connect(m_window.get(), &ListWindow::locationRequested, this, &ListWindowHost::locationRequested);
        connect(m_window.get(), &ListWindow::helpRequested, this, &ListWindowHost::openHelp);
    }
    if (attached) {
        const QPoint at = pointer ? pointer() : QCursor::pos();
        const QPoint anchor =
            from == TaskPad::OpenedFrom::StatusItem && statusItemAnchor ? statusItemAnchor() : at;
        QScreen* screen = QGuiApplication::screenAt(anchor);
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect();
        m_window->move(attachedWindowOrigin(anchor, m_window->frameGeometry().size(), area));
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->refreshTable();
}

void ListWindowHost::openHelp()
{
    // The browser needs a file of its own: the page is copied out of the program's resources.
    QFile page(helpResource);
    if (!page.open(QIODevice::ReadOnly)) {
        TR_LOG("The help page %1 cannot be read: %2", helpResource, page.errorString());
        return;
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    const QString path = QDir(folder).filePath(QStringLiteral("tr2help.html"));
    QSaveFile copy(path);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(page.readAll()) < 0 || !copy.commit()) {
        TR_LOG("The help page cannot be written to %1: %2", path, copy.errorString());
        return;
    }
    m_taskPad.file().services().workspace.open(QUrl::fromLocalFile(path).toString());
}

} // namespace trevalo
