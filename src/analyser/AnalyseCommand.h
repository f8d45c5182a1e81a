#pragma once

#include "platform/Services.h"

#include <QStringList>
#include <QTextStream>

namespace trevalo {

class SignatureSource;

/// `trevalo analyse [--json] [--ignore PATH | --reset-ignored]`; `args` are the words after "analyse".
///
/// Without options: scans, prints one line per found item, "Name<TAB>Issue<TAB>Where" in the order the
/// Analyser window's table lists them ("n/a" when no name list matches), then "Backup: yes" or
/// "Backup: no". `--ignore PATH` adds the path
/// to the whitelist as the Analyser window's Ignore does, `--reset-ignored` empties it as Reset does;
/// both exit without scanning. With --json the scan prints one object instead, {"items": [{"name",
/// "issue", "where"}...], "backup": true|false, "warnings": [...]}, warnings included. Returns 0; 1 with a
/// one-line message on `err` naming the settings file and the reason when the whitelist cannot be stored; 2
/// with a one-line message for a usage error. `signatures` defaults to the files compiled into the program.
int runAnalyseCommand(QStringList args, const Services& services, QTextStream& out, QTextStream& err,
                      SignatureSource* signatures = nullptr);

} // namespace trevalo
