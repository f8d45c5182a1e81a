#include "profile/ReportSources.h"

#include "platform/PlistFormat.h"
#include "profile/TextNumbers.h"

#include <QLocale>
#include <QVariant>
#include <climits>
#include <cstdlib>

namespace trevalo::reportsources {

namespace {

/// How many of the newest installer history entries the report shows.
constexpr qsizetype kInstallerHistoryLength = 15;

/// A date as "2024-03-01 09:05:07 +0100" in the local time zone, with that moment's offset.
QString localDateText(const QDateTime& date)
{
    const QDateTime local = date.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return QLocale::c().toString(local, QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" %1%2%3")
               .arg(QChar(offset < 0 ? u'-' : u'+'))
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}

/// A date as "2024-03-01 09:05:07 +0000", in universal time.
QString utcDateText(const QDateTime& date)
{
    return QLocale::c().toString(date.toUTC(), QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" +0000");
}

/// The text from the first `start` up to, not including, the first `end` after it; absent when either
/// is missing.
std::optional<QStringView> between(QStringView text, QStringView start, QStringView end)
{
    const qsizetype from = text.indexOf(start);
    if (from < 0)
        return std::nullopt;
    const qsizetype to = text.indexOf(end, from + start.size());
    if (to < 0)
        return std::nullopt;
    return text.mid(from, to - from);
}

} // namespace

QString gatekeeperLine(const std::optional<QString>& spctlResult)
{
    if (!spctlResult)
        return QStringLiteral(" ");
    if (spctlResult->contains(u"assessments disabled", Qt::CaseInsensitive))
        return QStringLiteral(
            "Gatekeeper status: disabled. Caution! Allowing apps downloaded from anywhere.");
    if (spctlResult->contains(u"developer id disabled", Qt::CaseSensitive))
        return QStringLiteral("Gatekeeper status: enabled for App Store only.");
    return QStringLiteral("Gatekeeper status: enabled for App Store and identified developers.");
}

QString sipLine(const QString& sipStateTitle)
{
    return QStringLiteral("System Integrity Protection: %1.")
        .arg(sipStateTitle.contains(u"ON", Qt::CaseSensitive) ? QStringLiteral("enabled")
                                                              : QStringLiteral("disabled"));
}

QString installerCheckLine(bool cleanupInstallerExists)
{
    if (!cleanupInstallerExists)
        return QStringLiteral("Installer check: OK.");
    return QStringLiteral(
        "\nInstaller check: Scandril found a startup executable that should not normally be "
        "present after a successful OS upgrade. If your mac is exhibiting unexpected "
        "behaviour, please contact Quorvex Support for further help.");
}

QString sudoersText(const QString& path, const std::optional<FileDates>& dates)
{
    if (!dates || !dates->modified.isValid() || !dates->created.isValid())
        return QStringLiteral("The dates of %1 could not be read.").arg(path);
    if (!dates->modifiedWhenCreated()) {
        return QStringLiteral(
                   "ALERT: %1 has been modified since installation.\nIt was modified on %2\n.It was "
                   "created on %3")
            .arg(path, localDateText(dates->modified), localDateText(dates->created));
    }
    return QStringLiteral("%1 was created on %2 and does not appear to have been modified since.")
        .arg(path, localDateText(dates->created));
}

QStringList installerHistoryLines(const QByteArray& installHistoryPlist)
{
    const std::optional<QVariant> root = plistToVariant(installHistoryPlist);
    // An array whose elements are all texts comes back as a QStringList: it holds no entry either.
    if (!root || root->typeId() != QMetaType::QVariantList)
        return {};
    const QVariantList entries = root->toList();
    QStringList lines;
    for (qsizetype i = std::max<qsizetype>(0, entries.size() - kInstallerHistoryLength); i < entries.size();
         ++i) {
        // The window is the last entries of the array, whatever they hold. An entry that is not a
        // dictionary has nothing to show; a dictionary without a name or a date (or with one of another
        // type) still stands for an installation, so it keeps its line with that piece empty.
        if (entries[i].typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap entry = entries[i].toMap();
        const QVariant name = entry.value(QStringLiteral("displayName"));
        const QVariant date = entry.value(QStringLiteral("date"));
        lines << QStringLiteral("%1 installed on %2")
                     .arg(name.typeId() == QMetaType::QString ? name.toString() : QString(),
                          date.typeId() == QMetaType::QDateTime ? utcDateText(date.toDateTime()) : QString());
    }
    return lines;
}

QString blueToothInfo(const QString& systemProfilerOutput)
{
    if (systemProfilerOutput.size() < 2)
        return QStringLiteral(" ");
    const std::optional<QStringView> lowEnergy =
        between(systemProfilerOutput, u"Bluetooth Low Energy", u"Manuf");
    const std::optional<QStringView> power = between(systemProfilerOutput, u"Bluetooth Power", u"Vendor ID:");
    QString info;
    if (lowEnergy)
        info += *lowEnergy;
    if (lowEnergy && power)
        info += u'\n';
    if (power)
        info += *power;
    return info.isEmpty() ? QStringLiteral(" ") : info;
}

QString hostsLine(const QString& wcOutput)
{
    const qsizetype slash = wcOutput.indexOf(u'/');
    const int count = slash < 0 ? 0 : leadingInt(QStringView(wcOutput).left(slash));
    return QStringLiteral("/etc/hosts -count: %1\n\n").arg(count);
}

} // namespace trevalo::reportsources
