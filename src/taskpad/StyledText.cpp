#include "taskpad/StyledText.h"

namespace trevalo {

namespace {

// The style part of a font name: "BoldOblique" in "Helvetica-BoldOblique".
QString faceOf(const QString& fontName)
{
    const qsizetype dash = fontName.indexOf('-');
    return dash < 0 ? QString() : fontName.mid(dash + 1);
}

} // namespace

QString TextStyle::fontFamily() const
{
    const qsizetype dash = fontName.indexOf('-');
    if (dash < 0)
        return fontName;
    const QString compact = fontName.left(dash);
    QString family;
    for (qsizetype i = 0; i < compact.size(); ++i) {
        if (i > 0 && compact[i].isUpper() && compact[i - 1].isLower())
            family += ' ';
        family += compact[i];
    }
    return family;
}

bool TextStyle::bold() const
{
    return faceOf(fontName).contains(QLatin1String("Bold"));
}

bool TextStyle::italic() const
{
    const QString face = faceOf(fontName);
    return face.contains(QLatin1String("Italic")) || face.contains(QLatin1String("Oblique"));
}

void TextStyle::setFont(const QString& family, double size, bool isBold, bool isItalic)
{
    fontSize = size;
    if (!isBold && !isItalic) {
        fontName = family;
        return;
    }
    fontName = QString(family).remove(' ') + '-' + (isBold ? QStringLiteral("Bold") : QString()) +
               (isItalic ? QStringLiteral("Italic") : QString());
}

StyledText StyledText::plain(const QString& text)
{
    StyledText note;
    note.append(text);
    return note;
}

void StyledText::append(const QString& text, const TextStyle& style)
{
    m_archived.reset();
    if (text.isEmpty())
        return;
    m_text += text;
    if (!m_runs.isEmpty() && m_runs.last().style == style)
        m_runs.last().length += text.size();
    else
        m_runs.append({text.size(), style});
}

} // namespace trevalo
