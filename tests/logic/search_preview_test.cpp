#include "app/TRAppDelegate.h"
#include "search/PreviewItem.h"
#include "support/FakeServices.h"
#include "support/QtPrinters.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::TempRoot;

namespace {

TEST(SearchPreview, WhatEachKindOfFileShows)
{
    TempRoot machine;
    // 64 KB of text whose last character is cut by the limit: the cut character is left out.
    const QByteArray text = QByteArray(kPreviewTextBytes - 1, 'a') + "\xc3\xa9" + "after";
    machine.write("/long.txt", text);
    machine.write("/short.txt", "hello\n");
    machine.write("/picture.png", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(16, '\0'));
    machine.write("/data.bin", QByteArray("\x00\x01\x02\xff", 4));
    QDir().mkpath(machine.host("/Folder"));
    using Kind = PreviewItem::Kind;
    const struct Case {
        const char* path;
        Kind kind;
        qsizetype textSize;
    } cases[] = {
        {"/long.txt", Kind::Text, kPreviewTextBytes - 1},
        {"/short.txt", Kind::Text, 6},
        {"/picture.png", Kind::Image, 0},
        {"/data.bin", Kind::Other, 0},
        {"/Folder", Kind::Other, 0},
        {"/gone.txt", Kind::Missing, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const PreviewItem item = previewItem(machine.host(c.path), c.path);
        EXPECT_EQ(int(item.kind), int(c.kind));
        EXPECT_EQ(item.text.size(), c.textSize);
        EXPECT_EQ(item.name, QString(c.path).mid(1));
        EXPECT_EQ(item.info.startsWith("Size: "), c.kind != Kind::Missing);
    }
    EXPECT_EQ(previewItem(machine.host("/short.txt"), "/short.txt").text, "hello\n");
}

TEST(SearchWiring, TheMenuItemAndAShiftClickOpenTheWindowAndStartUpPreparesIt)
{
    trevalo::test::FakeServices fake;
    TRAppDelegate delegate(fake.services(), [](const Services&) { return ScanOutcome{}; });
    SuperSearch& search = delegate.searchSubsystem();
    int shown = 0;
    QObject::connect(&search, &SuperSearch::showRequested, [&shown] { ++shown; });
    delegate.applicationDidFinishLaunching({.runScan = false, .startTimer = false});
    EXPECT_EQ(search.popUp().titles(), QStringList{"All Volumes"});
    EXPECT_FALSE(search.state().spinnerVisible);
    EXPECT_EQ(shown, 0);
    EXPECT_TRUE(delegate.menuActions().activate(MenuItem::superSearch));
    EXPECT_EQ(delegate.itemClicked({.shift = true}), TRAppDelegate::ClickOutcome::SuperSearch);
    EXPECT_EQ(shown, 2);
}

} // namespace
