// The hosts line from any wc output: always the one line with a count.

#include "FuzzCheck.h"
#include "profile/ReportSources.h"

using trevalo::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString output = trevalo::fuzz::text(data, size);
    const QString line = trevalo::reportsources::hostsLine(output);
    require(line.startsWith(u"/etc/hosts -count: ") && line.endsWith(u"\n\n"), "the line's frame", line);
    bool isNumber = false;
    line.mid(19, line.size() - 21).toInt(&isNumber);
    require(isNumber, "the count is a number", line);
    if (!output.contains(u'/'))
        require(line == u"/etc/hosts -count: 0\n\n", "no path, no count", line);
    return 0;
}
