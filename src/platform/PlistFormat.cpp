#include "platform/PlistFormat.h"

#include <QDateTime>
#include <QIODevice>
#include <QTimeZone>
#include <memory>
#include <plist/plist.h>

namespace trevalo {

namespace {

// Seconds between 1970-01-01 and the property-list epoch 2001-01-01 (UTC).
constexpr qint64 kPlistEpoch = 978307200;

struct PlistFree {
    void operator()(plist_t p) const { plist_free(p); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

QVariant toVariant(plist_t node)
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
        char* text = nullptr;
        plist_get_string_val(node, &text);
        QString s = QString::fromUtf8(text ? text : "");
        free(text);
        return QVariant(s);
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
        QVariantList list;
        bool allText = true;
        const uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i) {
            plist_t item = plist_array_get_item(node, i);
            allText = allText && plist_get_node_type(item) == PLIST_STRING;
            list << toVariant(item);
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
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!key)
                break;
            map.insert(QString::fromUtf8(key), toVariant(value));
            free(key);
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

std::optional<QVariant> plistToVariant(const QByteArray& bytes)
{
    plist_t root = nullptr;
    if (bytes.startsWith("bplist"))
        plist_from_bin(bytes.constData(), uint32_t(bytes.size()), &root);
    else
        plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &root);
    if (!root)
        return std::nullopt;
    PlistPtr owner(root);
    return toVariant(root);
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
