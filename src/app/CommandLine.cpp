#include "app/CommandLine.h"

#include "app/ConsoleSeams.h"
#include "app/Machine.h"
#include "app/TRAppDelegate.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace trevalo {

namespace {

const QStringList kOptionsWithValue{"--root", "--user", "--open", "--answer"};
const QStringList kCommands{"startup"};

} // namespace

QString usage()
{
    return QStringLiteral(
               "usage: trevalo [--root DIR] [--user NAME] [--open NAME] [--answer BUTTON] [%1 ...]")
        .arg(kCommands.join('|'));
}

std::optional<CommandLine> CommandLine::parse(const QStringList& args, QString* error)
{
    CommandLine cl;
    int i = 0;
    for (; i < args.size(); ++i) {
        const QString& a = args[i];
        if (!a.startsWith("--"))
            break;
        QString name = a;
        QString value;
        const int eq = a.indexOf('=');
        if (eq > 0) {
            name = a.left(eq);
            value = a.mid(eq + 1);
        }
        if (!kOptionsWithValue.contains(name)) {
            *error = QStringLiteral("unknown option %1").arg(a);
            return std::nullopt;
        }
        if (eq < 0) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("%1 needs a value").arg(name);
                return std::nullopt;
            }
            value = args[++i];
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
    if (i < args.size()) {
        cl.command = args[i];
        if (!kCommands.contains(cl.command)) {
            *error = QStringLiteral("unknown command %1").arg(cl.command);
            return std::nullopt;
        }
        cl.arguments = args.mid(i + 1);
    }
    return cl;
}

bool isHeadlessCommand(const QString& command)
{
    return kCommands.contains(command);
}

int runHeadless(const CommandLine& cl)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    SystemRoot::Error rootError;
    const std::optional<SystemRoot> root = SystemRoot::open(cl.root, cl.user, &rootError);
    if (!root) {
        err << "trevalo: " << rootError.message << Qt::endl;
        return 2;
    }

    ConsoleAlerts alerts(out, cl.answer);
    ConsoleNotifier notifier(out);
    RecordingClipboard clipboard;
    Machine machine(*root, alerts, notifier, clipboard);
    TRAppDelegate delegate(machine.services());

    // Start-up as the menu-bar program runs it, then quitting.
    delegate.applicationDidFinishLaunching({.runScan = true, .startTimer = false});
    delegate.applicationWillTerminate();
    return 0;
}

} // namespace trevalo
