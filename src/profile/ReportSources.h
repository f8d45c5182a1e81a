#pragma once

#include "platform/FileDates.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

/// The facts of the profile report that come from one tool's output or one file: each turns what it was
/// given into the text the report shows, and never fails (a missing or damaged source gives the text the
/// report shows for "nothing").
namespace trevalo::reportsources {

/// The Gatekeeper line ("getGatekeeperStatus") from the result of `spctl --status --verbose` run as a
/// shell script; absent when the script gave no result (then the line is a single blank).
QString gatekeeperLine(const std::optional<QString>& spctlResult);

/// "System Integrity Protection: enabled." when the status menu's SIP title contains "ON" (case
/// matters), else "...: disabled.".
QString sipLine(const QString& sipStateTitle);

/// The installer check: the long warning (beginning with a line feed) when the installer's cleanup item
/// exists, else "Installer check: OK.".
QString installerCheckLine(bool cleanupInstallerExists);

/// The sudoers lines ("getSudoersAttribs") for the file at `path` (as the report names it). `dates` is
/// absent when the file's attributes could not be read: then the one line "The dates of <path> could not
/// be read." Dates are shown in the local time zone as "2024-03-01 09:05:07 +0100"; any difference
/// between the two, down to a fraction of a second, is a modification.
QString sudoersText(const QString& path, const std::optional<FileDates>& dates);

/// The installer history lines: "<displayName> installed on <date>" for the last 15 entries of the
/// property list's top-level array, oldest first, the date in universal time ("2024-03-01 09:05:07
/// +0000"). Empty when the bytes are not such a property list. The last 15 are the array's, whatever
/// they hold: an element that is not a dictionary gives no line, and a dictionary without a text
/// "displayName" or a date "date" gives its line with that piece empty.
QStringList installerHistoryLines(const QByteArray& installHistoryPlist);

/// The Bluetooth part of the report ("getBlueToothInfo") from `system_profiler SPBluetoothDataType`: the
/// Low Energy part and the power part, a line feed between them; a part whose start or end marker is
/// missing is left out, with its line feed. A single blank when there is nothing to show.
QString blueToothInfo(const QString& systemProfilerOutput);

/// The hosts line from `wc -l /etc/hosts`: "/etc/hosts -count: 12\n\n". Output without a "/" (a failed
/// count) and no output count as 0.
QString hostsLine(const QString& wcOutput);

} // namespace trevalo::reportsources
