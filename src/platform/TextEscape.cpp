#include "platform/TextEscape.h"

namespace trevalo {

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
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
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
            if (c.unicode() < 0x20 || c.unicode() == 0x7F) {
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

} // namespace trevalo
