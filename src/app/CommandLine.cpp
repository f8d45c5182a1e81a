#include "app/CommandLine.h"

#include "analyser/AnalyseCommand.h"
#include "analyser/JobStopper.h"
#include "analyser/SignatureCli.h"
#include "app/ChosenWindow.h"
#include "app/ConsoleSeams.h"
#include "app/Machine.h"
#include "app/TRAppDelegate.h"
#include "app/TasksCommand.h"
#include "platform/TextEscape.h"
#include "profile/ProfileCommand.h"
#include "search/SearchCommand.h"
#include "tools/ToolsCommand.h"

#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>
#include <functional>
#include <unistd.h>

namespace trevalo {

namespace {

const QStringList kOptionsWithValue{"--root", "--user", "--open", "--answer"};

/// What --open can open; each window that lands adds its name.
const QStringList kOpenableNames{"menu", "analyser", "profile", "ip", "freemem", "search", "taskpad"};

/// What a command gets: the parsed command line and the two output streams.
struct Invocation {
    const CommandLine& commandLine;
    QTextStream& out;
    QTextStream& err;
};

using CommandFunction = std::function<int(Invocation&)>;

/// A delegate on the chosen root with console seams, as the command line runs it.
class HeadlessSession {
public:
    HeadlessSession(const SystemRoot& root, Invocation& inv, Notifier& notifier)
        : alerts(inv.out, inv.commandLine.answer), machine(root, alerts, notifier, clipboard),
          delegate(machine.services())
    {
    }
    ConsoleAlerts alerts;
    MemoryClipboard clipboard;
    Machine machine;
    TRAppDelegate delegate;
};

std::optional<SystemRoot> openRoot(Invocation& inv)
{
    SystemRoot::Error error;
    std::optional<SystemRoot> root = SystemRoot::open(inv.commandLine.root, inv.commandLine.user, &error);
    if (!root)
        inv.err << "trevalo: " << error.message << Qt::endl;
    return root;
}

/// A title as one menu line: the line feeds some fact titles end with are not shown.
QString shownTitle(QString title)
{
    while (title.endsWith('\n'))
        title.chop(1);
    return title;
}

/// Runs deferred work (a quit, a notice) that the command queued.
void settle()
{
    QCoreApplication::processEvents();
}

/// The menu-bar program's start-up and quitting, without a display.
int startupCommand(Invocation& inv)
{
    if (!inv.commandLine.arguments.isEmpty()) {
        inv.err << "trevalo: startup takes no arguments" << Qt::endl;
        return 2;
    }
    const auto root = openRoot(inv);
    if (!root)
        return 2;
    ConsoleNotifier notifier(inv.out);
    HeadlessSession session(*root, inv, notifier);
    session.delegate.applicationDidFinishLaunching({.runScan = true, .startTimer = false});
    settle();
    session.delegate.applicationWillTerminate();
    return 0;
}

/// Prints every visible fact and tool item in menu order, as the opened menu shows them.
int factsCommand(Invocation& inv)
{
    if (!inv.commandLine.arguments.isEmpty()) {
        inv.err << "trevalo: facts takes no arguments" << Qt::endl;
        return 2;
    }
    const auto root = openRoot(inv);
    if (!root)
        return 2;
    CollectingNotifier notifier;
    HeadlessSession session(*root, inv, notifier);
    TRAppDelegate& delegate = session.delegate;
    delegate.applicationDidFinishLaunching({.runScan = false, .startTimer = false});
    delegate.menuNeedsUpdate();

    const StatusMenuModel& menu = delegate.menu();
    for (const MenuItemSpec& spec : statusMenuLayout()) {
        if (spec.kind == ItemKind::Separator || spec.kind == ItemKind::Submenu ||
            spec.item == MenuItem::levelIndicator)
            continue;
        if (!menu.isVisible(spec.item))
            continue;
        const MenuItemState& state = menu[spec.item];
        inv.out << escapeField(shownTitle(state.title)) << (state.marked ? "\ton" : "") << '\n';
    }
    inv.out << "Icon: " << escapeField(menu[MenuItem::levelIndicator].image) << '\n';
    inv.out << "Title: " << escapeField(menu.statusTitle) << '\n';
    for (const Notification& n : notifier.delivered())
        inv.out << "Notification: " << escapeField(n.title) << ": "
                << (n.subtitle.isEmpty() ? QString() : escapeField(n.subtitle) + QStringLiteral(": "))
                << escapeField(n.informativeText) << '\n';
    inv.out.flush();
    settle();
    return 0;
}

/// Chooses a menu item by its title, as a click would.
int chooseCommand(Invocation& inv)
{
    const QStringList& args = inv.commandLine.arguments;
    if (args.isEmpty() || args.size() > 2) {
        inv.err << "trevalo: usage: trevalo choose [--answer BUTTON] \"TITLE\" [\"SUBMENU ITEM\"]"
                << Qt::endl;
        return 2;
    }
    const auto root = openRoot(inv);
    if (!root)
        return 2;
    ConsoleNotifier notifier(inv.out);
    HeadlessSession session(*root, inv, notifier);
    TRAppDelegate& delegate = session.delegate;
    delegate.applicationDidFinishLaunching({.runScan = false, .startTimer = false});
    delegate.menuNeedsUpdate(); // the menu opens before anything is chosen

    const StatusMenuModel& menu = delegate.menu();
    auto titleOf = [&](MenuItem item) { return menu[item].title.trimmed(); };
    auto volumeEntries = [&](MenuItem submenu) {
        return submenu == MenuItem::ejectDisks   ? menu.ejectable
               : submenu == MenuItem::mountDisks ? menu.unmounted
                                                 : QList<VolumeMenuEntry>();
    };
    auto listTitles = [&](MenuItem parent) {
        QStringList titles;
        for (const MenuItemSpec& spec : statusMenuLayout()) {
            if (spec.parent == parent && spec.kind != ItemKind::Separator && menu.isVisible(spec.item) &&
                !titleOf(spec.item).isEmpty())
                titles << titleOf(spec.item);
        }
        for (const VolumeMenuEntry& entry : volumeEntries(parent))
            if (!entry.isSeparator)
                titles << entry.title.trimmed();
        return titles;
    };
    auto find = [&](MenuItem parent, const QString& title) -> std::optional<MenuItem> {
        for (const MenuItemSpec& spec : statusMenuLayout()) {
            if (spec.parent == parent && spec.kind != ItemKind::Separator && menu.isVisible(spec.item) &&
                titleOf(spec.item) == title)
                return spec.item;
        }
        return std::nullopt;
    };

    const std::optional<MenuItem> item = find(MenuItem::separator, args[0]);
    if (!item) {
        inv.err << "trevalo: no menu item \"" << args[0] << "\"; the menu has:\n  "
                << listTitles(MenuItem::separator).join("\n  ") << Qt::endl;
        return 1;
    }
    MenuItem chosen = *item;
    if (args.size() == 2) {
        const QStringList entries = listTitles(*item);
        // A volume's entry by its name; the first of equal names (" All Disks" before a volume so named).
        const QList<VolumeMenuEntry> volumes = volumeEntries(*item);
        const auto volume = std::find_if(volumes.begin(), volumes.end(), [&](const VolumeMenuEntry& e) {
            return !e.isSeparator && e.title.trimmed() == args[1];
        });
        if (volume != volumes.end()) {
            if (!volume->hasAction || !delegate.menuActions().activateEntry(*item, *volume)) {
                inv.err << "trevalo: \"" << args[1] << "\" does nothing when chosen" << Qt::endl;
                return 1;
            }
            settle();
            session.machine.services().runner.waitForDetached();
            return 0;
        }
        const std::optional<MenuItem> sub = find(*item, args[1]);
        if (!sub) {
            inv.err << "trevalo: no item \"" << args[1] << "\" in \"" << args[0] << "\"; it has:\n  "
                    << entries.join("\n  ") << Qt::endl;
            return 1;
        }
        chosen = *sub;
    }
    // The window opens before its set-up runs, and the set-up's alerts come after it.
    const std::optional<QString> window =
        delegate.menuActions().has(chosen) ? windowOpenedBy(chosen) : std::nullopt;
    if (window)
        inv.out << "Window: " << *window << Qt::endl;
    if (!delegate.menuActions().activate(chosen)) {
        inv.err << "trevalo: \"" << titleOf(chosen) << "\" does nothing when chosen" << Qt::endl;
        return 1;
    }
    if (window)
        printWindowFill(chosen, delegate, inv.out);
    settle();
    session.machine.services().runner.waitForDetached(); // a mount, a Finder restart: let them finish
    return 0;
}

/// The Analyser scan without a window; with --stop-jobs the job-stopping passes follow it.
int analyseCommand(Invocation& inv)
{
    QStringList args = inv.commandLine.arguments;
    const bool stopJobs = args.removeAll(QStringLiteral("--stop-jobs")) > 0;
    const auto root = openRoot(inv);
    if (!root)
        return 2;
    ConsoleNotifier notifier(inv.out);
    HeadlessSession session(*root, inv, notifier);
    const int status = runAnalyseCommand(args, session.machine.services(), inv.out, inv.err);
    if (status == 0 && stopJobs)
        JobStopper(session.machine.services()).unloadProc();
    inv.out.flush();
    return status;
}

/// A command that works on the delegate of the chosen root, without start-up.
int withDelegate(Invocation& inv, const std::function<int(TRAppDelegate&)>& command)
{
    const auto root = openRoot(inv);
    if (!root)
        return 2;
    ConsoleNotifier notifier(inv.out);
    HeadlessSession session(*root, inv, notifier);
    const int result = command(session.delegate);
    inv.out.flush();
    return result;
}

/// The profile commands run on a delegate that has read the system's version and SIP state, as the
/// menu's start-up would, without the start-up's scan or job stopping.
int profileCommand(Invocation& inv, const std::function<int(Profile&)>& command)
{
    return withDelegate(inv, [&command](TRAppDelegate& delegate) {
        delegate.statusMenu().getOSVer();
        delegate.statusMenu().getCsrutil();
        return command(delegate.profileSubsystem());
    });
}

int signatureCommand(Invocation& inv)
{
    return runSignatureCommand(inv.commandLine.arguments, inv.out, inv.err);
}

int tasksCommand(Invocation& inv)
{
    return runTasksCommand(inv.commandLine, inv.out, inv.err);
}

const QMap<QString, CommandFunction>& commands()
{
    static const QMap<QString, CommandFunction> table{
        {"startup", startupCommand},
        {"analyse", analyseCommand},
        {"sig", signatureCommand},
        {"facts", factsCommand},
        {"choose", chooseCommand},
        {"profile",
         [](Invocation& inv) {
             return profileCommand(inv, [&inv](Profile& profile) {
                 return runProfileCommand(profile, inv.commandLine.arguments, isatty(STDOUT_FILENO) != 0,
                                          inv.out, inv.err);
             });
         }},
        {"changes",
         [](Invocation& inv) {
             return profileCommand(inv, [&inv](Profile& profile) {
                 return runChangesCommand(profile, inv.commandLine.arguments, inv.out, inv.err);
             });
         }},
        {"logs",
         [](Invocation& inv) {
             return profileCommand(inv, [&inv](Profile& profile) {
                 return runLogsCommand(profile, inv.commandLine.arguments, inv.out, inv.err);
             });
         }},
        {"tasks", tasksCommand},
        {"ip",
         [](Invocation& inv) {
             return withDelegate(inv, [&inv](TRAppDelegate& delegate) {
                 return runIpCommand(delegate.toolsSubsystem(), inv.commandLine.arguments, inv.out, inv.err);
             });
         }},
        {"search",
         [](Invocation& inv) {
             return withDelegate(inv, [&inv](TRAppDelegate& delegate) {
                 return runSearchCommand(delegate.searchSubsystem(), inv.commandLine.arguments, inv.out,
                                         inv.err);
             });
         }},
    };
    return table;
}

} // namespace

QString usage()
{
    return QStringLiteral(
               "usage: trevalo [--root DIR] [--user NAME] [--open NAME] [--answer BUTTON] [%1 ...]")
        .arg(commands().keys().join('|'));
}

QString usageError(const QString& message)
{
    return QStringLiteral("trevalo: %1 (%2)").arg(message, usage());
}

std::optional<CommandLine> CommandLine::parse(const QStringList& args, QString* error)
{
    // Options may come before or after the command; everything else is the command and its arguments.
    CommandLine cl;
    QStringList positional;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith("--")) {
            positional << a;
            continue;
        }
        QString name = a;
        QString value;
        const int eq = a.indexOf('=');
        if (eq > 0) {
            name = a.left(eq);
            value = a.mid(eq + 1);
        }
        if (!kOptionsWithValue.contains(name)) {
            // Options of a command are the command's to judge.
            if (positional.isEmpty()) {
                *error = QStringLiteral("unknown option %1").arg(a);
                return std::nullopt;
            }
            positional << a;
            continue;
        }
        if (eq < 0) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
            value = args[++i];
        }
        if (value.isEmpty()) {
            // An empty --root must never mean the real machine by accident.
            *error = QStringLiteral("%1 needs a value").arg(name);
            return std::nullopt;
        }
        if (name == "--root")
            cl.root = value;
        else if (name == "--user")
            cl.user = value;
        else if (name == "--open")
            cl.open = value;
        else
            cl.answer = value;
    }
    if (!positional.isEmpty()) {
        cl.command = positional.takeFirst();
        if (!commands().contains(cl.command)) {
            *error = QStringLiteral("unknown command %1").arg(cl.command);
            return std::nullopt;
        }
        cl.arguments = positional;
    }
    if (!cl.open.isEmpty() && !kOpenableNames.contains(cl.open)) {
        *error = QStringLiteral("nothing to open called %1 (%2)").arg(cl.open, kOpenableNames.join(", "));
        return std::nullopt;
    }
    return cl;
}

int runHeadless(const CommandLine& commandLine)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    Invocation inv{commandLine, out, err};
    if (commandLine.command.isEmpty()) {
        // No display: the headless commands stand in for the menu-bar program.
        const int status = analyseCommand(inv);
        if (status != 0)
            return status;
        out << '\n';
        return factsCommand(inv);
    }
    return commands().value(commandLine.command)(inv);
}

} // namespace trevalo
