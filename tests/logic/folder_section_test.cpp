#include "profile/ChangeDetection.h"
#include "profile/FolderSection.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace trevalo;

namespace {

const QDateTime kRun(QDate(2026, 3, 1), QTime(9, 5, 7));

FolderListing listed(const QStringList& names)
{
    return {FolderListing::State::Listed, names};
}

/// The section's text with each coloured run wrapped in a letter: y yellow, o orange, m magenta; white
/// text is left bare.
QString shown(const ReportText& report)
{
    QString out;
    for (const StyledRun& run : report.runs()) {
        const QString text = report.text().mid(run.start, run.length);
        switch (run.colour) {
        case ReportColour::Yellow:
            out += "y[" + text + "]";
            break;
        case ReportColour::Orange:
            out += "o[" + text + "]";
            break;
        case ReportColour::Magenta:
            out += "m[" + text + "]";
            break;
        default:
            out += text;
        }
    }
    return out;
}

TEST(FolderSection, TheStandardRowMarksRecordsAndStores)
{
    ReportText report;
    const SectionOutcome outcome =
        runFolderSection(report, QStringList{"Alpha", "Beta"}, listed({"Beta", "Gamma"}),
                         SectionVariant::Standard, "/Applications", kRun);
    EXPECT_EQ(shown(report), "y[Alpha]o[    --removed]\nBeta\ny[Gamma]m[    + added]");
    EXPECT_EQ(outcome.snapshot, QStringList({"Beta", "Gamma"}));
    EXPECT_EQ(outcome.removed, 1);
    EXPECT_EQ(outcome.added, 1);
    EXPECT_EQ(outcome.records,
              QStringList({changes::changeRecord("Alpha", changes::kRemovedMarker, kRun, "/Applications"),
                           changes::changeRecord("Gamma", changes::kAddedMarker, kRun, "/Applications")}));
}

TEST(FolderSection, EdgeCasesOfTheRow)
{
    const struct Case {
        const char* name;
        std::optional<QStringList> snapshot;
        FolderListing listing;
        SectionVariant variant;
        QString body;
        std::optional<QStringList> stored;
        int removed;
        int added;
    } cases[] = {
        {"first run: marked in the listing, the sorted block unmarked", std::nullopt, listed({"b", "a"}),
         SectionVariant::Standard, "y[b]m[    + added]\ny[a]m[    + added]\na\nb", QStringList{"b", "a"}, 0,
         2},
        {"an empty snapshot", QStringList{}, listed({"a"}), SectionVariant::Standard, " \ny[a]m[    + added]",
         QStringList{"a"}, 0, 1},
        {"a folder that is gone",
         QStringList{"x", "y"},
         {FolderListing::State::Missing, {}},
         SectionVariant::Standard,
         "y[x]o[    --removed]\ny[y]o[    --removed]\n",
         std::nullopt,
         2,
         0},
        {"nothing there and nothing stored",
         std::nullopt,
         {FolderListing::State::Missing, {}},
         SectionVariant::Standard,
         " \n",
         std::nullopt,
         0,
         0},
        // Not being allowed to read a folder is not its entries going away.
        {"a folder that cannot be read",
         QStringList{"x", "y"},
         {FolderListing::State::Unreadable, {}},
         SectionVariant::Standard,
         "x\ny",
         QStringList{"x", "y"},
         0,
         0},
        {"a name inside a longer name is marked on its own line", QStringList{"Foo Bar"},
         listed({"Foo Bar", "Foo"}), SectionVariant::Standard, "Foo Bar\ny[Foo]m[    + added]",
         QStringList{"Foo Bar", "Foo"}, 0, 1},
        {"trimmed names compare without their blanks and are stored with them", QStringList{"agent.plist"},
         listed({"agent.plist "}), SectionVariant::Trimmed, "agent.plist\n", QStringList{"agent.plist "}, 0,
         0},
        {"a repeated name marks each of its lines in turn", QStringList{"z", "a", "z"}, listed({}),
         SectionVariant::Standard, "y[z]o[    --removed]\ny[a]o[    --removed]\ny[z]o[    --removed]\n",
         QStringList{}, 3, 0},
        {"a trimmed name with no line of its own is marked where it first stands", QStringList{"gone.plist "},
         listed({}), SectionVariant::Trimmed, "y[gone.plist]o[    --removed] \n", QStringList{}, 1, 0},
        {"changes only: the removed names", QStringList{"Keep", "Gone"}, listed({"Keep"}),
         SectionVariant::ChangesOnly, "\ny[Gone]o[    --removed]\n", QStringList{"Keep"}, 1, 0},
        {"a blank when nothing was added", QStringList{"a"}, listed({"a"}),
         SectionVariant::BlankWhenNoneAdded, "a\n ", QStringList{"a"}, 0, 0},
        // A name may hold a line feed: unchanged from run to run, it is neither removed nor added.
        {"a stored name with a line feed", QStringList{"line\nfeed.plist", "a"},
         listed({"line\nfeed.plist", "a"}), SectionVariant::Standard, "line\nfeed.plist\na\n",
         QStringList{"line\nfeed.plist", "a"}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReportText report;
        const SectionOutcome outcome = runFolderSection(report, c.snapshot, c.listing, c.variant, "/x", kRun);
        EXPECT_EQ(shown(report), c.body);
        EXPECT_EQ(outcome.snapshot, c.stored);
        EXPECT_EQ(outcome.removed, c.removed);
        EXPECT_EQ(outcome.added, c.added);
        EXPECT_EQ(outcome.records.size(), c.removed + c.added);
    }
}

TEST(FolderSection, ANameThatAlsoStandsInAnEarlierSectionIsMarkedInItsOwn)
{
    ReportText report;
    report.append("Earlier section:\nLibrary\n", ReportColour::White);
    const qsizetype sectionStart = report.text().size();
    runFolderSection(report, QStringList{"Library"}, listed({}), SectionVariant::Standard, "/x", kRun);
    EXPECT_EQ(report.colourAt(report.text().indexOf("Library")), ReportColour::White);
    EXPECT_EQ(report.colourAt(sectionStart), ReportColour::Yellow);
    EXPECT_EQ(report.text().mid(sectionStart), "Library    --removed\n");
}

} // namespace
