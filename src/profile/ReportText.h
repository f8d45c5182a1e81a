#pragma once

#include <QString>
#include <QStringView>
#include <QVector>

namespace trevalo {

/// The colours of the profile report. The window and the command line each turn them into their own
/// form (rich text, terminal colours); the report itself knows no widget.
enum class ReportColour { Base, White, Yellow, Orange, Magenta, Green, Cyan };

struct StyledRun {
    qsizetype start = 0;
    qsizetype length = 0;
    ReportColour colour = ReportColour::Base;
};

/// A report being built: its plain text and the coloured runs over it, in order, not overlapping.
class ReportText {
public:
    /// Appends text in a colour.
    void append(QStringView text, ReportColour colour = ReportColour::Base);
    void append(const QString& text, ReportColour colour = ReportColour::Base)
    {
        append(QStringView(text), colour);
    }
    /// Appends as the report view does ("setDisplayText:"): an empty text appends a single blank.
    void setDisplayText(const QString& text, ReportColour colour = ReportColour::Base);

    /// Recolours the range of `length` characters at `start` ("insertTextColor:atLocation:forLength:");
    /// the part of the range past the end of the text is ignored.
    void insertTextColor(ReportColour colour, qsizetype start, qsizetype length);

    const QString& text() const { return m_text; }
    const QVector<StyledRun>& runs() const { return m_runs; }
    /// The colour of the character at a position.
    ReportColour colourAt(qsizetype position) const;

    /// Calls `piece(QStringView text, ReportColour colour)` for the whole text, in order: each run in its
    /// colour, and the stretches no run covers in the base colour.
    template <typename Piece> void forEachPiece(Piece&& piece) const
    {
        qsizetype written = 0;
        for (const StyledRun& run : m_runs) {
            if (run.start > written)
                piece(QStringView(m_text).mid(written, run.start - written), ReportColour::Base);
            piece(QStringView(m_text).mid(run.start, run.length), run.colour);
            written = run.start + run.length;
        }
        if (written < m_text.size())
            piece(QStringView(m_text).mid(written), ReportColour::Base);
    }

private:
    QString m_text;
    QVector<StyledRun> m_runs;
};

} // namespace trevalo
