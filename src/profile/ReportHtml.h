#pragma once

#include "profile/ReportText.h"

#include <QString>
#include <QVector>

namespace trevalo {

/// A colour of the report as red, green and blue from 0 to 255, the same for every form of the report.
struct ReportRgb {
    int red, green, blue;
};
ReportRgb reportRgb(ReportColour colour);
/// The report view's background.
inline constexpr ReportRgb kReportBackground{51, 51, 51};

/// The report's text as it is shown outside the program (a terminal, a page): control characters other
/// than line feeds and tabs escaped as escapeField() writes them, so a name from the disk can neither
/// move a terminal's cursor nor hide in a page.
QString shownReportText(QStringView text);

/// One record of the change log, as its columns.
struct ChangeLogRow {
    QString location;
    QString item;
    QString change; ///< the marker without its indent: "--removed" or "+ added"
    QString date;
};

/// The change log's records, oldest first. A name with a line feed stays one item; text that is not a
/// record (a damaged log) becomes a row of its own with only the item, so nothing is left out.
QVector<ChangeLogRow> changeLogRows(const QString& changeLog);

/// The report and the change log as one standalone HTML page: the report in its colours on the view's
/// dark background and in its font, then the change log as a table. Every text is HTML-escaped.
QString reportPage(const ReportText& report, const QString& changeLog);

/// Writes a page atomically: the file is replaced whole or not at all. On failure returns false and
/// sets `error` to the reason.
bool writeReportPage(const QString& path, const QString& page, QString* error);

} // namespace trevalo
