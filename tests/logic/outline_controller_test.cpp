// The outline's controller: the editing operations, drag and drop, the calendar hooks and the commit step.

#include "support/FakeServices.h"
#include "taskpad/OutlineViewController.h"
#include "taskpad/TaskPad.h"
#include "taskpad/TaskPadFormat.h"

#include <QMimeData>
#include <gtest/gtest.h>

using namespace trevalo;

namespace {

const QString kPath = QStringLiteral("/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp");

/// Errands > Milk > Organic, and House: written to the task pad file before the controller loads it.
struct OutlineTest : ::testing::Test, trevalo::test::FakeServices {
    OutlineTest() { writeFile({"Errands", "    Milk", "        Organic", "House"}); }

    /// Writes a task pad of the given names; each name's leading spaces (four a level) give its level.
    void writeFile(const QStringList& names)
    {
        ListItem top{QString()};
        std::vector<ListItem*> levels{&top};
        for (const QString& name : names) {
            const int level = int(name.size() - name.trimmed().size()) / 4 + 1;
            levels.resize(size_t(level));
            levels.push_back(
                levels.back()->insertChild(levels.back()->childCount(), std::make_unique<ListItem>(name)));
        }
        machine.write(kPath, writeTaskPad(top, clock.now()));
    }
    /// The outline as shown fully expanded: "[x] name" per task.
    static QStringList shown(const QVector<ListItem*>& items)
    {
        QStringList lines;
        for (const ListItem* item : items)
            lines << (item->taskIsDone() ? "[x] " : "[ ] ") + item->name();
        return lines;
    }
    QStringList shown() { return shown(controller().displayOrder()); }
    /// What the file holds now, as shown().
    QStringList onDisk()
    {
        QString error;
        std::optional<TaskPadContent> content = readTaskPad(machine.read(kPath), error);
        if (!content)
            return {"unreadable: " + error};
        QVector<ListItem*> order;
        std::function<void(ListItem*)> walk = [&](ListItem* item) {
            for (const auto& child : item->children()) {
                order.append(child.get());
                walk(child.get());
            }
        };
        walk(content->root.get());
        m_keep.push_back(std::move(content->root));
        return shown(order);
    }
    OutlineViewController& controller() { return taskPad.outline(); }
    QModelIndex row(const QString& name)
    {
        for (ListItem* item : controller().displayOrder()) {
            if (item->name().trimmed() == name)
                return controller().indexOf(item);
        }
        ADD_FAILURE() << "no task " << name.toStdString();
        return {};
    }
    ListItem* item(const QString& name) { return controller().itemAt(row(name)); }

    TaskPad taskPad{services()};
    std::vector<std::unique_ptr<ListItem>> m_keep; // outlines read back by onDisk()
};

TEST_F(OutlineTest, RenamingKeepsOneNestingPrefix)
{
    OutlineViewController& c = controller();
    c.setData(row("Milk").siblingAtColumn(OutlineViewController::Name), "    Milk and eggs", Qt::EditRole);
    c.rename(row("Organic"), "Organic only");
    c.rename(row("Errands"), "  Errands today");
    EXPECT_EQ(shown(), QStringList({"[ ]   Errands today", "[ ]     Milk and eggs",
                                    "[ ]         Organic only", "[ ] House"}));
    EXPECT_EQ(onDisk(), shown());
}

TEST_F(OutlineTest, AddingWithAndWithoutASelection)
{
    OutlineViewController& c = controller();
    QModelIndexList expanded;
    QModelIndexList selected;
    QObject::connect(&c, &OutlineViewController::expandRequested,
                     [&](const QModelIndex& i) { expanded << i; });
    QObject::connect(&c, &OutlineViewController::selectionRequested,
                     [&](const QModelIndex& i) { selected << i; });

    const QModelIndex top = c.add({});
    const QModelIndex subSub = c.add(row("Milk"));
    EXPECT_EQ(shown(), QStringList({"[ ] Errands", "[ ]     Milk", "[ ]         Organic",
                                    "[ ]         Untitled", "[ ] House", "[ ] Untitled"}));
    EXPECT_EQ(expanded, QModelIndexList{row("Milk")});
    EXPECT_EQ(selected, QModelIndexList({top, subSub}));
    EXPECT_EQ(onDisk(), shown());

    const QModelIndex folder = c.addFolder();
    EXPECT_EQ(folder.row(), 0);
    EXPECT_EQ(shown().first(), "[ ] Untitled");
    EXPECT_EQ(onDisk().size(), 6); // saved by the selection change that follows, not by itself
    c.outlineViewSelectionDidChange();
    EXPECT_EQ(onDisk(), shown());
}

TEST_F(OutlineTest, NoTaskIsAddedBelowTheDeepestLevel)
{
    OutlineViewController& c = controller();
    QModelIndex at = row("Organic");
    for (int level = 3; level < kMaxTaskDepth; ++level)
        at = c.add(at);
    ASSERT_TRUE(at.isValid());
    EXPECT_FALSE(c.add(at).isValid());
}

TEST_F(OutlineTest, RemovingTakesTheSubTasksAndSaves)
{
    OutlineViewController& c = controller();
    c.remove(row("Milk"));
    EXPECT_EQ(shown(), QStringList({"[ ] Errands", "[ ] House"}));
    EXPECT_EQ(onDisk(), shown());
    c.remove({});
    EXPECT_EQ(shown().size(), 2);
}

TEST_F(OutlineTest, DoneSpreadsCollapsesAndClearsOnlyItsOwnDueDate)
{
    OutlineViewController& c = controller();
    const QDateTime soon(clock.now().date().addDays(5), QTime(0, 0));
    item("Errands")->setCompletionDate(soon);
    item("Milk")->setCompletionDate(soon);
    QModelIndexList collapsed;
    QObject::connect(&c, &OutlineViewController::collapseRequested,
                     [&](const QModelIndex& i) { collapsed << i; });

    c.setData(row("Errands"), Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(shown(), QStringList({"[x] Errands", "[x]     Milk", "[x]         Organic", "[ ] House"}));
    EXPECT_EQ(collapsed, QModelIndexList{row("Errands")});
    EXPECT_FALSE(item("Errands")->hasDueDate());
    EXPECT_TRUE(item("Milk")->hasDueDate());
    EXPECT_EQ(row("Errands")
                  .siblingAtColumn(OutlineViewController::Time)
                  .data(OutlineViewController::CalendarButtonShownRole),
              true);
    EXPECT_EQ(row("Errands")
                  .siblingAtColumn(OutlineViewController::Name)
                  .data(OutlineViewController::TextColourRole),
              int(OutlineViewController::TextColour::LightGrey));
    EXPECT_EQ(onDisk(), shown());

    c.setTaskIsDone(row("Milk"), false);
    EXPECT_EQ(shown(), QStringList({"[x] Errands", "[ ]     Milk", "[ ]         Organic", "[ ] House"}));
    EXPECT_EQ(collapsed.size(), 1);
}

TEST_F(OutlineTest, TheTimeColumnShowsCountsUpTo3649)
{
    using C = OutlineViewController;
    const struct Case {
        int days; // from today; 100000 for no due date
        const char* text;
        bool calendarShown;
        C::TextColour colour;
    } cases[] = {
        {3, "3", false, C::TextColour::Green},    {0, "0", false, C::TextColour::Green},
        {-2, "-2", false, C::TextColour::Yellow}, {3649, "3649", false, C::TextColour::Green},
        {3650, "", true, C::TextColour::Green},   {3651, "", true, C::TextColour::Green},
        {100000, "", true, C::TextColour::Green},
    };
    OutlineViewController& c = controller();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.days);
        ListItem* house = item("House");
        house->setCompletionDate(k.days == 100000
                                     ? ListItem::noDate()
                                     : QDateTime(clock.now().date().addDays(k.days), QTime(0, 0)));
        const QModelIndex time = row("House").siblingAtColumn(C::Time);
        EXPECT_EQ(time.data().toString(), k.text);
        EXPECT_EQ(time.data(C::CalendarButtonShownRole).toBool(), k.calendarShown);
        EXPECT_EQ(time.data(C::TextColourRole).toInt(), int(k.colour));
    }
    EXPECT_EQ(c.data(row("House").siblingAtColumn(C::Time), C::NoteButtonShownRole), false);
}

TEST_F(OutlineTest, TheCalendarSetsAndClearsTheDueDate)
{
    OutlineViewController& c = controller();
    QDateTime shownDate;
    QObject::connect(&c, &OutlineViewController::calendarRequested,
                     [&](const QModelIndex&, const QDateTime& date) { shownDate = date; });
    c.setTaskIsDone(row("Errands"), true);
    c.calendarBtn(row("Errands"));
    EXPECT_EQ(shownDate, clock.now()); // no due date: today

    const QDate picked = clock.now().date().addDays(4);
    c.didSelectDate(picked);
    EXPECT_EQ(item("Errands")->completionDate(), QDateTime(picked, QTime(0, 0)));
    EXPECT_EQ(shown(), QStringList({"[ ] Errands", "[ ]     Milk", "[ ]         Organic", "[ ] House"}));
    EXPECT_EQ(row("Errands").siblingAtColumn(OutlineViewController::Time).data().toString(), "4");
    c.calendarBtn(row("Errands"));
    EXPECT_EQ(shownDate, QDateTime(picked, QTime(0, 0)));

    c.resetCalendar();
    EXPECT_FALSE(item("Errands")->hasDueDate());
    QString error;
    EXPECT_FALSE(readTaskPad(machine.read(kPath), error)->root->child(0)->hasDueDate());
}

/// A drag of a task from this outline, as the view starts it.
std::unique_ptr<QMimeData> drag(OutlineViewController& c, const QModelIndex& index)
{
    return std::unique_ptr<QMimeData>(c.mimeData({index}));
}

TEST_F(OutlineTest, MovesByDragAndDrop)
{
    const struct Case {
        const char* name;
        const char* dragged;
        const char* onto; // nullptr: the top level
        int row;
        QStringList after;
    } cases[] = {
        {"onto a task: its last sub-task, the name as it was",
         "House",
         "Errands",
         -1,
         {"[ ] Errands", "[ ]     Milk", "[ ]         Organic", "[ ] House"}},
        {"onto a sub-task",
         "House",
         "Milk",
         -1,
         {"[ ] Errands", "[ ]     Milk", "[ ]         Organic", "[ ] House"}},
        {"down the top level lands where dropped",
         "Errands",
         nullptr,
         2,
         {"[ ] House", "[ ] Errands", "[ ]     Milk", "[ ]         Organic"}},
        {"up the top level",
         "House",
         nullptr,
         0,
         {"[ ] House", "[ ] Errands", "[ ]     Milk", "[ ]         Organic"}},
        {"a sub-task to the top level",
         "Organic",
         nullptr,
         1,
         {"[ ] Errands", "[ ]     Milk", "[ ]         Organic", "[ ] House"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        writeFile({"Errands", "    Milk", "        Organic", "House"});
        taskPad.dropOutline();
        OutlineViewController& c = controller();
        writeFile({"Errands", "    Milk", "        Organic", "House"}); // dropOutline saved it; start anew
        c.revertToFile();
        const auto data = drag(c, row(k.dragged));
        const QModelIndex target = k.onto ? row(k.onto) : QModelIndex();
        EXPECT_TRUE(c.canDropMimeData(data.get(), Qt::MoveAction, k.row, 0, target));
        EXPECT_TRUE(c.dropMimeData(data.get(), Qt::MoveAction, k.row, 0, target));
        EXPECT_EQ(shown(), k.after);
        EXPECT_EQ(onDisk(), shown()); // a drop saves
    }
    // Where they went, beyond the display order.
    EXPECT_EQ(item("Organic")->parent(), &controller().items());
}

// Such drops used to cut the task out of the tree, or move whatever task was dragged last.
TEST_F(OutlineTest, RefusesDropsThatWouldLoseTasks)
{
    OutlineViewController& c = controller();
    TaskPadFile otherFile(services());
    OutlineViewController other(otherFile);
    const QStringList before = shown();

    auto external = std::make_unique<QMimeData>();
    external->setText("text from another program");
    const struct Case {
        const char* name;
        std::function<std::unique_ptr<QMimeData>()> data;
        const char* onto;
    } cases[] = {
        {"onto itself", [&] { return drag(c, row("Errands")); }, "Errands"},
        {"onto its sub-task", [&] { return drag(c, row("Errands")); }, "Milk"},
        {"onto its sub-sub-task", [&] { return drag(c, row("Errands")); }, "Organic"},
        {"text from another program",
         [&] {
             drag(c, row("House")); // a task of this outline was dragged before
             auto d = std::make_unique<QMimeData>();
             d->setText("House");
             return d;
         },
         "Errands"},
        {"a task of another outline", [&] { return drag(other, other.index(1, 0)); }, "Errands"},
        {"a drag that is over",
         [&] {
             auto old = drag(c, row("House"));
             drag(c, row("Milk"));
             return old;
         },
         "Errands"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const auto data = k.data();
        EXPECT_FALSE(c.canDropMimeData(data.get(), Qt::MoveAction, -1, 0, row(k.onto)));
        EXPECT_FALSE(c.dropMimeData(data.get(), Qt::MoveAction, -1, 0, row(k.onto)));
        EXPECT_EQ(shown(), before);
    }
}

// A refused save leaves changes only in the outline: reloading would throw them away.
TEST_F(OutlineTest, AReloadIsSkippedWhenTheCommitIsRefused)
{
    OutlineViewController& c = controller();
    int expandAll = 0;
    QObject::connect(&c, &OutlineViewController::expandAllRequested,
                     [&](bool on) { expandAll += on ? 1 : -100; });
    writeFile({"Changed elsewhere"});
    c.rename(row("House"), "House and garden"); // refused: the file changed
    EXPECT_FALSE(c.reloadTable());
    c.expandItems(true);
    EXPECT_EQ(expandAll, 1);
    EXPECT_EQ(shown().last(), "[ ] House and garden");

    // The user's choice in the save-as sheet: take the file's content.
    c.revertToFile();
    EXPECT_EQ(shown(), QStringList{"[ ] Changed elsewhere"});
    EXPECT_TRUE(c.reloadTable());
}

// Quitting used to load a fresh controller from the file and save that, dropping what the open outline
// held; the commit step now runs on the live outline, after the name being edited is stored.
TEST_F(OutlineTest, QuittingCommitsTheLiveOutline)
{
    OutlineViewController& c = controller();
    QObject::connect(&c, &OutlineViewController::aboutToCommit,
                     [&] { c.rename(row("House"), "typed, not entered"); });
    taskPad.applicationWillTerminate();
    EXPECT_EQ(onDisk().last(), "[ ] typed, not entered");
}

TEST_F(OutlineTest, QuittingWithoutAnOpenOutlineLeavesTheFileAlone)
{
    const QByteArray before = machine.read(kPath);
    taskPad.applicationWillTerminate();
    EXPECT_EQ(machine.read(kPath), before);
    EXPECT_FALSE(taskPad.liveOutline());
}

TEST_F(OutlineTest, ASelectionChangeSavesAndClosesTheNotes)
{
    OutlineViewController& c = controller();
    int closed = 0;
    QObject::connect(&c, &OutlineViewController::closeTextDrawer, [&] { ++closed; });
    c.items().child(1)->setName("renamed without a save");
    c.outlineViewSelectionDidChange();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(onDisk().last(), "[ ] renamed without a save");
}

} // namespace
