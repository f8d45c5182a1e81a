#include "taskpad/ui/NoteRichText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <cmath>

namespace trevalo {

namespace {

// What a run gets when the editor gave it a weight, slant or size but no family.
const QString kDefaultFamily = QStringLiteral("Helvetica");
constexpr double kDefaultSize = 12;

QTextCharFormat formatOf(const TextStyle& style)
{
    QTextCharFormat format;
    if (!style.fontName.isEmpty()) {
        format.setFontFamilies({style.fontFamily()});
        if (style.fontSize > 0)
            format.setFontPointSize(style.fontSize);
        if (style.bold())
            format.setFontWeight(QFont::Bold);
        if (style.italic())
            format.setFontItalic(true);
    }
    if (style.underline)
        format.setFontUnderline(true);
    if (style.color) {
        const TextColor& c = *style.color;
        format.setForeground(QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha)));
    }
    return format;
}

// Qt keeps 16 bits of a colour component; four decimals give back the values a note was shown with.
double component(float value)
{
    return std::round(double(value) * 10000) / 10000;
}

TextStyle styleOf(const QTextCharFormat& format)
{
    TextStyle style;
    const QStringList families = format.fontFamilies().toStringList();
    const bool bold = format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::Bold;
    const bool italic = format.fontItalic();
    const bool sized = format.hasProperty(QTextFormat::FontPointSize);
    if (!families.isEmpty() || bold || italic || sized)
        style.setFont(families.isEmpty() ? kDefaultFamily : families.first(),
                      sized ? format.fontPointSize() : kDefaultSize, bold, italic);
    style.underline = format.fontUnderline();
    if (format.foreground().style() != Qt::NoBrush) {
        const QColor c = format.foreground().color().toRgb();
        style.color = TextColor{component(c.redF()), component(c.greenF()), component(c.blueF()),
                                component(c.alphaF())};
    }
    return style;
}

} // namespace

void showNote(QTextDocument& document, const StyledText& note)
{
    document.clear();
    QTextCursor cursor(&document);
    qsizetype at = 0;
    for (const StyleRun& run : note.runs()) {
        // A line feed starts a block whose own format is the run's, so that it is read back in it.
        cursor.insertText(note.text().mid(at, run.length), formatOf(run.style));
        at += run.length;
    }
}

StyledText noteFromDocument(const QTextDocument& document)
{
    StyledText note;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            note.append(QStringLiteral("\n"), styleOf(block.charFormat()));
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.isValid())
                note.append(fragment.text(), styleOf(fragment.charFormat()));
        }
    }
    return note;
}

} // namespace trevalo
