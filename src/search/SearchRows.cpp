#include "search/SearchRows.h"

#include <QFile>
#include <QLocale>
#include <QTimeZone>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>

namespace trevalo {

QString SearchRow::dateForCopy() const
{
    return created.isValid() ? standardDateText(created) : dateText;
}

QString lastPathComponent(QStringView path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    if (path == u"/")
        return QStringLiteral("/");
    const qsizetype slash = path.lastIndexOf(u'/');
    return (slash < 0 ? path : path.mid(slash + 1)).toString();
}

std::optional<FindLine> parseFindLine(QStringView line, bool contentSearch)
{
    if (line.size() < 2 || line.startsWith(u"find:") || !line.startsWith(u'/'))
        return std::nullopt;
    QStringView path = line;
    if (contentSearch) {
        const qsizetype colon = line.lastIndexOf(u':');
        if (colon >= 0)
            path = line.left(colon);
    }
    return FindLine{lastPathComponent(line), path.toString()};
}

QString statDateText(const QDateTime& time)
{
    return statDateText(time.toSecsSinceEpoch());
}

QString statDateText(qint64 secondsSinceEpoch)
{
    // stat's %Sc is strftime's "%b %e %H:%M:%S %Y" in the C locale: the day padded with a blank. Made
    // here rather than through QLocale: a deep search formats one date per hit.
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const time_t seconds = time_t(secondsSinceEpoch);
    struct tm local {};
    if (!::localtime_r(&seconds, &local))
        return QString();
    char text[64];
    const int n =
        std::snprintf(text, sizeof text, "%s %2d %02d:%02d:%02d %d\n", kMonths[local.tm_mon % 12],
                      local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
    return n > 0 ? QString::fromLatin1(text, qMin(n, int(sizeof text) - 1)) : QString();
}

QString statChangeText(const QString& hostPath)
{
    return statChangeText(QFile::encodeName(hostPath));
}

QString statChangeText(const QByteArray& hostPath)
{
    struct stat status {};
    if (hostPath.isEmpty() || ::lstat(hostPath.constData(), &status) != 0)
        return QString();
    return statDateText(qint64(status.st_ctime));
}

QString standardDateText(const QDateTime& time)
{
    return QLocale::c().toString(time.toUTC(), QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" +0000");
}

} // namespace trevalo
