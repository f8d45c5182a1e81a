#pragma once

#include <QByteArray>
#include <QSettings>
#include <QVariant>
#include <optional>

namespace trevalo {

/// Property lists (XML or binary in, XML out) as QVariants: dictionaries become QVariantMap, arrays
/// QVariantList (QStringList when every element is a text), booleans, integers, reals, texts, dates and
/// data keep their types.
std::optional<QVariant> plistToVariant(const QByteArray& bytes);
QByteArray variantToXmlPlist(const QVariant& value);

/// A QSettings format that stores the settings as one XML property list: the form of a defaults domain,
/// with types kept across a reload (QSettings' own formats read booleans back as texts and cannot tell
/// an empty list from a missing one).
QSettings::Format plistSettingsFormat();

} // namespace trevalo
