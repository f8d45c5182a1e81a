#include "analyser/SignatureCodec.h"

#include <QStringDecoder>
#include <climits>

namespace trevalo {

namespace {

bool isIntValueSpace(char16_t c)
{
    return QChar(c).isSpace();
}

// intValue-style reading of one token, shared by the text and the byte paths so that both read every
// token alike.
template <typename Char> std::optional<qint64> readToken(const Char* p, const Char* end)
{
    while (p < end && isIntValueSpace(char16_t(p[0])))
        ++p;
    bool negative = false;
    if (p < end && (p[0] == Char('+') || p[0] == Char('-'))) {
        negative = p[0] == Char('-');
        ++p;
    }
    const Char* firstDigit = p;
    qint64 value = 0;
    // Saturate at the int range as intValue does; the cap keeps `value` far from overflowing.
    constexpr qint64 cap = qint64(INT_MAX) + 1;
    while (p < end && p[0] >= Char('0') && p[0] <= Char('9')) {
        if (value < cap)
            value = value * 10 + (p[0] - Char('0'));
        ++p;
    }
    if (p == firstDigit)
        return std::nullopt;
    if (negative)
        value = -value;
    return qBound(qint64(INT_MIN), value, qint64(INT_MAX));
}

bool appendCode(std::optional<qint64> value, QString& out)
{
    if (!value)
        return false;
    const qint64 code = *value - kSignatureOffset;
    if (code < 0 || !isSignatureCharacter(char32_t(code)))
        return false;
    if (code < 0x10000) {
        out.append(QChar(char16_t(code)));
    } else {
        const char32_t c = char32_t(code);
        out.append(QString::fromUcs4(&c, 1));
    }
    return true;
}

template <typename Char> DecodedText decodeTokens(const Char* begin, const Char* end)
{
    DecodedText result;
    // Decoded characters go straight into a buffer big enough for the worst case (every token one
    // character of two UTF-16 units; a token and its separator take at least two input characters):
    // the location list runs to hundreds of thousands of tokens.
    result.text.resize((end - begin) + 2);
    char16_t* out = reinterpret_cast<char16_t*>(result.text.data());
    char16_t* const start = out;

    const Char* p = begin;
    while (true) {
        // Nearly every token is a plain run of digits: read it in one go.
        const Char* q = p;
        qint64 value = 0;
        while (q < end && *q >= Char('0') && *q <= Char('9') && q - p < 10) {
            value = value * 10 + (*q - Char('0'));
            ++q;
        }
        std::optional<qint64> token;
        if (q > p && (q == end || *q == Char(' '))) {
            token = value;
        } else {
            while (q < end && *q != Char(' '))
                ++q;
            token = readToken(p, q);
        }
        const qint64 code = token ? *token - kSignatureOffset : -1;
        if (code < 0 || !isSignatureCharacter(char32_t(code))) {
            ++result.skipped;
        } else if (code < 0x10000) {
            *out++ = char16_t(code);
        } else {
            *out++ = QChar::highSurrogate(char32_t(code));
            *out++ = QChar::lowSurrogate(char32_t(code));
        }
        if (q == end)
            break;
        p = q + 1;
    }
    result.text.truncate(out - start);
    return result;
}

template <typename Char> bool onlySpace(const Char* begin, const Char* end)
{
    for (const Char* p = begin; p < end; ++p) {
        if (!isIntValueSpace(char16_t(*p)))
            return false;
    }
    return true;
}

} // namespace

std::optional<qint64> readIntValue(QStringView token)
{
    return readToken(token.utf16(), token.utf16() + token.size());
}

QString binaryToString(const QStringList& numberTexts, int* skipped)
{
    QString out;
    out.reserve(numberTexts.size());
    int bad = 0;
    for (const QString& token : numberTexts) {
        if (!appendCode(readIntValue(token), out))
            ++bad;
    }
    if (skipped)
        *skipped = bad;
    return out;
}

QString encode(const QString& plain)
{
    QString out;
    const QList<uint> codes = plain.toUcs4();
    out.reserve(codes.size() * 5);
    for (qsizetype i = 0; i < codes.size(); ++i) {
        if (i > 0)
            out.append(' ');
        out.append(QString::number(qint64(codes.at(i)) + kSignatureOffset));
    }
    return out;
}

DecodedText decodeText(QStringView fileText)
{
    const char16_t* begin = fileText.utf16();
    const char16_t* end = begin + fileText.size();
    if (onlySpace(begin, end))
        return {};
    return decodeTokens(begin, end);
}

DecodedText decodeBytes(const QByteArray& fileBytes)
{
    const char* begin = fileBytes.constData();
    const char* end = begin + fileBytes.size();
    bool ascii = true;
    for (const char* p = begin; p < end; ++p) {
        if (uchar(*p) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        if (onlySpace(begin, end))
            return {};
        return decodeTokens(begin, end);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(fileBytes);
    if (utf8.hasError())
        return {};
    return decodeText(text);
}

QStringList entries(const QString& decodedText)
{
    QStringList out;
    for (QStringView part : QStringView(decodedText).tokenize(u',')) {
        const QStringView entry = part.trimmed();
        if (!entry.isEmpty())
            out.append(entry.toString());
    }
    return out;
}

ParsedList parseSignatureList(const QString& listText)
{
    ParsedList result;
    QString text = listText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        const int number = int(i) + 1;
        if (line.trimmed().isEmpty() || line.startsWith('#'))
            continue;
        auto refuse = [&](const QString& why) {
            result.errors.append(QStringLiteral("line %1: %2").arg(number).arg(why));
        };
        const QStringList fields = line.split('\t');
        const QString& entry = fields.at(0);
        if (entry.isEmpty()) {
            refuse(QStringLiteral("the line has no entry before its first tab"));
            continue;
        }
        if (entry.contains(',')) {
            refuse(QStringLiteral("entry \"%1\" contains a comma, which separates entries in the "
                                  "encoded file")
                       .arg(entry));
            continue;
        }
        if (entry != entry.trimmed()) {
            refuse(QStringLiteral("entry \"%1\" starts or ends with white space").arg(entry));
            continue;
        }
        if (fields.size() != 3 || fields.at(1).trimmed().isEmpty() || fields.at(2).trimmed().isEmpty()) {
            refuse(QStringLiteral("entry \"%1\" needs exactly a family and a source after it, each "
                                  "after a tab")
                       .arg(entry));
            continue;
        }
        result.entries.append({entry, fields.at(1), fields.at(2), number});
    }
    return result;
}

} // namespace trevalo
