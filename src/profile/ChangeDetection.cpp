#include "profile/ChangeDetection.h"

#include <QLocale>
#include <QSet>
#include <QStringBuilder>
#include <algorithm>

namespace trevalo::changes {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c.category() == QChar::Separator_Space;
}

} // namespace

QStringList itemDeleted(const QStringList& previous, const QStringList& current)
{
    const QSet<QString> now(current.begin(), current.end());
    QStringList removed;
    for (const QString& name : previous) {
        if (!now.contains(name))
            removed.append(name);
    }
    return removed;
}

QStringList itemAdded(const QStringList& previous, const QStringList& current)
{
    const QSet<QString> before(previous.begin(), previous.end());
    QStringList sorted = current;
    // QString's ordering compares UTF-16 code units, case-sensitively: the literal comparison.
    std::sort(sorted.begin(), sorted.end());
    QStringList added;
    for (const QString& name : std::as_const(sorted)) {
        if (!before.contains(name))
            added.append(name);
    }
    return added;
}

QStringList trim(const QStringList& texts)
{
    QStringList trimmed;
    trimmed.reserve(texts.size());
    for (const QString& text : texts) {
        qsizetype start = 0;
        qsizetype end = text.size();
        while (start < end && isBlank(text[start]))
            ++start;
        while (end > start && isBlank(text[end - 1]))
            --end;
        trimmed.append(text.mid(start, end - start));
    }
    return trimmed;
}

QString formatSpacingForStringLength()
{
    return QString(38, u' ');
}

QString recordDate(const QDateTime& time)
{
    return QLocale::c().toString(time, QStringLiteral("d MMM, yyyy  h:mm:ss AP"));
}

QString changeRecord(const QString& item, const QString& change, const QDateTime& time,
                     const QString& location)
{
    return RecordMaker(change, time, location).record(item);
}

RecordMaker::RecordMaker(const QString& change, const QDateTime& time, const QString& location)
{
    QString where = location.trimmed();
    if (!where.contains(u':'))
        where += u'/';
    m_head = QStringLiteral("\nLocation$ %1\n").arg(where);
    m_tail = QStringLiteral("\n%1%2 on or before %3\n%4")
                 .arg(formatSpacingForStringLength(), change, recordDate(time), QString(37, u'-'));
}

QString RecordMaker::record(const QString& item) const
{
    return m_head % item % m_tail; // one allocation
}

} // namespace trevalo::changes
