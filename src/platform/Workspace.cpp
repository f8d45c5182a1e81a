#include "platform/Workspace.h"

#include <QMap>
#include <QRegularExpression>

namespace trevalo {

QString ToolWorkspace::absolutePathForAppBundleWithIdentifier(const QString& bundleIdentifier)
{
    // A bundle identifier is letters, digits, dots and dashes; anything else cannot name an
    // application and must not reach the query text.
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9._-]+$"));
    if (!valid.match(bundleIdentifier).hasMatch())
        return QString();
    const QString output = m_runner.callSubsidTaskWithResult(
        "/usr/bin/mdfind", {QStringLiteral("kMDItemCFBundleIdentifier == '%1'").arg(bundleIdentifier)});
    const QStringList hits = output.split('\n', Qt::SkipEmptyParts);
    for (const QString& hit : hits) {
        if (hit.endsWith(QLatin1String(".app")))
            return hit;
    }
    return QString();
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
