#include "search/SearchKeys.h"
#include "search/SearchQuery.h"
#include "search/SuperSearch.h"
#include "support/FakeServices.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimeZone>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace trevalo;
using trevalo::test::FakeServices;
using trevalo::test::TempRoot;

namespace {

constexpr int kSafetyMs = 20000;

bool waitUntil(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < kSafetyMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

/// A named pipe the test reads: a tool that opens it for writing holds it until its whole process group
/// has ended.
class HeldPipe {
public:
    explicit HeldPipe(const QString& path) : m_path(path)
    {
        ::mkfifo(QFile::encodeName(path).constData(), 0600);
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ~HeldPipe() { ::close(m_fd); }
    /// Whether every writer has closed the pipe (after at least one opened it).
    bool writersGone() const
    {
        return waitUntil([this] {
            char buffer[64];
            return ::read(m_fd, buffer, sizeof buffer) == 0;
        });
    }

private:
    QString m_path;
    int m_fd = -1;
};

SearchRow row(const char* name, const char* path, const char* date)
{
    return {name, path, date, QDateTime()};
}

class SuperSearchTest : public ::testing::Test, public FakeServices {
protected:
    SuperSearchTest()
    {
        for (const char* file : {"Documents/report.txt", "Documents/notes.txt", "Desktop/old report.pdf"})
            machine.write(QStringLiteral("/Users/robin/%1").arg(file), "invoice\ninvoice\n");
        QDir().mkpath(machine.host("/private/etc"));
        machine.write("/private/etc/hosts", "127.0.0.1 localhost\n");
    }

    /// A find that prints its output and ends with a status, whatever it is asked.
    void fakeFind(const QByteArray& output, int status = 0)
    {
        machine.script("/usr/bin/find", "printf '%s' '" + output + "'; exit " + QByteArray::number(status));
    }
    static SuperSearch::Request deep(const QString& term, const QString& folder = "/Users/robin",
                                     bool content = false)
    {
        SuperSearch::Request r;
        r.options.searchIsDeep = true;
        r.options.searchIsString = true;
        r.options.searchIsContent = content;
        r.start = {folder, false};
        r.term = term;
        return r;
    }
    bool finish()
    {
        return waitUntil([this] { return !search.isRunning(); });
    }
    QStringList names() const
    {
        QStringList out;
        for (const SearchRow& r : search.results().rows())
            out << r.name;
        return out;
    }
    QStringList paths() const
    {
        QStringList out;
        for (const SearchRow& r : search.results().rows())
            out << r.path;
        return out;
    }

    SuperSearch search{services()};
};

TEST(FindLines, NameAndPathOfEachLine)
{
    const struct Case {
        const char* name;
        const char* line;
        bool content;
        std::optional<FindLine> expected;
    } cases[] = {
        {"a name search's path", "/Users/a/notes.txt", false, FindLine{"notes.txt", "/Users/a/notes.txt"}},
        {"a folder", "/Users/a/", false, FindLine{"a", "/Users/a/"}},
        {"a content line", "/Users/a/notes.txt:3", true, FindLine{"notes.txt:3", "/Users/a/notes.txt"}},
        {"a colon in the name splits at the last", "/Users/a/b:c.txt:12", true,
         FindLine{"b:c.txt:12", "/Users/a/b:c.txt"}},
        {"a name search keeps colons in the path", "/Users/a/b:c.txt", false,
         FindLine{"b:c.txt", "/Users/a/b:c.txt"}},
        {"find's own message", "find: /private/var/db: Operation not permitted", false, std::nullopt},
        {"the rest of a name that held a line feed", "tail of the name.txt", false, std::nullopt},
        {"too short", "/", false, std::nullopt},
        {"empty", "", false, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(parseFindLine(QString::fromUtf8(c.line), c.content), c.expected);
    }
}

TEST(FindLines, DatesAsStatPrintsThem)
{
    const struct Case {
        QDateTime time;
        const char* text;
    } cases[] = {
        {QDateTime(QDate(2020, 3, 3), QTime(11, 47, 13)), "Mar  3 11:47:13 2020\n"},
        {QDateTime(QDate(2024, 12, 25), QTime(0, 0, 5)), "Dec 25 00:00:05 2024\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(statDateText(c.time), c.text);
    EXPECT_EQ(statChangeText(QStringLiteral("/no/such/file")), "");
    EXPECT_EQ(standardDateText(QDateTime(QDate(2024, 6, 17), QTime(9, 29, 29), QTimeZone::utc())),
              "2024-06-17 09:29:29 +0000");
}

TEST(FindLines, TheDateIsTheOneTheStatToolPrints)
{
    // The simulated Mac's stat prints what the Mac's does for the same file.
    const auto mac = TempRoot::sampleMac();
    ASSERT_TRUE(mac);
    const SystemRoot root = mac->root();
    CommandRunner runner(root);
    for (const char* path : {"/Users/robin/Downloads", "/private/etc/hosts", "/etc"}) {
        SCOPED_TRACE(path);
        QString text = runner.callSubsidTaskWithResult("/usr/bin/stat", {"-f", "\"%Sc\"", path});
        text.remove(u'"');
        ASSERT_FALSE(text.isEmpty());
        EXPECT_EQ(statChangeText(root.host(path)), text);
    }
}

TEST_F(SuperSearchTest, RowsOfADeepSearch)
{
    const struct Case {
        const char* name;
        QByteArray output;
        int status;
        bool content;
        QStringList names;
        QStringList paths;
        QString counter;
        bool succeeded;
    } cases[] = {
        {"three paths and a final line feed",
         "/Users/robin/Documents/report.txt\n/Users/robin/Documents/notes.txt\n/Users/robin/Desktop/old "
         "report.pdf\n",
         0,
         false,
         {"report.txt", "notes.txt", "old report.pdf"},
         {"/Users/robin/Documents/report.txt", "/Users/robin/Documents/notes.txt",
          "/Users/robin/Desktop/old report.pdf"},
         "3",
         true},
        {"a find: line is not a row",
         "/Users/robin/Documents/report.txt\nfind: /Users/robin/Library: Operation not permitted\n",
         1,
         false,
         {"report.txt"},
         {"/Users/robin/Documents/report.txt"},
         "1",
         true},
        {"no output", "", 1, false, {}, {}, "0", true},
        {"find that fails shows nothing of what it printed",
         "/Users/robin/Documents/report.txt\n",
         2,
         false,
         {},
         {},
         "0",
         false},
        {"content lines: path and count",
         "/Users/robin/Documents/notes.txt:3\n",
         0,
         true,
         {"notes.txt:3"},
         {"/Users/robin/Documents/notes.txt"},
         "1",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.content)
            machine.script("/usr/bin/xargs", "cat > /dev/null; printf '%s' '" + c.output + "'");
        else
            fakeFind(c.output, c.status);
        QList<bool> finished;
        const auto connection =
            QObject::connect(&search, &SuperSearch::searchFinished, [&finished](bool ok) { finished << ok; });
        search.startSearch(deep("report", "/Users/robin", c.content));
        ASSERT_TRUE(finish());
        QObject::disconnect(connection);
        ASSERT_EQ(finished, QList<bool>{c.succeeded});
        EXPECT_EQ(names(), c.names);
        EXPECT_EQ(paths(), c.paths);
        EXPECT_EQ(search.state().resultCounter, c.counter);
        EXPECT_FALSE(search.state().spinnerVisible);
        EXPECT_EQ(search.state().revealVisible, !c.names.isEmpty());
        EXPECT_EQ(search.state().failure.isEmpty(), c.succeeded);
        for (const SearchRow& r : search.results().rows()) {
            EXPECT_TRUE(r.dateText.endsWith('\n'));
            EXPECT_EQ(r.dateText, statChangeText(machine.host(r.path)));
        }
    }
}

TEST_F(SuperSearchTest, TheHostsFindAndGrepSearchTheRootAndShowTheMacsPaths)
{
    search.startSearch(deep("REPORT"));
    ASSERT_TRUE(finish());
    QStringList found = paths();
    found.sort();
    EXPECT_EQ(found,
              QStringList({"/Users/robin/Desktop/old report.pdf", "/Users/robin/Documents/report.txt"}));
    for (const SearchRow& r : search.results().rows())
        EXPECT_EQ(r.dateText, statChangeText(machine.host(r.path))) << r.path.toStdString();
    EXPECT_FALSE(search.results().row(0).dateText.isEmpty());

    // Contents: every regular file, a count after each name, files without the term left out.
    machine.write("/Users/robin/Documents/other.txt", "nothing here\n");
    search.startSearch(deep("Invoice", "/", true));
    ASSERT_TRUE(finish());
    QStringList counted = names();
    counted.sort();
    EXPECT_EQ(counted, QStringList({"notes.txt:2", "old report.pdf:2", "report.txt:2"}));
    EXPECT_TRUE(paths().contains("/Users/robin/Documents/notes.txt"));
    for (const SearchRow& r : search.results().rows())
        EXPECT_EQ(r.dateText, statChangeText(machine.host(r.path))) << r.path.toStdString();
}

TEST_F(SuperSearchTest, HostileTermsAndFolderNamesRunNothing)
{
    const QString marker = machine.host("/pwned");
    const QString hostile[] = {
        "*$(touch " + marker + ")*",
        "`touch " + marker + "`",
        "\"; touch " + marker + "; \"",
        "\\\"; touch " + marker + " #",
    };
    const QString folder = "/Users/robin/$(touch " + marker + ") `touch " + marker + "`;touch " + marker;
    QDir().mkpath(machine.host(folder));
    machine.write(folder + "/inside.txt", "x");
    for (const QString& term : hostile) {
        SCOPED_TRACE(term.toStdString());
        for (const bool content : {false, true}) {
            search.startSearch(deep(term, "/", content));
            ASSERT_TRUE(finish());
            EXPECT_TRUE(search.state().failure.isEmpty()) << search.state().failure.toStdString();
            EXPECT_EQ(search.results().size(), 0);
            EXPECT_FALSE(QFile::exists(marker));
        }
    }
    // A folder whose name is shell text is searched as the folder it is.
    search.startSearch(deep("inside", folder));
    ASSERT_TRUE(finish());
    EXPECT_EQ(paths(), QStringList{folder + "/inside.txt"});
    EXPECT_FALSE(QFile::exists(marker));
}

TEST_F(SuperSearchTest, RowsArriveWhileFindIsStillRunning)
{
    HeldPipe gate(machine.host("/gate"));
    machine.script("/usr/bin/find", "echo /Users/robin/Documents/report.txt; read -r < '" +
                                        QFile::encodeName(machine.host("/gate")) +
                                        "'; echo /Users/robin/Documents/notes.txt");
    search.startSearch(deep("report"));
    ASSERT_TRUE(waitUntil([this] { return search.results().size() == 1; }));
    EXPECT_TRUE(search.isRunning());
    EXPECT_EQ(search.state().resultCounter, "1");
    EXPECT_TRUE(search.state().spinnerVisible);
    EXPECT_TRUE(search.state().revealVisible);
    EXPECT_TRUE(search.state().actionEnabled);
    QFile release(machine.host("/gate"));
    ASSERT_TRUE(release.open(QIODevice::WriteOnly));
    release.write("go\n");
    release.close();
    ASSERT_TRUE(finish());
    EXPECT_EQ(names(), QStringList({"report.txt", "notes.txt"}));
    EXPECT_FALSE(search.state().spinnerVisible);
}

TEST_F(SuperSearchTest, CancelEndsTheWholePipelineAndEmptiesFieldAndTable)
{
    HeldPipe held(machine.host("/held"));
    machine.script("/usr/bin/find", "exec 3>'" + QFile::encodeName(machine.host("/held")) +
                                        "'; sleep 30 & echo /Users/robin/Documents/report.txt; wait");
    search.searchDepth(true);
    search.selectFolder(0);
    search.searchFieldMethod("report");
    EXPECT_EQ(search.state().fieldText, "report");
    ASSERT_TRUE(waitUntil([this] { return search.results().size() == 1; }));
    search.cancelBtn();
    EXPECT_TRUE(held.writersGone()); // the shell, find and its background child
    EXPECT_FALSE(search.isRunning());
    EXPECT_EQ(search.results().size(), 0);
    EXPECT_EQ(search.state().fieldText, "");
    EXPECT_EQ(search.state().resultCounter, "");
    EXPECT_FALSE(search.state().spinnerVisible);
    EXPECT_FALSE(search.state().actionEnabled);
    EXPECT_FALSE(search.searchInProgress());
}

TEST_F(SuperSearchTest, LateRowsOfAReplacedSearchAreDropped)
{
    // The first search's rows are read and on their way when the second starts.
    machine.script("/usr/bin/find", R"(case "$*" in
*first*) echo /Users/robin/Documents/report.txt; echo /Users/robin/Documents/notes.txt; exec sleep 30 ;;
*) echo /Users/robin/Desktop/old\ report.pdf ;;
esac)");
    machine.script("/usr/bin/mdfind", "printf '/Users/robin/Documents/report.txt\\0'");
    struct Case {
        const char* name;
        bool firstDeep;
    } cases[] = {{"a deep search replaced", true}, {"a Spotlight search replaced", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SuperSearch::Request first = deep("first");
        first.options.searchIsDeep = c.firstDeep;
        search.startSearch(first);
        QThread::msleep(500); // its output is read and queued, not yet handled
        search.startSearch(deep("second"));
        ASSERT_TRUE(finish());
        QCoreApplication::processEvents();
        EXPECT_EQ(names(), QStringList{"old report.pdf"});
        EXPECT_EQ(search.state().resultCounter, "1");
    }
    // And after a cancel nothing comes at all.
    search.startSearch(deep("first"));
    QThread::msleep(500);
    search.cancelBtn();
    QElapsedTimer settling; // let anything that was queued arrive
    settling.start();
    waitUntil([&settling] { return settling.elapsed() > 300; });
    EXPECT_EQ(search.results().size(), 0);
}

TEST_F(SuperSearchTest, SpotlightHitsSortedFilteredAndCounted)
{
    machine.write("/Users/robin/Library/Mail/V7/1.emlx", "memo");
    machine.write("/Users/robin/Library/Caches/http_memo.history", "memo");
    machine.script("/usr/bin/mdfind", "printf '%s\\n' \"$@\" > '" + QFile::encodeName(machine.host("/args")) +
                                          "'; printf '%s\\0' /Users/robin/Documents/report.txt "
                                          "/Users/robin/Library/Mail/V7/1.emlx /Users/robin/Desktop/old\\ "
                                          "report.pdf /Users/robin/Library/Caches/http_memo.history");
    const struct Case {
        const char* name;
        bool email;
        bool web;
        QStringList names;
        qint64 filtered;
    } cases[] = {
        {"both filters on", false, false, {"old report.pdf", "report.txt"}, 2},
        {"mail kept", true, false, {"1.emlx", "old report.pdf", "report.txt"}, 1},
        {"everything kept", true, true, {"1.emlx", "http_memo.history", "old report.pdf", "report.txt"}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SuperSearch::Request r;
        r.options.searchIsString = true;
        r.options.searchEmail = c.email;
        r.options.searchWebH = c.web;
        r.term = "memo";
        search.startSearch(r);
        ASSERT_TRUE(finish());
        EXPECT_EQ(names(), c.names);
        EXPECT_EQ(search.filteredHits(), c.filtered);
        EXPECT_EQ(search.state().resultCounter, QString::number(c.names.size()));
        EXPECT_FALSE(search.state().spinnerVisible);
        EXPECT_TRUE(search.state().revealVisible);
        EXPECT_TRUE(search.results().row(0).created.isValid());
        EXPECT_TRUE(search.results().row(0).dateText.isEmpty());
        EXPECT_EQ(QString::fromUtf8(machine.read("/args")), "-0\n" + mdfindQuery(r.options, "memo") + "\n");
    }

    machine.script("/usr/bin/mdfind", "true");
    search.startSearch({SearchOptions{}, {}, "memo"});
    ASSERT_TRUE(finish());
    EXPECT_EQ(search.state().resultCounter, "0");
    EXPECT_FALSE(search.state().revealVisible);

    machine.script("/usr/bin/mdfind", "printf '/Users/robin/Documents/report.txt\\0'; exit 1");
    search.startSearch({SearchOptions{}, {}, "memo"});
    ASSERT_TRUE(finish());
    EXPECT_EQ(search.results().size(), 0);
    EXPECT_EQ(search.state().resultCounter, "0");
    EXPECT_FALSE(search.state().failure.isEmpty());
}

TEST_F(SuperSearchTest, ShortcutsAndShortTermsStartNoSearch)
{
    machine.script("/usr/bin/osascript",
                   "printf '%s\\n' \"$@\" >> '" + QFile::encodeName(machine.host("/osascript.calls")) + "'");
    machine.script("/usr/bin/find",
                   "echo called >> '" + QFile::encodeName(machine.host("/find.calls")) + "'");
    machine.script("/usr/bin/mdfind",
                   "echo called >> '" + QFile::encodeName(machine.host("/find.calls")) + "'");
    QDir().mkpath(machine.host("/Users/robin/Desktop"));
    for (const bool deepEngine : {false, true}) {
        SCOPED_TRACE(deepEngine);
        search.searchDepth(deepEngine);
        for (const char* term : {"~/Desktop", "/etc/hosts", "~/Nowhere", "`Safari", "ab", "a"}) {
            SCOPED_TRACE(term);
            search.searchFieldMethod(term);
            EXPECT_FALSE(search.isRunning());
            EXPECT_FALSE(search.state().spinnerVisible);
            EXPECT_EQ(search.state().resultCounter, "");
            EXPECT_EQ(search.results().size(), 0);
        }
    }
    EXPECT_EQ(workspace.revealed, QStringList({"/Users/robin/Desktop", "/private/etc/hosts",
                                               "/Users/robin/Desktop", "/private/etc/hosts"}));
    EXPECT_EQ(
        QString::fromUtf8(machine.read("/osascript.calls")).count("tell application \"Safari\" to activate"),
        2);
    EXPECT_FALSE(QFile::exists(machine.host("/find.calls")));
}

TEST_F(SuperSearchTest, OpeningTheWindowReadsTheOptionsAndPreparesThePopUp)
{
    QDir().mkpath(machine.host("/Volumes"));
    QFile::link("..", machine.host("/Volumes/Macintosh HD"));
    QDir().mkpath(machine.host("/Volumes/Backup Disk"));
    settings.setBool(keys::searchForDepth, true);
    settings.setBool(keys::searchForWebHistory, false);
    QStringList order;
    QObject::connect(&search, &SuperSearch::windowOpening, [&] { order << "task pad gives way"; });
    QObject::connect(&search, &SuperSearch::showRequested, [&] { order << "shown"; });
    search.openSearchWin();
    EXPECT_EQ(order, QStringList({"task pad gives way", "shown"}));
    const SuperSearch::WindowState& s = search.state();
    EXPECT_EQ(search.popUp().items[s.selectedFolder].title, "Macintosh HD");
    EXPECT_TRUE(s.directoryPopUpEnabled);
    EXPECT_TRUE(s.checkWebOn && s.checkEmailOn);
    EXPECT_FALSE(s.checkWebEnabled || s.checkEmailEnabled);
    // Every option is on disk now, the missing ones as NO.
    for (const char* key : {keys::searchForEmail, keys::searchForWebHistory, keys::searchForCase,
                            keys::searchForContent, keys::searchForString, keys::searchForDepth})
        EXPECT_EQ(storedSetting(key).toBool(), QString(key) == keys::searchForDepth) << key;
    EXPECT_EQ(search.selectedStartFolder(), (StartFolder{"/", true}));

    // The faster engine: "All Volumes", the pop-up off, the filters as stored.
    search.searchEmailMethod(true);
    search.searchDepth(false);
    EXPECT_EQ(s.selectedFolder, 0);
    EXPECT_FALSE(s.directoryPopUpEnabled);
    EXPECT_TRUE(s.checkWebEnabled && s.checkEmailEnabled);
    EXPECT_FALSE(s.checkWebOn);
    EXPECT_TRUE(s.checkEmailOn);
    EXPECT_FALSE(settings.boolForKey(keys::searchForDepth));
    // Separators cannot be chosen.
    search.searchDepth(true);
    search.selectFolder(1);
    EXPECT_EQ(search.popUp().items[s.selectedFolder].title, "Macintosh HD");
}

TEST_F(SuperSearchTest, CopyAndReveal)
{
    search.results().append({row("notes.txt", "/Users/a/notes.txt", "Mar  3 11:47:13 2020\n"),
                             row("b.pdf", "/Users/a/b.pdf", "Dec 25 00:00:05 2024\n")});
    EXPECT_EQ(search.copyAllText(), "\n\nnotes.txt\t/Users/a/notes.txt\t\tMar  3 11:47:13 2020\n"
                                    "\nb.pdf\t/Users/a/b.pdf\t\tDec 25 00:00:05 2024\n");
    search.copySelectedMenu({1, 0});
    EXPECT_EQ(clipboard.text, "notes.txt\t/Users/a/notes.txt\tMar  3 11:47:13 2020\n");
    search.copyAllMenu();
    EXPECT_EQ(clipboard.text, search.copyAllText());

    search.openFileLocation({1, 0});
    EXPECT_EQ(workspace.revealed, QStringList({"/Users/a/notes.txt", "/Users/a/b.pdf"}));
    EXPECT_TRUE(alerts.shown.isEmpty());
    search.openFileLocation({});
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0].messageText, "Trevalo 2");
    EXPECT_EQ(alerts.shown[0].informativeText,
              "Select an item first. Then click the 'Reveal' button (you can also double-click the item "
              "directly) to reveal the item in the Finder.\n");
    EXPECT_EQ(alerts.shown[0].buttons, QStringList{"OK"});

    // A Spotlight hit's date in its standard form.
    search.results().clear();
    search.results().append({{"memo.txt", "/Users/a/memo.txt", "",
                              QDateTime(QDate(2024, 6, 17), QTime(9, 29, 29), QTimeZone::utc())}});
    EXPECT_EQ(search.copySelectedText({0}), "memo.txt\t/Users/a/memo.txt\t2024-06-17 09:29:29 +0000");

    // Without rows or a selection nothing is copied.
    search.clearAll();
    clipboard.text = "kept";
    search.copyAllMenu();
    search.copySelectedMenu({});
    EXPECT_EQ(clipboard.text, "kept");
}

} // namespace
