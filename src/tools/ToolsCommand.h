#pragma once

#include <QStringList>

class QTextStream;

namespace trevalo {

class Tools;

/// `trevalo ip`: the network address window's three fields as "External: …", "Router: …" and
/// "Local: …" lines. Exit 1, after the lines, when the lookup's setting is unusable.
int runIpCommand(Tools& tools, const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace trevalo
