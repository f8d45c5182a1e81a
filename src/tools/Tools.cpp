#include "tools/Tools.h"

namespace trevalo {

Tools::Tools(Services services, WebClient& web, QObject* parent, SystemToggles::ScriptResource scripts)
    : QObject(parent), m_services(services), m_web(web), m_disks(services),
      m_volumeWatcher(services.root, m_disks), m_toggles(services, std::move(scripts))
{
}

Tools::~Tools() = default;

void Tools::displayIP()
{
    const bool created = !m_aWin;
    if (created)
        m_aWin = std::make_unique<TRDisplayIP>(m_services, m_web);
    emit displayIPRequested(m_aWin.get(), created);
    m_aWin->refreshIP();
}

void Tools::freeMem()
{
    const bool created = !m_aHud;
    if (created)
        m_aHud = std::make_unique<TRFreeMemPanel>(m_services);
    emit freeMemRequested(m_aHud.get(), created);
    m_aHud->showMemoryUsage();
}

void Tools::visitWebsite()
{
    m_services.workspace.open(QString::fromLatin1(kProductPage));
}

} // namespace trevalo
