#pragma once

#include <QByteArray>
#include <QSettings>
#include <QVariant>
#include <optional>

namespace trevalo {

/// Arrays and dictionaries nested deeper than this make a property list unreadable: reading one takes a
/// level of the stack per level of nesting, and a file nested thousands deep would end the program.
inline constexpr int kPlistMaxNesting = 512;

/// Property lists (XML or binary in, XML out) as QVariants: dictionaries become QVariantMap, arrays
/// QVariantList (QStringList when every element is a text), booleans, integers, reals, texts, dates and
/// data keep their types. Absent when the bytes are no property list, nest deeper than kPlistMaxNesting,
/// or (binary) name shared parts so often that they would expand beyond any settings file.
std::optional<QVariant> plistToVariant(const QByteArray& bytes);
QByteArray variantToXmlPlist(const QVariant& value);

/// Whether libplist can read a binary property list without ending the program: its containers nest no
/// deeper than kPlistMaxNesting and, counting a shared part once for every place that names it, hold no
/// more than `maxValues` values. Bytes that libplist itself refuses pass; reading them then fails.
bool binaryPlistWithinLimits(const QByteArray& bytes, quint64 maxValues);

/// The object table of a binary property list, read from its trailer, for the checks that walk a file
/// before libplist reads it. Offsets are checked against the table; meaning is left to the walker.
class BinaryPlistTable {
public:
    /// Absent when the bytes are too short or the trailer's sizes make no sense (libplist refuses those).
    static std::optional<BinaryPlistTable> read(const QByteArray& bytes);

    quint64 objectCount() const { return m_objectCount; }
    quint64 topObject() const { return m_topObject; }
    unsigned refSize() const { return m_refSize; }
    /// Where the object table starts: every object lies before it.
    quint64 tableStart() const { return m_tableStart; }
    const uchar* data() const { return m_data; }
    /// An unsigned big-endian number of `width` bytes at `at`.
    quint64 number(quint64 at, unsigned width) const;

    /// An object's marker: its type (the high four bits) and, when asked, its length with the extended
    /// form decoded and where its content starts.
    struct Object {
        unsigned type = 0;
        quint64 length = 0;
        quint64 start = 0;
    };
    /// Object `index` (below objectCount()); false when its offset or its length lies past the table.
    /// `itemSize` is the size of one unit of its content (0: do not read the length).
    bool object(quint64 index, Object& object, quint64 itemSize) const;

private:
    BinaryPlistTable() = default;

    const uchar* m_data = nullptr;
    unsigned m_offsetSize = 0;
    unsigned m_refSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_topObject = 0;
    quint64 m_tableStart = 0;
};

/// A QSettings format that stores the settings as one XML property list: the form of a defaults domain,
/// with types kept across a reload (QSettings' own formats read booleans back as texts and cannot tell
/// an empty list from a missing one).
QSettings::Format plistSettingsFormat();

} // namespace trevalo
