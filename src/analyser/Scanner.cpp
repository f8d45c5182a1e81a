#include "analyser/Scanner.h"

#include "analyser/AnalyserKeys.h"
#include "analyser/Signatures.h"
#include "analyser/ThreatClassifier.h"

#include <QFile>
#include <QSet>
#include <cerrno>
#include <cstring>
#include <optional>
#include <sys/stat.h>

namespace trevalo {

namespace {

/// Joins a path component the way the platform's path joining does: one slash between, runs of
/// slashes collapsed, no slash at the end.
QString appendPathComponent(const QString& base, QStringView component)
{
    if (component.isEmpty())
        return base;
    QString joined;
    joined.reserve(base.size() + 1 + component.size());
    joined.append(base).append(u'/').append(component);
    if (!component.startsWith(u'/') && !component.endsWith(u'/') && !component.contains(u"//"))
        return joined;
    QString out;
    out.reserve(joined.size());
    for (QChar c : joined) {
        if (c == u'/' && out.endsWith(u'/'))
            continue;
        out.append(c);
    }
    if (out.size() > 1 && out.endsWith(u'/'))
        out.chop(1);
    return out;
}

// The whitelist is changed by the window and by `trevalo analyse` in other processes at once, so every
// change is made to the list stored now (Settings::update), never to a copy read earlier.

/// The scan's first write: an empty whitelist, unless an `analyse --ignore` has stored one since these
/// settings were read.
void createWhitelist(Settings& settings)
{
    settings.update(keys::whitelist, [](const QVariant& stored) {
        return stored.isValid() ? stored : QVariant(QStringList());
    });
}

} // namespace

Scanner::Scanner(const Services& services, SignatureSource& signatures)
    : m_services(services), m_signatures(signatures),
      m_hostRoot(QFile::encodeName(services.root.host(QStringLiteral("/")).chopped(1)))
{
}

QString Scanner::getItemNameFor(const QString& path)
{
    QStringView p(path);
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    if (p == u"/")
        return QStringLiteral("/");
    const qsizetype slash = p.lastIndexOf(u'/');
    return p.mid(slash + 1).toString();
}

QString Scanner::pathForLocation(const QString& entry) const
{
    QString path;
    const qsizetype tilde = entry.indexOf('~');
    if (tilde >= 0)
        path = appendPathComponent(m_services.root.homeDir(),
                                   QStringView(entry).mid(std::min(tilde + 2, entry.size())));
    else
        path = entry;

    if (path.startsWith(QLatin1String("$TEMP")))
        return m_services.root.tempDir() + path.mid(6);
    if (!path.startsWith('/') && !path.startsWith(QLatin1String("~/"))) {
        const Workspace::ApplicationLookup app = m_services.workspace.findApplication(path);
        m_failedLookups += app.failed;
        return app.path.isEmpty() ? QString() : app.path;
    }
    return path;
}

void Scanner::appendHostPath(QByteArray& out, QStringView macPath) const
{
    out.append(m_hostRoot);
    for (QChar c : macPath) {
        if (c.unicode() >= 0x80) {
            out.append(macPath.toUtf8());
            return;
        }
    }
    const qsizetype start = out.size();
    out.resize(start + macPath.size());
    char* d = out.data() + start;
    for (QChar c : macPath)
        *d++ = char(c.unicode());
}

bool Scanner::exists(const QString& macPath) const
{
    if (macPath.isEmpty())
        return false;
    QByteArray host;
    appendHostPath(host, macPath);
    struct stat st;
    return ::stat(host.constData(), &st) == 0;
}

ScanOutcome Scanner::analyser()
{
    ScanOutcome outcome;
    m_failedLookups = 0;
    const QStringList locations = loadSignatureEntries(m_signatures, QStringLiteral("trnums"));

    // Every location is resolved first and then checked in one run of stat calls (following links,
    // as the platform's existence check does): with thousands of locations the checks are most of a
    // scan's cost, and they run fastest back to back.
    QStringList paths;
    paths.reserve(locations.size());
    QByteArray hostPaths; // one after the other, each ending with a NUL
    std::vector<qsizetype> offsets;
    offsets.reserve(size_t(locations.size()));
    for (const QString& entry : locations) {
        paths.append(pathForLocation(entry));
        offsets.push_back(hostPaths.size());
        if (!paths.last().isEmpty())
            appendHostPath(hostPaths, paths.last());
        hostPaths.append('\0');
    }
    std::vector<bool> present(size_t(paths.size()));
    qsizetype presentCount = 0;
    for (qsizetype i = 0; i < paths.size(); ++i) {
        struct stat st;
        present[size_t(i)] =
            !paths[i].isEmpty() && ::stat(hostPaths.constData() + offsets[size_t(i)], &st) == 0;
        presentCount += present[size_t(i)];
        // Not there is an answer; not allowed to look (or any other failure) is none.
        if (!present[size_t(i)] && !paths[i].isEmpty() && errno != ENOENT && errno != ENOTDIR)
            outcome.warnings.append(QStringLiteral("could not check %1: %2")
                                        .arg(paths[i], QString::fromLocal8Bit(std::strerror(errno))));
    }
    if (m_failedLookups > 0)
        outcome.warnings.append(
            QStringLiteral("Spotlight could not be asked for applications by identifier (%1 not checked)")
                .arg(m_failedLookups));
    outcome.rows.reserve(presentCount);

    // The name lists are decoded once per scan, and only once something is found.
    std::optional<ThreatClassifier> classifier;
    std::optional<QSet<QString>> ignored;
    QSet<QString> found;

    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (!present[size_t(i)])
            continue;
        const QString& path = paths[i];

        if (!ignored) {
            Settings& settings = m_services.settings;
            if (!settings.contains(keys::whitelist))
                createWhitelist(settings);
            ignored.emplace();
            for (const QString& p : settings.stringArrayForKey(keys::whitelist).value_or(QStringList()))
                ignored->insert(p.toCaseFolded());
            found.reserve(presentCount);
        }
        if (!ignored->isEmpty() && ignored->contains(path.toCaseFolded()))
            continue;
        // Two entries that lead to one path (an application listed by path and by identifier) make
        // one row.
        if (found.contains(path))
            continue;
        found.insert(path);

        if (!classifier)
            classifier = ThreatClassifier::load(m_signatures);
        outcome.rows.append({getItemNameFor(path), classifier->getThreatNameFor(path), path});
    }
    const BackupProbe backup = probeBackup();
    outcome.haveBackup = backup.found;
    if (backup.timeMachineUnknown)
        outcome.warnings.append(QStringLiteral("Time Machine could not be asked for the latest backup"));
    return outcome;
}

Scanner::BackupProbe Scanner::probeBackup()
{
    BackupProbe probe;
    int signs = 0;
    CommandRunner::Request latest;
    latest.launchPath = QStringLiteral("/usr/bin/tmutil");
    latest.arguments = {QStringLiteral("latestbackup")};
    latest.becomesCurrentTask = true;
    const CommandRunner::Result result = m_services.runner.run(latest);
    // No backup is an answer; a tool that is missing, hangs or is killed gives none.
    probe.timeMachineUnknown = !result.started || result.timedOut || result.signal != 0;
    if (result.started && !decodeUtf8(result.output).isEmpty())
        ++signs;
    const QString candidates[] = {
        QStringLiteral("/Applications/Carbon Copy Cloner.app"),
        QStringLiteral("/Applications/superduper!.app"),
        appendPathComponent(m_services.root.homeDir(), u"Library/Preferences/com.apple.timemachine.plist"),
    };
    for (const QString& path : candidates) {
        if (exists(path))
            ++signs;
    }
    probe.found = signs > 0;
    return probe;
}

void applyScan(const ScanOutcome& outcome, ScanResults& results)
{
    results.foundItems.clear();
    for (const ScanRow& row : outcome.rows) {
        results.foundItems.insert(row.path, row.name);
        if (row.issue.isEmpty())
            results.issues.remove(row.path);
        else
            results.issues.insert(row.path, row.issue);
    }
    results.haveBackup = outcome.haveBackup;
}

bool addToWhitelist(Settings& settings, const QString& path)
{
    return settings.update(keys::whitelist, [&path](const QVariant& stored) {
        // Items that are not texts stay: the scan cannot use them, but they are the user's.
        const bool isList =
            stored.typeId() == QMetaType::QStringList || stored.typeId() == QMetaType::QVariantList;
        QVariantList items = isList ? stored.toList() : QVariantList();
        items.append(path);
        return QVariant(items);
    });
}

bool resetWhitelist(Settings& settings)
{
    return settings.update(keys::whitelist, [](const QVariant&) { return QVariant(QStringList()); });
}

} // namespace trevalo
