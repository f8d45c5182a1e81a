#pragma once

#include <QString>
#include <QVector>
#include <memory>
#include <optional>

namespace trevalo {

class ArchivedGraph;

/// A colour as the Mac keeps a note's text colour: red, green, blue and alpha from 0 to 1.
struct TextColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    bool operator==(const TextColor&) const = default;
};

/// The styles of one run of a note that the task pad shows and edits.
struct TextStyle {
    /// The font's name as the Mac names it ("Helvetica-BoldOblique", "Menlo"); empty when the run names
    /// no font. Family, bold and italic are read from it.
    QString fontName;
    /// In points; 0 when the run names no font.
    double fontSize = 0;
    bool underline = false;
    std::optional<TextColor> color;

    /// "Helvetica Neue" for "HelveticaNeue-Bold": the part before the style, with a space wherever a
    /// capital follows a small letter.
    QString fontFamily() const;
    bool bold() const;
    bool italic() const;
    /// Names the font as the Mac does: the family alone, or without its spaces followed by "-Bold",
    /// "-Italic" or "-BoldItalic".
    void setFont(const QString& family, double size, bool bold, bool italic);

    bool operator==(const TextStyle&) const = default;
};

struct StyleRun {
    qsizetype length = 0; ///< in UTF-16 units, as the Mac counts a string's length
    TextStyle style;
    bool operator==(const StyleRun&) const = default;
};

/// A task's note: its text and the styled runs over it, in order, covering the whole text.
///
/// A note read from a task pad file also keeps everything the file held for it, including styles this
/// program does not show (paragraph styles, kerning, attachments); it is written back as it was read
/// for as long as it is not changed. Changing its text or runs drops that copy.
class StyledText {
public:
    StyledText() = default;
    /// A note without styles.
    static StyledText plain(const QString& text);

    /// Appends text in a style; a run in the same style as the last one extends it.
    void append(const QString& text, const TextStyle& style = {});

    const QString& text() const { return m_text; }
    const QVector<StyleRun>& runs() const { return m_runs; }

    /// The note as the file held it, written back while the note is unchanged; null for a note made
    /// or changed here.
    const std::shared_ptr<const ArchivedGraph>& archived() const { return m_archived; }
    void setArchived(std::shared_ptr<const ArchivedGraph> archived) { m_archived = std::move(archived); }

    /// Same text and runs (the copy of the file's form is not compared).
    bool operator==(const StyledText& other) const
    {
        return m_text == other.m_text && m_runs == other.m_runs;
    }

private:
    QString m_text;
    QVector<StyleRun> m_runs;
    std::shared_ptr<const ArchivedGraph> m_archived;
};

} // namespace trevalo
