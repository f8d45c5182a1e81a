#include "taskpad/TaskPad.h"

#include "taskpad/TaskPadKeys.h"

#include <algorithm>

namespace trevalo {

TaskPad::TaskPad(Services services, QObject* parent) : QObject(parent), m_file(services)
{
    connect(&m_file, &TaskPadFile::saveAsRequested, this, &TaskPad::saveAsRequested);
}

TaskPad::~TaskPad() = default;

OutlineViewController& TaskPad::outline()
{
    if (!m_outline)
        m_outline = std::make_unique<OutlineViewController>(m_file);
    return *m_outline;
}

void TaskPad::dropOutline()
{
    if (m_outline)
        m_outline->commit();
    m_outline.reset();
}

bool TaskPad::attached() const
{
    return m_file.services().settings.integerForKey(keys::listWindowIsAttachedKey) == 1;
}

void TaskPad::setAttached(bool attached)
{
    Settings& settings = m_file.services().settings;
    settings.setInteger(keys::listWindowIsAttachedKey, attached ? 1 : 0);
    settings.synchronize();
}

bool TaskPad::saveListAs(const QString& path)
{
    OutlineViewController& list = outline();
    // The new file is written whole before anything switches to it: a failed write leaves the user
    // with the file and the list they had.
    if (!list.saveListToFile(SaveTarget::file(path)))
        return false;
    list.setTaskPadPath(path);
    Settings& settings = m_file.services().settings;
    settings.setString(keys::taskPadPathKey, path);
    settings.synchronize();
    list.revertToFile();
    return true;
}

void TaskPad::displayLists(OpenedFrom from)
{
    emit windowRequested(from, attached());
}

void TaskPad::closeForSearchWin()
{
    if (m_outline)
        m_outline->commit();
    emit windowCloseRequested();
}

void TaskPad::applicationWillTerminate()
{
    if (m_outline)
        m_outline->commit();
}

QPoint attachedWindowOrigin(const QPoint& anchor, const QSize& size, const QRect& screen)
{
    QPoint origin(anchor.x() - size.width() / 2, anchor.y() + 20);
    if (screen.isValid()) {
        origin.setX(std::clamp(origin.x(), screen.left(),
                               std::max(screen.left(), screen.right() + 1 - size.width())));
        origin.setY(std::clamp(origin.y(), screen.top(),
                               std::max(screen.top(), screen.bottom() + 1 - size.height())));
    }
    return origin;
}

} // namespace trevalo
