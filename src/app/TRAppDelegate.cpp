#include "app/TRAppDelegate.h"

#include "analyser/TRAnalyser.h"
#include "app/SettingsKeys.h"
#include "platform/Accessibility.h"
#include "platform/Log.h"

#include <QDir>

namespace trevalo {

namespace {

constexpr int kRefreshSeconds = 180;

const char* const kLoginItemScript =
    "tell application \"System Events\"\n"
    "name of every login item\n"
    "if (login item \"Trevalo 2\" exists) is false then\n"
    "tell application process \"Trevalo 2\" to set aPath to POSIX path of its application file as string\n"
    "make new login item at end of login items with properties {path:aPath, hidden:false, "
    "kind:\"Application\", name:\"Trevalo 2\"}\n"
    "end if\n"
    "end tell";

} // namespace

TRAppDelegate::TRAppDelegate(Services services, Analyser::ScanFunction scan, QObject* parent)
    : QObject(parent), m_services(services), m_status(services, m_menu),
      m_analyser(services, std::move(scan)), m_profile(services), m_taskPad(services),
      m_tools(services, m_web), m_search(services)
{
    connect(&m_taskPad, &TaskPad::saveAsRequested, this, &TRAppDelegate::showListSaveAsPanel);
    // The profile's status block tells what the status menu's SIP item says.
    m_profile.setSipStateTitleSource([this] { return m_menu[MenuItem::sipState].title; });
    // Every Analyser window's set-up ends with a profile run.
    connect(&m_analyser, &Analyser::controllerCreated, this, [this](TRAnalyser* controller) {
        connect(controller, &TRAnalyser::profileRequested, &m_profile, &Profile::runProfiler);
    });
    connect(&m_search, &SuperSearch::windowOpening, this, &TRAppDelegate::closeForSearchWin);
    m_refreshTimer.setInterval(kRefreshSeconds * 1000);
    connect(&m_refreshTimer, &QTimer::timeout, this, &TRAppDelegate::refresh);
    connect(&m_status, &StatusMenuController::changed, this, &TRAppDelegate::menuChanged);
    bindMenuActions(m_actions, *this);
}

TRAppDelegate::~TRAppDelegate()
{
    if (m_volumeReader.joinable())
        m_volumeReader.join();
}

void TRAppDelegate::applicationDidFinishLaunching(const LaunchOptions& options)
{
    Settings& settings = m_services.settings;

    m_search.prepareSearchWindow();
    m_tools.watchVolumes();

    if (isTrustedForAccessibility() == false)
        TR_LOG(
            "Trevalo' Firewall function requires Accessibility authorisation. If you do not wish to toggle "
            "Firewall settings on/off with Trevalo, ignore this message. Otherwise, add Trevalo to the list "
            "of authorised apps in 'System Preferences > Security & Privacy > Privacy > Accessibility'.");

    // A folder that cannot be made is left to the writes that need it.
    QDir().mkpath(m_services.root.host(m_services.root.supportFolder()));

    m_analyser.scanResults() = ScanResults{};

    // Every notification of the program opens the Analyser on the last results, whatever it said.
    connect(&m_services.notifier, &Notifier::activated, this, &TRAppDelegate::showAnalyser,
            Qt::UniqueConnection);

    if (options.startTimer)
        m_refreshTimer.start();

    m_menu.statusImage = QStringLiteral("trevalo-flat-01");

    for (const char* key : keys::startupFlags) {
        if (!settings.boolForKey(key))
            settings.setBool(key, false);
    }

    m_status.hideSwitchableItems();

    for (const char* key : keys::boxes) {
        if (!settings.contains(key))
            settings.setBool(key, true);
    }
    settings.synchronize();

    m_status.readVolumeFigures();

    m_menu.statusTitle = settings.stringForKey(keys::menuBarTitle);

    if (settings.boolForKey(keys::startAtLogin)) {
        m_services.runner.callOSAScriptNull(QString::fromUtf8(kLoginItemScript));
        settings.setBool(keys::startAtLogin, true);
    }

    m_status.highWarning = settings.boolForKey(keys::highWarning);

    const bool secCenter = settings.boolForKey(keys::secCenter);
    m_status.getOSVer();
    m_status.getCsrutil();
    if (secCenter) {
        // The one-shot request is used up only by a scan that runs: facts and choose leave it waiting.
        if (options.runScan) {
            analyser();
            settings.setBool(keys::secCenter, false);
        }
    } else if (options.runScan && !settings.boolForKey(keys::disableAnalyserAtLaunch)) {
        analyser();
    }

    m_status.darkModeItem = settings.boolForKey(keys::darkMode);

    if (settings.integerForKey(keys::menuBarIcon) == 0)
        settings.setInteger(keys::menuBarIcon, 0);

    refresh();

    m_status.getBootVol();
    m_status.getRecoveryDisk();
    m_status.userName();
    m_status.getTRTrimState();
    m_status.getHardware();

    settings.synchronize();
}

void TRAppDelegate::applicationWillTerminate()
{
    Settings& settings = m_services.settings;
    if (m_menu.statusTitle.isEmpty())
        settings.remove(keys::menuBarTitle);
    else
        settings.setString(keys::menuBarTitle, m_menu.statusTitle);
    settings.setBool(keys::darkMode, m_status.darkModeItem);
    settings.synchronize();
    m_taskPad.applicationWillTerminate();
}

TRAppDelegate::ClickOutcome TRAppDelegate::itemClicked(Modifiers modifiers)
{
    if (modifiers.control)
        return ClickOutcome::Nothing;
    if (modifiers.option) {
        displayLists(TaskPad::OpenedFrom::StatusItem);
        return ClickOutcome::TaskPad;
    }
    if (modifiers.shift) {
        m_actions.activate(MenuItem::superSearch);
        return ClickOutcome::SuperSearch;
    }
    if (modifiers.command)
        return ClickOutcome::Nothing;
    return ClickOutcome::PopUpMenu;
}

void TRAppDelegate::displayLists(TaskPad::OpenedFrom from)
{
    closeSearchWin();
    m_taskPad.displayLists(from);
}

void TRAppDelegate::quitTheApp()
{
    // Deferred, so that the menu that chose Quit has closed before the program ends.
    QTimer::singleShot(0, this, &TRAppDelegate::quitRequested);
}

QString TRAppDelegate::lastrun() const
{
    const QString stored = m_services.settings.stringForKey(keys::lastAnalyserRun);
    return stored.isNull() ? QStringLiteral("(null)") : stored;
}

void TRAppDelegate::refresh()
{
    m_status.refresh();
    refreshVolumeMenus();
}

void TRAppDelegate::menuNeedsUpdate()
{
    m_status.menuNeedsUpdate();
    refreshVolumeMenus();
}

void TRAppDelegate::refreshVolumeMenus()
{
    if (m_status.readMode() == StatusMenuController::ReadMode::Blocking) {
        DiskTools& disks = m_tools.disks();
        disks.getDiskList();
        disks.getUnmounted();
        m_menu.ejectable = disks.diskSubMenu();
        m_menu.unmounted = disks.mountSubMenu();
        emit menuChanged();
        return;
    }
    // The menu never waits for diskutil and the Finder: it shows the last submenus until these come in.
    if (m_volumeReading) {
        m_volumeReadAgain = true;
        return;
    }
    if (m_volumeReader.joinable())
        m_volumeReader.join();
    m_volumeReading = true;
    m_volumeReader = std::thread([this, services = m_services] {
        DiskTools disks(services); // the root and the runner, which may be used from any thread
        disks.getDiskList();
        disks.getUnmounted();
        QMetaObject::invokeMethod(
            this,
            [this, ejectable = disks.diskSubMenu(), unmounted = disks.mountSubMenu()] {
                m_menu.ejectable = ejectable;
                m_menu.unmounted = unmounted;
                m_volumeReading = false;
                emit menuChanged();
                if (m_volumeReadAgain) {
                    m_volumeReadAgain = false;
                    refreshVolumeMenus();
                }
            },
            Qt::QueuedConnection);
    });
}

void TRAppDelegate::menuStates(int mode)
{
    m_status.menuStates(mode);
    emit menuChanged();
}

void TRAppDelegate::copyToClipboard(const QString& text)
{
    m_services.clipboard.setText(text);
}

QString TRAppDelegate::getMemStatus()
{
    return m_status.getMemStatus();
}

} // namespace trevalo
