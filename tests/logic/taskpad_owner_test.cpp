// The task pad owner's window-facing operations: save-as, the attach switch, opening and closing.

#include "support/FakeServices.h"
#include "taskpad/TaskPad.h"
#include "taskpad/TaskPadFormat.h"
#include "taskpad/TaskPadKeys.h"

#include <gtest/gtest.h>

using namespace trevalo;

namespace {

const QString kDefaultPath = QStringLiteral("/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp");

struct TaskPadOwnerTest : ::testing::Test, trevalo::test::FakeServices {
    TaskPadOwnerTest()
    {
        ListItem top{QString()};
        top.insertChild(0, std::make_unique<ListItem>("Mine"));
        machine.write(kDefaultPath, writeTaskPad(top, clock.now()));
        QDir().mkpath(machine.host("/Users/robin/Documents"));
    }
    QStringList namesIn(const QString& path)
    {
        QString error;
        const std::optional<TaskPadContent> content = readTaskPad(machine.read(path), error);
        QStringList names;
        if (content) {
            for (const auto& item : content->root->children())
                names << item->name();
        }
        return names;
    }
    static QStringList names(OutlineViewController& outline)
    {
        QStringList out;
        for (const auto& item : outline.items().children())
            out << item->name();
        return out;
    }
    TaskPad pad{services()};
};

TEST_F(TaskPadOwnerTest, SaveAsWritesTheNewFileThenSwitchesToIt)
{
    OutlineViewController& outline = pad.outline();
    outline.items().child(0)->setName("Edited");

    ASSERT_TRUE(pad.saveListAs("/Users/robin/Documents/work.tp"));
    EXPECT_EQ(namesIn("/Users/robin/Documents/work.tp"), QStringList{"Edited"});
    EXPECT_EQ(settings.stringForKey(keys::taskPadPathKey), "/Users/robin/Documents/work.tp");
    EXPECT_EQ(outline.getTaskPadPath(), "/Users/robin/Documents/work.tp");
    EXPECT_EQ(names(outline), QStringList{"Edited"});
    // The old file is left as it was, and later saves go to the new one.
    EXPECT_EQ(namesIn(kDefaultPath), QStringList{"Mine"});
    outline.add({}, "Second");
    EXPECT_EQ(namesIn("/Users/robin/Documents/work.tp"), (QStringList{"Edited", "Second"}));
}

TEST_F(TaskPadOwnerTest, AFailedSaveAsKeepsTheOldFileAndTheList)
{
    OutlineViewController& outline = pad.outline();
    const QString oldPath = outline.getTaskPadPath();
    outline.items().child(0)->setName("Unsaved");

    EXPECT_FALSE(pad.saveListAs("/Users/robin/No Such Folder/work.tp"));
    EXPECT_FALSE(pad.file().errorString().isEmpty());
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(outline.getTaskPadPath(), oldPath);
    EXPECT_EQ(settings.stringForKey(keys::taskPadPathKey), oldPath);
    EXPECT_EQ(names(outline), QStringList{"Unsaved"});
    EXPECT_FALSE(QFileInfo::exists(machine.host("/Users/robin/No Such Folder/work.tp")));
}

TEST_F(TaskPadOwnerTest, TheAttachSwitchIsStoredAndPassedToTheWindow)
{
    QList<std::pair<TaskPad::OpenedFrom, bool>> requests;
    QObject::connect(&pad, &TaskPad::windowRequested, [&](TaskPad::OpenedFrom from, bool attached) {
        requests.append({from, attached});
    });
    EXPECT_FALSE(pad.attached());
    pad.displayLists(TaskPad::OpenedFrom::MenuItem);
    pad.setAttached(true);
    EXPECT_EQ(settings.integerForKey(keys::listWindowIsAttachedKey), 1);
    pad.displayLists(TaskPad::OpenedFrom::StatusItem);
    pad.setAttached(false);
    EXPECT_EQ(settings.integerForKey(keys::listWindowIsAttachedKey), 0);
    const QList<std::pair<TaskPad::OpenedFrom, bool>> expected{{TaskPad::OpenedFrom::MenuItem, false},
                                                               {TaskPad::OpenedFrom::StatusItem, true}};
    EXPECT_EQ(requests, expected);
}

TEST_F(TaskPadOwnerTest, GivingWayToSearchSavesTheList)
{
    int closes = 0;
    QObject::connect(&pad, &TaskPad::windowCloseRequested, [&] { ++closes; });
    pad.outline().items().child(0)->setName("Typed");
    pad.closeForSearchWin();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(namesIn(kDefaultPath), QStringList{"Typed"});
}

TEST(AttachedWindowOrigin, HangsBelowTheAnchorCentredAndOnTheScreen)
{
    const QRect screen(0, 25, 1440, 875);
    const QSize window(400, 500);
    struct Case {
        const char* name;
        QPoint anchor;
        QPoint origin;
    } cases[] = {
        {"centred, 20 below", {700, 30}, {500, 50}},
        {"kept off the left edge", {100, 30}, {0, 50}},
        {"kept off the right edge", {1430, 30}, {1040, 50}},
        {"kept above the bottom", {700, 800}, {500, 400}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(attachedWindowOrigin(c.anchor, window, screen), c.origin);
    }
}

} // namespace
