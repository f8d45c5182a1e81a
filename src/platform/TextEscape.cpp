#include "platform/TextEscape.h"

namespace trevalo {

namespace {

/// Characters with a meaning to the shell outside quotes: word splitting, quoting, expansion, globbing,
/// redirection, command lists, comments, brace and tilde expansion, history.
const QString kShellSpecial = QStringLiteral(" \t\\'\"`$&|;<>()*?[]#~{}!");

} // namespace

QString escapeField(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (const QChar c : field) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            // C0, DEL and the C1 controls: a terminal acts on U+009B as on ESC [.
            if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    return out;
}

QString appleScriptString(const QString& text)
{
    QString literal = QStringLiteral("\"");
    bool joined = false;
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            literal += QLatin1String("\\\\");
            break;
        case '"':
            literal += QLatin1String("\\\"");
            break;
        case '\n':
            literal += QLatin1String("\\n");
            break;
        case '\r':
            literal += QLatin1String("\\r");
            break;
        case '\t':
            literal += QLatin1String("\\t");
            break;
        default:
            // C0, DEL and the C1 controls: a terminal acts on U+009B as on ESC [.
            if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0)) {
                literal += QStringLiteral("\" & (character id %1) & \"").arg(c.unicode());
                joined = true;
            } else {
                literal += c;
            }
        }
    }
    literal += QLatin1Char('"');
    return joined ? QLatin1Char('(') + literal + QLatin1Char(')') : literal;
}

QString shellWord(const QString& text)
{
    // An empty text would be no word at all: the words after it would move up one place.
    if (text.contains(u'\n') || text.isEmpty()) {
        QString quoted = text;
        quoted.replace(u'\'', QLatin1String("'\\''"));
        return u'\'' + quoted + u'\'';
    }
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (kShellSpecial.contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}

QString doubleQuotedContent(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (c == u'"' || c == u'\\' || c == u'$' || c == u'`')
            out += u'\\';
        out += c;
    }
    return out;
}

} // namespace trevalo
