#include "analyser/AnalyserKeys.h"
#include "analyser/TRAnalyser.h"
#include "app/TRAppDelegate.h"
#include "support/FakeServices.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::CapturedLog;
using trevalo::test::TempRoot;

namespace {

/// The Analyser's controller over a delegate whose scan "finds" a fixed set of items, minus the ignored
/// ones. osascript is a script that answers the Downloads count from /dmgs and records every script.
class ResultActionsTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    QMap<QString, QString> planted; // path to issue ("" for none)
    bool backup = false;
    int scans = 0;
    TRAppDelegate delegate{services(), [this](const Services&) {
                               ++scans;
                               const QStringList ignored =
                                   settings.stringArrayForKey(keys::whitelist).value_or(QStringList());
                               ScanOutcome outcome;
                               for (auto it = planted.begin(); it != planted.end(); ++it) {
                                   if (!ignored.contains(it.key()))
                                       outcome.rows.append({it.key().section('/', -1), it.value(), it.key()});
                               }
                               outcome.haveBackup = backup;
                               return outcome;
                           }};

    void SetUp() override
    {
        machine.write("/dmgs", "0");
        machine.script("/usr/bin/osascript",
                       QStringLiteral(R"sh(
printf '%s\n--\n' "${@: -1}" >> '%1'
case "${@: -1}" in
  *"-name '*.dmg'"*) printf '"%s"\n' "$(cat '%2')" ;;
  *"move x to the trash"*) [ -e '%4' ] && exit 1; [ -e '%5' ] && kill -9 $$
                           [ -e '%3' ] && echo fail || echo success ;;
esac)sh")
                           .arg(machine.host("/scripts"), machine.host("/dmgs"),
                                machine.host("/finder-fails"), machine.host("/finder-dies"),
                                machine.host("/finder-killed"))
                           .toUtf8());
    }

    TRAnalyser& scan()
    {
        delegate.analyser();
        return *delegate.analyserSubsystem().wins();
    }
    int rowOf(TRAnalyser& a, const QString& path)
    {
        for (int i = 0; i < a.model()->size(); ++i) {
            if (a.model()->row(i).where == path)
                return i;
        }
        return -1;
    }
    QString scripts() const { return QString::fromUtf8(machine.read("/scripts")); }
};

TEST_F(ResultActionsTest, TableAndNoticesAfterAScan)
{
    planted = {{"/Library/LaunchAgents/com.pcv.hlpramc.plist", "Adware"}, {"/Users/robin/Library/odd", ""}};
    settings.setStringArray(keys::whitelist, {"/a", "/b"});
    TRAnalyser& a = scan();
    ASSERT_EQ(a.model()->size(), 2);
    EXPECT_EQ(a.model()->row(0).name, "com.pcv.hlpramc.plist");
    EXPECT_EQ(a.model()->row(0).issue, "Adware");
    EXPECT_EQ(a.model()->row(1).issue, "n/a");
    EXPECT_EQ(a.issueCount, "2");
    EXPECT_EQ(a.ignoreLabel, "⚠️2");
    EXPECT_EQ(a.doneCheckingText, "Scan complete");
    EXPECT_TRUE(a.doneCheckingVisible);
    EXPECT_EQ(a.backupWarning, "Warning: no backup detected.");
    EXPECT_TRUE(scripts().contains(TRAnalyser::kDownloadsCountScript));
}

TEST_F(ResultActionsTest, EmptyScanShowsTheCheckMarkAndNoIgnoredCount)
{
    backup = true;
    TRAnalyser& a = scan();
    EXPECT_EQ(a.model()->size(), 0);
    EXPECT_EQ(a.issueCount, "0");
    EXPECT_EQ(a.doneCheckingText, "Scan complete   ✅");
    EXPECT_EQ(a.ignoreLabel, "");
    EXPECT_EQ(a.backupWarning, "");
}

TEST_F(ResultActionsTest, DownloadsNoticeByCount)
{
    struct Case {
        const char* reply;
        int count;
        const char* text;
        TRAnalyser::Colour colour;
    } cases[] = {
        {"0", 0, "", TRAnalyser::Colour::Default},       {"1", 1, "1 DMG", TRAnalyser::Colour::Blue},
        {"19", 19, "19 DMGs", TRAnalyser::Colour::Blue}, {"20", 20, "20 DMGs", TRAnalyser::Colour::Red},
        {"many", 0, "", TRAnalyser::Colour::Default},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        machine.write("/dmgs", c.reply);
        TRAnalyser& a = scan();
        EXPECT_EQ(a.downloads.count, c.count);
        EXPECT_EQ(a.downloads.text, c.text);
        EXPECT_EQ(a.downloads.colour, c.colour);
        if (c.count) {
            EXPECT_EQ(a.downloads.label, "contains: ");
        }
    }
}

TEST_F(ResultActionsTest, InfoAdviceForEachIssue)
{
    struct Case {
        const char* path;
        const char* issue;
        QString expected;
        bool moreButton;
    } cases[] = {
        {"/Library/x/osxDownloader", "Adware",
         "Issue: Adware\nItem: osxDownloader\n\nThis item has been identified by security researchers as "
         "adware. "
         "\n\nClick the 'Reveal' button in the Analyser window and delete the folder 'osxDownloader' from "
         "the Finder "
         "and restart your Mac.\n\nIf you use Google Chrome browser you may also need to delete:\n\n"
         "/Users/robin/Library/Application Support/Google/Chrome/Default/Preferences\n",
         false},
        {"/Library/x/Genieo", "Adware",
         "Issue: Adware\nItem: Genieo\n\nThis item has been identified by security researchers as adware. "
         "TR2 "
         "recommends that you remove it from your system.",
         false},
        {"/Library/x/bad", "Malware",
         "Issue: Malware\nItem: bad\n\nThis item has been identified by security researchers as malware and "
         "should "
         "be removed.",
         false},
        {"/Library/x/klog", "Keylogger", "Issue: Keylogger\nItem: klog\n\nTo see this file in the Finder",
         true},
        {"/Library/x/.3FAD1F2E", "Performance",
         "Issue: Performance\nItem: .3FAD1F2E\n\n -- This item belongs to the MacKeeper application", false},
        {"/Library/x/booster", "Performance",
         "Issue: Performance\nItem: booster\n\nThis item or its parent app can make changes", false},
        {"/Library/x/old", "Detritus",
         "Issue: Detritus\nItem: old\n\nThis item is a remnant left over by an earlier software installation "
         "and "
         "is no longer needed. It can safely be deleted.\n\nYou need to enable 'Invisible Files' in the "
         "Trevalo 2 "
         "menu in order to see it in the Finder.\n",
         false},
        {"/Library/x/unknown", "",
         "Issue: n/a\nItem: unknown\n\nTR2 recommends that this item be removed for security and/or "
         "performance "
         "reasons. Contact Quorvex Support if you require further information on this item.\n",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        planted = {{c.path, c.issue}};
        TRAnalyser& a = scan();
        alerts.shown.clear();
        a.doInfo(0);
        ASSERT_EQ(alerts.shown.size(), 1);
        EXPECT_TRUE(alerts.shown[0].informativeText.startsWith(c.expected))
            << alerts.shown[0].informativeText.toStdString();
        EXPECT_EQ(alerts.shown[0].messageText, "Trevalo 2");
        EXPECT_EQ(alerts.shown[0].buttons.contains("More..."), c.moreButton);
    }
    EXPECT_TRUE(alerts.shown[0].informativeText.endsWith("\n"));

    // "More..." opens the page on keyloggers.
    planted = {{"/Library/x/klog", "Keylogger"}};
    alerts.answer = "More...";
    scan().doInfo(0);
    ASSERT_EQ(workspace.opened.size(), 1);
    EXPECT_TRUE(workspace.opened[0].startsWith("https://"));
}

TEST_F(ResultActionsTest, ActionsWithoutASelectionOnlyExplain)
{
    planted = {{"/Library/x/a", "Adware"}};
    TRAnalyser& a = scan();
    alerts.shown.clear();
    a.doInfo(std::nullopt);
    a.revealInFinder(std::nullopt);
    a.deleteSelected(std::nullopt);
    a.ignore(std::nullopt);
    QCoreApplication::processEvents();
    ASSERT_EQ(alerts.shown.size(), 4);
    EXPECT_EQ(alerts.shown[0].informativeText,
              "Select an item first. Then click the 'Info' button to see more information about it.\n");
    EXPECT_EQ(
        alerts.shown[1].informativeText,
        "Select an item first. Then click the 'Reveal' button (you can also double-click the item directly) "
        "to reveal the item in the Finder.\n");
    EXPECT_EQ(alerts.shown[2].informativeText, "Select an item first. Then click the 'Delete' button.\n");
    EXPECT_EQ(alerts.shown[3].informativeText,
              "Select an item to ignore first. Then click the 'Ignore' button "
              "to remove it from the list of results.\n");
    EXPECT_EQ(scans, 1);
    EXPECT_FALSE(settings.contains(keys::whitelist));
    EXPECT_TRUE(workspace.revealed.isEmpty());
}

TEST_F(ResultActionsTest, IgnoreThenRescanHidesAndResetBringsBack)
{
    planted = {{"/Library/x/a", "Adware"}, {"/Library/x/b", "Malware"}};
    TRAnalyser& a = scan();
    a.ignore(rowOf(a, "/Library/x/a"));
    EXPECT_EQ(settings.stringArrayForKey(keys::whitelist), QStringList{"/Library/x/a"});
    EXPECT_EQ(Settings(root.settingsFile()).stringArrayForKey(keys::whitelist), QStringList{"/Library/x/a"});
    EXPECT_EQ(a.model()->size(), 1);
    EXPECT_EQ(a.ignoreLabel, "⚠️1");
    EXPECT_EQ(a.issueCount, "1");

    TRAnalyser& again = scan();
    EXPECT_EQ(rowOf(again, "/Library/x/a"), -1);
    again.reset();
    EXPECT_EQ(again.model()->size(), 0);
    QCoreApplication::processEvents(); // the rescan runs after the action
    EXPECT_EQ(scans, 3);
    EXPECT_EQ(settings.stringArrayForKey(keys::whitelist), QStringList());
    EXPECT_NE(rowOf(*delegate.analyserSubsystem().wins(), "/Library/x/a"), -1);
}

TEST_F(ResultActionsTest, IgnoreAddsItsOneEntryToTheStoredList)
{
    planted = {{"/Library/x/a", "Adware"}, {"/Library/x/b", "Malware"}};
    TRAnalyser& a = scan();
    // `trevalo analyse --ignore` in another process while the window is open.
    writeSettingsFile({{keys::whitelist, QStringList{"/elsewhere"}}});
    a.ignore(rowOf(a, "/Library/x/a"));
    EXPECT_EQ(storedSetting(keys::whitelist), QVariant(QStringList{"/elsewhere", "/Library/x/a"}));
    EXPECT_EQ(rowOf(a, "/Library/x/a"), -1);
    EXPECT_EQ(a.ignoreLabel, "⚠️2");
}

TEST_F(ResultActionsTest, IgnoreOrResetThatCannotBeStoredSaysWhyAndChangesNothing)
{
    planted = {{"/Library/x/a", "Adware"}};
    settings.setStringArray(keys::whitelist, {"/kept"});
    // A file stands where the settings folder should be: nobody, root included, can write the settings.
    const QString folder = QFileInfo(root.settingsFile()).absolutePath();
    machine.write(root.mac(folder), "not a folder");
    struct Case {
        const char* name;
        std::function<void(TRAnalyser&)> act;
    };
    const Case cases[] = {
        {"Ignore", [this](TRAnalyser& a) { a.ignore(rowOf(a, "/Library/x/a")); }},
        {"Reset", [](TRAnalyser& a) { a.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPointer<TRAnalyser> a = &scan();
        const int scansBefore = scans;
        alerts.shown.clear();
        c.act(*a);
        QCoreApplication::processEvents(); // a rescan would run now
        ASSERT_EQ(alerts.shown.size(), 1);
        EXPECT_EQ(alerts.shown[0].messageText, "Trevalo 2");
        const QString& text = alerts.shown[0].informativeText;
        EXPECT_TRUE(text.contains(root.settingsFile())) << text.toStdString();
        EXPECT_TRUE(text.contains(folder + " is a file, not a folder")) << text.toStdString();
        EXPECT_EQ(scans, scansBefore);
        ASSERT_TRUE(a);
        EXPECT_NE(rowOf(*a, "/Library/x/a"), -1);
        EXPECT_EQ(a->issueCount, "1");
        EXPECT_EQ(a->ignoreLabel, "⚠️1");
        EXPECT_EQ(settings.stringArrayForKey(keys::whitelist), QStringList{"/kept"});
    }
}

TEST_F(ResultActionsTest, DeleteAsksThenMovesToTheTrashAndAlwaysRescans)
{
    planted = {{"/Users/robin/Library/x\"; do shell script \"touch /tmp/pwned", "Adware"}};
    CapturedLog log;
    struct Case {
        const char* name;
        const char* answer;
        const char* failure; ///< the file that makes the stand-in fail that way, or null
        bool scripted;
        const char* logLine;
    } cases[] = {
        {"cancel", "Cancel", nullptr, false, nullptr},
        {"ok", "OK", nullptr, true, "-[TRAnalyser deleteSelected:] [Line "},
        {"finder fails", "OK", "/finder-fails", true,
         "Trevalo is unable to delete the file /Users/robin/Library/x\""},
        // A run that fails or is killed said nothing, and deleted nothing.
        {"osascript exits 1 silently", "OK", "/finder-dies", true, "Trevalo is unable to delete the file"},
        {"osascript is killed", "OK", "/finder-killed", true, "Trevalo is unable to delete the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.write("/scripts", "");
        for (const char* file : {"/finder-fails", "/finder-dies", "/finder-killed"})
            QFile::remove(machine.host(file));
        if (c.failure)
            machine.write(c.failure, "");
        const bool fails = c.failure != nullptr;
        alerts.answer = c.answer;
        TRAnalyser& a = scan();
        const int before = scans;
        alerts.shown.clear();
        a.deleteSelected(0);
        EXPECT_EQ(alerts.shown[0].informativeText,
                  "Are you sure you want to delete this item? This action cannot be undone.\n");
        EXPECT_EQ(alerts.shown[0].buttons, QStringList({"OK", "Cancel"}));
        // The path is a string literal of the script, whatever it holds.
        EXPECT_EQ(scripts().contains("set x to POSIX file \"/Users/robin/Library/x\\\"; do shell script "
                                     "\\\"touch /tmp/pwned\"\ntry\nmove x to the trash"),
                  c.scripted);
        if (c.logLine) {
            EXPECT_TRUE(log.text().contains(c.logLine));
        }
        EXPECT_EQ(alerts.shown.size(), fails ? 2 : 1);
        if (fails) {
            EXPECT_EQ(alerts.shown[1].messageText, "Trevalo");
            EXPECT_TRUE(
                alerts.shown[1].informativeText.startsWith("Trevalo is unable to delete this item.\n\n"));
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(scans, before + 1);
    }
}

TEST_F(ResultActionsTest, DeleteScriptEscapesTheLiteral)
{
    EXPECT_EQ(
        TRAnalyser::deleteScript("/a/b \\\" c"),
        "tell application \"Finder\"\nset x to POSIX file \"/a/b \\\\\\\" c\"\ntry\nmove x to the trash\n"
        "return \"success\"\non error\nreturn \"fail\"\nend try\nend tell");
    // A carriage return left raw would reach the Finder as a line feed: the file's twin would go.
    EXPECT_TRUE(TRAnalyser::deleteScript("/evil\rname").contains("POSIX file \"/evil\\rname\"\n"));
}

TEST_F(ResultActionsTest, RevealOpenDownloadsAndCopy)
{
    planted = {{"/Library/x/a", "Adware"}};
    TRAnalyser& a = scan();
    a.inspect(0);
    EXPECT_EQ(workspace.revealed, QStringList{"/Library/x/a"});
    a.openDownloadsFolder();
    EXPECT_TRUE(
        scripts().contains("tell application \"Finder\"\nactivate\n(open folder \"Downloads\" of home)\n"));
    a.copyEntirety("report");
    EXPECT_EQ(clipboard.text, "Trevalo 2 Analyser:\n\nreport");
}

} // namespace

namespace {

TEST(ResultActionsOnTheSampleMac, DeleteTrashesTheNamedFileAndNotItsTwin)
{
    // A name with a carriage return, beside its twin with a line feed: on the way through AppleScript a
    // raw carriage return becomes a line feed, and the twin would go instead.
    test::FakeServices fx(test::TempRoot::SampleMac);
    const QString evil = "/Users/robin/Downloads/evil\rname";
    const QString twin = "/Users/robin/Downloads/evil\nname";
    fx.machine.write(evil, "x");
    fx.machine.write(twin, "x");
    TRAppDelegate delegate(fx.services(), [&evil](const Services&) {
        ScanOutcome outcome;
        outcome.rows.append({"evil\rname", "Adware", evil});
        return outcome;
    });
    delegate.analyser();
    fx.alerts.shown.clear();
    delegate.analyserSubsystem().wins()->deleteSelected(0);

    EXPECT_FALSE(QFileInfo::exists(fx.machine.host(evil)));
    EXPECT_TRUE(QFileInfo::exists(fx.machine.host("/Users/robin/.Trash/evil\rname")));
    EXPECT_TRUE(QFileInfo::exists(fx.machine.host(twin)));
    EXPECT_EQ(fx.alerts.shown.size(), 1); // the confirmation only: no failure
}

} // namespace
