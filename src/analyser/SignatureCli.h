#pragma once

#include <QStringList>
#include <QTextStream>

namespace trevalo {

/// `trevalo sig decode FILE` prints the decoded text of an encoded signature file as it is (no line
/// feed added); `trevalo sig encode FILE` prints the encoded form of a plain UTF-8 text, ending with a
/// line feed as the build's files do, so that encoding what decode printed gives the file back.
/// `args` are the words after "sig". Returns 0, 1 when the file cannot be read (or is not UTF-8), 2 for
/// a usage error.
int runSignatureCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace trevalo
