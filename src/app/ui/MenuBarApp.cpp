#include "app/ui/MenuBarApp.h"

#include "analyser/TRAnalyser.h"
#include "analyser/ui/AnalyserWindow.h"
#include "app/Machine.h"
#include "app/Scripting.h"
#include "app/TRAppDelegate.h"
#include "app/ui/AnalyserWindows.h"
#include "app/ui/PreferencesWindow.h"
#include "app/ui/SecondStart.h"
#include "app/ui/StatusMenuView.h"
#include "platform/Log.h"
#include "platform/ui/QtSeams.h"
#include "search/ui/SearchWindow.h"
#include "taskpad/ui/ListWindowHost.h"
#include "tools/ui/ToolWindows.h"

#include <QApplication>
#include <QLockFile>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTextStream>
#include <QTimer>

namespace trevalo {

namespace {

/// The Mac's modifier names for the keys Qt reports. Qt on macOS reports Command as Control and
/// Control as Meta.
TRAppDelegate::Modifiers macModifiers(Qt::KeyboardModifiers keys)
{
#ifdef Q_OS_MACOS
    return {keys.testFlag(Qt::MetaModifier), keys.testFlag(Qt::AltModifier), keys.testFlag(Qt::ShiftModifier),
            keys.testFlag(Qt::ControlModifier)};
#else
    return {keys.testFlag(Qt::ControlModifier), keys.testFlag(Qt::AltModifier),
            keys.testFlag(Qt::ShiftModifier), keys.testFlag(Qt::MetaModifier)};
#endif
}

/// Where the menu pops up: under the status item, or at the pointer when the tray host does not say
/// where the item is.
QPoint menuPosition(const QSystemTrayIcon& tray, QMenu* menu)
{
    const QRect item = tray.geometry();
    if (!item.isValid())
        return QCursor::pos();
    QPoint at = item.bottomLeft() + QPoint(0, 1);
    if (const QScreen* screen = QGuiApplication::screenAt(item.center())) {
        const QRect area = screen->availableGeometry();
        const QSize size = menu->sizeHint();
        if (at.y() + size.height() > area.bottom())
            at.setY(item.top() - size.height()); // a tray at the bottom of the screen
        at.setX(qBound(area.left(), at.x(), area.right() - size.width()));
    }
    return at;
}

} // namespace

int runMenuBarApp(int& argc, char** argv, const CommandLine& cl)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTextStream err(stderr);

    SystemRoot::Error rootError;
    const std::optional<SystemRoot> root = SystemRoot::open(cl.root, cl.user, &rootError);
    if (!root) {
        err << "trevalo: " << rootError.message << Qt::endl;
        return 2;
    }
    // One running program per user and root: a second start brings the first one's menu up.
    QLockFile lock(instance::lockPath(*root));
    if (!lock.tryLock(0))
        return handOverToRunningProgram(*root, err);
    InstanceServer channel;
    QString channelError;
    if (!channel.listen(instance::channelName(*root), &channelError))
        TR_LOG("Scripts cannot reach the program: %1", channelError);

    QSystemTrayIcon tray;
    QtAlerts alerts;
    TrayNotifier notifier(&tray);
    QtClipboard clipboard;
    Machine machine(*root, alerts, notifier, clipboard);
    TRAppDelegate delegate(machine.services());
    // The menu never waits for a tool: it opens with the last readings and updates as they come in.
    delegate.statusMenu().setReadMode(StatusMenuController::ReadMode::Background);
    StatusMenuView view(delegate);
    ToolWindows toolWindows(delegate.toolsSubsystem());
    SearchWindow searchWindow(delegate.searchSubsystem());
    ListWindowHost listWindows(delegate.taskPad());
    listWindows.statusItemAnchor = [&tray] {
        const QRect item = tray.geometry();
        return item.isValid() ? QPoint(item.center().x(), item.bottom()) : QCursor::pos();
    };
    // The task pad file is chosen on the preferences' general tab; choosing one drops the list window.
    bindPreferencesWindow(delegate.preferences(), listWindows);

    auto updateStatusItem = [&] {
        const StatusMenuModel& model = delegate.menu();
        const QColor text = QApplication::palette().color(QPalette::WindowText);
        tray.setIcon(resourceIcon(model.statusImage, model.statusTemplate, text));
        tray.setToolTip(model.statusTitle.isEmpty()
                            ? QStringLiteral("Trevalo 2")
                            : QStringLiteral("Trevalo 2 — %1").arg(model.statusTitle));
        view.sync();
    };
    QObject::connect(&delegate, &TRAppDelegate::menuChanged, &app, updateStatusItem);
    QObject::connect(&view, &StatusMenuView::aboutToShow, &delegate, &TRAppDelegate::menuNeedsUpdate);

    auto popUp = [&] { view.menu()->popup(menuPosition(tray, view.menu())); };
    QObject::connect(&tray, &QSystemTrayIcon::activated, &app, [&](QSystemTrayIcon::ActivationReason reason) {
        if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context)
            return;
        const auto outcome = delegate.itemClicked(macModifiers(QGuiApplication::queryKeyboardModifiers()));
        if (outcome == TRAppDelegate::ClickOutcome::PopUpMenu)
            popUp();
    });

    Analyser& analyser = delegate.analyserSubsystem();
    QPointer<AnalyserWindow> analyserWindow;
    QObject::connect(&analyser, &Analyser::controllerCreated, &app, [&](TRAnalyser* controller) {
        AnalyserWindow* window = makeAnalyserWindow(delegate, *controller);
        analyserWindow = window;
        window->show();
        window->raise();
        window->activateWindow();
    });
    QObject::connect(&delegate, &TRAppDelegate::quitRequested, &app, &QApplication::quit);
    Scripting scripting(delegate);
    scripting.serve(channel, {.showMenu = popUp, .analyserTab = [&analyserWindow] {
                                  return analyserWindow ? shownTabTitle(*analyserWindow) : QString();
                              }});
    installAppleScriptEntries(scripting);
    QObject::connect(&app, &QApplication::aboutToQuit, &delegate, &TRAppDelegate::applicationWillTerminate);

    // The icon shows while start-up runs (its scan can take a while); start-up sets the same image.
    delegate.menu().statusImage = QStringLiteral("trevalo-flat-01");
    updateStatusItem();
    tray.show();
    // With --open profile, the window of the start-up scan, if it makes one, opens on its profile tab.
    const bool openProfile = cl.open == QLatin1String("profile");
    analyser.profileTab = openProfile;
    delegate.applicationDidFinishLaunching();
    analyser.profileTab = false;
    updateStatusItem();

    if (cl.open == QLatin1String("menu")) {
        QTimer::singleShot(500, &app, popUp);
    } else if (cl.open == QLatin1String("analyser")) {
        if (!analyser.wins())
            delegate.showAnalyser();
    } else if (openProfile) {
        // No start-up scan: a scan as the scripting command makes it, its window on the profile tab.
        if (!analyser.wins())
            delegate.runAnalyserCommand();
    } else if (cl.open == QLatin1String("ip")) {
        delegate.displayIP();
    } else if (cl.open == QLatin1String("freemem")) {
        delegate.freeMem();
    } else if (cl.open == QLatin1String("search")) {
        delegate.openSearchWin();
    } else if (cl.open == QLatin1String("taskpad")) {
        delegate.displayLists(TaskPad::OpenedFrom::MenuItem);
    } else if (cl.open == QLatin1String("prefs")) {
        delegate.openPrefs();
    }

    return app.exec();
}

} // namespace trevalo
