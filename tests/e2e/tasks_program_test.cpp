// `trevalo tasks` on a fresh copy of the simulated Mac, and the outline that loads what it wrote.

#include "support/FakeServices.h"
#include "support/Program.h"
#include "taskpad/OutlineViewController.h"
#include "taskpad/TaskPadFile.h"

#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::TempRoot;

namespace {

const QString kTaskPad = QStringLiteral("/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp");

struct TasksRun {
    int status;
    QString out;
    QString err;
};

struct TasksProgramTest : ::testing::Test {
    std::unique_ptr<TempRoot> mac = TempRoot::sampleMac();

    TasksRun tasks(const QStringList& args) const
    {
        const trevalo::test::ProgramOutput run =
            trevalo::test::runProgram(QStringList{"--root", mac->path(), "tasks"} + args);
        return {run.status, QString::fromUtf8(run.out), QString::fromUtf8(run.err)};
    }
    /// Runs a command that must succeed; returns the outline it printed.
    QStringList ok(const QStringList& args) const
    {
        const TasksRun run = tasks(args);
        EXPECT_EQ(run.status, 0) << args.join(' ').toStdString() << ": " << run.err.toStdString();
        return run.out.split('\n', Qt::SkipEmptyParts);
    }
};

TEST_F(TasksProgramTest, MadeOnTheCommandLineLoadsInTheOutline)
{
    ASSERT_TRUE(mac);
    EXPECT_EQ(ok({}), QStringList{"[ ] Untitled"}); // the first use makes the default file
    ok({"rename", "0", "Groceries"});
    ok({"add", "--under", "0", "Milk"});
    ok({"add", "--under=1", "Organic"});
    ok({"add", "House\tand garden"});
    ok({"due", "1", "2030-01-05"});
    ok({"due", "3", "2031-03-01"});
    ok({"due", "3", "none"});
    ok({"note", "2", "two litres\nfresh"});
    ok({"done", "0"});
    ok({"undone", "2"});
    ok({"add", "Paint"});
    const QStringList printed = ok({"remove", "4"});
    const QDate today = QDate::currentDate();
    // Done spreads to the sub-tasks and clears the task's own due date, not theirs.
    const QString milkDays = QString::number(today.daysTo(QDate(2030, 1, 5)));
    EXPECT_EQ(printed, QStringList({"[x] Groceries", "[x]     Milk\t" + milkDays, "[ ]         Organic",
                                    "[ ] House\\tand garden"}));

    ok({"due", "1", today.addDays(3).toString(Qt::ISODate)});
    EXPECT_EQ(ok({}), QStringList({"[x] Groceries", "[ ]     Milk\t3", "[ ]         Organic",
                                   "[ ] House\\tand garden"}));

    // The outline of the program's window loads the same tasks.
    trevalo::test::RecordingAlerts alerts;
    trevalo::test::RecordingNotifier notifier;
    trevalo::test::RecordingClipboard clipboard;
    trevalo::test::RecordingWorkspace workspace;
    trevalo::test::FixedVolumes volumes;
    const SystemRoot root = mac->root();
    CommandRunner runner(root);
    Settings settings(root.settingsFile());
    Clock clock;
    TaskPadFile file(
        Services{root, runner, settings, alerts, notifier, clipboard, workspace, volumes, clock});
    OutlineViewController outline(file);
    const QVector<ListItem*> rows = outline.displayOrder();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[3]->name(), "House\tand garden");
    EXPECT_TRUE(rows[0]->taskIsDone());
    EXPECT_FALSE(rows[1]->taskIsDone());
    EXPECT_FALSE(rows[2]->taskIsDone());
    EXPECT_EQ(rows[1]->completionDate(), QDateTime(today.addDays(3), QTime(0, 0)));
    EXPECT_FALSE(rows[0]->hasDueDate());
    EXPECT_FALSE(rows[3]->hasDueDate());
    ASSERT_TRUE(rows[2]->notes());
    EXPECT_EQ(rows[2]->notes()->text(), "two litres\nfresh");
    EXPECT_TRUE(rows[2]->hasNote());
    EXPECT_TRUE(alerts.shown.isEmpty());
    EXPECT_TRUE(outline.reloadTable()); // and saves it back without a complaint
}

TEST_F(TasksProgramTest, ARowThatDoesNotExistChangesNothing)
{
    ASSERT_TRUE(mac);
    ok({"add", "Only"});
    const QByteArray before = mac->read(kTaskPad);
    for (const QStringList& args :
         {QStringList{"done", "2"}, QStringList{"add", "--under", "7", "x"}, QStringList{"remove", "100"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TasksRun run = tasks(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains("there is no task in row")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(mac->read(kTaskPad), before);

    for (const QStringList& args :
         {QStringList{"done"}, QStringList{"due", "0", "05/01/2030"}, QStringList{"add", "--under"},
          QStringList{"shuffle"}, QStringList{"done", "-1"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const TasksRun run = tasks(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_TRUE(run.err.startsWith("trevalo: usage: trevalo tasks")) << run.err.toStdString();
    }
    EXPECT_EQ(mac->read(kTaskPad), before);
}

TEST_F(TasksProgramTest, AFileThatCannotBeReadIsLeftAsItIs)
{
    ASSERT_TRUE(mac);
    mac->write(kTaskPad, "my tasks, typed by hand\n");
    for (const QStringList& args : {QStringList{}, QStringList{"add", "x"}}) {
        const TasksRun run = tasks(args);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(run.err.contains("cannot be read")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(kTaskPad));
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_EQ(mac->read(kTaskPad), "my tasks, typed by hand\n");
}

} // namespace
