#include "search/SearchRows.h"

#include <QFile>
#include <QLocale>
#include <QTimeZone>
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
    const QDateTime local = time.toLocalTime();
    // stat's %Sc is strftime's "%b %e %H:%M:%S %Y": the day of the month padded with a blank.
    const QLocale c = QLocale::c();
    return c.toString(local, QStringLiteral("MMM ")) + QStringLiteral("%1").arg(local.date().day(), 2) +
           c.toString(local, QStringLiteral(" HH:mm:ss yyyy")) + u'\n';
}

QString statChangeText(const QString& hostPath)
{
    const QByteArray path = QFile::encodeName(hostPath);
    struct stat status {};
    if (path.isEmpty() || ::lstat(path.constData(), &status) != 0)
        return QString();
    return statDateText(QDateTime::fromSecsSinceEpoch(qint64(status.st_ctime), QTimeZone::utc()));
}

QString standardDateText(const QDateTime& time)
{
    return QLocale::c().toString(time.toUTC(), QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" +0000");
}

} // namespace trevalo
