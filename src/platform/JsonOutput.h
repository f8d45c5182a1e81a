#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>

class QTextStream;

namespace trevalo {

/// Takes the commands' "--json" option out of their arguments: every "--json" before a "--" (after
/// it, a word is a command's text, whatever it looks like). True when there was one.
bool takeJsonOption(QStringList& args);

/// One object as a command's machine-readable output: compact JSON on one line, UTF-8. Strings stay as
/// the program holds them; every control character in them is escaped (\n, \u0001, and also DEL and
/// the C1 controls, which JSON itself would let through raw and some terminals act on), so the line
/// can be shown and split safely.
QByteArray jsonLine(const QJsonObject& object);

/// Writes jsonLine() and a line feed to `out`, and flushes it.
void writeJson(QTextStream& out, const QJsonObject& object);

} // namespace trevalo
