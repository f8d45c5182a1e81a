#pragma once

#include <QString>

namespace trevalo {

/// Writes one line to the system log and, when TREVALO_LOG names a file, appends it there too.
void writeLog(const QString& line);

/// Builds the program-wide log prefix "<function> [Line <n>] ".
QString logPrefix(const char* function, int line);

} // namespace trevalo

/// TR_LOG("AppleScript Error:\n%1", details) writes "<function> [Line <n>] AppleScript Error:\n...".
/// Arguments fill %1, %2, ... as QString::arg does.
#define TR_LOG(...)                                                                                          \
    ::trevalo::writeLog(::trevalo::logPrefix(Q_FUNC_INFO, __LINE__) + ::trevalo::detail::format(__VA_ARGS__))

/// TR_LOG_AS("-[TRAnalyser unloadProc]", "text %1", arg): the same with an operation name given by the
/// caller, for lines that others read by the name of the operation that writes them.
#define TR_LOG_AS(operation, ...)                                                                            \
    ::trevalo::writeLog(::trevalo::logPrefix(operation, __LINE__) + ::trevalo::detail::format(__VA_ARGS__))

namespace trevalo::detail {
inline QString format(const QString& text)
{
    return text;
}
template <typename... Args> QString format(const QString& text, const Args&... args)
{
    return text.arg(args...);
}
} // namespace trevalo::detail
