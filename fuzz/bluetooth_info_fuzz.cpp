// The Bluetooth part of the report from any system_profiler output: never empty, and when not the blank,
// it begins with one of the parts' start markers.

#include "FuzzCheck.h"
#include "profile/ReportSources.h"

using trevalo::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString output = trevalo::fuzz::text(data, size);
    const QString info = trevalo::reportsources::blueToothInfo(output);
    require(!info.isEmpty(), "an empty part shows as a blank");
    require(info == u" " || info.startsWith(u"Bluetooth Low Energy") || info.startsWith(u"Bluetooth Power"),
            "what is shown is a part", info);
    if (info.startsWith(u"Bluetooth Low Energy"))
        require(output.contains(u"Manuf"), "the Low Energy part ends before Manuf", info);
    return 0;
}
