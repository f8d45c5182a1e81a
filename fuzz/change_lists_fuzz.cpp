// Change detection over any two lists: the stored snapshot and this run's listing, split at the first
// empty line of the input (names one per line); the first byte picks the folder row's variant and the
// listing's state, or the login-items row. The removed and added names, the records made of them and
// the report's coloured runs keep their properties whatever the names hold.

#include "FuzzCheck.h"
#include "profile/ChangeDetection.h"
#include "profile/FolderSection.h"

#include <QSet>
#include <QTimeZone>

using namespace trevalo;
using trevalo::fuzz::require;

namespace {

const QDateTime kTime = QDateTime::fromSecsSinceEpoch(1767052687, QTimeZone::utc());
const QString kLocation = QStringLiteral("/Users/robin/Library/LaunchAgents");

bool isSubsequence(const QStringList& part, const QStringList& whole)
{
    qsizetype at = 0;
    for (const QString& item : part) {
        while (at < whole.size() && whole[at] != item)
            ++at;
        if (at++ == whole.size())
            return false;
    }
    return true;
}

void checkLists(const QStringList& previous, const QStringList& current)
{
    const QSet<QString> before(previous.begin(), previous.end());
    const QSet<QString> now(current.begin(), current.end());
    const QStringList removed = changes::itemDeleted(previous, current);
    qsizetype gone = 0;
    for (const QString& name : previous)
        gone += now.contains(name) ? 0 : 1;
    require(removed.size() == gone && isSubsequence(removed, previous),
            "removed: the gone names in their order");
    for (const QString& name : removed)
        require(!now.contains(name), "a removed name is gone", name);

    const QStringList added = changes::itemAdded(previous, current);
    qsizetype fresh = 0;
    for (const QString& name : current)
        fresh += before.contains(name) ? 0 : 1;
    require(added.size() == fresh, "added: every new name");
    for (qsizetype i = 0; i < added.size(); ++i) {
        require(now.contains(added[i]) && !before.contains(added[i]), "an added name is new", added[i]);
        require(i == 0 || added[i - 1] <= added[i], "added names are sorted", added[i]);
    }

    const QStringList trimmed = changes::trim(current);
    require(trimmed.size() == current.size(), "trimming keeps every name");
    for (const QString& name : trimmed)
        require(!name.startsWith(u' ') && !name.startsWith(u'\t') && !name.endsWith(u' ') &&
                    !name.endsWith(u'\t'),
                "no blank at either end", name);

    const changes::RecordMaker maker(QString::fromLatin1(changes::kAddedMarker), kTime, kLocation);
    for (const QString& name : added)
        require(maker.record(name) ==
                    changes::changeRecord(name, QString::fromLatin1(changes::kAddedMarker), kTime, kLocation),
                "a made record is the record", name);
}

void checkReport(const ReportText& report, const SectionOutcome& outcome)
{
    qsizetype end = 0;
    for (const StyledRun& run : report.runs()) {
        require(run.start >= end && run.length >= 0 && run.start + run.length <= report.text().size(),
                "runs lie in order within the text", report.text());
        end = run.start + run.length;
    }
    require(outcome.records.size() == outcome.removed + outcome.added, "one record per change");
    for (const QString& record : outcome.records)
        require(record.startsWith(u"\nLocation$ "), "a record begins with its location", record);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t choice = data[0];
    const QString text = trevalo::fuzz::text(data + 1, size - 1);
    const qsizetype split = text.indexOf(QLatin1String("\n\n"));
    const QString storedText = split < 0 ? text : text.left(split);
    const QStringList previous = storedText.split(u'\n');
    const QStringList current = split < 0 ? QStringList() : text.mid(split + 2).split(u'\n');
    checkLists(previous, current);

    ReportText report;
    if (choice % 13 == 12) {
        const std::optional<QString> stored = (choice & 0x80) ? std::nullopt : std::optional(storedText);
        const std::optional<QStringList> names = (choice & 0x40) ? std::nullopt : std::optional(current);
        const LoginSectionOutcome outcome = runLoginSection(report, stored, names, kLocation, kTime);
        checkReport(report, outcome.section);
        require(!names || outcome.snapshot == names->join(u'\n'), "the names read are stored");
        require(names || (!outcome.snapshot && outcome.section.records.isEmpty()),
                "a failed read stores and records nothing");
        return 0;
    }
    const auto variant = SectionVariant(choice % 13 % 4);
    const auto state = FolderListing::State(choice % 13 / 4);
    const FolderListing listing{state, current};
    const std::optional<QStringList> snapshot = (choice & 0x80) ? std::nullopt : std::optional(previous);
    const SectionOutcome outcome = runFolderSection(report, snapshot, listing, variant, kLocation, kTime);
    checkReport(report, outcome);
    if (state == FolderListing::State::Listed)
        require(outcome.snapshot == current, "the listing is stored");
    if (state == FolderListing::State::Unreadable)
        require(outcome.snapshot == snapshot && outcome.records.isEmpty(),
                "an unreadable folder changes nothing");
    return 0;
}
