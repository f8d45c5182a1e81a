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

/// A QSettings format that stores the settings as one XML property list: the form of a defaults domain,
/// with types kept across a reload (QSettings' own formats read booleans back as texts and cannot tell
/// an empty list from a missing one).
QSettings::Format plistSettingsFormat();

} // namespace trevalo
