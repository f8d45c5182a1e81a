#include "app/SettingsKeys.h"
#include "app/StatusMenuController.h"
#include "support/FakeServices.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::TempRoot;

namespace {

/// The controller on a small Mac whose tools are scripts written by each test; every tool call is
/// appended to /calls.
class StatusMenuControllerTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    StatusMenuControllerTest() { clock.at = QDateTime(QDate(2026, 3, 1), QTime(9, 30)); }
    StatusMenuModel model;
    StatusMenuController controller{services(), model};

    void tool(const QString& path, const QString& body)
    {
        machine.script(path, QStringLiteral("echo \"$(basename \"$0\") $*\" >> '%1'\n%2")
                                 .arg(machine.host("/calls"), body)
                                 .toUtf8());
    }
    QString calls() const { return QString::fromUtf8(machine.read("/calls")); }
    void usedPercent(double percent) { volumes.space = {100'000'000'000, qint64((100 - percent) * 1e9)}; }
};

TEST_F(StatusMenuControllerTest, SipItemIsRemovedOnASystemWithoutIt)
{
    tool("/usr/bin/sw_vers",
         "printf 'ProductName:\\tMac OS X\\nProductVersion:\\t10.10.5\\nBuildVersion:\\t14F27\\n'");
    tool("/usr/bin/csrutil", "echo 'System Integrity Protection status: enabled.'");
    controller.getOSVer();
    controller.getCsrutil();
    EXPECT_TRUE(model[MenuItem::sipState].removed);
    EXPECT_FALSE(calls().contains("csrutil"));
    EXPECT_EQ(model[MenuItem::osxnum].title, "OSX:  \t10.10.5\n");
}

TEST_F(StatusMenuControllerTest, FinderSettingStoredAsTextIsRewrittenOnce)
{
    // defaults answers from a file that its own write replaces, as the real domain would.
    machine.write("/finder", "TRUE\n");
    tool("/usr/bin/defaults",
         QStringLiteral("if [ \"$1\" = write ]; then echo \"$4\" > '%1'; else cat '%1'; fi")
             .arg(machine.host("/finder")));
    tool("/usr/bin/killall", "");
    controller.getInvisibleFileStatus();
    EXPECT_TRUE(model[MenuItem::invisibleFiles].marked);
    for (int i = 0; i < 200 && !calls().contains("killall Finder"); ++i)
        QThread::msleep(10);
    for (int i = 0; i < 200 && machine.read("/finder") != "1\n"; ++i)
        QThread::msleep(10);

    controller.getInvisibleFileStatus();
    EXPECT_TRUE(model[MenuItem::invisibleFiles].marked);
    EXPECT_EQ(model[MenuItem::invisibleFiles].title, " Invisible Files");
    EXPECT_EQ(calls().count("killall Finder"), 1);
    EXPECT_EQ(calls().count("defaults write com.apple.finder AppleShowAllFiles 1"), 1);

    // While the item is switched off nothing is read.
    settings.setBool(keys::showInvisibleFiles, true);
    const QString before = calls();
    controller.getInvisibleFileStatus();
    EXPECT_EQ(calls(), before);
}

TEST_F(StatusMenuControllerTest, DockReadsMarkTheirItems)
{
    struct Case {
        const char* name;
        const char* size;
        const char* hiding;
        const char* edge;
        bool mini, isHiding, left, right, bottom;
    } cases[] = {
        {"right edge marks only right", "0.5", "false", "right", false, false, false, true, false},
        {"unknown edge keeps the last marks", "0", "true", "top", true, true, false, true, false},
        {"bottom", "1", "false", "bottom", false, false, false, false, true},
        {"unreadable size counts as 0", "", "true", "left", true, true, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tool("/usr/bin/osascript", QStringLiteral(R"(case "$2" in
*"dock size"*) echo '%1' ;;
*autohide*) echo '%2' ;;
*"screen edge"*) echo '%3' ;;
esac)")
                                       .arg(c.size, c.hiding, c.edge));
        controller.refresh();
        EXPECT_EQ(model[MenuItem::mini].marked, c.mini);
        EXPECT_EQ(model[MenuItem::isHiding].marked, c.isHiding);
        EXPECT_EQ(model[MenuItem::dockLeft].marked, c.left);
        EXPECT_EQ(model[MenuItem::dockRight].marked, c.right);
        EXPECT_EQ(model[MenuItem::dockBottom].marked, c.bottom);
    }
}

TEST_F(StatusMenuControllerTest, DiskWarningsComeOncePerRunAndBand)
{
    struct Step {
        double percent;
        bool highWarning;
        const char* expected; // null: no notification
        const char* image;
    } steps[] = {
        {84.5, true, nullptr, "level85b-1"},
        {84.5, false, nullptr, "level85b-1"}, // the band was seen already
        {89, false, nullptr, "level85b-1"},   // no row holds: the image stays
        {91, false, "Lack of disk space may be causing problems!", "level9b-1"},
        {91, false, nullptr, "level9b-1"},
        {95, true, "Lack of disk space is causing problems!", "levelFull-1"},
        {96, true, nullptr, "levelFull-1"},
        {50, false, nullptr, "levelHalf-1"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.percent);
        notifier.delivered.clear();
        controller.highWarning = s.highWarning;
        usedPercent(s.percent);
        controller.refresh();
        if (s.expected) {
            ASSERT_EQ(notifier.delivered.size(), 1);
            EXPECT_EQ(notifier.delivered[0].title, "Trevalo 2 Analyser");
            EXPECT_EQ(notifier.delivered[0].informativeText, s.expected);
            EXPECT_FALSE(notifier.delivered[0].hasActionButton);
        } else {
            EXPECT_TRUE(notifier.delivered.isEmpty());
        }
        EXPECT_EQ(model[MenuItem::levelIndicator].image, s.image);
    }
}

TEST_F(StatusMenuControllerTest, RefreshSetsSpaceTitlesLastRunAndStatusTitle)
{
    volumes.space = {500'000'000'000, 12'340'000'000};
    struct Case {
        int mode;
        const char* title;
    } cases[] = {{0, ""}, {1, "12.3 GB"}, {2, "97.53%"}, {7, ""}};
    for (const Case& c : cases) {
        settings.setInteger(keys::menuBarIcon, c.mode);
        controller.refresh();
        EXPECT_EQ(model.statusTitle, c.title) << c.mode;
    }
    EXPECT_EQ(model[MenuItem::sizeSpace].title, "   -size  500.00 GB");
    EXPECT_EQ(model[MenuItem::usedSpace].title, "   -used 97.53%");
    EXPECT_EQ(model[MenuItem::freeSpace].title, "   -free  12.34 GB");
    EXPECT_EQ(model[MenuItem::lastRun].title, " Last run: 01/03/26 09:30");
    EXPECT_EQ(Settings(root.settingsFile()).stringForKey(keys::lastAnalyserRun), "01/03/26 09:30");

    settings.setBool(keys::darkMode, true);
    controller.refresh();
    EXPECT_TRUE(model.statusTemplate);
    EXPECT_TRUE(controller.darkModeItem);
}

TEST_F(StatusMenuControllerTest, AdminComesFromTheRootsGroupFile)
{
    struct Case {
        const char* groups;
        const char* title;
    } cases[] = {
        {"admin:*:80:root,robin\n", "User:       robin (Admin)"},
        {"admin:*:80:root\nstaff:*:20:robin\n", "User:       robin"},
        {"", "User:       robin"},
    };
    for (const Case& c : cases) {
        machine.write("/etc/group", c.groups);
        controller.userName();
        EXPECT_EQ(model[MenuItem::whoami].title, c.title);
    }
}

} // namespace

namespace {

TEST_F(StatusMenuControllerTest, MemoryLineIsTheScriptsTextResult)
{
    tool("/usr/bin/osascript", R"([ "$1" = -s ] && echo '"PhysMem: 15G used (2890M wired), 374M unused."')");
    EXPECT_EQ(controller.getMemStatus(), "PhysMem: 15G used (2890M wired), 374M unused.");
    EXPECT_TRUE(calls().contains("top -l 1 | awk '/PhysMem/';"));
    tool("/usr/bin/osascript", "exit 1");
    EXPECT_EQ(controller.getMemStatus(), "");
}

} // namespace

namespace {

/// Runs the event loop until the controller's background readings are all in.
bool waitForRefresh(StatusMenuController& controller)
{
    QEventLoop loop;
    bool finished = !controller.isRefreshing();
    QObject::connect(&controller, &StatusMenuController::refreshFinished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    if (!finished)
        loop.exec();
    return finished;
}

TEST_F(StatusMenuControllerTest, BackgroundRequestsDuringARefreshMergeIntoOneMoreRunAndTheNewestReadingWins)
{
    // The first run's uptime is slow and would answer after the second run's, were they to overlap.
    tool("/usr/bin/uptime", QStringLiteral("n=$(( $(cat '%1' 2>/dev/null || echo 0) + 1 )); echo $n > '%1'\n"
                                           "[ $n = 1 ] && sleep 1\n"
                                           "echo \"10:00  up $n days,  1:00, 1 user, load averages: 1 1 1\"")
                                .arg(machine.host("/runs")));
    controller.setReadMode(StatusMenuController::ReadMode::Background);
    int changes = 0;
    QObject::connect(&controller, &StatusMenuController::changed, [&] { ++changes; });

    controller.menuNeedsUpdate();
    EXPECT_TRUE(controller.isRefreshing());
    EXPECT_GT(changes, 0);                                // what needs no tool is shown at once
    EXPECT_EQ(model[MenuItem::uptime].title, "Uptime: "); // not read yet: the call did not wait
    controller.menuNeedsUpdate();
    controller.refresh();
    controller.menuNeedsUpdate();

    ASSERT_TRUE(waitForRefresh(controller));
    EXPECT_EQ(calls().count("uptime"), 2);
    EXPECT_EQ(model[MenuItem::uptime].title, "Uptime:  2 days,  1:00");
}

TEST_F(StatusMenuControllerTest, BlockingAndBackgroundReadingsAgree)
{
    tool("/usr/bin/uptime", "echo '10:00  up 3 days,  1:00, 1 user, load averages: 1 1 1'");
    tool("/usr/sbin/system_profiler",
         "printf '      Firewall Settings:\\n\\n          Mode: Block all incoming connections\\n'");
    tool("/usr/bin/osascript", "case \"$2\" in *\"screen edge\"*) echo right ;; *autohide*) echo true ;; "
                               "*\"dock size\"*) echo 0.5 ;; *\"folder actions\"*) echo true ;; esac");
    usedPercent(40);

    StatusMenuModel blockingModel;
    StatusMenuController blocking(services(), blockingModel);
    blocking.menuNeedsUpdate();

    controller.setReadMode(StatusMenuController::ReadMode::Background);
    controller.menuNeedsUpdate();
    ASSERT_TRUE(waitForRefresh(controller));

    for (const MenuItemSpec& row : statusMenuLayout()) {
        SCOPED_TRACE(row.title);
        EXPECT_EQ(model[row.item].title, blockingModel[row.item].title);
        EXPECT_EQ(model[row.item].marked, blockingModel[row.item].marked);
        EXPECT_EQ(model[row.item].image, blockingModel[row.item].image);
    }
    EXPECT_TRUE(model[MenuItem::dockRight].marked);
    EXPECT_TRUE(model[MenuItem::firewall].marked);
}

} // namespace

namespace {

TEST_F(StatusMenuControllerTest, AReadingThatFailedIsLoggedAsUnknown)
{
    const struct Case {
        const char* name;
        const char* body; ///< the csrutil stand-in; null for none at all
        const char* why;
    } cases[] = {
        {"missing tool", nullptr, "could not be started"},
        {"failing tool", "exit 1", "exited with status 1"},
        {"killed tool", "kill -9 $$", "was ended by signal 9"},
        {"not text", "printf 'enabled\\xff'", "printed text that is not UTF-8"},
    };
    tool("/usr/bin/sw_vers",
         "printf 'ProductName:\\tMac OS X\\nProductVersion:\\t10.15.7\\nBuildVersion:\\t19H2\\n'");
    controller.getOSVer();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(machine.host("/usr/bin/csrutil"));
        if (c.body)
            tool("/usr/bin/csrutil", c.body);
        test::CapturedLog log;
        controller.getCsrutil();
        // The title is still the rule's for no output; the log says it is no fact.
        EXPECT_EQ(model[MenuItem::sipState].title, "   SIP:     OFF");
        EXPECT_TRUE(log.text().contains(
            QStringLiteral("Menu reading unknown: /usr/bin/csrutil status %1").arg(c.why)))
            << log.text().toStdString();
    }
}

} // namespace
