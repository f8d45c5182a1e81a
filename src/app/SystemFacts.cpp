#include "app/SystemFacts.h"

#include <QRegularExpression>

namespace trevalo::facts {

namespace {

/// The text after "KEY:" on the line that starts with it, through the line's line feed (when it has
/// one). The blanks after the colon stay: the titles have always shown them.
std::optional<QString> lineValue(const QString& text, const QString& key)
{
    const QString prefix = key + QLatin1Char(':');
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        const qsizetype next = lineEnd < 0 ? text.size() : lineEnd + 1;
        if (QStringView(text).mid(lineStart).startsWith(prefix)) {
            const qsizetype valueStart = lineStart + prefix.size();
            return text.mid(valueStart, next - valueStart);
        }
        if (lineEnd < 0)
            break;
        lineStart = next;
    }
    return std::nullopt;
}

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int sign(qsizetype value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

} // namespace

std::optional<OsVersionTitles> osVersionTitles(const QString& swVersOutput)
{
    const auto version = lineValue(swVersOutput, QStringLiteral("ProductVersion"));
    const auto build = lineValue(swVersOutput, QStringLiteral("BuildVersion"));
    if (!version || !build)
        return std::nullopt;
    return OsVersionTitles{QStringLiteral("OSX:  ") + *version, QStringLiteral("Build: ") + *build, *version};
}

bool hasSip(const QString& theOSFinal)
{
    return !theOSFinal.contains(QStringLiteral("10.10"));
}

std::optional<QStringList> hardwareLines(const QString& systemProfilerOutput)
{
    const QStringList lines = systemProfilerOutput.split(QLatin1Char('\n'));
    if (lines.size() < 17)
        return std::nullopt;
    return lines.mid(5, 12);
}

QString bootDiskTitle(const QString& displayName)
{
    return QStringLiteral("Disk:      ") + displayName;
}

QString recoveryDiskTitle(const QString& diskutilListOutput)
{
    // Looking for " Recovery " disk by disk (between "/dev/disk" headers) finds the same as looking in
    // the whole text: the two texts cannot overlap.
    return diskutilListOutput.contains(QStringLiteral(" Recovery ")) ? QStringLiteral("Recovery Disk: YES")
                                                                     : QStringLiteral("Recovery Disk: NO");
}

QString trimTitle(const QString& output)
{
    return output.contains(QStringLiteral("Yes")) ? QStringLiteral("   TRIM:  ON")
                                                  : QStringLiteral("   TRIM:  OFF");
}

QString sipTitle(const QString& csrutilOutput)
{
    return csrutilOutput.contains(QStringLiteral(": enabled.")) ? QStringLiteral("   SIP:     ON")
                                                                : QStringLiteral("   SIP:     OFF");
}

std::optional<QString> uptimeTitle(const QString& uptimeOutput)
{
    const qsizetype up = uptimeOutput.indexOf(QStringLiteral("up"), 0, Qt::CaseInsensitive);
    if (up < 0)
        return std::nullopt;
    const QString afterUp = uptimeOutput.mid(up + 2);
    const qsizetype user = afterUp.indexOf(QStringLiteral("user"), 0, Qt::CaseInsensitive);
    if (user < 0)
        return std::nullopt;
    const QString beforeUsers = afterUp.left(user);
    const qsizetype comma = beforeUsers.lastIndexOf(QLatin1Char(','));
    if (comma < 0)
        return std::nullopt;
    return QStringLiteral("Uptime: ") + beforeUsers.left(comma);
}

QString folderActionsTitle(const QString& osascriptOutput)
{
    return osascriptOutput.contains(QStringLiteral("true"), Qt::CaseInsensitive)
               ? QStringLiteral("Folder Actions: enabled")
               : QStringLiteral("Folder Actions: disabled");
}

std::optional<bool> firewallBlocks(const QString& systemProfilerFirewallOutput)
{
    const qsizetype mode = systemProfilerFirewallOutput.indexOf(QStringLiteral("Mode"));
    if (mode < 0 || systemProfilerFirewallOutput.size() - mode < 20)
        return std::nullopt;
    // Twenty characters reach into the mode's first words ("Mode: Allow all inco") without reaching the
    // per-service lines below, which say "Allow all connections" even when the firewall blocks.
    return !systemProfilerFirewallOutput.mid(mode, 20).contains(QStringLiteral("allow"), Qt::CaseInsensitive);
}

QString userTitle(const QString& displayName, bool isAdmin)
{
    QString title = QStringLiteral("User:       ") + displayName;
    if (isAdmin)
        title += QStringLiteral(" (Admin)");
    return title;
}

bool isAdmin(const QString& userName, const QString& groupFileText)
{
    if (userName.isEmpty())
        return false;
    for (const QString& line : groupFileText.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList fields = line.split(QLatin1Char(':'));
        if (fields.first() != QLatin1String("admin"))
            continue;
        // The first entry of a group is the one the system's lookup returns.
        if (fields.size() < 4)
            return false;
        for (const QString& member : fields.at(3).split(QLatin1Char(','))) {
            if (member.trimmed() == userName)
                return true;
        }
        return false;
    }
    return false;
}

bool userLibraryVisible(const QString& osascriptOutput)
{
    return !osascriptOutput.contains(QStringLiteral("hidden"));
}

bool dockMini(const QString& osascriptOutput)
{
    // Read as a number the way a text's numeric value is read: the leading number after blanks, and 0
    // when there is none.
    static const QRegularExpression leadingNumber(
        QStringLiteral("^\\s*([+-]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][+-]?\\d+)?)"));
    const auto match = leadingNumber.match(osascriptOutput);
    const double size = match.hasMatch() ? match.captured(1).toDouble() : 0.0;
    return !(size > 0);
}

bool dockHiding(const QString& osascriptOutput)
{
    return osascriptOutput.size() == 5;
}

std::optional<DockEdge> dockEdge(const QString& osascriptOutput)
{
    switch (osascriptOutput.size()) {
    case 5:
        return DockEdge::Left;
    case 6:
        return DockEdge::Right;
    case 7:
        return DockEdge::Bottom;
    default:
        return std::nullopt;
    }
}

InvisibleFilesDecision invisibleFilesDecision(const QString& defaultsOutput)
{
    if (defaultsOutput.contains(QStringLiteral("false"), Qt::CaseInsensitive))
        return {false, QStringLiteral("0"), std::nullopt};
    if (defaultsOutput.contains(QStringLiteral("true"), Qt::CaseInsensitive))
        return {true, QStringLiteral("1"), std::nullopt};

    InvisibleFilesDecision decision;
    decision.title = QStringLiteral(" Invisible Files");
    const int order = compareNumeric(defaultsOutput, QStringLiteral("1"));
    if (order > 0) {
        decision.marked = true;
    } else if (order == 0) {
        // A bare "1" without the tool's line feed is written back as 0; kept as the rule has always been.
        decision.rewriteValue = QStringLiteral("0");
    }
    return decision;
}

SpaceTitles spaceTitles(double t, double percent, double f)
{
    return {QString::asprintf("   -size  %.2f GB", t), QString::asprintf("   -used %.2f%%", percent),
            QString::asprintf("   -free  %.2f GB", f)};
}

QString menuBarTitle(int mode, double percent, double f)
{
    switch (mode) {
    case 2:
        return QString::asprintf("%.2f%%", percent);
    case 1:
        return QString::asprintf("%.1f GB", f);
    default:
        return QString();
    }
}

QString lastRunTitle(const QString& text)
{
    return QStringLiteral(" Last run: ") + text;
}

int compareNumeric(const QString& a, const QString& b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isAsciiDigit(a[i]) && isAsciiDigit(b[j])) {
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && isAsciiDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isAsciiDigit(b[endB]))
                ++endB;
            // Compare the runs' values: without leading zeros, the longer run is the larger number.
            while (i < endA - 1 && a[i] == QLatin1Char('0'))
                ++i;
            while (j < endB - 1 && b[j] == QLatin1Char('0'))
                ++j;
            if (endA - i != endB - j)
                return sign((endA - i) - (endB - j));
            const int digits = QStringView(a).mid(i, endA - i).compare(QStringView(b).mid(j, endB - j));
            if (digits != 0)
                return sign(digits);
            i = endA;
            j = endB;
            continue;
        }
        if (a[i] != b[j])
            return sign(qsizetype(a[i].unicode()) - qsizetype(b[j].unicode()));
        ++i;
        ++j;
    }
    return sign((a.size() - i) - (b.size() - j));
}

} // namespace trevalo::facts
