// The task pad file's operations: its path, loading, the three kinds of save, and the faults they mend.

#include "support/FakeServices.h"
#include "taskpad/KeyedArchive.h"
#include "taskpad/TaskPadFile.h"
#include "taskpad/TaskPadFormat.h"
#include "taskpad/TaskPadKeys.h"

#include <gtest/gtest.h>
#include <sys/time.h>

using namespace trevalo;
using trevalo::test::CapturedLog;

namespace {

const QString kDefaultPath = QStringLiteral("/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp");

struct TaskPadFileTest : ::testing::Test, trevalo::test::FakeServices {
    TaskPadFile file{services()};
    int saveAsRequests = 0;
    CapturedLog log;

    TaskPadFileTest()
    {
        QObject::connect(&file, &TaskPadFile::saveAsRequested, [this] { ++saveAsRequests; });
    }

    QStringList namesIn(const QByteArray& bytes)
    {
        QString error;
        const std::optional<TaskPadContent> content = readTaskPad(bytes, error);
        QStringList names;
        if (content) {
            for (const auto& item : content->root->children())
                names << item->name();
        }
        return names;
    }
    QStringList names(const ListItem& top)
    {
        QStringList out;
        for (const auto& item : top.children())
            out << item->name();
        return out;
    }
    /// A task pad file with the given top-level tasks.
    QByteArray taskPad(const QStringList& names)
    {
        const std::unique_ptr<ListItem> top = outlineOf(names);
        return writeTaskPad(*top, clock.now());
    }
    void setModified(const QString& macPath, const QDateTime& when)
    {
        const timeval times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
        ASSERT_EQ(utimes(QFile::encodeName(machine.host(macPath)).constData(), times), 0);
    }
    static std::unique_ptr<ListItem> outlineOf(const QStringList& names)
    {
        auto top = std::make_unique<ListItem>(QString());
        for (const QString& name : names)
            top->insertChild(top->childCount(), std::make_unique<ListItem>(name));
        return top;
    }
};

// The default file is made on first use, so that the automatic saves of a fresh installation work.
TEST_F(TaskPadFileTest, FirstRunStoresThePathAndCreatesTheDefaultFile)
{
    ASSERT_FALSE(settings.contains(keys::taskPadPathKey));
    const std::unique_ptr<ListItem> tasks = file.loadFromDisk();
    EXPECT_EQ(names(*tasks), QStringList{"Untitled"});
    EXPECT_EQ(settings.stringForKey(keys::taskPadPathKey), kDefaultPath);
    EXPECT_EQ(storedSetting(keys::taskPadPathKey).toString(), kDefaultPath); // synchronised
    EXPECT_EQ(namesIn(machine.read(kDefaultPath)), QStringList{"Untitled"});
    EXPECT_TRUE(log.text().contains("-[OutlineViewController loadFromDisk] [Line 222] taskpad path doesn't "
                                    "exist; creating default items list"));

    tasks->child(0)->setName("First task");
    EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::automatic()));
    EXPECT_EQ(namesIn(machine.read(kDefaultPath)), QStringList{"First task"});
    EXPECT_EQ(saveAsRequests, 0);
}

// A chosen file on a volume that is not mounted: no folders are made for it, and nothing is written.
TEST_F(TaskPadFileTest, AFileWhoseFolderIsMissingIsNotCreated)
{
    settings.setString(keys::taskPadPathKey, "/Volumes/Stick/tasks.tp");
    const std::unique_ptr<ListItem> tasks = file.loadFromDisk();
    EXPECT_EQ(names(*tasks), QStringList{"Untitled"});
    EXPECT_FALSE(QFileInfo::exists(machine.host("/Volumes/Stick")));
    EXPECT_TRUE(QFileInfo(machine.host("/Users/robin/Library/Application Support/Trevalo 2")).isDir());

    EXPECT_FALSE(file.saveListToFile(*tasks, SaveTarget::automatic()));
    EXPECT_TRUE(log.text().contains(
        "-[OutlineViewController saveListToFile:] [Line 755] save failed; file doesn't exist"));
    EXPECT_TRUE(alerts.shown.isEmpty());
}

TEST_F(TaskPadFileTest, AnEmptyListOrANullRootLoadsTheDefaultListAndCanBeSaved)
{
    Archiver nullRoot;
    for (const QByteArray& bytes : {taskPad({}), nullRoot.finish(0)}) {
        machine.write(kDefaultPath, bytes);
        const std::unique_ptr<ListItem> tasks = file.loadFromDisk();
        EXPECT_EQ(names(*tasks), QStringList{"Untitled"});
        EXPECT_TRUE(log.text().contains("-[OutlineViewController loadFromDisk] [Line 215] path exists but no "
                                        "items; creating default items list"));
        EXPECT_FALSE(file.loadFailed());
        EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::automatic()));
    }
    EXPECT_TRUE(alerts.shown.isEmpty());
}

// A file that cannot be read used to load as the default list, which the next automatic save wrote over
// the user's tasks.
TEST_F(TaskPadFileTest, AFileThatCannotBeReadIsNeverWrittenOver)
{
    const QByteArray damaged = taskPad({"Keep me", "And me"}).left(200);
    machine.write(kDefaultPath, damaged);
    std::unique_ptr<ListItem> tasks = file.loadFromDisk();
    EXPECT_EQ(names(*tasks), QStringList{"Untitled"});
    EXPECT_TRUE(file.loadFailed());
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_TRUE(alerts.shown[0].informativeText.contains(kDefaultPath));
    EXPECT_EQ(alerts.shown[0].messageText, "Trevalo 2");

    // Reloading the same file does not tell the user again.
    tasks = file.loadFromDisk();
    EXPECT_EQ(alerts.shown.size(), 1);

    tasks->child(0)->setName("typed after the failed load");
    EXPECT_FALSE(file.saveListToFile(*tasks, SaveTarget::automatic()));
    EXPECT_FALSE(file.saveListToFile(*tasks, SaveTarget::control()));
    EXPECT_FALSE(file.saveListToFile(*tasks, SaveTarget::file(kDefaultPath)));
    EXPECT_EQ(machine.read(kDefaultPath), damaged);
    EXPECT_EQ(saveAsRequests, 2); // the automatic and the control save ask for save-as

    // Save-as elsewhere works.
    const QString elsewhere = "/Users/robin/Documents/rescued.tp";
    machine.write("/Users/robin/Documents/.keep", "");
    EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::file(elsewhere)));
    EXPECT_EQ(namesIn(machine.read(elsewhere)), QStringList{"typed after the failed load"});

    // Once a good file is in its place, it loads and saves as any other.
    machine.write(kDefaultPath, taskPad({"Repaired"}));
    tasks = file.loadFromDisk();
    EXPECT_FALSE(file.loadFailed());
    EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::automatic()));
}

TEST_F(TaskPadFileTest, ADifferentDamagedFileIsToldAgain)
{
    machine.write(kDefaultPath, "not a task pad");
    file.loadFromDisk();
    machine.write(kDefaultPath, "another broken file");
    file.loadFromDisk();
    EXPECT_EQ(alerts.shown.size(), 2);
}

// The check used to compare the file's date with the local clock: a restored older copy was written
// over, and a volume with a fast clock refused every save.
TEST_F(TaskPadFileTest, AnAutomaticSaveGoesAheadOnlyOverTheFileAsItWasLoaded)
{
    const QByteArray original = taskPad({"Mine"});
    const struct Case {
        const char* name;
        std::function<void(TaskPadFileTest&)> change;
    } cases[] = {
        {"touched",
         [](TaskPadFileTest& t) { t.setModified(kDefaultPath, QDateTime::currentDateTime().addSecs(60)); }},
        {"an older copy restored",
         [&](TaskPadFileTest& t) {
             QFile::remove(t.machine.host(kDefaultPath));
             t.machine.write(kDefaultPath, original);
             t.setModified(kDefaultPath, QDateTime::currentDateTime().addDays(-30));
         }},
        {"rewritten by another program",
         [](TaskPadFileTest& t) { t.machine.write(kDefaultPath, t.taskPad({"Theirs"})); }},
        {"replaced by a file of the same size",
         [&](TaskPadFileTest& t) {
             const QString other = kDefaultPath + ".new";
             t.machine.write(other, original);
             QFile::remove(t.machine.host(kDefaultPath));
             QFile::rename(t.machine.host(other), t.machine.host(kDefaultPath));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.write(kDefaultPath, original);
        std::unique_ptr<ListItem> tasks = file.loadFromDisk();
        c.change(*this);
        const QByteArray changed = machine.read(kDefaultPath);
        const int requests = saveAsRequests;
        tasks->child(0)->setName("edited here");
        EXPECT_FALSE(file.saveListToFile(*tasks, SaveTarget::automatic()));
        EXPECT_EQ(machine.read(kDefaultPath), changed);
        EXPECT_EQ(saveAsRequests, requests + 1);
    }
    EXPECT_TRUE(log.text().contains(
        "-[OutlineViewController saveListToFile:] [Line 737] file has been modified since last load"));
}

TEST_F(TaskPadFileTest, AFileDatedInTheFutureStillSaves)
{
    machine.write(kDefaultPath, taskPad({"Mine"}));
    setModified(kDefaultPath, QDateTime::currentDateTime().addDays(1));
    std::unique_ptr<ListItem> tasks = file.loadFromDisk();
    EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::automatic()));
    EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::automatic())); // and again after its own write
}

// Two processes on one file (the menu-bar program and `trevalo tasks`): the one that saves second sees
// that the file is no longer the one it read.
TEST_F(TaskPadFileTest, TheSecondOfTwoWritersIsRefused)
{
    machine.write(kDefaultPath, taskPad({"Shared"}));
    TaskPadFile other(services());
    std::unique_ptr<ListItem> mine = file.loadFromDisk();
    std::unique_ptr<ListItem> theirs = other.loadFromDisk();
    theirs->child(0)->setName("theirs");
    EXPECT_TRUE(other.saveListToFile(*theirs, SaveTarget::automatic()));
    mine->child(0)->setName("mine");
    EXPECT_FALSE(file.saveListToFile(*mine, SaveTarget::automatic()));
    EXPECT_EQ(namesIn(machine.read(kDefaultPath)), QStringList{"theirs"});
}

TEST_F(TaskPadFileTest, AFileTakenAwayAfterLoadingAsksForSaveAs)
{
    machine.write(kDefaultPath, taskPad({"Mine"}));
    std::unique_ptr<ListItem> tasks = file.loadFromDisk();
    QFile::remove(machine.host(kDefaultPath));
    EXPECT_FALSE(file.saveListToFile(*tasks, SaveTarget::automatic()));
    EXPECT_FALSE(QFileInfo::exists(machine.host(kDefaultPath)));
    EXPECT_TRUE(log.text().contains("[Line 755] save failed; file doesn't exist"));
    EXPECT_EQ(saveAsRequests, 1);
}

TEST_F(TaskPadFileTest, AControlSaveCreatesTheFileAndSkipsTheCheck)
{
    settings.setString(keys::taskPadPathKey, "/Users/robin/tasks.tp");
    std::unique_ptr<ListItem> tasks = outlineOf({"From a control"});
    EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::control()));
    EXPECT_EQ(namesIn(machine.read("/Users/robin/tasks.tp")), QStringList{"From a control"});

    setModified("/Users/robin/tasks.tp", QDateTime::currentDateTime().addSecs(-600));
    tasks->child(0)->setName("Again");
    EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::control()));
    EXPECT_TRUE(file.saveListToFile(*tasks, SaveTarget::file("/Users/robin/copy.tp")));
    EXPECT_EQ(namesIn(machine.read("/Users/robin/tasks.tp")), QStringList{"Again"});
    EXPECT_EQ(namesIn(machine.read("/Users/robin/copy.tp")), QStringList{"Again"});
    EXPECT_EQ(saveAsRequests, 0);
}

// Writes were not atomic and their failure went unreported, with the time stamp renewed all the same.
TEST_F(TaskPadFileTest, AFailedWriteIsReportedAndLeavesTheFileAsItWas)
{
    machine.write(kDefaultPath, taskPad({"Mine"}));
    bool failing = true;
    TaskPadFile failingFile(services(),
                            [&](const QString& path, const QByteArray& bytes) -> std::optional<QString> {
                                if (failing)
                                    return QStringLiteral("No space left on device");
                                QFile f(path);
                                f.open(QIODevice::WriteOnly);
                                f.write(bytes);
                                return std::nullopt;
                            });
    std::unique_ptr<ListItem> tasks = failingFile.loadFromDisk();
    tasks->child(0)->setName("edited");
    EXPECT_FALSE(failingFile.saveListToFile(*tasks, SaveTarget::automatic()));
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_TRUE(alerts.shown[0].informativeText.contains("No space left on device"));
    EXPECT_TRUE(alerts.shown[0].informativeText.contains(kDefaultPath));
    EXPECT_EQ(namesIn(machine.read(kDefaultPath)), QStringList{"Mine"});

    // What was recorded still is the file as loaded: the next save, once writing works, goes ahead.
    failing = false;
    EXPECT_TRUE(failingFile.saveListToFile(*tasks, SaveTarget::automatic()));
    EXPECT_EQ(namesIn(machine.read(kDefaultPath)), QStringList{"edited"});
}

TEST_F(TaskPadFileTest, TheRealWriteReportsAPathItCannotWrite)
{
    QDir().mkpath(machine.host("/Users/robin/folder.tp"));
    std::unique_ptr<ListItem> tasks = outlineOf({"x"});
    EXPECT_FALSE(file.saveListToFile(*tasks, SaveTarget::file("/Users/robin/folder.tp")));
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_TRUE(alerts.shown[0].informativeText.startsWith(
        "The task pad cannot be saved to /Users/robin/folder.tp: "));
    EXPECT_TRUE(QFileInfo(machine.host("/Users/robin/folder.tp")).isDir());
    // No half-written file is left beside it.
    EXPECT_EQ(QDir(machine.host("/Users/robin")).entryList(QDir::Files | QDir::Hidden), QStringList());
}

TEST_F(TaskPadFileTest, SetTaskPadPathLastsUntilTheSettingIsReadAgain)
{
    settings.setString(keys::taskPadPathKey, "/Users/robin/a.tp");
    file.setTaskPadPath("/Users/robin/b.tp");
    EXPECT_EQ(settings.stringForKey(keys::taskPadPathKey), "/Users/robin/a.tp");
    EXPECT_EQ(file.getTaskPadPath(), "/Users/robin/a.tp");
}

} // namespace
