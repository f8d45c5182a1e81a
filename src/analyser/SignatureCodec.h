#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

// The signature files' encoding and the readable lists they are built from.
//
// This file is also compiled into trevalo-sigtool, which links Qt Core and nothing else of ours: keep
// it free of logging, settings and the other platform pieces.

namespace trevalo {

/// Every character of a signature file is stored as its code plus this number.
inline constexpr int kSignatureOffset = 6142;

/// Reads a number the way the signature files have always been read (intValue): leading white space
/// and line breaks are skipped, one optional sign is taken, digits are read up to the first non-digit
/// and the rest is ignored. Values beyond the int range saturate. Empty when there is no digit.
std::optional<qint64> readIntValue(QStringView token);

/// True for a character that a decoded signature text may hold: any Unicode scalar value except the
/// control characters, of which only tab and line feed are allowed (entries are trimmed of them).
inline bool isSignatureCharacter(char32_t code)
{
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return false;
    if (code == '\t' || code == '\n')
        return true;
    // C0 controls, DEL and the C1 controls.
    return !(code < 0x20 || (code >= 0x7F && code <= 0x9F));
}

struct DecodedText {
    QString text;
    /// Tokens that were not a number, or whose character is not allowed; they add nothing to `text`.
    int skipped = 0;
};

/// The decoded text of the number texts, one character each, in order. A token that holds no number
/// or decodes to a character that isSignatureCharacter refuses is skipped and counted in `skipped`
/// when it is given.
QString binaryToString(const QStringList& numberTexts, int* skipped = nullptr);

/// The encoded form of a plain text: one number per character (code point), separated by single
/// spaces, with no final separator.
QString encode(const QString& plain);

/// Decodes a whole signature file: the text is split at single spaces and each token decoded as
/// binaryToString does. A text that is empty or only white space decodes to nothing without a skip.
DecodedText decodeText(QStringView fileText);

/// Decodes the bytes of a signature file, read as UTF-8. Bytes that are not UTF-8 decode to nothing,
/// as a file that cannot be read does. Same result as decodeText of the text, without building it for
/// the plain ASCII that well-formed files are.
DecodedText decodeBytes(const QByteArray& fileBytes);

/// The entries of a decoded text: split at commas, each trimmed; empty entries are dropped, since an
/// empty entry would otherwise occur in every path.
QStringList entries(const QString& decodedText);

/// One entry of a readable signature list (resources/signatures/<name>.list).
struct ListEntry {
    QString entry;
    QString family;
    QString source;
    int line = 0;
};

struct ParsedList {
    QVector<ListEntry> entries;
    /// One message per refused line, "line N: ..."; a list with errors must not be encoded.
    QStringList errors;
};

/// Reads a readable list: one entry per line as `entry<TAB>family<TAB>source`, lines starting with
/// "#" are comments, blank lines are allowed. An entry may not hold a comma (it would split into two
/// entries once encoded), nor start or end with white space, and every entry needs its family and
/// source.
ParsedList parseSignatureList(const QString& listText);

} // namespace trevalo
