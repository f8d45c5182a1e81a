#pragma once

#include <QStringList>

class QTextStream;

namespace trevalo {

class SuperSearch;

/// `trevalo search [--deep] [--content] [--string] [--case] [--email] [--web-history] [--dir TITLE]
/// [--print-command] TERM`, or `trevalo search --list-dirs`: a search without the window, one line per
/// row (Name<TAB>Path<TAB>Date), then "Results: N". Options not given are off; the stored options are
/// neither read nor changed. --json prints one object instead: {"hits": [{"name", "path", "date"}...],
/// "results": N}; {"dirs": [...]} with --list-dirs, {"command": "..."} with --print-command.
int runSearchCommand(SuperSearch& search, const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace trevalo
