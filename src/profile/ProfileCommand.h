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

/// `trevalo profile [--color]`: one profile run, stored as the window stores it, then its report.
/// `colour` is the default for the terminal; --color forces it.
int runProfileCommand(Profile& profile, QStringList args, bool colour, QTextStream& out, QTextStream& err);
/// `trevalo changes [--delete]`: the change log, or its deletion after the confirmation.
int runChangesCommand(Profile& profile, const QStringList& args, QTextStream& out, QTextStream& err);
/// `trevalo logs [N | --delete]`: the log's report count and size, one stored report, or the deletion of
/// every report followed by a fresh profile.
int runLogsCommand(Profile& profile, const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace trevalo
