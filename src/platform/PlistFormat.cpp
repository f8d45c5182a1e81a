#include "platform/PlistFormat.h"

#include <QDateTime>
#include <QIODevice>
#include <QTimeZone>
#include <memory>
#include <plist/plist.h>
#include <vector>

namespace trevalo {

namespace {

// Seconds between 1970-01-01 and the property-list epoch 2001-01-01 (UTC).
constexpr qint64 kPlistEpoch = 978307200;

struct PlistFree {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

// A binary property list may name one array from many places; libplist copies it for each, so a file of
// a hundred bytes can stand for billions of values. No settings file comes near this many.
constexpr quint64 kMaxBinaryValues = 1 << 20;

// Whether an XML property list's arrays and dictionaries nest no deeper than kPlistMaxNesting, told from
// its tags alone: libplist's XML reader keeps up with any depth, but freeing what it read recurses.
bool xmlNestingWithinLimit(const QByteArray& bytes)
{
    const QByteArrayView text(bytes);
    int depth = 0;
    for (qsizetype at = text.indexOf('<'); at >= 0; at = text.indexOf('<', at + 1)) {
        const QByteArrayView tag = text.sliced(at);
        if (tag.startsWith("<!--") || tag.startsWith("<![CDATA[")) {
            at = text.indexOf(tag.startsWith("<!--") ? QByteArrayView("-->") : QByteArrayView("]]>"), at);
            if (at < 0)
                break;
            continue;
        }
        const bool closing = tag.startsWith("</");
        const QByteArrayView name = tag.sliced(closing ? 2 : 1);
        const qsizetype nameLength = name.startsWith("array") ? 5 : name.startsWith("dict") ? 4 : 0;
        if (nameLength == 0 || name.size() == nameLength)
            continue;
        const char next = name[nameLength];
        if (next != '>' && next != '/' && !QChar::isSpace(uchar(next)))
            continue;
        const qsizetype end = text.indexOf('>', at);
        if (closing)
            --depth;
        else if ((end < 0 || text[end - 1] != '/') && ++depth > kPlistMaxNesting)
            return false;
    }
    return true;
}

// Whether libplist can read a binary property list without ending the program, told by walking its
// object table without recursion: containers must nest no deeper than kPlistMaxNesting (libplist's
// reader recurses) and expand to no more than kMaxBinaryValues values, and no UTF-16 dictionary key may
// hold a NUL (plist_get_key_val asserts on one). What this walk cannot make sense of is left to libplist,
// which refuses it: it follows the references in the same order, so whatever it reads before the fault has
// been checked here.
bool binaryWithinLimits(const QByteArray& bytes, quint64 maxValues)
{
    const std::optional<BinaryPlistTable> table = BinaryPlistTable::read(bytes);
    if (!table)
        return true;
    const uchar* data = table->data();
    const unsigned refSize = table->refSize();
    const quint64 objectCount = table->objectCount();
    const quint64 topObject = table->topObject();

    enum Type : unsigned { Utf16 = 0x6, Array = 0xA, Set = 0xC, Dictionary = 0xD };
    // An object's type, and for a container or a UTF-16 text its length (items, key-value pairs or
    // characters) and where what it holds starts. False when the object is malformed.
    struct Object : BinaryPlistTable::Object {
        bool container() const { return type == Array || type == Set || type == Dictionary; }
        quint64 refCount() const { return type == Dictionary ? 2 * length : length; }
    };
    auto objectAt = [&](quint64 index, Object& object) {
        if (!table->object(index, object, 0))
            return false;
        if (!object.container() && object.type != Utf16)
            return true;
        return table->object(index, object,
                             object.type == Utf16 ? 2 : refSize * (object.type == Dictionary ? 2 : 1));
    };
    auto holdsNul = [data](const Object& utf16) {
        for (quint64 i = 0; i < utf16.length; ++i) {
            if (data[utf16.start + 2 * i] == 0 && data[utf16.start + 2 * i + 1] == 0)
                return true;
        }
        return false;
    };

    // Depth-first, remembering each finished container's nesting and size, so that a container named
    // from many places is walked once.
    enum : quint8 { Unseen, Open, Done };
    std::vector<quint8> state(objectCount, Unseen);
    std::vector<quint16> nesting(objectCount);
    std::vector<quint64> values(objectCount);
    struct Frame {
        quint64 index;
        Object object;
        quint64 next = 0;
        quint16 nesting = 1;
        quint64 values = 1;
    };
    std::vector<Frame> path;
    // Adds a finished child to the container open at the end of the path; false when a limit is passed.
    auto addChild = [&path, maxValues](quint16 childNesting, quint64 childValues) {
        Frame& parent = path.back();
        parent.nesting = std::max(parent.nesting, quint16(childNesting + 1));
        parent.values += childValues;
        return path.size() + childNesting <= size_t(kPlistMaxNesting) && parent.values <= maxValues;
    };

    Object top;
    if (!objectAt(topObject, top) || !top.container())
        return true;
    state[topObject] = Open;
    path.push_back({topObject, top});
    while (!path.empty()) {
        Frame& frame = path.back();
        if (frame.next == frame.object.refCount()) {
            const Frame done = frame;
            state[done.index] = Done;
            nesting[done.index] = done.nesting;
            values[done.index] = done.values;
            path.pop_back();
            if (!path.empty() && !addChild(done.nesting, done.values))
                return false;
            continue;
        }
        const bool isKey = frame.object.type == Dictionary && frame.next < frame.object.length;
        const quint64 child = table->number(frame.object.start + frame.next++ * refSize, refSize);
        if (child >= objectCount)
            return true;
        if (state[child] == Open)
            return false; // a container inside itself
        if (state[child] == Done) {
            if (!addChild(nesting[child], values[child]))
                return false;
            continue;
        }
        Object object;
        if (!objectAt(child, object))
            return true;
        if (!object.container()) {
            if (isKey && object.type == Utf16 && holdsNul(object))
                return false;
            if (!addChild(0, 1))
                return false;
            continue;
        }
        if (path.size() == size_t(kPlistMaxNesting))
            return false;
        state[child] = Open;
        path.push_back({child, object});
    }
    return true;
}

// Nesting is checked before libplist reads a file; `nesting` here only keeps this recursion bounded
// should libplist ever read more levels than those checks see.
std::optional<QVariant> toVariant(plist_t node, int nesting = 1)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return QVariant(bool(b));
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        return QVariant(qint64(v));
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return QVariant(v);
    }
    case PLIST_STRING: {
        // By its length: plist_get_string_val asserts that a text holds no NUL, and a UTF-16 text in a
        // binary file may hold one.
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QVariant(QString::fromUtf8(text, text ? qsizetype(length) : 0));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return QVariant(
            QDateTime::fromMSecsSinceEpoch((kPlistEpoch + sec) * 1000 + usec / 1000, QTimeZone::utc()));
    }
    case PLIST_DATA: {
        char* data = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &data, &length);
        QByteArray bytes(data, qsizetype(length));
        free(data);
        return QVariant(bytes);
    }
    case PLIST_ARRAY: {
        if (nesting > kPlistMaxNesting)
            return std::nullopt;
        QVariantList list;
        bool allText = true;
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i) {
            plist_t item = plist_array_get_item(node, i);
            allText = allText && plist_get_node_type(item) == PLIST_STRING;
            const std::optional<QVariant> value = toVariant(item, nesting + 1);
            if (!value)
                return std::nullopt;
            list << *value;
        }
        if (allText) {
            QStringList texts;
            for (const QVariant& v : list)
                texts << v.toString();
            return QVariant(texts);
        }
        return QVariant(list);
    }
    case PLIST_DICT: {
        if (nesting > kPlistMaxNesting)
            return std::nullopt;
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            const std::optional<QVariant> item = toVariant(value, nesting + 1);
            if (item)
                map.insert(QString::fromUtf8(key), *item);
            free(key);
            if (!item) {
                free(it);
                return std::nullopt;
            }
        }
        free(it);
        return QVariant(map);
    }
    default:
        return QVariant();
    }
}

plist_t toNode(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        // The C API of this libplist stores integers unsigned; a negative value survives as its
        // two's complement and is read back as such by toVariant's qint64 cast.
        return plist_new_uint(uint64_t(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QDateTime: {
        const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - kPlistEpoch * 1000;
        return plist_new_date(int32_t(ms / 1000), int32_t((ms % 1000) * 1000));
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
    }
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        plist_t array = plist_new_array();
        for (const QVariant& item : value.toList())
            plist_array_append_item(array, toNode(item));
        return array;
    }
    case QMetaType::QVariantMap: {
        plist_t dict = plist_new_dict();
        const QVariantMap map = value.toMap();
        for (auto it = map.begin(); it != map.end(); ++it)
            plist_dict_set_item(dict, it.key().toUtf8().constData(), toNode(it.value()));
        return dict;
    }
    default:
        return plist_new_string(value.toString().toUtf8().constData());
    }
}

bool readSettings(QIODevice& device, QSettings::SettingsMap& map)
{
    const QByteArray bytes = device.readAll();
    if (bytes.trimmed().isEmpty())
        return true;
    const std::optional<QVariant> root = plistToVariant(bytes);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return false;
    const QVariantMap values = root->toMap();
    for (auto it = values.begin(); it != values.end(); ++it)
        map.insert(it.key(), it.value());
    return true;
}

bool writeSettings(QIODevice& device, const QSettings::SettingsMap& map)
{
    QVariantMap values;
    for (auto it = map.begin(); it != map.end(); ++it)
        values.insert(it.key(), it.value());
    return device.write(variantToXmlPlist(values)) >= 0;
}

} // namespace

std::optional<BinaryPlistTable> BinaryPlistTable::read(const QByteArray& bytes)
{
    constexpr quint64 kTrailerSize = 32;
    const quint64 size = quint64(bytes.size());
    if (size < 8 + kTrailerSize)
        return std::nullopt;
    BinaryPlistTable table;
    table.m_data = reinterpret_cast<const uchar*>(bytes.constData());
    const quint64 trailer = size - kTrailerSize;
    table.m_offsetSize = table.m_data[trailer + 6];
    table.m_refSize = table.m_data[trailer + 7];
    table.m_objectCount = table.number(trailer + 8, 8);
    table.m_topObject = table.number(trailer + 16, 8);
    table.m_tableStart = table.number(trailer + 24, 8);
    if (table.m_offsetSize < 1 || table.m_offsetSize > 8 || table.m_refSize < 1 || table.m_refSize > 8 ||
        table.m_tableStart > trailer ||
        table.m_objectCount > (trailer - table.m_tableStart) / table.m_offsetSize ||
        table.m_topObject >= table.m_objectCount)
        return std::nullopt;
    return table;
}

quint64 BinaryPlistTable::number(quint64 at, unsigned width) const
{
    quint64 value = 0;
    for (unsigned i = 0; i < width; ++i)
        value = value << 8 | m_data[at + i];
    return value;
}

bool BinaryPlistTable::object(quint64 index, Object& object, quint64 itemSize) const
{
    const quint64 at = number(m_tableStart + index * m_offsetSize, m_offsetSize);
    if (at >= m_tableStart)
        return false;
    object.type = m_data[at] >> 4;
    object.length = m_data[at] & 0xF;
    object.start = at + 1;
    if (itemSize == 0)
        return true;
    if (object.length == 0xF) {
        if (object.start >= m_tableStart || m_data[object.start] >> 4 != 0x1)
            return false;
        const unsigned width = 1u << (m_data[object.start] & 0xF);
        if (width > 8 || object.start + 1 + width > m_tableStart)
            return false;
        object.length = number(object.start + 1, width);
        object.start += 1 + width;
    }
    return object.length <= (m_tableStart - object.start) / itemSize;
}

std::optional<QVariant> plistToVariant(const QByteArray& bytes)
{
    plist_t root = nullptr;
    if (bytes.startsWith("bplist")) {
        if (!binaryWithinLimits(bytes, kMaxBinaryValues))
            return std::nullopt;
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    } else {
        if (!xmlNestingWithinLimit(bytes))
            return std::nullopt;
        plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &root);
    }
    if (!root)
        return std::nullopt;
    PlistPtr owner(root);
    return toVariant(root);
}

bool binaryPlistWithinLimits(const QByteArray& bytes, quint64 maxValues)
{
    return binaryWithinLimits(bytes, maxValues);
}

QByteArray variantToXmlPlist(const QVariant& value)
{
    PlistPtr node(toNode(value));
    char* xml = nullptr; // must be null on entry, or plist_to_xml does nothing
    uint32_t length = 0;
    plist_to_xml(node.get(), &xml, &length);
    QByteArray out(xml, qsizetype(length));
    free(xml);
    return out;
}

QSettings::Format plistSettingsFormat()
{
    static const QSettings::Format format = QSettings::registerFormat("plist", readSettings, writeSettings);
    return format;
}

} // namespace trevalo
