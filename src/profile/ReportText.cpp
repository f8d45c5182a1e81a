#include "profile/ReportText.h"

#include <algorithm>

namespace trevalo {

void ReportText::append(QStringView text, ReportColour colour)
{
    if (text.isEmpty())
        return;
    if (!m_runs.isEmpty() && m_runs.last().colour == colour)
        m_runs.last().length += text.size();
    else
        m_runs.append({m_text.size(), text.size(), colour});
    m_text += text;
}

void ReportText::setDisplayText(const QString& text, ReportColour colour)
{
    append(text.isEmpty() ? QStringLiteral(" ") : text, colour);
}

void ReportText::insertTextColor(ReportColour colour, qsizetype start, qsizetype length)
{
    start = std::clamp<qsizetype>(start, 0, m_text.size());
    const qsizetype end = std::clamp<qsizetype>(start + std::max<qsizetype>(length, 0), start, m_text.size());
    if (start == end)
        return;
    // The runs before the range, the range itself, and the runs after it, each cut where the range cuts.
    QVector<StyledRun> runs;
    for (const StyledRun& run : std::as_const(m_runs)) {
        const qsizetype runEnd = run.start + run.length;
        if (run.start < start)
            runs.append({run.start, std::min(runEnd, start) - run.start, run.colour});
        if (runEnd > end)
            runs.append({std::max(run.start, end), runEnd - std::max(run.start, end), run.colour});
    }
    const auto at =
        std::lower_bound(runs.begin(), runs.end(), start,
                         [](const StyledRun& r, qsizetype position) { return r.start < position; });
    runs.insert(at, {start, end - start, colour});
    // Neighbours of one colour become one run again.
    m_runs.clear();
    for (const StyledRun& run : std::as_const(runs)) {
        if (!m_runs.isEmpty() && m_runs.last().colour == run.colour &&
            m_runs.last().start + m_runs.last().length == run.start)
            m_runs.last().length += run.length;
        else
            m_runs.append(run);
    }
}

ReportColour ReportText::colourAt(qsizetype position) const
{
    const auto run = std::upper_bound(m_runs.begin(), m_runs.end(), position,
                                      [](qsizetype at, const StyledRun& r) { return at < r.start; });
    if (run == m_runs.begin())
        return ReportColour::Base;
    const StyledRun& found = *(run - 1);
    return position < found.start + found.length ? found.colour : ReportColour::Base;
}

} // namespace trevalo
