// A content search's output, line by line: path:count split at the last ":", the name keeping the count.

#include "FuzzCheck.h"
#include "search/SearchRows.h"

using trevalo::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString output = trevalo::fuzz::text(data, size);
    for (const QString& line : output.split(u'\n')) {
        const std::optional<trevalo::FindLine> row = trevalo::parseFindLine(line, true);
        if (!row)
            continue;
        require(line.startsWith(u'/') && line.size() >= 2, "only paths are rows", line);
        require(line.startsWith(row->path), "the path begins the line", line);
        if (line.contains(u':'))
            require(line.size() > row->path.size() && line.at(row->path.size()) == u':' &&
                        !line.mid(row->path.size() + 1).contains(u':'),
                    "the split is at the last colon", line);
        else
            require(row->path == line, "without a count the line is the path", line);
        require(row->name == u"/" || !row->name.contains(u'/'), "the name is one component", row->name);
        require(line.endsWith(row->name) || line.endsWith(u'/'), "the name keeps the count", line);
    }
    return 0;
}
