#include "app/CommandLine.h"

#include "analyser/AnalyseCommand.h"
#include "analyser/JobStopper.h"
#include "analyser/SignatureCli.h"
#include "app/ChosenWindow.h"
#include "app/ConsoleSeams.h"
#include "app/FactsOutput.h"
#include "app/Machine.h"
#include "app/ScriptingCommands.h"
#include "app/TRAppDelegate.h"
#include "app/TasksCommand.h"
#include "platform/JsonOutput.h"
#include "platform/TextEscape.h"
#include "profile/ProfileCommand.h"
#include "search/SearchCommand.h"
#include "tools/ToolsCommand.h"

#include <QCoreApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <unistd.h>

namespace trevalo {

namespace {

const QStringList kOptionsWithValue{"--root", "--user", "--open", "--answer"};

/// What --open can open; each window that lands adds its name.
const QStringList kOpenableNames{"menu",    "analyser", "profile", "ip",
                                 "freemem", "search",   "taskpad", "prefs"};

/// What a command gets: the parsed command line and the two output streams.
struct Invocation {
    const CommandLine& commandLine;
    QTextStream& out;
    QTextStream& err;
};

using CommandFunction = std::function<int(Invocation&)>;

/// Where alerts and notifications go: standard output holds a command's JSON object alone.
QTextStream& messageStream(Invocation& inv)
{
    return inv.commandLine.arguments.contains(QStringLiteral("--json")) ? inv.err : inv.out;
}

/// A delegate on the chosen root with console seams, as the command line runs it.
class HeadlessSession {
public:
    HeadlessSession(const SystemRoot& root, Invocation& inv, Notifier& notifier)
        : alerts(messageStream(inv), inv.commandLine.answer), machine(root, alerts, notifier, clipboard),
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
    QStringList args = inv.commandLine.arguments;
    const bool json = takeJsonOption(args);
    if (!args.isEmpty()) {
        inv.err << "trevalo: facts takes no arguments (usage: trevalo facts [--json])" << Qt::endl;
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
    printFacts(delegate.menu(), notifier.delivered(), json, inv.out);
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
    ConsoleNotifier notifier(messageStream(inv));
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
    ConsoleNotifier notifier(messageStream(inv));
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

int profileReportCommand(Invocation& inv)
{
    return profileCommand(inv, [&inv](Profile& profile) {
        return runProfileCommand(profile, inv.commandLine.arguments, isatty(STDOUT_FILENO) != 0, inv.out,
                                 inv.err);
    });
}

int changesCommand(Invocation& inv)
{
    return profileCommand(inv, [&inv](Profile& profile) {
        return runChangesCommand(profile, inv.commandLine.arguments, inv.out, inv.err);
    });
}

int logsCommand(Invocation& inv)
{
    return profileCommand(inv, [&inv](Profile& profile) {
        return runLogsCommand(profile, inv.commandLine.arguments, inv.out, inv.err);
    });
}

int ipCommand(Invocation& inv)
{
    return withDelegate(inv, [&inv](TRAppDelegate& delegate) {
        return runIpCommand(delegate.toolsSubsystem(), inv.commandLine.arguments, inv.out, inv.err);
    });
}

int searchCommand(Invocation& inv)
{
    return withDelegate(inv, [&inv](TRAppDelegate& delegate) {
        return runSearchCommand(delegate.searchSubsystem(), inv.commandLine.arguments, inv.out, inv.err);
    });
}

/// A request to the running program (run-analyser, open-search, last-run).
int scriptingCommand(Invocation& inv)
{
    if (!inv.commandLine.arguments.isEmpty()) {
        inv.err << "trevalo: " << inv.commandLine.command << " takes no arguments" << Qt::endl;
        return 2;
    }
    const auto root = openRoot(inv);
    if (!root)
        return 2;
    return runScriptingCommand(inv.commandLine.command, *root, inv.out, inv.err, [&inv] {
        QString stored;
        withDelegate(inv, [&stored](TRAppDelegate& delegate) {
            stored = delegate.lastrun();
            return 0;
        });
        return stored;
    });
}

/// One line of help: an option of a command and what it does.
struct OptionHelp {
    const char* option;
    const char* meaning;
};

/// A command: its name, what follows it, what it does and an example, in one place for the dispatch and
/// the help.
struct CommandEntry {
    const char* name;
    const char* arguments;
    const char* summary;
    const char* example;
    CommandFunction run;
    QList<OptionHelp> options = {};
};

const OptionHelp kJsonOption{"--json", "print one JSON document instead of lines"};

const QList<CommandEntry>& commands()
{
    static const QList<CommandEntry> table{
        {"analyse",
         "[--ignore PATH | --reset-ignored] [--stop-jobs] [--json]",
         "the Analyser scan: one line per found item, then Backup: yes/no",
         "trevalo analyse --stop-jobs",
         analyseCommand,
         {{"--ignore PATH", "add PATH to the items the Analyser ignores"},
          {"--reset-ignored", "forget every ignored item"},
          {"--stop-jobs", "then stop the background jobs of known unwanted products"},
          kJsonOption}},
        {"facts",
         "[--json]",
         "start-up, then every visible item of the opened status menu",
         "trevalo facts",
         factsCommand,
         {kJsonOption}},
        {"choose", "\"TITLE\" [\"SUBMENU ITEM\"]", "choose a menu item as a click would",
         "trevalo choose Mount Archive", chooseCommand},
        {"profile",
         "[--color] [--html FILE]",
         "one system profile run, stored, then its report",
         "trevalo profile --color",
         profileReportCommand,
         {{"--color", "colour the report (the default on a terminal)"},
          {"--html FILE", "write the coloured report as one HTML page to FILE"}}},
        {"changes",
         "[--delete]",
         "the change log",
         "trevalo changes",
         changesCommand,
         {{"--delete", "delete the change log after the confirmation"}}},
        {"logs",
         "[N | --delete] [--json]",
         "the report log's count and size, or stored report N",
         "trevalo logs 2",
         logsCommand,
         {{"N", "print stored report N"},
          {"--delete", "delete every stored report after the confirmation and make a fresh profile"},
          kJsonOption}},
        {"ip", "", "the network address window's three fields", "trevalo ip", ipCommand},
        {"search",
         "[--deep] [--content] [--string] [--case] [--email] [--web-history] [--dir TITLE] [--json] TERM",
         "a SuperSearch without the window: one line per hit, then Results: N",
         "trevalo search --deep plist",
         searchCommand,
         {{"--deep", "search with find (and grep) instead of Spotlight"},
          {"--content", "search inside files"},
          {"--string", "match the term anywhere in a name, not the whole name"},
          {"--case", "match case"},
          {"--email", "the search window's e-mail option"},
          {"--web-history", "the search window's web history option"},
          {"--dir TITLE", "the folder of a deep search, by its pop-up title"},
          {"--list-dirs", "print the folder pop-up's titles"},
          {"--print-command", "print the command line or query that would run"},
          kJsonOption}},
        {"tasks",
         "[--json] [add [--under ROW] NAME | done ROW | undone ROW | due ROW DATE|none | remove ROW | "
         "rename ROW NAME | note ROW TEXT]",
         "the task pad's outline; an action changes it first",
         "trevalo tasks add \"Back up\"",
         tasksCommand,
         {{"--under ROW", "with add: make the task a sub-task of ROW"}, kJsonOption}},
        {"startup", "", "the start-up sequence and quitting, as the menu-bar program runs them",
         "trevalo startup", startupCommand},
        {"run-analyser", "",
         "the running program scans and opens the Analyser on its profile tab; returns "
         "when the profile run has ended",
         "trevalo run-analyser", scriptingCommand},
        {"open-search", "", "the running program opens SuperSearch", "trevalo open-search", scriptingCommand},
        {"last-run", "",
         "the time of the last profile run, or (null); from the settings when the program "
         "is not running",
         "trevalo last-run", scriptingCommand},
        {"sig", "decode FILE | encode FILE", "the signature files' encoding, for maintainers",
         "trevalo sig decode resources/signatures/trnums.list", signatureCommand},
    };
    return table;
}

const CommandEntry* findCommand(const QString& name)
{
    for (const CommandEntry& entry : commands())
        if (name == QLatin1String(entry.name))
            return &entry;
    return nullptr;
}

struct GlobalOption {
    const char* name;
    const char* meaning;
    const char* example;
};

const GlobalOption kGlobalOptions[] = {
    {"--root DIR", "treat DIR as the whole Mac (default /)", "trevalo --root ~/mac facts"},
    {"--user NAME", "the home folder DIR/Users/NAME, when DIR has several",
     "trevalo --root ~/mac --user robin facts"},
    {"--open NAME",
     "open a window or the menu at start: menu, analyser, profile, ip, freemem, search, taskpad, prefs",
     "trevalo --open search"},
    {"--answer BUTTON", "on the command line, answer every alert with this button (default: the first)",
     "trevalo --answer Cancel changes --delete"},
    {"--help", "this help; after a command, that command's", "trevalo search --help"},
};

/// Stands between a command and standard error: holds back the last line feed, so that a usage error
/// (exit status 2) gets the hint to the help on its own line.
class HintingErrorDevice : public QIODevice {
public:
    HintingErrorDevice() { open(QIODevice::WriteOnly | QIODevice::Unbuffered); }

    void finish(int status, const QString& hint)
    {
        if (!m_held)
            return;
        if (status == 2)
            put("; see " + hint.toUtf8());
        put("\n");
        m_held = false;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (size <= 0)
            return size;
        if (m_held) {
            put("\n");
            m_held = false;
        }
        QByteArray bytes(data, size);
        if (bytes.endsWith('\n')) {
            bytes.chop(1);
            m_held = true;
        }
        put(bytes);
        return size;
    }

private:
    static void put(const QByteArray& bytes)
    {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
        std::fflush(stderr);
    }
    bool m_held = false;
};

} // namespace

QString usage()
{
    return QStringLiteral("usage: trevalo [--root DIR] [--user NAME] [--open NAME] [--answer BUTTON] "
                          "[COMMAND [ARGUMENTS]]");
}

QString usageError(const QString& message)
{
    return QStringLiteral("trevalo: %1; see trevalo --help").arg(message);
}

QString helpText(const QString& command)
{
    QString text;
    QTextStream s(&text);
    if (const CommandEntry* entry = findCommand(command)) {
        s << "usage: trevalo [OPTIONS] " << entry->name << (*entry->arguments ? " " : "") << entry->arguments
          << '\n'
          << entry->summary << '\n';
        for (const OptionHelp& option : entry->options)
            s << "  " << QString::fromUtf8(option.option).leftJustified(16) << ' ' << option.meaning << '\n';
        s << "Example: " << entry->example << '\n'
          << "OPTIONS are the program's: trevalo --help lists them\n";
        return text;
    }
    s << usage() << '\n' << "\nOptions:\n";
    for (const GlobalOption& option : kGlobalOptions)
        s << "  " << QString::fromUtf8(option.name).leftJustified(16) << ' ' << option.meaning << "  (e.g. "
          << option.example << ")\n";
    s << "\nCommands (without one: the menu-bar program, or with no display analyse and then facts):\n";
    for (const CommandEntry& entry : commands())
        s << "  " << entry.name << (*entry.arguments ? " " : "") << entry.arguments << ": " << entry.summary
          << "  (e.g. " << entry.example << ")\n";
    s << "\ntrevalo COMMAND --help describes each of a command's options.\n"
      << "Exit status: 0 success, 1 a request that failed, 2 a usage error.\n";
    return text;
}

std::optional<CommandLine> CommandLine::parse(const QStringList& args, QString* error)
{
    // Options may come before or after the command; everything else is the command and its arguments.
    CommandLine cl;
    QStringList positional;
    bool afterDoubleDash = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith("--") || afterDoubleDash) {
            positional << a;
            continue;
        }
        if (a == QLatin1String("--") && !positional.isEmpty()) {
            // What follows is the command's, word for word ("search -- --help").
            afterDoubleDash = true;
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
        if (a == QLatin1String("--help") && !afterDoubleDash) {
            cl.help = true;
            continue;
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
        if (!findCommand(cl.command)) {
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
    HintingErrorDevice errorDevice;
    QTextStream hintingErr(&errorDevice);
    Invocation command{commandLine, out, hintingErr};
    const int status = findCommand(commandLine.command)->run(command);
    hintingErr.flush();
    errorDevice.finish(status, QStringLiteral("trevalo %1 --help").arg(commandLine.command));
    return status;
}

} // namespace trevalo
