#pragma once

#include <QStringList>

class QTextStream;

namespace trevalo {

class Profile;
class ReportText;

/// The report as terminal text: control characters other than line feeds and tabs escaped (a name from
/// the disk cannot move the cursor or end a line early), and with `colour` the report's colours as
/// 24-bit ANSI sequences.
QString terminalText(const ReportText& report, bool colour);

/// `trevalo profile [--color] [--html FILE]`: one profile run, stored as the window stores it, then its
/// report. `colour` is the default for the terminal; --color forces it. --html also writes the report and
/// the change log as one HTML page, atomically; a page that cannot be written is an error (1) with the
/// reason, found before the run when the file cannot be made at all.
int runProfileCommand(Profile& profile, const QStringList& args, bool colour, QTextStream& out,
                      QTextStream& err);
/// `trevalo changes [--delete]`: the change log, or its deletion after the confirmation.
int runChangesCommand(Profile& profile, const QStringList& args, QTextStream& out, QTextStream& err);
/// `trevalo logs [--json] [N | --delete]`: the log's report count and size, one stored report, or the
/// deletion of every report followed by a fresh profile. --json prints one object instead:
/// {"reports", "size"}, {"number", "report"}, or {"deleted"} with the new count and size after a deletion.
int runLogsCommand(Profile& profile, QStringList args, QTextStream& out, QTextStream& err);

} // namespace trevalo
