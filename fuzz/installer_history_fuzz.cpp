// The installer history lines from any bytes in the place of InstallHistory.plist: at most 15 lines, each
// "<name> installed on <date>".

#include "FuzzCheck.h"
#include "profile/ReportSources.h"

using trevalo::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList lines = trevalo::reportsources::installerHistoryLines(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)));
    require(lines.size() <= 15, "at most the last 15 entries");
    for (const QString& line : lines)
        require(line.contains(u" installed on "), "each line names an installation", line);
    return 0;
}
