#include "taskpad/TaskPadFormat.h"

#include "taskpad/KeyedArchive.h"

#include <cmath>

namespace trevalo {

namespace {

const QStringList kListItemClasses{"ListItem", "NSObject"};
const QStringList kArrayClasses{"NSMutableArray", "NSArray", "NSObject"};
const QStringList kDateClasses{"NSDate", "NSObject"};
const QStringList kAttributedStringClasses{"NSMutableAttributedString", "NSAttributedString", "NSObject"};
const QStringList kDictionaryClasses{"NSDictionary", "NSObject"};
const QStringList kDataClasses{"NSMutableData", "NSData", "NSObject"};
const QStringList kFontClasses{"NSFont", "NSObject"};
const QStringList kColorClasses{"NSColor", "NSObject"};

// NSColorSpace values of the colours a note's text colour is read from.
enum ColorSpace : int { CalibratedRGB = 1, DeviceRGB = 2, CalibratedWhite = 3, DeviceWhite = 4 };
// NSfFlags as the platform's archiver writes them for a font named by its name and size.
constexpr quint64 kFontFlags = 16;
constexpr quint64 kUnderlineSingle = 1;

// NSAttributeInfo: the runs of an attributed string as pairs of unsigned numbers (run length, index of
// its attributes), each seven bits a byte, least significant first, the high bit set on every byte but
// a number's last.
std::optional<std::vector<std::pair<quint64, quint64>>> decodeRunInfo(const QByteArray& bytes)
{
    std::vector<quint64> numbers;
    quint64 value = 0;
    int shift = 0;
    for (const char c : bytes) {
        const auto byte = quint8(c);
        if (shift > 56)
            return std::nullopt;
        value |= quint64(byte & 0x7F) << shift;
        if (byte & 0x80) {
            shift += 7;
            continue;
        }
        numbers.push_back(value);
        value = 0;
        shift = 0;
    }
    if (shift != 0 || numbers.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::pair<quint64, quint64>> runs;
    for (size_t i = 0; i < numbers.size(); i += 2)
        runs.emplace_back(numbers[i], numbers[i + 1]);
    return runs;
}

void appendNumber(QByteArray& out, quint64 value)
{
    do {
        quint8 byte = value & 0x7F;
        value >>= 7;
        if (value)
            byte |= 0x80;
        out.append(char(byte));
    } while (value);
}

// "0.98 0 0.03" (and an optional alpha), as NSRGB and NSWhite hold colour components.
std::optional<std::vector<double>> components(const QByteArray& text)
{
    std::vector<double> values;
    for (const QByteArray& part :
         text.left(text.indexOf('\0') < 0 ? text.size() : text.indexOf('\0')).simplified().split(' ')) {
        bool ok = false;
        const double v = part.toDouble(&ok);
        if (!ok)
            return std::nullopt;
        values.push_back(v);
    }
    return values;
}

QByteArray componentText(const std::vector<double>& values)
{
    QByteArray out;
    for (const double v : values) {
        if (!out.isEmpty())
            out += ' ';
        out += QByteArray::number(v, 'g', 10);
    }
    return out + '\0';
}

plist_t uid(quint64 reference)
{
    return plist_new_uid(reference);
}

class TaskPadReader {
public:
    TaskPadReader(const Unarchiver& archive, QString& error)
        : m_archive(archive), m_error(error), m_seen(archive.objectCount(), false)
    {
    }

    // Reads the tasks of the list `listRef` into `parent`; `level` is theirs (1 for the top level).
    bool readTasks(quint64 listRef, ListItem& parent, int level)
    {
        const std::optional<std::vector<quint64>> refs = m_archive.arrayItems(listRef);
        if (!refs)
            return fail(QStringLiteral("object %1 should be a list of tasks but is not").arg(listRef));
        for (const quint64 ref : *refs) {
            if (!m_archive.hasClass(ref, "ListItem"))
                return fail(QStringLiteral("object %1 in a list of tasks is not a task").arg(ref));
            if (m_seen[ref])
                return fail(QStringLiteral("task %1 is listed twice or inside itself").arg(ref));
            if (level > kMaxTaskDepth)
                return fail(QStringLiteral("tasks are nested more than %1 deep").arg(kMaxTaskDepth));
            m_seen[ref] = true;
            ListItem* item = parent.insertChild(parent.childCount(), std::make_unique<ListItem>(QString()));
            if (!readTask(ref, *item))
                return false;
            const std::optional<quint64> children = m_archive.memberReference(ref, "children");
            if (!children)
                return badMember(ref, "children");
            if (*children != 0 && !readTasks(*children, *item, level + 1))
                return false;
        }
        return true;
    }

private:
    bool readTask(quint64 ref, ListItem& item)
    {
        const std::optional<quint64> name = m_archive.memberReference(ref, "name");
        if (!name)
            return badMember(ref, "name");
        if (*name != 0) {
            const std::optional<QString> text = m_archive.text(*name);
            if (!text)
                return badMember(ref, "name");
            item.setName(*text);
        }

        const std::optional<quint64> notes = m_archive.memberReference(ref, "notes");
        if (!notes)
            return badMember(ref, "notes");
        if (*notes != 0) {
            QString noteError;
            std::optional<StyledText> note = readNote(m_archive, *notes, noteError);
            if (!note)
                return fail(QStringLiteral("the note of task %1: %2").arg(ref).arg(noteError));
            item.setNotes(std::move(note));
        }

        for (const auto& [key, set] : {std::pair{"taskIsDone", &ListItem::setTaskIsDoneFlag},
                                       std::pair{"hasNote", &ListItem::setHasNote}}) {
            plist_t value = m_archive.member(ref, key);
            if (!value)
                continue;
            const std::optional<bool> flag = plistBool(value);
            if (!flag)
                return badMember(ref, key);
            (item.*set)(*flag);
        }

        const std::optional<quint64> days = m_archive.memberReference(ref, "daysToComplete");
        if (!days)
            return badMember(ref, "daysToComplete");
        if (*days != 0) {
            const std::optional<QString> text = m_archive.text(*days);
            if (!text)
                return badMember(ref, "daysToComplete");
            item.setDaysToComplete(*text);
        }

        const std::optional<quint64> date = m_archive.memberReference(ref, "completionDate");
        if (!date)
            return badMember(ref, "completionDate");
        if (*date != 0) {
            const std::optional<double> interval = m_archive.dateInterval(*date);
            if (!interval || !std::isfinite(*interval) || std::abs(*interval) > 1e13)
                return badMember(ref, "completionDate");
            item.setCompletionInterval(*interval);
        }
        return true;
    }

    bool badMember(quint64 ref, const char* key)
    {
        return fail(QStringLiteral("the \"%1\" of task %2 is not what a task holds there").arg(key).arg(ref));
    }
    bool fail(const QString& error)
    {
        m_error = error;
        return false;
    }

    const Unarchiver& m_archive;
    QString& m_error;
    std::vector<bool> m_seen;
};

// The styles of one attribute dictionary that the task pad models. What it cannot make out is left
// to the copy of the note that is written back.
std::optional<TextStyle> readStyle(const Unarchiver& archive, quint64 ref, QString& error)
{
    const auto items = archive.dictionaryItems(ref);
    if (!items) {
        error = QStringLiteral("object %1 should be a dictionary of styles but is not").arg(ref);
        return std::nullopt;
    }
    TextStyle style;
    for (const auto& [keyRef, valueRef] : *items) {
        const std::optional<QString> key = archive.text(keyRef);
        if (!key) {
            error = QStringLiteral("a style's name (object %1) is not a text").arg(keyRef);
            return std::nullopt;
        }
        if (*key == QLatin1String("NSFont")) {
            const std::optional<quint64> nameRef = archive.memberReference(valueRef, "NSName");
            const std::optional<QString> name = nameRef ? archive.text(*nameRef) : std::nullopt;
            const std::optional<double> size = plistNumber(archive.member(valueRef, "NSSize"));
            if (name && size && std::isfinite(*size)) {
                style.fontName = *name;
                style.fontSize = *size;
            }
        } else if (*key == QLatin1String("NSColor")) {
            const int space = int(plistNumber(archive.member(valueRef, "NSColorSpace")).value_or(0));
            const bool rgb = space == CalibratedRGB || space == DeviceRGB;
            const bool white = space == CalibratedWhite || space == DeviceWhite;
            plist_t text = archive.member(valueRef, rgb ? "NSRGB" : "NSWhite");
            if ((rgb || white) && text && plist_get_node_type(text) == PLIST_DATA) {
                uint64_t length = 0;
                const char* bytes = plist_get_data_ptr(text, &length);
                const auto values = components(QByteArray(bytes, qsizetype(length)));
                const size_t needed = rgb ? 3 : 1;
                if (values && (values->size() == needed || values->size() == needed + 1)) {
                    const std::vector<double>& v = *values;
                    style.color = rgb ? TextColor{v[0], v[1], v[2], v.size() > 3 ? v[3] : 1.0}
                                      : TextColor{v[0], v[0], v[0], v.size() > 1 ? v[1] : 1.0};
                }
            }
        } else if (*key == QLatin1String("NSUnderline")) {
            style.underline = plistNumber(archive.object(valueRef)).value_or(0) != 0;
        }
    }
    return style;
}

quint64 writeStyle(Archiver& archive, const TextStyle& style)
{
    const quint64 ref = archive.reserve();
    std::vector<quint64> keys;
    std::vector<quint64> values;
    if (!style.fontName.isEmpty()) {
        const quint64 font = archive.reserve();
        plist_t dict = plist_new_dict();
        setMember(dict, "NSName", uid(archive.text(style.fontName)));
        setMember(dict, "NSSize", plist_new_real(style.fontSize));
        setMember(dict, "NSfFlags", plist_new_uint(kFontFlags));
        setMember(dict, "$class", uid(archive.classReference("NSFont", kFontClasses)));
        archive.set(font, dict);
        keys.push_back(archive.text("NSFont"));
        values.push_back(font);
    }
    if (style.color) {
        const TextColor& c = *style.color;
        std::vector<double> rgb{c.red, c.green, c.blue};
        if (c.alpha != 1)
            rgb.push_back(c.alpha);
        const QByteArray text = componentText(rgb);
        const quint64 color = archive.reserve();
        plist_t dict = plist_new_dict();
        setMember(dict, "NSColorSpace", plist_new_uint(CalibratedRGB));
        setMember(dict, "NSRGB", plist_new_data(text.constData(), uint64_t(text.size())));
        setMember(dict, "$class", uid(archive.classReference("NSColor", kColorClasses)));
        archive.set(color, dict);
        keys.push_back(archive.text("NSColor"));
        values.push_back(color);
    }
    if (style.underline) {
        keys.push_back(archive.text("NSUnderline"));
        values.push_back(archive.add(plist_new_uint(kUnderlineSingle)));
    }
    plist_t dict = plist_new_dict();
    plist_t keyList = plist_new_array();
    plist_t valueList = plist_new_array();
    for (size_t i = 0; i < keys.size(); ++i) {
        plist_array_append_item(keyList, uid(keys[i]));
        plist_array_append_item(valueList, uid(values[i]));
    }
    setMember(dict, "NS.keys", keyList);
    setMember(dict, "NS.objects", valueList);
    setMember(dict, "$class", uid(archive.classReference("NSDictionary", kDictionaryClasses)));
    archive.set(ref, dict);
    return ref;
}

quint64 writeTasks(Archiver& archive, ListItem& parent, const QDateTime& now, const QTimeZone& zone);

quint64 writeTask(Archiver& archive, ListItem& item, const QDateTime& now, const QTimeZone& zone)
{
    const quint64 ref = archive.reserve();
    plist_t dict = plist_new_dict();
    setMember(dict, "name", uid(archive.text(item.name())));
    setMember(dict, "notes", uid(item.notes() ? writeNote(archive, *item.notes()) : 0));
    setMember(dict, "children", uid(writeTasks(archive, item, now, zone)));
    setMember(dict, "taskIsDone", plist_new_bool(item.taskIsDone()));
    setMember(dict, "hasNote", plist_new_bool(item.hasNote()));
    const QString days = item.daysToComplete(now, zone);
    setMember(dict, "daysToComplete", uid(days.isNull() ? 0 : archive.text(days)));
    const quint64 date = archive.reserve();
    plist_t dateDict = plist_new_dict();
    setMember(dateDict, "NS.time", plist_new_real(item.completionInterval()));
    setMember(dateDict, "$class", uid(archive.classReference("NSDate", kDateClasses)));
    archive.set(date, dateDict);
    setMember(dict, "completionDate", uid(date));
    setMember(dict, "$class", uid(archive.classReference("ListItem", kListItemClasses)));
    archive.set(ref, dict);
    return ref;
}

quint64 writeTasks(Archiver& archive, ListItem& parent, const QDateTime& now, const QTimeZone& zone)
{
    const quint64 ref = archive.reserve();
    plist_t items = plist_new_array();
    for (const auto& child : parent.children())
        plist_array_append_item(items, uid(writeTask(archive, *child, now, zone)));
    plist_t dict = plist_new_dict();
    setMember(dict, "NS.objects", items);
    setMember(dict, "$class", uid(archive.classReference("NSMutableArray", kArrayClasses)));
    archive.set(ref, dict);
    return ref;
}

} // namespace

std::optional<TaskPadContent> readTaskPad(const QByteArray& bytes, QString& error)
{
    const std::unique_ptr<Unarchiver> archive = Unarchiver::open(bytes, error);
    if (!archive)
        return std::nullopt;
    TaskPadContent content;
    if (archive->root() == 0) {
        content.rootAbsent = true;
        return content;
    }
    TaskPadReader reader(*archive, error);
    if (!reader.readTasks(archive->root(), *content.root, 1))
        return std::nullopt;
    return content;
}

QByteArray writeTaskPad(ListItem& root, const QDateTime& now, const QTimeZone& zone)
{
    Archiver archive;
    const quint64 list = writeTasks(archive, root, now, zone);
    return archive.finish(list);
}

std::optional<StyledText> readNote(const Unarchiver& archive, quint64 ref, QString& error)
{
    if (!archive.isKindOf(ref, "NSAttributedString")) {
        error = QStringLiteral("object %1 is not a styled text").arg(ref);
        return std::nullopt;
    }
    const std::optional<quint64> textRef = archive.memberReference(ref, "NSString");
    const std::optional<QString> text = textRef && *textRef ? archive.text(*textRef) : std::nullopt;
    if (!text) {
        error = QStringLiteral("the text of object %1 is missing, or holds a NUL or bytes that are not UTF-8")
                    .arg(ref);
        return std::nullopt;
    }

    const std::optional<quint64> attributesRef = archive.memberReference(ref, "NSAttributes");
    const std::optional<quint64> infoRef = archive.memberReference(ref, "NSAttributeInfo");
    if (!attributesRef || !infoRef) {
        error = QStringLiteral("the styles of object %1 are not objects of the archive").arg(ref);
        return std::nullopt;
    }
    std::vector<quint64> dictionaries;
    if (*attributesRef != 0) {
        if (archive.isKindOf(*attributesRef, "NSDictionary")) {
            dictionaries.push_back(*attributesRef);
        } else if (const auto items = archive.arrayItems(*attributesRef)) {
            dictionaries = *items;
        } else {
            error = QStringLiteral("the styles of object %1 are neither a dictionary nor a list").arg(ref);
            return std::nullopt;
        }
    }
    std::vector<TextStyle> styles;
    for (const quint64 dict : dictionaries) {
        std::optional<TextStyle> style = readStyle(archive, dict, error);
        if (!style)
            return std::nullopt;
        styles.push_back(std::move(*style));
    }

    std::vector<std::pair<quint64, quint64>> runs;
    if (*infoRef != 0) {
        const std::optional<QByteArray> info = archive.data(*infoRef);
        const auto decoded = info ? decodeRunInfo(*info) : std::nullopt;
        if (!decoded) {
            error = QStringLiteral("the style runs of object %1 cannot be read").arg(ref);
            return std::nullopt;
        }
        runs = *decoded;
    } else if (!text->isEmpty()) {
        runs.emplace_back(quint64(text->size()), 0);
        if (styles.empty())
            styles.emplace_back();
    }

    StyledText note;
    quint64 at = 0;
    for (const auto& [length, index] : runs) {
        if (index >= styles.size() || length > quint64(text->size()) - at) {
            error = QStringLiteral("the style runs of object %1 do not match its text").arg(ref);
            return std::nullopt;
        }
        note.append(text->mid(qsizetype(at), qsizetype(length)), styles[index]);
        at += length;
    }
    if (at != quint64(text->size())) {
        error = QStringLiteral("the style runs of object %1 do not cover its text").arg(ref);
        return std::nullopt;
    }
    std::shared_ptr<const ArchivedGraph> archived = archive.keep(ref);
    if (!archived) {
        error =
            QStringLiteral("object %1 names objects outside the archive, or notes share too much").arg(ref);
        return std::nullopt;
    }
    note.setArchived(std::move(archived));
    return note;
}

quint64 writeNote(Archiver& archive, const StyledText& note)
{
    if (note.archived()) {
        if (const quint64 ref = archive.appendGraph(*note.archived()))
            return ref;
    }
    const quint64 ref = archive.reserve();
    plist_t dict = plist_new_dict();
    setMember(dict, "NSString", uid(archive.text(note.text())));
    const QVector<StyleRun>& runs = note.runs();
    if (runs.size() <= 1) {
        setMember(dict, "NSAttributes",
                  uid(writeStyle(archive, runs.isEmpty() ? TextStyle{} : runs[0].style)));
    } else {
        // Runs in the same style share one dictionary, as the platform writes them.
        QVector<TextStyle> unique;
        QByteArray info;
        for (const StyleRun& run : runs) {
            qsizetype index = unique.indexOf(run.style);
            if (index < 0) {
                index = unique.size();
                unique.append(run.style);
            }
            appendNumber(info, quint64(run.length));
            appendNumber(info, quint64(index));
        }
        const quint64 list = archive.reserve();
        plist_t items = plist_new_array();
        for (const TextStyle& style : unique)
            plist_array_append_item(items, uid(writeStyle(archive, style)));
        plist_t listDict = plist_new_dict();
        setMember(listDict, "NS.objects", items);
        setMember(listDict, "$class", uid(archive.classReference("NSMutableArray", kArrayClasses)));
        archive.set(list, listDict);
        setMember(dict, "NSAttributes", uid(list));

        const quint64 data = archive.reserve();
        plist_t dataDict = plist_new_dict();
        setMember(dataDict, "NS.data", plist_new_data(info.constData(), uint64_t(info.size())));
        setMember(dataDict, "$class", uid(archive.classReference("NSMutableData", kDataClasses)));
        archive.set(data, dataDict);
        setMember(dict, "NSAttributeInfo", uid(data));
    }
    setMember(dict, "$class",
              uid(archive.classReference("NSMutableAttributedString", kAttributedStringClasses)));
    archive.set(ref, dict);
    return ref;
}

std::optional<StyledText> readNoteArchive(const QByteArray& bytes, QString& error)
{
    const std::unique_ptr<Unarchiver> archive = Unarchiver::open(bytes, error);
    if (!archive)
        return std::nullopt;
    return readNote(*archive, archive->root(), error);
}

QByteArray writeNoteArchive(const StyledText& note)
{
    Archiver archive;
    return archive.finish(writeNote(archive, note));
}

} // namespace trevalo
