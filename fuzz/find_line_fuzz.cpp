// A deep name search's output, line by line: a row is a path find printed, named by its last component.

#include "FuzzCheck.h"
#include "search/SearchRows.h"

using trevalo::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString output = trevalo::fuzz::text(data, size);
    for (const QString& line : output.split(u'\n')) {
        const std::optional<trevalo::FindLine> row = trevalo::parseFindLine(line, false);
        if (!row)
            continue;
        require(row->path == line, "the path is the whole line", line);
        require(line.startsWith(u'/') && line.size() >= 2 && !line.startsWith(u"find:"),
                "only paths are rows", line);
        require(!row->name.isEmpty(), "every row has a name", line);
        require(row->name == u"/" || !row->name.contains(u'/'), "the name is one component", row->name);
        require(line.contains(row->name), "the name comes from the line", line);
    }
    return 0;
}
