#include "taskpad/KeyedArchive.h"

#include "platform/PlistFormat.h"

#include <QSet>
#include <QUtf8StringView>
#include <cstring>
#include <deque>

namespace trevalo {

namespace {

constexpr char kArchiverName[] = "NSKeyedArchiver";
constexpr quint64 kArchiveVersion = 100000;

// A keyed archive names its objects through one table and shares nothing else, so a file that libplist
// would expand to more values than it has bytes shares parts on purpose, to make the reader run out of
// memory. The margin covers the few shared keys of the top level.
quint64 valueLimitFor(const QByteArray& bytes)
{
    return 2 * quint64(bytes.size()) + 4096;
}

template <typename Visit> void forEachArrayItem(plist_t array, Visit visit)
{
    plist_array_iter it = nullptr;
    plist_array_new_iter(array, &it);
    for (;;) {
        plist_t item = nullptr;
        plist_array_next_item(array, it, &item);
        if (!item || !visit(item))
            break;
    }
    free(it);
}

// The values of a dictionary. Without a key to return, libplist copies none.
template <typename Visit> void forEachDictValue(plist_t dict, Visit visit)
{
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(dict, &it);
    for (;;) {
        plist_t value = nullptr;
        plist_dict_next_item(dict, it, nullptr, &value);
        if (!value || !visit(value))
            break;
    }
    free(it);
}

// Rewrites every UID inside a node by `map`; false when `map` refuses one.
template <typename Map> bool remapReferences(plist_t node, Map map)
{
    switch (plist_get_node_type(node)) {
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        const std::optional<quint64> mapped = map(quint64(value));
        if (!mapped)
            return false;
        plist_set_uid_val(node, *mapped);
        return true;
    }
    case PLIST_ARRAY: {
        bool ok = true;
        forEachArrayItem(node, [&](plist_t item) { return ok = remapReferences(item, map); });
        return ok;
    }
    case PLIST_DICT: {
        bool ok = true;
        forEachDictValue(node, [&](plist_t value) { return ok = remapReferences(value, map); });
        return ok;
    }
    default:
        return true;
    }
}

// Calls `visit` with every UID inside a node; false when `visit` refuses one.
template <typename Visit> bool forEachReference(plist_t node, Visit visit)
{
    switch (plist_get_node_type(node)) {
    case PLIST_UID: {
        uint64_t value = 0;
        plist_get_uid_val(node, &value);
        return visit(quint64(value));
    }
    case PLIST_ARRAY: {
        bool ok = true;
        forEachArrayItem(node, [&](plist_t item) { return ok = forEachReference(item, visit); });
        return ok;
    }
    case PLIST_DICT: {
        bool ok = true;
        forEachDictValue(node, [&](plist_t value) { return ok = forEachReference(value, visit); });
        return ok;
    }
    default:
        return true;
    }
}

// Whether every text of a binary property list can be written back as it was read: an ASCII text
// holds only ASCII, a UTF-16 text pairs its surrogates, and neither holds a NUL. libplist reads other
// texts, but copies them short or writes them into files it cannot read again, which would cost the user
// the whole task pad at the next save. What this walk cannot make sense of is left to libplist, which
// refuses it.
bool textsCanBeWrittenBack(const QByteArray& bytes)
{
    const std::optional<BinaryPlistTable> table = BinaryPlistTable::read(bytes);
    if (!table)
        return true;
    const uchar* data = table->data();
    for (quint64 i = 0; i < table->objectCount(); ++i) {
        BinaryPlistTable::Object text;
        if (!table->object(i, text, 0) || (text.type != 0x5 && text.type != 0x6))
            continue;
        const bool ascii = text.type == 0x5;
        if (!table->object(i, text, ascii ? 1 : 2))
            continue;
        if (ascii) {
            for (quint64 k = 0; k < text.length; ++k) {
                if (data[text.start + k] == 0 || data[text.start + k] >= 0x80)
                    return false;
            }
            continue;
        }
        for (quint64 k = 0; k < text.length; ++k) {
            const quint64 c = table->number(text.start + 2 * k, 2);
            if (c >= 0xD800 && c <= 0xDBFF) {
                if (k + 1 == text.length)
                    return false;
                const quint64 next = table->number(text.start + 2 * (k + 1), 2);
                if (next < 0xDC00 || next > 0xDFFF)
                    return false;
                ++k;
            } else if (c == 0 || (c >= 0xDC00 && c <= 0xDFFF)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

std::optional<QString> plistText(plist_t node)
{
    if (!node || plist_get_node_type(node) != PLIST_STRING)
        return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return QString::fromUtf8(text, text ? qsizetype(length) : 0);
}

std::optional<double> plistNumber(plist_t node)
{
    if (!node)
        return std::nullopt;
    if (plist_get_node_type(node) == PLIST_REAL) {
        double value = 0;
        plist_get_real_val(node, &value);
        return value;
    }
    if (plist_get_node_type(node) == PLIST_UINT) {
        // Integers come back unsigned from this libplist; a negative one is its two's complement.
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        return double(qint64(value));
    }
    return std::nullopt;
}

std::optional<bool> plistBool(plist_t node)
{
    if (!node)
        return std::nullopt;
    if (plist_get_node_type(node) == PLIST_BOOLEAN) {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return value != 0;
    }
    if (plist_get_node_type(node) == PLIST_UINT) {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (value <= 1)
            return value == 1;
    }
    return std::nullopt;
}

void setMember(plist_t dict, const char* key, plist_t value)
{
    plist_dict_set_item(dict, key, value);
}

// Unarchiver

std::unique_ptr<Unarchiver> Unarchiver::open(const QByteArray& bytes, QString& error)
{
    if (!bytes.startsWith("bplist00")) {
        error = bytes.isEmpty() ? QStringLiteral("the file is empty")
                                : QStringLiteral("it is not a binary property list");
        return nullptr;
    }
    if (!binaryPlistWithinLimits(bytes, valueLimitFor(bytes))) {
        error = QStringLiteral("its property list nests too deep or repeats its parts too often");
        return nullptr;
    }
    if (!textsCanBeWrittenBack(bytes)) {
        error = QStringLiteral("it holds texts that are not valid ASCII or UTF-16, or hold a NUL");
        return nullptr;
    }
    plist_t document = nullptr;
    plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &document);
    if (!document) {
        error = QStringLiteral("its property list is damaged");
        return nullptr;
    }
    std::unique_ptr<Unarchiver> archive(new Unarchiver);
    archive->m_bytes = bytes;
    archive->m_document.reset(document);

    if (plist_get_node_type(document) != PLIST_DICT ||
        plistText(plist_dict_get_item(document, "$archiver")) != QLatin1String(kArchiverName)) {
        error = QStringLiteral("it is not a keyed archive");
        return nullptr;
    }
    plist_t objects = plist_dict_get_item(document, "$objects");
    plist_t top = plist_dict_get_item(document, "$top");
    if (!objects || plist_get_node_type(objects) != PLIST_ARRAY || !top ||
        plist_get_node_type(top) != PLIST_DICT) {
        error = QStringLiteral("the keyed archive has no object table or no top");
        return nullptr;
    }
    archive->m_objects.reserve(plist_array_get_size(objects));
    forEachArrayItem(objects, [&](plist_t item) {
        archive->m_objects.push_back(item);
        return true;
    });
    const std::optional<quint64> root = archive->reference(plist_dict_get_item(top, "root"));
    if (!root) {
        error = QStringLiteral("the keyed archive's root is not an object of the archive");
        return nullptr;
    }
    archive->m_root = *root;
    // Objects shared by several kept parts (class entries, style names) count once for each.
    archive->m_keepBudget = 4 * archive->objectCount() + 65536;
    return archive;
}

plist_t Unarchiver::object(quint64 reference) const
{
    return reference == 0 || reference >= m_objects.size() ? nullptr : m_objects[reference];
}

std::optional<quint64> Unarchiver::reference(plist_t value) const
{
    if (!value || plist_get_node_type(value) != PLIST_UID)
        return std::nullopt;
    uint64_t uid = 0;
    plist_get_uid_val(value, &uid);
    if (uid >= m_objects.size())
        return std::nullopt;
    return quint64(uid);
}

plist_t Unarchiver::member(quint64 reference, const char* key) const
{
    plist_t instance = object(reference);
    if (!instance || plist_get_node_type(instance) != PLIST_DICT)
        return nullptr;
    return plist_dict_get_item(instance, key);
}

std::optional<quint64> Unarchiver::memberReference(quint64 ref, const char* key) const
{
    plist_t value = member(ref, key);
    if (!value)
        return quint64(0);
    return reference(value);
}

const Unarchiver::ClassEntry* Unarchiver::classOf(quint64 ref) const
{
    const std::optional<quint64> cls = memberReference(ref, "$class");
    if (!cls || *cls == 0)
        return nullptr;
    auto it = m_classEntries.constFind(*cls);
    if (it != m_classEntries.constEnd())
        return it.value().get();
    plist_t entry = object(*cls);
    auto bytes = [](plist_t node) {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return QByteArray(text, qsizetype(length));
    };
    plist_t name = entry && plist_get_node_type(entry) == PLIST_DICT
                       ? plist_dict_get_item(entry, "$classname")
                       : nullptr;
    if (!name || plist_get_node_type(name) != PLIST_STRING) {
        m_classEntries.insert(*cls, nullptr);
        return nullptr;
    }
    auto info = std::make_shared<ClassEntry>();
    info->name = bytes(name);
    plist_t classes = plist_dict_get_item(entry, "$classes");
    if (classes && plist_get_node_type(classes) == PLIST_ARRAY) {
        forEachArrayItem(classes, [&](plist_t item) {
            if (plist_get_node_type(item) == PLIST_STRING)
                info->classes.append(bytes(item));
            return true;
        });
    }
    m_classEntries.insert(*cls, info);
    return info.get();
}

QString Unarchiver::className(quint64 ref) const
{
    const ClassEntry* entry = classOf(ref);
    return entry ? QString::fromUtf8(entry->name) : QString();
}

bool Unarchiver::hasClass(quint64 ref, const char* name) const
{
    const ClassEntry* entry = classOf(ref);
    return entry && entry->name == name;
}

bool Unarchiver::isKindOf(quint64 ref, const char* name) const
{
    const ClassEntry* entry = classOf(ref);
    return entry && (entry->name == name || entry->classes.contains(QByteArray(name)));
}

std::optional<QString> Unarchiver::text(quint64 ref) const
{
    plist_t value = object(ref);
    if (!value)
        return std::nullopt;
    const char* bytes = nullptr;
    uint64_t length = 0;
    if (plist_get_node_type(value) == PLIST_STRING) {
        bytes = plist_get_string_ptr(value, &length);
    } else if (isKindOf(ref, "NSString")) {
        plist_t string = member(ref, "NS.string");
        plist_t utf8 = member(ref, "NS.bytes");
        if (string && plist_get_node_type(string) == PLIST_STRING)
            bytes = plist_get_string_ptr(string, &length);
        else if (utf8 && plist_get_node_type(utf8) == PLIST_DATA)
            bytes = plist_get_data_ptr(utf8, &length);
    }
    if (!bytes)
        return std::nullopt;
    // What could not be written back as it was read is refused rather than changed: a NUL (libplist
    // ends a text there) and bytes that are not UTF-8 (libplist and Qt would each mend them their way).
    const QUtf8StringView utf8(bytes, qsizetype(length));
    if (!utf8.isValidUtf8() || std::memchr(bytes, 0, size_t(length)))
        return std::nullopt;
    return utf8.toString();
}

std::optional<std::vector<quint64>> Unarchiver::arrayItems(quint64 ref) const
{
    plist_t items = member(ref, "NS.objects");
    if (!items || plist_get_node_type(items) != PLIST_ARRAY || !isKindOf(ref, "NSArray"))
        return std::nullopt;
    std::vector<quint64> refs;
    refs.reserve(plist_array_get_size(items));
    bool ok = true;
    forEachArrayItem(items, [&](plist_t item) {
        const std::optional<quint64> r = reference(item);
        if (r)
            refs.push_back(*r);
        return ok = r.has_value();
    });
    if (!ok)
        return std::nullopt;
    return refs;
}

std::optional<std::vector<std::pair<quint64, quint64>>> Unarchiver::dictionaryItems(quint64 ref) const
{
    plist_t keys = member(ref, "NS.keys");
    plist_t values = member(ref, "NS.objects");
    if (!keys || !values || plist_get_node_type(keys) != PLIST_ARRAY ||
        plist_get_node_type(values) != PLIST_ARRAY ||
        plist_array_get_size(keys) != plist_array_get_size(values) || !isKindOf(ref, "NSDictionary"))
        return std::nullopt;
    std::vector<quint64> keyRefs;
    std::vector<quint64> valueRefs;
    bool ok = true;
    auto collect = [&](std::vector<quint64>& into) {
        return [&](plist_t item) {
            const std::optional<quint64> r = reference(item);
            if (r)
                into.push_back(*r);
            return ok = r.has_value();
        };
    };
    forEachArrayItem(keys, collect(keyRefs));
    if (ok)
        forEachArrayItem(values, collect(valueRefs));
    if (!ok)
        return std::nullopt;
    std::vector<std::pair<quint64, quint64>> pairs;
    pairs.reserve(keyRefs.size());
    for (size_t i = 0; i < keyRefs.size(); ++i)
        pairs.emplace_back(keyRefs[i], valueRefs[i]);
    return pairs;
}

std::optional<QByteArray> Unarchiver::data(quint64 ref) const
{
    plist_t value = object(ref);
    if (value && plist_get_node_type(value) != PLIST_DATA) {
        if (!isKindOf(ref, "NSData"))
            return std::nullopt;
        value = member(ref, "NS.data");
    }
    if (!value || plist_get_node_type(value) != PLIST_DATA)
        return std::nullopt;
    uint64_t length = 0;
    const char* bytes = plist_get_data_ptr(value, &length);
    return QByteArray(bytes, qsizetype(length));
}

std::optional<double> Unarchiver::dateInterval(quint64 ref) const
{
    if (!isKindOf(ref, "NSDate"))
        return std::nullopt;
    return plistNumber(member(ref, "NS.time"));
}

std::shared_ptr<const ArchivedGraph> Unarchiver::keep(quint64 ref) const
{
    if (ref == 0 || ref >= m_objects.size())
        return nullptr;
    QSet<quint64> seen{ref};
    std::vector<quint64> pending{ref};
    while (!pending.empty()) {
        if (m_keepBudget == 0)
            return nullptr;
        --m_keepBudget;
        const quint64 uid = pending.back();
        pending.pop_back();
        const bool inRange = forEachReference(m_objects[uid], [&](quint64 next) {
            if (next >= m_objects.size())
                return false;
            if (next != 0 && !seen.contains(next)) {
                seen.insert(next);
                pending.push_back(next);
            }
            return true;
        });
        if (!inRange)
            return nullptr;
    }
    auto graph = std::make_shared<ArchivedGraph>();
    graph->archive = m_bytes;
    graph->root = ref;
    return graph;
}

// Archiver

Archiver::Archiver()
{
    m_objects.push_back(plist_new_string("$null"));
}

Archiver::~Archiver()
{
    for (plist_t object : m_objects)
        plist_free(object);
}

quint64 Archiver::reserve()
{
    m_objects.push_back(nullptr);
    return quint64(m_objects.size() - 1);
}

void Archiver::set(quint64 reference, plist_t object)
{
    plist_free(m_objects[reference]);
    m_objects[reference] = object;
}

quint64 Archiver::add(plist_t object)
{
    m_objects.push_back(object);
    return quint64(m_objects.size() - 1);
}

quint64 Archiver::text(const QString& value)
{
    auto it = m_texts.constFind(value);
    if (it != m_texts.constEnd())
        return it.value();
    const quint64 ref = add(plist_new_string(value.toUtf8().constData()));
    m_texts.insert(value, ref);
    return ref;
}

quint64 Archiver::classReference(const QString& name, const QStringList& classes)
{
    auto it = m_classes.constFind(name);
    if (it != m_classes.constEnd())
        return it.value();
    plist_t entry = plist_new_dict();
    setMember(entry, "$classname", plist_new_string(name.toUtf8().constData()));
    plist_t chain = plist_new_array();
    for (const QString& cls : classes)
        plist_array_append_item(chain, plist_new_string(cls.toUtf8().constData()));
    setMember(entry, "$classes", chain);
    const quint64 ref = add(entry);
    m_classes.insert(name, ref);
    return ref;
}

quint64 Archiver::appendGraph(const ArchivedGraph& graph)
{
    std::shared_ptr<const Unarchiver>& source = m_sources[graph.archive.constData()];
    if (!source) {
        QString error;
        source = Unarchiver::open(graph.archive, error);
        if (!source)
            return 0;
    }
    // Each object takes its place when it is first named, as the platform's archiver places them.
    QHash<quint64, quint64> placed;
    std::deque<quint64> pending{graph.root};
    placed.insert(graph.root, reserve());
    while (!pending.empty()) {
        const quint64 from = pending.front();
        pending.pop_front();
        plist_t copy = plist_copy(source->object(from));
        remapReferences(copy, [&](quint64 uid) -> std::optional<quint64> {
            if (uid == 0 || uid >= source->objectCount())
                return quint64(0);
            auto it = placed.constFind(uid);
            if (it != placed.constEnd())
                return it.value();
            const quint64 to = reserve();
            placed.insert(uid, to);
            pending.push_back(uid);
            return to;
        });
        set(placed.value(from), copy);
    }
    return placed.value(graph.root);
}

QByteArray Archiver::finish(quint64 root)
{
    PlistNode document(plist_new_dict());
    setMember(document.get(), "$version", plist_new_uint(kArchiveVersion));
    setMember(document.get(), "$archiver", plist_new_string(kArchiverName));
    plist_t top = plist_new_dict();
    setMember(top, "root", plist_new_uid(root));
    setMember(document.get(), "$top", top);
    plist_t objects = plist_new_array();
    for (plist_t& object : m_objects) {
        plist_array_append_item(objects, object ? object : plist_new_string("$null"));
        object = nullptr;
    }
    m_objects.clear();
    m_texts.clear();
    m_classes.clear();
    setMember(document.get(), "$objects", objects);

    char* bytes = nullptr; // must be null on entry, or plist_to_bin does nothing
    uint32_t length = 0;
    plist_to_bin(document.get(), &bytes, &length);
    QByteArray out(bytes, qsizetype(length));
    free(bytes);
    return out;
}

} // namespace trevalo
