#include "profile/Profile.h"
#include "profile/ProfileKeys.h"
#include "support/FakeServices.h"
#include "support/QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace trevalo;
using trevalo::test::FakeServices;
using trevalo::test::TempRoot;

namespace {

/// A profile over a copy of the simulated Mac, with its stand-in tools.
class ProfileRunTest : public ::testing::Test, public FakeServices {
protected:
    ProfileRunTest() : FakeServices(TempRoot::SampleMac)
    {
        profile.setSipStateTitleSource([] { return QStringLiteral("SIP: ON"); });
    }

    QString support(const char* name) const
    {
        return root.supportFolder() + u'/' + QString::fromLatin1(name);
    }
    QString reportLog() const { return QString::fromUtf8(machine.read(support("tr2.log"))); }
    QString changeLog() const { return QString::fromUtf8(machine.read(support("tr2Change.log"))); }
    bool exists(const QString& macPath) const { return QFileInfo::exists(machine.host(macPath)); }
    QString agents() const { return root.homeDir() + "/Library/LaunchAgents"; }
    static int count(const QString& text, const QString& piece) { return int(text.count(piece)); }

    int run()
    {
        const Profile::BlockingOutcome outcome = profile.runBlocking();
        EXPECT_TRUE(outcome.stored) << outcome.error.toStdString();
        return outcome.number;
    }
    /// Waits for the window's asynchronous run (and any run merged after it) to end.
    bool waitForRuns()
    {
        QElapsedTimer timer;
        timer.start();
        while (profile.isRunning() && timer.elapsed() < 20000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !profile.isRunning();
    }
    /// A settings store that reads the file anew, as another process would.
    Settings reloaded() const { return Settings(root.settingsFile()); }
    /// Entries in all watched folders and the login items, as run 1 finds them.
    int watchedEntries() const
    {
        int entries = 2; // the login items "Dropbox" and "Spotify"
        for (const WatchedFolder& folder : watchedFolders(root.homeDir()))
            entries +=
                int(QDir(machine.host(folder.folder))
                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                        .size());
        return entries;
    }
    void writeLog(const QList<int>& numbers)
    {
        QByteArray log;
        for (int n : numbers)
            log += QStringLiteral("Timestamp (%1):\n\nreport body %1\n").arg(n).toUtf8();
        machine.write(support("tr2.log"), log);
    }

    Profile profile{services()};
};

TEST_F(ProfileRunTest, TheVeryFirstRunIsDiscardedAndMadeAgainAsNumberTwo)
{
    QDir().mkpath(machine.host(root.supportFolder())); // start-up makes it; the run finds it there
    const int everyEntry = watchedEntries();
    EXPECT_EQ(run(), 2);

    const QString log = reportLog();
    EXPECT_TRUE(log.startsWith("Timestamp (2):\n\n")) << log.left(40).toStdString();
    EXPECT_EQ(count(log, "Timestamp ("), 1);
    EXPECT_EQ(reloaded().integerForKey(keys::timestampInt), 2);
    EXPECT_EQ(reloaded().stringForKey(keys::lastAnalyserRun), "09/12/26 08:05");
    // Run 1 recorded every entry as added; run 2 found nothing new.
    EXPECT_EQ(count(changeLog(), "    + added on or before 9 Dec, 2026  8:05:00 AM\n"), everyEntry);
    EXPECT_EQ(count(changeLog(), "--removed"), 0);
    EXPECT_EQ(profile.view().changesCount, "0");
    EXPECT_EQ(profile.view().warningChanges, "");
    EXPECT_EQ(profile.view().logCount, "1");
    EXPECT_EQ(profile.view().report.text(), log);
}

TEST_F(ProfileRunTest, AStoredNumberBelowOneWithAnEmptyLogIsAFirstRun)
{
    for (const qint64 stored : {qint64(0), qint64(-7)}) {
        SCOPED_TRACE(stored);
        QFile::remove(machine.host(support("tr2.log")));
        settings.setInteger(keys::timestampInt, stored);
        ASSERT_TRUE(settings.synchronize());
        EXPECT_EQ(run(), 2);
        EXPECT_EQ(count(reportLog(), "Timestamp ("), 1);
    }
}

TEST_F(ProfileRunTest, ALogWithoutAReportItCanReadIsKeptByTheFirstRun)
{
    // Without a number and without a report in the log the run is the first one; the log is still the
    // user's file, and the report that counts is added after what it holds.
    const struct Case {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"text that is no report", "notes\nTimestamp (x):\n"},
        {"bytes that are no text", QByteArray("\xff\xfe\x00\x01garbage\x80", 13)},
        {"a run of NUL bytes", QByteArray(4096, '\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine.write(support("tr2.log"), c.bytes);
        settings.remove(keys::timestampInt);
        ASSERT_TRUE(settings.synchronize());
        EXPECT_EQ(run(), 2);
        const QByteArray log = machine.read(support("tr2.log"));
        EXPECT_TRUE(log.startsWith(c.bytes));
        EXPECT_EQ(count(QString::fromUtf8(log.mid(c.bytes.size())), "Timestamp ("), 1);
    }
}

TEST_F(ProfileRunTest, AMissingNumberGoesOnAfterTheReportsTheLogHolds)
{
    // A settings file set aside as damaged loses the number, not the user's reports.
    for (const bool storedZero : {false, true}) {
        SCOPED_TRACE(storedZero);
        writeLog({2, 3, 4});
        if (storedZero)
            settings.setInteger(keys::timestampInt, 0);
        else
            settings.remove(keys::timestampInt);
        ASSERT_TRUE(settings.synchronize());
        EXPECT_EQ(run(), 5);
        const QString log = reportLog();
        EXPECT_TRUE(log.startsWith("Timestamp (2):\n\nreport body 2\n"));
        EXPECT_TRUE(log.contains("report body 4\nTimestamp (5):\n\n"));
        EXPECT_EQ(reloaded().integerForKey(keys::timestampInt), 5);
    }
}

TEST_F(ProfileRunTest, TheNextRunMarksAndRecordsWhatChanged)
{
    run();
    const QString firstChanges = changeLog();
    ASSERT_TRUE(QFile::rename(machine.host(agents() + "/com.spotify.webhelper.plist"),
                              machine.host("/com.spotify.webhelper.plist")));
    machine.write(agents() + "/com.evil.agent.plist", "x");

    EXPECT_EQ(run(), 3);
    const ReportText& report = profile.view().report;
    const QString text = report.text();
    const qsizetype removed = text.indexOf("com.spotify.webhelper.plist    --removed\n");
    const qsizetype added = text.indexOf("com.evil.agent.plist    + added");
    ASSERT_GT(removed, 0);
    ASSERT_GT(added, removed);
    EXPECT_EQ(report.colourAt(removed), ReportColour::Yellow);
    EXPECT_EQ(report.colourAt(removed + 28), ReportColour::Orange);
    EXPECT_EQ(report.colourAt(added + 20), ReportColour::Magenta);

    const QString location = "Location$ " + root.homeDir() + "/Library/LaunchAgents/\n";
    EXPECT_EQ(changeLog().mid(firstChanges.size()),
              "\n" + location + "com.spotify.webhelper.plist\n" + QString(38, u' ') +
                  "    --removed on or before 9 Dec, 2026  8:05:00 AM\n" + QString(37, u'-') + "\n" +
                  location + "com.evil.agent.plist\n" + QString(38, u' ') +
                  "    + added on or before 9 Dec, 2026  8:05:00 AM\n" + QString(37, u'-'));
    EXPECT_EQ(profile.view().changesCount, "2");
    EXPECT_EQ(profile.view().addedCount, "1");
    EXPECT_EQ(profile.view().removedCount, "1");
    EXPECT_EQ(profile.view().warningChanges, QString::fromUtf8("\u26A0\uFE0F"));
    EXPECT_EQ(profile.view().logCount, "2");
}

TEST_F(ProfileRunTest, AFailedReadRecordsNothingAndKeepsTheSnapshot)
{
    run();
    const QString stored = reloaded().stringForKey(keys::previousLogins);
    const QStringList plugIns = *reloaded().stringArrayForKey("previousUserIPI");
    const QString before = changeLog();

    // The login items cannot be read, and a watched folder exists but cannot be listed.
    machine.script("/usr/bin/osascript",
                   R"(case "$*" in *"login item"*) echo "execution error" >&2; exit 1 ;; esac
echo "assessments enabled")");
    const QString folder = machine.host(root.homeDir() + "/Library/Internet Plug-Ins");
    ASSERT_TRUE(QFile::setPermissions(folder, QFileDevice::Permissions()));
    const bool rootReadsAnyway = QDir(folder).isReadable();
    run();
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    EXPECT_EQ(reloaded().stringForKey(keys::previousLogins), stored);
    EXPECT_TRUE(profile.view().report.text().contains("Login Items:\n\n" + stored + "\n "));
    if (!rootReadsAnyway) {
        EXPECT_EQ(*reloaded().stringArrayForKey("previousUserIPI"), plugIns);
        EXPECT_EQ(changeLog(), before);
    } else {
        EXPECT_FALSE(changeLog().mid(before.size()).contains("Login Items"));
    }
}

TEST_F(ProfileRunTest, AFolderThatIsGoneIsRecordedAsRemovedOnce)
{
    run();
    const QStringList plugIns = *reloaded().stringArrayForKey("previousUserIPI");
    ASSERT_FALSE(plugIns.isEmpty());
    const QString before = changeLog();
    ASSERT_TRUE(QDir(machine.host(root.homeDir() + "/Library/Internet Plug-Ins")).removeRecursively());

    run();
    EXPECT_EQ(count(changeLog().mid(before.size()), "--removed"), plugIns.size());
    EXPECT_FALSE(reloaded().contains("previousUserIPI"));

    const QString afterRemoval = changeLog();
    run();
    EXPECT_EQ(changeLog(), afterRemoval);
    EXPECT_TRUE(profile.view().report.text().contains("(path: ~/Library/Internet Plug-Ins/)\n\n \n\n\n\n"));
}

TEST_F(ProfileRunTest, TwoProcessesNumberTheirRunsInTurn)
{
    // Another process's store read the settings before this one's run; its run must still come after.
    Settings otherSettings(root.settingsFile());
    Services otherServices{root,      runner,    otherSettings, alerts, notifier,
                           clipboard, workspace, volumes,       clock};
    Profile other(otherServices);
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(other.runBlocking().number, 3);
    EXPECT_EQ(run(), 4);
    EXPECT_EQ(count(reportLog(), "Timestamp ("), 3);
}

TEST_F(ProfileRunTest, TheWindowsRunIsAsynchronousAndRequestsDuringItMakeOneMoreRun)
{
    QList<bool> running;
    QObject::connect(&profile, &Profile::runningChanged, [&running](bool r) { running.append(r); });
    profile.runProfiler();
    EXPECT_TRUE(profile.isRunning());
    EXPECT_FALSE(exists(support("tr2.log"))); // nothing is stored before the tools have answered
    profile.runProfiler();
    profile.runProfiler();
    ASSERT_TRUE(waitForRuns());
    // The first run (made again as 2), then one more run for both requests.
    EXPECT_EQ(count(reportLog(), "Timestamp ("), 2);
    EXPECT_TRUE(reportLog().contains("Timestamp (3):"));
    EXPECT_EQ(profile.view().report.text().left(14), "Timestamp (3):");
    ASSERT_FALSE(running.isEmpty());
    EXPECT_TRUE(running.first());
    EXPECT_FALSE(running.last());
}

TEST_F(ProfileRunTest, ACancelledRunStoresNothing)
{
    machine.script("/usr/sbin/system_profiler", "sleep 30");
    profile.runProfiler();
    profile.cancel();
    EXPECT_FALSE(profile.isRunning());
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(exists(support("tr2.log")));
    EXPECT_FALSE(exists(support("tr2Change.log")));
    EXPECT_FALSE(reloaded().contains(keys::timestampInt));
}

TEST_F(ProfileRunTest, DeletingTheLogsStartsTheNumberingAfresh)
{
    struct Case {
        const char* name;
        bool withLog;
        QString answer;
        bool deleted;
    };
    for (const Case& c : {Case{"confirmed", true, "Delete", true}, Case{"declined", true, "Cancel", false},
                          Case{"no log", false, "Delete", false}}) {
        SCOPED_TRACE(c.name);
        writeLog({2, 3, 4});
        if (!c.withLog)
            QFile::remove(machine.host(support("tr2.log")));
        settings.setInteger(keys::timestampInt, 4);
        ASSERT_TRUE(settings.synchronize());
        alerts.answer = c.answer;
        alerts.shown.clear();

        EXPECT_EQ(profile.deleteLogs(Profile::DeleteFrom::Window), c.deleted);
        ASSERT_EQ(alerts.shown.size(), 1);
        EXPECT_EQ(
            alerts.shown[0].informativeText,
            "Are you sure you want to delete all existing Trevalo logs? This will mean you cannot review "
            "your earlier system profiles.");
        EXPECT_EQ(alerts.shown[0].buttons, (QStringList{"Delete", "Cancel"}));
        ASSERT_TRUE(waitForRuns());
        if (c.deleted) {
            EXPECT_TRUE(reportLog().startsWith("Timestamp (2):"));
            EXPECT_EQ(count(reportLog(), "Timestamp ("), 1);
            EXPECT_EQ(reloaded().integerForKey(keys::timestampInt), 2);
        } else {
            EXPECT_EQ(reportLog(), c.withLog
                                       ? "Timestamp (2):\n\nreport body 2\nTimestamp (3):\n\nreport body "
                                         "3\nTimestamp (4):\n\nreport body 4\n"
                                       : "");
            EXPECT_EQ(reloaded().integerForKey(keys::timestampInt), 4);
        }
    }
}

TEST_F(ProfileRunTest, DeletingTheChangeHistoryAsksFirst)
{
    machine.write(support("tr2Change.log"), "\nLocation$ /Applications/\nX.app\n");
    int removed = 0;
    QObject::connect(&profile, &Profile::changeLogRemoved, [&removed] { ++removed; });
    alerts.answer = "Cancel";
    EXPECT_FALSE(profile.removeChangeLog());
    EXPECT_TRUE(exists(support("tr2Change.log")));
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0].informativeText, "Are you sure you want to delete all changes history?");
    EXPECT_EQ(alerts.shown[0].buttons, (QStringList{"OK", "Cancel"}));

    alerts.answer = "OK";
    for (int i = 0; i < 2; ++i) { // with a change log, and again without one
        EXPECT_TRUE(profile.removeChangeLog());
        EXPECT_FALSE(exists(support("tr2Change.log")));
        EXPECT_EQ(profile.changeLogText(), "No changes yet!");
    }
    EXPECT_EQ(removed, 2);
}

TEST_F(ProfileRunTest, StepsThroughTheStoredReports)
{
    run();
    run();
    run();
    EXPECT_EQ(run(), 5);
    const ProfileView& view = profile.view();
    auto step = [&](reportlog::LogStep s) {
        profile.logView(s);
        return std::pair(view.indicator, reportlog::returnTimestampInt(view.report.text()));
    };
    using S = reportlog::LogStep;
    EXPECT_EQ(step(S::Next), std::pair(QString(), 5)); // the newest report is shown already
    EXPECT_EQ(step(S::Previous), std::pair(QString("4"), 4));
    EXPECT_TRUE(view.fromLog);
    EXPECT_TRUE(view.indicatorVisible);
    EXPECT_EQ(view.staticLogText, "Log Num:");
    EXPECT_EQ(view.report.runs().size(), 1); // black on white: no colours of its own
    EXPECT_EQ(step(S::Previous), std::pair(QString("3"), 3));
    EXPECT_EQ(step(S::Previous), std::pair(QString("2"), 2));
    EXPECT_EQ(step(S::Previous), std::pair(QString("2"), 2)); // report 2 is the first
    EXPECT_EQ(step(S::Next), std::pair(QString("3"), 3));
    EXPECT_EQ(step(S::Next), std::pair(QString("4"), 4));
    EXPECT_EQ(step(S::Next), std::pair(QString("5"), 5));
    EXPECT_EQ(step(S::Next), std::pair(QString("5"), 5));
    EXPECT_TRUE(view.report.text().startsWith("Timestamp (5):"));

    // A new run returns to the live report with the navigation hidden.
    profile.runProfiler();
    EXPECT_FALSE(view.indicatorVisible);
    ASSERT_TRUE(waitForRuns());
    EXPECT_FALSE(view.fromLog);
    EXPECT_EQ(reportlog::returnTimestampInt(view.report.text()), 6);
}

} // namespace
