#include "app/ChosenWindow.h"

#include "app/TRAppDelegate.h"
#include "platform/TextEscape.h"

#include <QCoreApplication>
#include <QTextStream>
#include <functional>

namespace trevalo {

std::optional<QString> windowOpenedBy(MenuItem item)
{
    switch (item) {
    case MenuItem::ipAddress:
        return QStringLiteral("ip");
    case MenuItem::freeMemory:
        return QStringLiteral("freemem");
    case MenuItem::showAnalyser:
        return QStringLiteral("analyser");
    case MenuItem::superSearch:
        return QStringLiteral("search");
    case MenuItem::displayLists:
        return QStringLiteral("taskpad");
    case MenuItem::openPrefs:
        return QStringLiteral("preferences");
    default:
        return std::nullopt;
    }
}

namespace {

/// Runs the event loop until the fill is in. Every read it waits for ends by itself: the tools under
/// the runner's time limit, the lookup under its own.
void waitUntil(const std::function<bool()>& done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void printField(QTextStream& out, const char* label, const QString& value)
{
    // As the window shows it, without its alignment blank and the scripts' line feed.
    out << label << ": " << escapeField(value.trimmed()) << '\n';
}

} // namespace

void printWindowFill(MenuItem item, TRAppDelegate& app, QTextStream& out)
{
    Tools& tools = app.toolsSubsystem();
    if (item == MenuItem::ipAddress && tools.aWin()) {
        const TRDisplayIP& window = *tools.aWin();
        waitUntil([&window] { return !window.isRefreshing(); });
        printField(out, "External", window.externalIP());
        printField(out, "Router", window.routerAddress());
        printField(out, "Local", window.localNode());
    } else if (item == MenuItem::freeMemory && tools.aHud()) {
        const TRFreeMemPanel& panel = *tools.aHud();
        waitUntil([&panel] { return !panel.isReading(); });
        printField(out, "Memory", panel.memoryUsage());
    }
    out.flush();
}

} // namespace trevalo
