#include "profile/FolderSection.h"

#include "profile/ChangeDetection.h"

#include <QHash>
#include <algorithm>

namespace trevalo {

namespace {

struct Mark {
    qsizetype at = 0;     // where the name starts in the section
    qsizetype length = 0; // the name's length
    bool removed = false;
};

/// Finds where each name of a list stands in the section: a line equal to it (each repeat of a name
/// takes the next such line), else its first occurrence in the section. The lines are views into the
/// section, which must outlive the locator; a first run's section has a line for every entry.
class SectionLocator {
public:
    explicit SectionLocator(QStringView section) : m_section(section)
    {
        const qsizetype lines = section.count(u'\n') + 1;
        m_starts.reserve(lines);
        m_next.reserve(lines);
        m_lines.reserve(lines);
        qsizetype start = 0;
        for (;;) {
            qsizetype end = section.indexOf(u'\n', start);
            if (end < 0)
                end = section.size();
            const qsizetype line = m_starts.size();
            m_starts.append(start);
            m_next.append(-1);
            const auto same = m_lines.find(section.sliced(start, end - start));
            if (same == m_lines.end()) {
                m_lines.insert(section.sliced(start, end - start), {line, line});
            } else {
                m_next[same->last] = line;
                same->last = line;
            }
            if (end == section.size())
                break;
            start = end + 1;
        }
    }
    std::optional<qsizetype> find(QStringView name)
    {
        const auto same = m_lines.find(name);
        if (same != m_lines.end() && same->first >= 0) {
            const qsizetype at = m_starts[same->first];
            same->first = m_next[same->first];
            return at;
        }
        const qsizetype at = m_section.indexOf(name);
        return at < 0 ? std::nullopt : std::optional<qsizetype>(at);
    }

private:
    /// The lines of one text, first to last not yet taken, linked through m_next.
    struct Chain {
        qsizetype first;
        qsizetype last;
    };
    QStringView m_section;
    QList<qsizetype> m_starts; ///< where each line starts
    QList<qsizetype> m_next;   ///< the next line of the same text; -1 after the last
    QHash<QStringView, Chain> m_lines;
};

/// Appends a section made of its listing block and its added block, white, with each removed name marked
/// in the listing block and each added name in the whole section, and records every change. A list
/// whose first name is empty is neither marked, recorded nor counted.
void writeMarkedSection(ReportText& report, const QString& listingBlock, const QString& addedText,
                        const QStringList& removed, const QStringList& added, const QString& location,
                        const QDateTime& time, SectionOutcome& outcome)
{
    const QString section = listingBlock + addedText;
    // Marks: removed names within the listing block, added names within the whole section.
    QVector<Mark> marks;
    const bool markRemoved = !removed.isEmpty() && !removed.first().isEmpty();
    const bool markAdded = !added.isEmpty() && !added.first().isEmpty();
    if (markRemoved) {
        const changes::RecordMaker records(QString::fromLatin1(changes::kRemovedMarker), time, location);
        SectionLocator locator(listingBlock);
        for (const QString& name : removed) {
            if (!name.isEmpty()) {
                if (const auto at = locator.find(name))
                    marks.append({*at, name.size(), true});
            }
            outcome.records.append(records.record(name));
        }
        outcome.removed = int(removed.size());
    }
    if (markAdded) {
        const changes::RecordMaker records(QString::fromLatin1(changes::kAddedMarker), time, location);
        SectionLocator locator(section);
        for (const QString& name : added) {
            if (!name.isEmpty()) {
                if (const auto at = locator.find(name))
                    marks.append({*at, name.size(), false});
            }
            outcome.records.append(records.record(name));
        }
        outcome.added = int(added.size());
    }

    // One pass over the section: white text, each marked name yellow with its marker after it.
    std::stable_sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.at < b.at; });
    qsizetype written = 0;
    for (const Mark& mark : std::as_const(marks)) {
        if (mark.at < written)
            continue; // two marks on one place: the first one made stands
        report.append(QStringView(section).sliced(written, mark.at - written), ReportColour::White);
        report.append(QStringView(section).sliced(mark.at, mark.length), ReportColour::Yellow);
        report.append(QString::fromLatin1(mark.removed ? changes::kRemovedMarker : changes::kAddedMarker),
                      mark.removed ? ReportColour::Orange : ReportColour::Magenta);
        written = mark.at + mark.length;
    }
    report.append(QStringView(section).sliced(written), ReportColour::White);
}

} // namespace

SectionOutcome runFolderSection(ReportText& report, const std::optional<QStringList>& snapshot,
                                const FolderListing& listing, SectionVariant variant, const QString& location,
                                const QDateTime& time)
{
    SectionOutcome outcome;
    if (listing.state == FolderListing::State::Unreadable) {
        outcome.snapshot = snapshot;
        report.setDisplayText(snapshot ? snapshot->join(u'\n') : QString(), ReportColour::White);
        return outcome;
    }
    const bool listed = listing.state == FolderListing::State::Listed;
    const std::optional<QString> previousText =
        snapshot ? std::optional<QString>(snapshot->join(u'\n')) : std::nullopt;
    // The names as stored, not the shown text split again, for a name may hold a line feed; an empty
    // snapshot still reads as the one empty name its text splits into.
    QStringList previous = !snapshot             ? QStringList()
                           : snapshot->isEmpty() ? QStringList{QString()}
                                                 : *snapshot;
    QStringList current = listed ? listing.names : QStringList();
    if (variant == SectionVariant::Trimmed) {
        previous = changes::trim(previous);
        current = changes::trim(current);
    }
    if (listed)
        outcome.snapshot = listing.names;

    const QStringList removed = changes::itemDeleted(previous, current);
    const QStringList added = changes::itemAdded(previous, current);

    // The section as the report view's appends build it: the listing (or the removed names), then the
    // added block. Empty appends are a single blank, as the report view makes them.
    QString listingBlock = variant == SectionVariant::ChangesOnly ? QStringLiteral("\n") + removed.join(u'\n')
                           : previousText                         ? *previousText
                           : listed                               ? listing.names.join(u'\n')
                                                                  : QString();
    if (listingBlock.isEmpty())
        listingBlock = QStringLiteral(" ");
    QString addedText = added.join(u'\n');
    if (addedText.isEmpty() && variant == SectionVariant::BlankWhenNoneAdded)
        addedText = QStringLiteral(" ");
    addedText.prepend(u'\n');
    writeMarkedSection(report, listingBlock, addedText, removed, added, location, time, outcome);
    return outcome;
}

LoginSectionOutcome runLoginSection(ReportText& report, const std::optional<QString>& stored,
                                    const std::optional<QStringList>& current, const QString& location,
                                    const QDateTime& time)
{
    LoginSectionOutcome outcome;
    const QStringList previous = stored ? changes::trim(stored->split(u'\n')) : QStringList();
    // When the script failed, what it would have said is unknown: the stored names stand as they are,
    // and nothing is compared, recorded or stored.
    const QStringList now = current ? *current : previous;
    if (current)
        outcome.snapshot = current->join(u'\n');
    const QStringList removed = changes::itemDeleted(previous, now);
    const QStringList added = changes::itemAdded(previous, now);
    QString listingBlock = previous.isEmpty() ? now.join(u'\n') : previous.join(u'\n') + u'\n';
    if (listingBlock.isEmpty())
        listingBlock = QStringLiteral(" ");
    QString addedText = added.join(u'\n');
    if (addedText.isEmpty())
        addedText = QStringLiteral(" ");
    writeMarkedSection(report, listingBlock, addedText, removed, added, location, time, outcome.section);
    return outcome;
}

QStringList loginItemNames(const QString& scriptText)
{
    return changes::trim(scriptText.split(u','));
}

} // namespace trevalo
