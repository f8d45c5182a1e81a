#include "app/CommandLine.h"
#include "app/ui/MenuBarApp.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

using namespace trevalo;

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           qEnvironmentVariable("QT_QPA_PLATFORM") == QLatin1String("offscreen");
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    QString error;
    std::optional<CommandLine> commandLine = CommandLine::parse(args, &error);
    if (!commandLine) {
        QTextStream(stderr) << usageError(error) << Qt::endl;
        return 2;
    }

    if (commandLine->help) {
        QTextStream(stdout) << helpText(commandLine->command);
        return 0;
    }

    QCoreApplication::setOrganizationName("Quorvex");
    QCoreApplication::setApplicationName("Trevalo 2");
    QCoreApplication::setOrganizationDomain("quorvex.com");

    if (commandLine->command.isEmpty()) {
        if (!hasDisplay()) {
            QTextStream(stderr) << "trevalo: no display; running the headless commands instead" << Qt::endl;
        } else {
            return runMenuBarApp(argc, argv, *commandLine);
        }
    }
    QCoreApplication app(argc, argv);
    return runHeadless(*commandLine);
}
