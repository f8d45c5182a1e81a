#include "profile/ReportLog.h"

#include "profile/TextNumbers.h"

#include <QFile>
#include <climits>

namespace trevalo::reportlog {

namespace {

constexpr QStringView kWord = u"timestamp";

} // namespace

int returnTimestampInt(QStringView text)
{
    const qsizetype open = text.indexOf(u'(');
    if (open < 0)
        return 0;
    QStringView inside = text.mid(open + 1);
    const qsizetype close = inside.indexOf(u')');
    if (close >= 0)
        inside = inside.left(close);
    return leadingInt(inside);
}

QString humanReadableFileSize(qint64 bytes)
{
    const double size = double(bytes);
    if (size / 1000 < 1000)
        return QStringLiteral("< 1Mb");
    return QString::asprintf("%.2fMb", size / 1000000);
}

QString defaultSearchForALog(const QString& hostPath)
{
    QFile file(hostPath);
    const QString text = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    return text.isEmpty() ? QStringLiteral("No changes yet!") : text;
}

ReportLogIndex::ReportLogIndex(QString logText) : m_text(std::move(logText))
{
    m_firstNumber = returnTimestampInt(m_text);
    // One pass: every "timestamp" counts, and those that begin "Timestamp (<n>):" are headers.
    const QStringView text(m_text);
    for (qsizetype at = text.indexOf(kWord, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(kWord, at + kWord.size(), Qt::CaseInsensitive)) {
        ++m_wordCount;
        qsizetype i = at + kWord.size();
        if (!text.mid(i).startsWith(u" ("))
            continue;
        i += 2;
        const qsizetype digits = i;
        const bool negative = i < text.size() && text[i] == u'-';
        if (negative)
            ++i;
        while (i < text.size() && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        if (i == digits + (negative ? 1 : 0) || !text.mid(i).startsWith(u"):"))
            continue;
        m_headers[leadingInt(text.mid(digits, i - digits))].append(at);
    }
}

std::optional<QString> ReportLogIndex::report(int number) const
{
    const auto start = m_headers.constFind(number);
    if (start == m_headers.constEnd())
        return std::nullopt;
    const qsizetype from = start->first();
    qsizetype to = m_text.size();
    if (number < INT_MAX) {
        const auto next = m_headers.constFind(number + 1);
        if (next != m_headers.constEnd()) {
            for (const qsizetype at : *next) {
                if (at > from) {
                    to = at;
                    break;
                }
            }
        }
    }
    return m_text.mid(from, to - from);
}

std::optional<int> ReportLogIndex::highestNumber() const
{
    std::optional<int> highest;
    for (auto it = m_headers.constBegin(); it != m_headers.constEnd(); ++it) {
        if (!highest || it.key() > *highest)
            highest = it.key();
    }
    return highest;
}

RunNumber nextRunNumber(std::optional<qint64> stored, const ReportLogIndex& log)
{
    if (stored && *stored >= 1)
        return {int(std::min<qint64>(*stored, INT_MAX - 1)) + 1, false};
    if (const std::optional<int> highest = log.highestNumber();
        highest && *highest >= 1 && *highest < INT_MAX)
        return {*highest + 1, false};
    return {1, true};
}

std::optional<NavigatedReport> navigate(LogStep step, int shownNumber, int indicatorValue, int logCountValue,
                                        const ReportLogIndex& log)
{
    if (step == LogStep::Previous) {
        if (shownNumber <= log.firstNumber() || logCountValue <= 0)
            return std::nullopt;
        // A header missing from a log edited by hand shows nothing rather than something else.
        const std::optional<QString> text = log.report(shownNumber - 1);
        if (!text)
            return std::nullopt;
        return NavigatedReport{shownNumber - 1, *text};
    }
    if (qint64(shownNumber) >= qint64(log.firstNumber()) + log.reportCount() - 1)
        return std::nullopt;
    // When the count runs past the newest report (the word in a report's text), there is no next one.
    const std::optional<QString> text = log.incrementLog(shownNumber);
    if (!text)
        return std::nullopt;
    return NavigatedReport{indicatorValue < INT_MAX ? indicatorValue + 1 : INT_MAX, *text};
}

} // namespace trevalo::reportlog
