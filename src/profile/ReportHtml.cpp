#include "profile/ReportHtml.h"

#include "platform/TextEscape.h"
#include "profile/ChangeDetection.h"

#include <QSaveFile>

namespace trevalo {

namespace {

/// The report view's font, as the profile tab sets it; the fallbacks for machines without it.
const char* const kFontFamily = "\"Helvetica Neue\", Helvetica, Arial, sans-serif";
const char* const kFontSize = "14.5pt";

/// Each colour's class on the page; the base colour is the page's own and needs none.
const char* colourClass(ReportColour colour)
{
    switch (colour) {
    case ReportColour::Base:
        return "base";
    case ReportColour::White:
        return "white";
    case ReportColour::Yellow:
        return "yellow";
    case ReportColour::Orange:
        return "orange";
    case ReportColour::Magenta:
        return "magenta";
    case ReportColour::Green:
        return "green";
    case ReportColour::Cyan:
        return "cyan";
    }
    return "base";
}

constexpr ReportColour kColours[] = {ReportColour::Base,   ReportColour::White,   ReportColour::Yellow,
                                     ReportColour::Orange, ReportColour::Magenta, ReportColour::Green,
                                     ReportColour::Cyan};

QString css(ReportRgb c)
{
    return QStringLiteral("#%1%2%3")
        .arg(c.red, 2, 16, QLatin1Char('0'))
        .arg(c.green, 2, 16, QLatin1Char('0'))
        .arg(c.blue, 2, 16, QLatin1Char('0'));
}

/// Text for the page: shown as the report's other forms show it, then HTML-escaped.
QString html(QStringView text)
{
    return shownReportText(text).toHtmlEscaped().replace(u'\'', QLatin1String("&#39;"));
}

QString styleSheet()
{
    QString rules =
        QStringLiteral("html { background: %1; }\n"
                       "body { margin: 0; padding: 1em 1.5em; background: %1; color: %2;"
                       " font-family: %3; font-size: %4; }\n"
                       "pre.report { margin: 0; font: inherit; white-space: pre-wrap;"
                       " overflow-wrap: anywhere; }\n"
                       "h2 { font-size: 1.2em; color: %5; margin-top: 2em; }\n"
                       "table.changes { border-collapse: collapse; }\n"
                       "table.changes th, table.changes td { border: 1px solid #666666;"
                       " padding: 0.2em 0.6em; text-align: left; vertical-align: top;"
                       " white-space: pre-wrap; }\n"
                       "table.changes th { color: %5; }\n"
                       "table.changes td:nth-child(n+3) { white-space: pre; }\n")
            .arg(css(kReportBackground), css(reportRgb(ReportColour::Base)), QString::fromLatin1(kFontFamily),
                 QString::fromLatin1(kFontSize), css(reportRgb(ReportColour::White)));
    for (const ReportColour colour : kColours)
        rules += QStringLiteral(".%1 { color: %2; }\n")
                     .arg(QString::fromLatin1(colourClass(colour)), css(reportRgb(colour)));
    return rules;
}

QString reportBody(const ReportText& report)
{
    QString body;
    report.forEachPiece([&](QStringView text, ReportColour colour) {
        const QString shown = html(text);
        if (colour == ReportColour::Base)
            body += shown;
        else
            body +=
                QStringLiteral("<span class=\"%1\">%2</span>").arg(QLatin1String(colourClass(colour)), shown);
    });
    return body;
}

QString changeTable(const QVector<ChangeLogRow>& rows)
{
    if (rows.isEmpty())
        return QStringLiteral("<p>No changes yet!</p>\n");
    QString table = QStringLiteral("<table class=\"changes\">\n<thead><tr><th>Location</th><th>Item</th>"
                                   "<th>Change</th><th>Date</th></tr></thead>\n<tbody>\n");
    for (const ChangeLogRow& row : rows) {
        const ReportColour colour = row.change.contains(QLatin1String("removed")) ? ReportColour::Orange
                                    : row.change.contains(QLatin1String("added")) ? ReportColour::Magenta
                                                                                  : ReportColour::Base;
        table += QStringLiteral("<tr><td>%1</td><td class=\"white\">%2</td><td class=\"%3\">%4</td>"
                                "<td>%5</td></tr>\n")
                     .arg(html(row.location), html(row.item), QLatin1String(colourClass(colour)),
                          html(row.change), html(row.date));
    }
    return table + QStringLiteral("</tbody>\n</table>\n");
}

} // namespace

ReportRgb reportRgb(ReportColour colour)
{
    switch (colour) {
    case ReportColour::Base:
        return {51, 204, 255};
    case ReportColour::White:
        return {255, 255, 255};
    case ReportColour::Yellow:
        return {255, 255, 0};
    case ReportColour::Orange:
        return {255, 128, 0};
    case ReportColour::Magenta:
        return {255, 0, 255};
    case ReportColour::Green:
        return {0, 255, 0};
    case ReportColour::Cyan:
        return {0, 255, 255};
    }
    return {51, 204, 255};
}

QString shownReportText(QStringView text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control && c != u'\n' && c != u'\t')
            shown += escapeField(QString(c));
        else
            shown += c;
    }
    return shown;
}

QVector<ChangeLogRow> changeLogRows(const QString& changeLog)
{
    static const QString kStart = QStringLiteral("\nLocation$ ");
    static const QString kChangeIndent = QLatin1Char('\n') + changes::formatSpacingForStringLength() + "    ";
    static const QString kOnOrBefore = QStringLiteral(" on or before ");

    QVector<ChangeLogRow> rows;
    // Each record runs from its "\nLocation$ " to the next one's.
    QString text = changeLog;
    if (text.startsWith(kStart.mid(1)))
        text.prepend(u'\n');
    qsizetype start = text.indexOf(kStart);
    if (start != 0 && !text.trimmed().isEmpty()) {
        const QString before = start < 0 ? text : text.left(start);
        if (!before.trimmed().isEmpty())
            rows.append({{}, before.trimmed(), {}, {}});
    }
    while (start >= 0) {
        const qsizetype next = text.indexOf(kStart, start + 1);
        const QString record = text.mid(start + kStart.size(), next < 0 ? -1 : next - start - kStart.size());
        start = next;

        ChangeLogRow row;
        const qsizetype locationEnd = record.indexOf(u'\n');
        row.location = record.left(locationEnd);
        const qsizetype changeLine = locationEnd < 0 ? -1 : record.lastIndexOf(kChangeIndent);
        if (changeLine <= locationEnd) {
            row.item = locationEnd < 0 ? QString() : record.mid(locationEnd + 1).trimmed();
            rows.append(row);
            continue;
        }
        row.item = record.mid(locationEnd + 1, changeLine - locationEnd - 1);
        QString change = record.mid(changeLine + kChangeIndent.size());
        change = change.left(change.indexOf(u'\n')); // the rule follows
        const qsizetype on = change.indexOf(kOnOrBefore);
        row.change = on < 0 ? change : change.left(on);
        row.date = on < 0 ? QString() : change.mid(on + kOnOrBefore.size());
        rows.append(row);
    }
    return rows;
}

QString reportPage(const ReportText& report, const QString& changeLog)
{
    // A reader drops one line feed right after <pre>: the one written there, not the report's own.
    return QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                          "<title>Trevalo 2 profile</title>\n<style>\n%1</style>\n</head>\n<body>\n"
                          "<pre class=\"report\">\n%2</pre>\n<h2>Changes</h2>\n%3</body>\n</html>\n")
        .arg(styleSheet(), reportBody(report), changeTable(changeLogRows(changeLog)));
}

bool writeReportPage(const QString& path, const QString& page, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(page.toUtf8()) < 0 || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace trevalo
