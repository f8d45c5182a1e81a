#include "app/StatusMenuController.h"

#include "app/SettingsKeys.h"
#include "app/SystemFacts.h"
#include "platform/Log.h"
#include "tools/FreeMemory.h"

#include <QFile>
#include <grp.h>
#include <unistd.h>

namespace trevalo {

namespace {

using M = MenuItem;

constexpr M kSystemFacts[] = {M::osxnum,       M::buildNo,   M::theDisk,  M::sizeSpace,
                              M::usedSpace,    M::freeSpace, M::uptime,   M::whoami,
                              M::recoveryDisk, M::trimState, M::sipState, M::folderActs};

constexpr M kHardwareItems[] = {M::HWMenu1, M::HWMenu2, M::HWMenu3, M::HWMenu4,  M::HWMenu5,  M::HWMenu6,
                                M::HWMenu7, M::HWMenu8, M::HWMenu9, M::HWMenu10, M::HWMenu11, M::HWMenu12};

struct SwitchableItem {
    M item;
    const char* showKey;
};
constexpr SwitchableItem kSwitchable[] = {
    {M::firewall, keys::showFirewall},     {M::invisibleFiles, keys::showInvisibleFiles},
    {M::userLib, keys::showUserLibrary},   {M::fanSpeed, keys::showFanSpeed},
    {M::ipAddress, keys::showIpAddress},   {M::flushDNSCache, keys::showFlushDns},
    {M::freeMemory, keys::showFreeMemory}, {M::ramDisk, keys::showRamDisk},
    {M::batteryStats, keys::showBattery},  {M::netConnects, keys::showNetConnects},
    {M::ejectDisks, keys::showEjectDisks},
};

const char* const kFolderActionsScript =
    "try\ntell application \"System Events\" to folder actions enabled\nend try";
const char* const kDockSizeScript =
    "tell application \"System Events\"\ntell dock preferences\nset s to (dock size)\nend tell\nend tell\ns";
const char* const kDockHidingScript =
    "tell application \"System Events\"\ntell dock preferences\nset y to (autohide)\nend tell\nend tell\ny";
const char* const kDockEdgeScript = "tell application \"System Events\"\ntell dock preferences\nset x to "
                                    "(screen edge)\nend tell\nend tell\nx";
const char* const kUserLibraryScript = "do shell script \"ls -aOl ~/Library | sed -n 2p\"";

CommandRunner::Request toolRequest(const QString& launchPath, const QStringList& arguments)
{
    CommandRunner::Request request;
    request.launchPath = launchPath;
    request.arguments = arguments;
    return request;
}

CommandRunner::Request scriptRequest(const char* script)
{
    return toolRequest(QStringLiteral("/usr/bin/osascript"),
                       {QStringLiteral("-e"), QString::fromUtf8(script)});
}

/// Why a reading gave nothing to go on, or empty when it did.
QString failureOf(const CommandRunner::Result& result)
{
    if (!result.started)
        return QStringLiteral("could not be started");
    if (result.timedOut)
        return QStringLiteral("did not finish within its time limit");
    if (result.signal != 0)
        return QStringLiteral("was ended by signal %1").arg(result.signal);
    if (result.exitStatus != 0)
        return QStringLiteral("exited with status %1").arg(result.exitStatus);
    return QString();
}

} // namespace

QString StatusMenuController::readingText(const CommandRunner::Request& request,
                                          const CommandRunner::Result& result)
{
    // The menu keeps the title its rule gives for no output (TRIM: OFF, say), so that it reads as it
    // always has; the log says that this one is not a fact.
    QString why = failureOf(result);
    QString text = result.started ? decodeUtf8(result.output) : QString();
    if (why.isEmpty() && text.isNull())
        why = QStringLiteral("printed text that is not UTF-8");
    if (!why.isEmpty())
        TR_LOG("Menu reading unknown: %1 %2 %3", request.launchPath, request.arguments.join(' '), why);
    return text;
}

QString StatusMenuController::read(const QString& launchPath, const QStringList& arguments)
{
    const CommandRunner::Request request = toolRequest(launchPath, arguments);
    return readingText(request, m_services.runner.run(request));
}

StatusMenuController::StatusMenuController(Services services, StatusMenuModel& model, QObject* parent)
    : QObject(parent), m_services(services), m_model(model)
{
}

void StatusMenuController::hideSwitchableItems()
{
    const Settings& settings = m_services.settings;
    for (const SwitchableItem& s : kSwitchable) {
        if (settings.boolForKey(s.showKey))
            m_model[s.item].hidden = true;
    }
    if (settings.boolForKey(keys::showStatusInfo)) {
        for (M item : kSystemFacts)
            m_model[item].hidden = true;
    }
}

void StatusMenuController::getHardware()
{
    const auto lines = facts::hardwareLines(read("/usr/sbin/system_profiler", {"SPHardwareDataType"}));
    if (!lines)
        return;
    for (int i = 0; i < 12; ++i)
        m_model[kHardwareItems[i]].title = lines->value(i);
}

void StatusMenuController::getOSVer()
{
    const auto titles = facts::osVersionTitles(read("/usr/bin/sw_vers", {}));
    if (!titles)
        return;
    m_model[M::osxnum].title = titles->osxTitle;
    m_model[M::buildNo].title = titles->buildTitle;
    theOSFinal = titles->version;
}

void StatusMenuController::getBootVol()
{
    m_model[M::theDisk].title = facts::bootDiskTitle(m_services.volumes.startupVolumeName());
}

void StatusMenuController::getRecoveryDisk()
{
    m_model[M::recoveryDisk].title = QStringLiteral("Recovery Disk: NO");
    m_model[M::recoveryDisk].title = facts::recoveryDiskTitle(read("/usr/sbin/diskutil", {"list"}));
}

bool StatusMenuController::amIAdmin() const
{
    const SystemRoot& root = m_services.root;
    if (!root.isIdentity()) {
        QFile groups(root.host(QStringLiteral("/etc/group")));
        if (!groups.open(QIODevice::ReadOnly))
            return false;
        return facts::isAdmin(root.userName(), QString::fromUtf8(groups.readAll()));
    }
    const group* admin = ::getgrnam("admin");
    if (!admin)
        return false;
    const QByteArray login = root.userName().toLocal8Bit();
    for (char** member = admin->gr_mem; member && *member; ++member) {
        if (login == *member)
            return true;
    }
    return false;
}

void StatusMenuController::userName()
{
    const QString displayName = m_services.root.homeDir().section('/', -1);
    m_model[M::whoami].title = facts::userTitle(displayName, amIAdmin());
}

void StatusMenuController::getTRTrimState()
{
    m_model[M::trimState].title =
        facts::trimTitle(read("/bin/bash", {"-c", "system_profiler SPSerialATADataType | grep -i trim"}));
}

void StatusMenuController::getCsrutil()
{
    if (!facts::hasSip(theOSFinal)) {
        m_model[M::sipState].removed = true;
        return;
    }
    m_model[M::sipState].title = facts::sipTitle(read("/usr/bin/csrutil", {"status"}));
    m_model[M::sipState].hidden = false;
}

std::vector<StatusMenuController::ToolReading> StatusMenuController::toolReadings(Scope scope) const
{
    using C = StatusMenuController;
    std::vector<ToolReading> readings;
    if (scope == Scope::MenuOpen) {
        readings.push_back(firewallReading());
        if (!m_services.settings.boolForKey(keys::showInvisibleFiles))
            readings.push_back(invisibleFilesReading());
        if (!m_services.settings.boolForKey(keys::showUserLibrary))
            readings.push_back(userLibraryReading());
    }
    readings.push_back({scriptRequest(kFolderActionsScript), &C::applyFolderActions});
    readings.push_back({scriptRequest(kDockSizeScript), &C::applyDockSize});
    readings.push_back({scriptRequest(kDockHidingScript), &C::applyDockHiding});
    readings.push_back({scriptRequest(kDockEdgeScript), &C::applyDockEdge});
    if (scope == Scope::MenuOpen)
        readings.push_back(uptimeReading());
    return readings;
}

StatusMenuController::ToolReading StatusMenuController::firewallReading()
{
    return {toolRequest("/usr/sbin/system_profiler", {"SPFirewallDataType"}),
            &StatusMenuController::applyFirewall};
}

StatusMenuController::ToolReading StatusMenuController::invisibleFilesReading()
{
    return {toolRequest("/usr/bin/defaults", {"read", "com.apple.finder", "AppleShowAllFiles"}),
            &StatusMenuController::applyInvisibleFiles};
}

StatusMenuController::ToolReading StatusMenuController::userLibraryReading()
{
    return {scriptRequest(kUserLibraryScript), &StatusMenuController::applyUserLibrary};
}

StatusMenuController::ToolReading StatusMenuController::uptimeReading()
{
    return {toolRequest("/usr/bin/uptime", {}), &StatusMenuController::applyUptime};
}

void StatusMenuController::readNow(const ToolReading& reading)
{
    (this->*reading.apply)(readingText(reading.request, m_services.runner.run(reading.request)));
}

void StatusMenuController::menuNeedsUpdate()
{
    requestRefresh(Scope::MenuOpen);
}

void StatusMenuController::refresh()
{
    requestRefresh(Scope::Refresh);
}

void StatusMenuController::requestRefresh(Scope scope)
{
    if (m_readMode == ReadMode::Blocking) {
        applyLocalReadings();
        for (const ToolReading& reading : toolReadings(scope))
            readNow(reading);
        emit changed();
        emit refreshFinished();
        return;
    }
    if (m_running) {
        // Merged into one more run after this one, of the wider of what was asked.
        if (m_pending != Scope::MenuOpen)
            m_pending = scope;
        return;
    }
    startRefresh(scope);
}

void StatusMenuController::startRefresh(Scope scope)
{
    m_running = scope;
    applyLocalReadings();
    emit changed();
    const std::vector<ToolReading> readings = toolReadings(scope);
    m_readingsOut = int(readings.size());
    for (const ToolReading& reading : readings) {
        const auto apply = reading.apply;
        const CommandRunner::Request request = reading.request;
        m_services.runner.start(request, this, {},
                                [this, apply, request](const CommandRunner::Result& result) {
                                    (this->*apply)(readingText(request, result));
                                    emit changed();
                                    readingFinished();
                                });
    }
}

void StatusMenuController::readingFinished()
{
    if (--m_readingsOut > 0)
        return;
    m_running.reset();
    if (m_pending) {
        const Scope next = *m_pending;
        m_pending.reset();
        startRefresh(next);
        return;
    }
    emit refreshFinished();
}

void StatusMenuController::getTRUptime()
{
    readNow(uptimeReading());
}

void StatusMenuController::applyUptime(const QString& output)
{
    if (const auto title = facts::uptimeTitle(output))
        m_model[M::uptime].title = *title;
}

void StatusMenuController::theFirewallStatus()
{
    readNow(firewallReading());
}

void StatusMenuController::applyFirewall(const QString& output)
{
    if (const auto blocks = facts::firewallBlocks(output))
        m_model[M::firewall].marked = *blocks;
}

void StatusMenuController::getInvisibleFileStatus()
{
    if (!m_services.settings.boolForKey(keys::showInvisibleFiles))
        readNow(invisibleFilesReading());
}

void StatusMenuController::applyInvisibleFiles(const QString& output)
{
    const facts::InvisibleFilesDecision decision = facts::invisibleFilesDecision(output);
    if (decision.rewriteValue)
        m_services.runner.callDefaultsTask(*decision.rewriteValue);
    if (decision.title)
        m_model[M::invisibleFiles].title = *decision.title;
    m_model[M::invisibleFiles].marked = decision.marked;
}

void StatusMenuController::getUserLibraryStatus()
{
    if (!m_services.settings.boolForKey(keys::showUserLibrary))
        readNow(userLibraryReading());
}

void StatusMenuController::applyUserLibrary(const QString& output)
{
    MenuItemState& item = m_model[M::userLib];
    item.enabled = true;
    item.hidden = false;
    item.title = QStringLiteral(" User Library");
    item.marked = facts::userLibraryVisible(output);
}

QString StatusMenuController::getFAStatus()
{
    return facts::folderActionsTitle(m_services.runner.callOSATask(QString::fromUtf8(kFolderActionsScript)));
}

void StatusMenuController::applyFolderActions(const QString& output)
{
    m_model[M::folderActs].title = facts::folderActionsTitle(output);
}

QString StatusMenuController::getMemStatus()
{
    return memoryLine(m_services.runner.run(memoryRequest(m_services.runner)));
}

void StatusMenuController::applyDockSize(const QString& output)
{
    m_model[M::mini].marked = facts::dockMini(output);
}

void StatusMenuController::applyDockHiding(const QString& output)
{
    m_model[M::isHiding].marked = facts::dockHiding(output);
}

void StatusMenuController::applyDockEdge(const QString& output)
{
    if (const auto edge = facts::dockEdge(output)) {
        m_model[M::dockLeft].marked = *edge == facts::DockEdge::Left;
        m_model[M::dockRight].marked = *edge == facts::DockEdge::Right;
        m_model[M::dockBottom].marked = *edge == facts::DockEdge::Bottom;
    }
}

void StatusMenuController::readLastRun()
{
    Settings& settings = m_services.settings;
    QString lastRun = settings.stringForKey(keys::lastAnalyserRun);
    if (lastRun.isEmpty()) {
        settings.setString(keys::lastAnalyserRun,
                           m_services.clock.now().toString(QStringLiteral("dd/MM/yy HH:mm")));
        settings.synchronize();
        lastRun = settings.stringForKey(keys::lastAnalyserRun);
    }
    m_model[M::lastRun].title = facts::lastRunTitle(lastRun);
}

void StatusMenuController::readVolumeFigures()
{
    const VolumeSpace space = m_services.volumes.startupVolume();
    t = double(space.total) / 1e9;
    f = double(space.free) / 1e9;
    percent = (t - f) / t * 100; // NaN for a volume of no size: no level row holds, no warning
}

void StatusMenuController::applyLocalReadings()
{
    Settings& settings = m_services.settings;
    m_model[M::sipState].hidden = settings.boolForKey(keys::showStatusInfo);
    readLastRun();
    readVolumeFigures();

    m_model[M::levelIndicator].image = levelImageFor(percent, m_model[M::levelIndicator].image);
    if (const auto warning = m_warnings.check(percent, highWarning))
        m_services.notifier.deliver(*warning);

    const facts::SpaceTitles titles = facts::spaceTitles(t, percent, f);
    m_model[M::sizeSpace].title = titles.size;
    m_model[M::usedSpace].title = titles.used;
    m_model[M::freeSpace].title = titles.free;

    menuStates(int(settings.integerForKey(keys::menuBarIcon)));
}

void StatusMenuController::menuStates(int mode)
{
    Settings& settings = m_services.settings;
    darkModeItem = settings.boolForKey(keys::darkMode);
    m_model.statusTemplate = darkModeItem;
    settings.setInteger(keys::menuBarIcon, mode);
    settings.synchronize();
    m_model.statusTitle = facts::menuBarTitle(mode, percent, f);
}

} // namespace trevalo
