#include "tools/SystemToggles.h"

#include "platform/TextEscape.h"
#include "tools/ToolsKeys.h"

#include <QFile>
#include <QTemporaryDir>

namespace trevalo {

namespace {

QString dockPreferences(const char* properties)
{
    return QStringLiteral("tell application \"System Events\"\ntell dock preferences\nset properties to {") +
           QLatin1String(properties) + QStringLiteral("}\nend tell\nend tell\n");
}

Notification quietNotification(const QString& subtitle, const QString& text)
{
    Notification n;
    n.subtitle = subtitle;
    n.informativeText = text;
    n.hasActionButton = false;
    return n;
}

} // namespace

QString dockScript(int tag, bool marked)
{
    switch (DockTag(tag)) {
    case DockTag::left:
        return dockPreferences("screen edge: left");
    case DockTag::right:
        return dockPreferences("screen edge: right");
    case DockTag::bottom:
        return dockPreferences("screen edge: bottom");
    case DockTag::hiding:
        return dockPreferences(marked ? "autohide: false" : "autohide: true");
    case DockTag::mini:
        return dockPreferences(marked ? "dock size: 1.0" : "dock size: 0.0");
    }
    return {};
}

QString fanSpeedScript()
{
    // Runs as the administrator: the sample goes into a folder that mktemp has just made, private to
    // its owner, so that no link planted by the user can turn the write or the removal elsewhere.
    return QStringLiteral("do shell script \"D=$(mktemp -d /tmp/trevalo-fan.XXXXXX) || exit 1; spindump 1 1 "
                          "-file \\\"$D/spindump.txt\\\"; grep 'Fan speed' \\\"$D/spindump.txt\\\"; rm -rf "
                          "\\\"$D\\\"\" with administrator privileges");
}

QString addLoginItemScript(const QString& bundleIdentifier)
{
    return QStringList{
        QStringLiteral("tell application \"System Events\""),
        QStringLiteral("name of every login item"),
        QStringLiteral("tell application \"Finder\" to set aPath to POSIX path of (application file id ") +
            appleScriptString(bundleIdentifier) + QStringLiteral(" as string)"),
        QStringLiteral(
            "if (login item \"Trevalo 2\" exists) is false then make new login item at end of login "
            "items with properties {path:aPath, hidden:false, kind:\"Application\", name:\"Trevalo "
            "2\"}"),
        QStringLiteral("end tell"),
    }
        .join(u'\r');
}

QString removeLoginItemScript()
{
    return QStringLiteral(
        "tell application \"System Events\"\rif login item \"Trevalo 2\" exists then delete login item "
        "\"Trevalo 2\"\rend tell");
}

QString loginItemExistsScript()
{
    return QStringLiteral("tell application \"System Events\" to exists login item \"Trevalo 2\"");
}

QString shippedScript(const QString& name)
{
    QFile file(QStringLiteral(":/scripts/%1.applescript").arg(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void SystemToggles::dockPosition(int tag, bool isHidingMarked, bool miniMarked)
{
    const QString script = dockScript(tag, tag == int(DockTag::mini) ? miniMarked : isHidingMarked);
    if (!script.isEmpty())
        m_services.runner.callOSAScriptNull(script);
}

bool SystemToggles::toggleInvisibleFiles(bool marked)
{
    m_services.runner.callDefaultsTask(marked ? QStringLiteral("0") : QStringLiteral("1"));
    return !marked;
}

bool SystemToggles::toggleUserLib(bool marked)
{
    m_services.runner.callOSATask(
        marked ? QStringLiteral("do shell script \"chflags hidden ~/Library; killall Finder\"")
               : QStringLiteral("do shell script \"chflags nohidden ~/Library; killall Finder\""));
    return !marked;
}

void SystemToggles::flushDNSCache()
{
    const QString result = CommandRunner::appleScriptResult(
        m_services.runner.runScript(QStringLiteral("do shell script \"dscacheutil -flushcache; killall -HUP "
                                                   "mDNSResponder\" with administrator privileges"),
                                    {}, CommandRunner::TimeLimit::None));
    if (!result.isEmpty())
        m_services.notifier.deliver(
            quietNotification(QStringLiteral("Flush DNS Cache"), QStringLiteral("Success!")));
}

void SystemToggles::getFanSpeed()
{
    // As callOSAScript, without a time limit while the password prompt waits for the user.
    const CommandRunner::ScriptOutcome outcome = m_services.runner.runScript(
        fanSpeedScript(), {QStringLiteral("-s"), QStringLiteral("s")}, CommandRunner::TimeLimit::None);
    const QString display = outcome.output;
    const QString result = display.isEmpty() ? QStringLiteral("error") : display.mid(1, display.size() - 2);
    if (result.compare(u"error", Qt::CaseInsensitive) == 0)
        return;
    Notification n;
    n.informativeText = result;
    n.hasActionButton = false;
    m_services.notifier.deliver(n);
}

void SystemToggles::loginItems()
{
    runScriptFile(QStringLiteral("loginpanel"));
}

int SystemToggles::loginItemCount()
{
    return m_services.runner
        .callOSATask(QStringLiteral("tell application \"System Events\" to count login items"))
        .trimmed()
        .toInt();
}

void SystemToggles::removeAllLogins()
{
    if (loginItemCount() == 0) {
        Alert none;
        none.informativeText = QStringLiteral("No Login Items to delete.");
        m_services.alerts.runModal(none);
        return;
    }
    Alert confirm;
    confirm.informativeText = QStringLiteral("Are you sure you want to remove all Login Items?");
    confirm.buttons = {QStringLiteral("OK"), QStringLiteral("Cancel")};
    if (m_services.alerts.runModal(confirm) != 0)
        return;
    m_services.runner.callOSATask(
        QStringLiteral("tell application \"System Events\" to delete every login item"));
    const int left = loginItemCount();
    m_services.notifier.deliver(quietNotification(
        QStringLiteral("Login Items"), left == 0 ? QStringLiteral("Login Items is now empty!")
                                                 : QStringLiteral("Some Login Items were not removed.")));
}

bool SystemToggles::startAtLogin(bool marked, const QString& bundleIdentifier)
{
    return setStartAtLogin(!marked, bundleIdentifier);
}

bool SystemToggles::setStartAtLogin(bool on, const QString& bundleIdentifier)
{
    m_services.runner.callOSAScriptNull(on ? addLoginItemScript(bundleIdentifier) : removeLoginItemScript());
    const bool exists = loginItemExists();
    m_services.settings.setBool(QString::fromLatin1(keys::startAtLogin), exists);
    m_services.settings.synchronize();
    return exists;
}

bool SystemToggles::loginItemExists()
{
    return m_services.runner.callOSATask(loginItemExistsScript()).trimmed() == QLatin1String("true");
}

void SystemToggles::firewallStatus()
{
    runScriptFile(QStringLiteral("setFirewall"));
}

void SystemToggles::batteryStats()
{
    m_services.runner.callNSAppleScript(m_scripts(QStringLiteral("battery")));
}

void SystemToggles::getNetworksConnections()
{
    m_services.runner.callNSAppleScript(m_scripts(QStringLiteral("getNetworkConnections")));
}

void SystemToggles::runScriptFile(const QString& name)
{
    // osascript reads a file: the resource is written to a private folder for the run.
    const QString text = m_scripts(name);
    QTemporaryDir dir;
    if (text.isEmpty() || !dir.isValid())
        return;
    QFile file(dir.filePath(name + QStringLiteral(".applescript")));
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.flush())
        return;
    file.close();
    m_services.runner.callOSATaskWithScript(m_services.root.mac(file.fileName()));
}

} // namespace trevalo
