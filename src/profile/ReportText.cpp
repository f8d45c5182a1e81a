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
