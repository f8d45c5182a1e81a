// The lines the searches read, every reader over the same bytes: a deep name search's find lines, a
// content search's path:count lines, and Spotlight's NUL-separated paths. A row is a path the tool
// printed, named by its last component.

#include "FuzzCheck.h"
#include "search/SearchRows.h"

#include <QFile>

using namespace trevalo;
using trevalo::fuzz::require;

namespace {

void checkName(const QString& name, const QString& path)
{
    require(!name.isEmpty(), "every row has a name", path);
    require(name == u"/" || !name.contains(u'/'), "the name is one component", name);
}

void findLines(const QString& output)
{
    for (const QString& line : output.split(u'\n')) {
        const std::optional<FindLine> row = parseFindLine(line, false);
        if (!row)
            continue;
        require(row->path == line, "the path is the whole line", line);
        require(line.startsWith(u'/') && line.size() >= 2 && !line.startsWith(u"find:"),
                "only paths are rows", line);
        checkName(row->name, line);
        require(line.contains(row->name), "the name comes from the line", line);
    }
}

void grepLines(const QString& output)
{
    for (const QString& line : output.split(u'\n')) {
        const std::optional<FindLine> row = parseFindLine(line, true);
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
}

void spotlightPaths(const QByteArray& output)
{
    for (const QByteArray& bytes : output.split('\0')) {
        if (bytes.isEmpty())
            continue;
        const QString path = QFile::decodeName(bytes);
        const QString name = lastPathComponent(path);
        if (path.isEmpty())
            continue;
        checkName(name, path);
        QStringView rest(path);
        while (rest.size() > 1 && rest.endsWith(u'/'))
            rest.chop(1);
        require(rest.endsWith(name), "the name ends the path", path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString output = trevalo::fuzz::text(data, size);
    findLines(output);
    grepLines(output);
    spotlightPaths(bytes);
    return 0;
}
