#pragma once

#include <QString>
#include <cstdio>
#include <cstdlib>

namespace trevalo::fuzz {

/// Ends the run when a property every input must keep does not hold: the fuzzer counts it as a crash and
/// keeps the input.
inline void require(bool holds, const char* what, const QString& detail = QString())
{
    if (holds)
        return;
    std::fprintf(stderr, "Broken: %s\n%s\n", what, qUtf8Printable(detail));
    std::abort();
}

/// The input as the program reads a tool's output or a file: UTF-8, damaged sequences replaced.
inline QString text(const uint8_t* data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
}

} // namespace trevalo::fuzz
