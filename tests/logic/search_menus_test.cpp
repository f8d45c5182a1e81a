#include "search/SearchMenus.h"

#include <gtest/gtest.h>

using namespace trevalo;

namespace {

TEST(SearchMenusTest, ItemsFollowResultsAndSelection)
{
    const QStringList items{"Copy All Paths", "Copy Selected Path", "Reveal Selected", "Clear Results"};
    const QVector<bool> before{true, true, false, false};
    struct Case {
        const char* name;
        bool results;
        bool selection;
        QVector<bool> expected;
    } cases[] = {
        {"no results: only the copy items go grey", false, false, {false, false, false, false}},
        {"results, nothing selected", true, false, {true, false, false, true}},
        {"results and a selection", true, true, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(menuWillOpen("SuperSearch Menu", items, before, c.results, c.selection), c.expected);
        EXPECT_EQ(menuWillOpen("Action Menu", items, before, c.results, c.selection), c.expected);
    }
    // "Clear Results" keeps its state when nothing was found: only "Copy " items are touched.
    EXPECT_EQ(menuWillOpen("SuperSearch Menu", items, {true, true, true, true}, false, false),
              QVector<bool>({false, false, true, true}));
    EXPECT_EQ(menuWillOpen("Trevalo 2", items, before, true, true), std::nullopt);
}

} // namespace
