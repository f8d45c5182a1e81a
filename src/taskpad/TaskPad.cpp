#include "taskpad/TaskPad.h"

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

void TaskPad::applicationWillTerminate()
{
    if (m_outline)
        m_outline->commit();
}

} // namespace trevalo
