#include "platform/Workspace.h"

#include "platform/Log.h"
#include "platform/PlistFormat.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace trevalo {

namespace {

/// Whether the macOS path is an application bundle on the root whose Info.plist names that identifier.
bool isBundleWithIdentifier(const SystemRoot& root, const QString& path, const QString& bundleIdentifier)
{
    if (!path.endsWith(QLatin1String(".app")) || !QFileInfo(root.host(path)).isDir())
        return false;
    QFile info(root.host(path + QStringLiteral("/Contents/Info.plist")));
    if (!info.open(QIODevice::ReadOnly))
        return false;
    const std::optional<QVariant> plist = plistToVariant(info.readAll());
    if (!plist || plist->typeId() != QMetaType::QVariantMap)
        return false;
    const QVariant identifier = plist->toMap().value(QStringLiteral("CFBundleIdentifier"));
    return identifier.typeId() == QMetaType::QString &&
           identifier.toString().compare(bundleIdentifier, Qt::CaseInsensitive) == 0;
}

} // namespace

Workspace::ApplicationLookup ToolWorkspace::findApplication(const QString& bundleIdentifier)
{
    // A bundle identifier is letters, digits, dots and dashes; anything else cannot name an
    // application and must not reach the query text.
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9._-]+$"));
    if (!valid.match(bundleIdentifier).hasMatch())
        return {};
    // One NUL after each path: a file name may hold a line feed, and one result that is not UTF-8
    // must not hide the others. The first hit that really is that application wins, so a decoy
    // named like a bundle cannot stand in for it.
    CommandRunner::Request request;
    request.launchPath = QStringLiteral("/usr/bin/mdfind");
    request.arguments = {QStringLiteral("-0"),
                         QStringLiteral("kMDItemCFBundleIdentifier == '%1'").arg(bundleIdentifier)};
    const CommandRunner::Result result = m_runner.run(request);
    if (!result.succeeded()) {
        TR_LOG("Spotlight could not be asked for %1", bundleIdentifier);
        return {QString(), true};
    }
    for (const QByteArray& hit : result.output.split('\0')) {
        QString path = decodeUtf8(hit);
        if (!path.isEmpty() && isBundleWithIdentifier(m_runner.root(), path, bundleIdentifier))
            return {path, false};
    }
    return {};
}

void ToolWorkspace::revealInFinder(const QString& path)
{
    m_runner.callNSTask("/usr/bin/open", {"-R", path});
}

void ToolWorkspace::open(const QString& pathOrUrl)
{
    m_runner.callNSTask("/usr/bin/open", {pathOrUrl});
}

} // namespace trevalo
