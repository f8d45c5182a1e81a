#include "analyser/JobStopper.h"
#include "support/FakeServices.h"

#include <QRegularExpression>
#include <QThread>
#include <gtest/gtest.h>

using namespace trevalo;
using trevalo::test::CapturedLog;
using trevalo::test::TempRoot;

namespace {

const QString kListHeader = QStringLiteral("PID\tStatus\tLabel\n");

/// The job stopper on a small Mac whose tools are scripts: launchctl lists /jobs, osascript keeps each
/// script it is given in /scripts (NUL-separated) and refuses the labels listed in /refused the way a
/// cancelled dialog does. Every other call is appended to /calls.
class JobStopperTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    JobStopperTest() { clock.at = QDateTime(QDate(2026, 3, 1), QTime(9, 30)); }
    JobStopper stopper{services()};
    CapturedLog log;
    qsizetype logMark = 0;

    void SetUp() override
    {
        tool("/bin/launchctl", QStringLiteral("[ \"$1\" = list ] && cat '%1'").arg(machine.host("/jobs")));
        tool("/usr/bin/defaults", "");
        tool("/usr/bin/killall", "");
        osascript(QStringLiteral(R"(label=${2##*launchctl remove }; label=${label%%\"*}
if grep -qxF "$label" '%1' 2>/dev/null; then
    echo '0:298: execution error: User canceled. (-128)' >&2; exit 1
fi
echo)")
                      .arg(machine.host("/refused")));
        jobs("");
    }

    void tool(const QString& path, const QString& body)
    {
        machine.script(path, QStringLiteral("echo \"$(basename \"$0\") $*\" >> '%1'\n%2")
                                 .arg(machine.host("/calls"), body)
                                 .toUtf8());
    }
    void osascript(const QString& body)
    {
        machine.script(
            "/usr/bin/osascript",
            QStringLiteral("printf '%s\\0' \"$2\" >> '%1'\n%2").arg(machine.host("/scripts"), body).toUtf8());
    }
    void jobs(const QString& rows) { machine.write("/jobs", (kListHeader + rows).toUtf8()); }
    void daemon(int row) { machine.write(kLocalDaemons[row - 1].file, "<plist/>\n"); }

    QString calls() const { return QString::fromUtf8(machine.read("/calls")); }
    QStringList scripts() const
    {
        QStringList list = QString::fromUtf8(machine.read("/scripts")).split(QChar(0));
        list.removeLast();
        return list;
    }
    QStringList alertTexts() const
    {
        QStringList texts;
        for (const Alert& a : alerts.shown) {
            EXPECT_EQ(a.messageText, "Trevalo 2");
            EXPECT_EQ(a.buttons, QStringList{"OK"});
            texts.append(a.informativeText);
        }
        return texts;
    }
    /// Starts a new case: forgets the scripts, calls, alerts and log lines so far.
    void nextCase()
    {
        QFile::remove(machine.host("/scripts"));
        QFile::remove(machine.host("/calls"));
        alerts.shown.clear();
        logMark = log.text().size();
    }
    /// Log lines since the case began, with their line numbers blanked (no reader relies on them).
    QStringList logLines() const
    {
        QString text = log.text().mid(logMark);
        text.replace(QRegularExpression("\\[Line \\d+\\]"), "[Line n]");
        if (text.endsWith('\n'))
            text.chop(1);
        // An entry may span lines; each one starts with its operation's name.
        return text.isEmpty() ? QStringList{} : text.split(QRegularExpression("\n(?=-\\[)"));
    }
    void waitForCall(const QString& call) const
    {
        for (int i = 0; i < 300 && !calls().contains(call); ++i)
            QThread::msleep(10);
    }
};

QString localAlert(const QString& label)
{
    return "Trevalo stopped the following background processes in the LOCAL domain:\n" + label;
}

TEST_F(JobStopperTest, NothingToStopShowsAndLogsNothing)
{
    jobs("-\t0\tcom.apple.Finder\n512\t0\tcom.google.keystone.user.agent\n-\t0\tcom.spotify.webhelper\n");
    machine.write("/Library/LaunchDaemons/com.mackeeper.AntiVirus", "<plist/>\n"); // no ".plist": not row 2

    stopper.unloadProc();

    EXPECT_TRUE(scripts().isEmpty());
    EXPECT_TRUE(alerts.shown.isEmpty());
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(calls(), "launchctl list\n");
}

TEST_F(JobStopperTest, AnOsascriptThatCannotStartIsNoSuccess)
{
    QFile::remove(machine.host("/usr/bin/osascript"));
    daemon(2);
    stopper.unloadProc();
    EXPECT_TRUE(alerts.shown.isEmpty());
}

TEST_F(JobStopperTest, DialogNamesTheJobAndItsOwnerAndRemovesItAsAdministrator)
{
    daemon(7);

    stopper.unloadProc();

    ASSERT_EQ(scripts().size(), 1);
    EXPECT_EQ(
        scripts()[0],
        "display dialog \"Trevalo would like to run osascript to scan for and stop the global process:\n\n"
        "<com.iobit.AMCDaemon>\n\nbelonging to MacBooster.\n\nThis requires an admin password.\" with "
        "title \"Trevalo\" with icon 2\ndo shell script \"launchctl remove com.iobit.AMCDaemon\" with "
        "administrator privileges");
    EXPECT_EQ(alertTexts(), QStringList{localAlert("com.iobit.AMCDaemon")});
    EXPECT_EQ(logLines(), QStringList{"-[TRAnalyser unloadProc] [Line n] replystring says "});
}

TEST_F(JobStopperTest, RowAfterASuccessfulStopWaitsForTheNextPass)
{
    struct Case {
        const char* name;
        QList<int> present;
        QStringList refused;
        QList<int> offered;
        QList<int> alerted;
    } cases[] = {
        {"row 1 stopped: row 2 passed over", {1, 2}, {}, {1}, {1}},
        {"the row after the passed-over one is eligible", {1, 2, 3}, {}, {1, 3}, {1, 3}},
        {"an absent row also clears the counter", {1, 3}, {}, {1, 3}, {1, 3}},
        {"cancelled row 1: row 2 offered", {1, 2}, {"com.zeobit.MacKeeper.AntiVirus"}, {1, 2}, {2}},
        {"stop after a cancel passes over the next",
         {1, 2, 3},
         {"com.zeobit.MacKeeper.AntiVirus"},
         {1, 2},
         {2}},
        {"last two rows", {6, 7}, {}, {6}, {6}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nextCase();
        machine.write("/refused", c.refused.join('\n').toUtf8() + '\n');
        QDir(machine.host("/Library/LaunchDaemons")).removeRecursively();
        for (int row : c.present)
            daemon(row);

        stopper.unloadProc();

        QStringList offered, alerted;
        for (int row : c.offered)
            offered.append(unloadDialogScript(kLocalDaemons[row - 1].label, kLocalDaemons[row - 1].owner));
        for (int row : c.alerted)
            alerted.append(localAlert(kLocalDaemons[row - 1].label));
        EXPECT_EQ(scripts(), offered);
        EXPECT_EQ(alertTexts(), alerted);
    }
}

TEST_F(JobStopperTest, FailureIsReadFromEitherOutputStreamAndTheExitStatus)
{
    struct Case {
        const char* name;
        const char* body;
        bool stopped;
        const char* reply;
    } cases[] = {
        {"dialog cancelled", "echo '0:298: execution error: User canceled. (-128)' >&2; exit 1", false,
         "0:298: execution error: User canceled. (-128)"},
        {"removal failed",
         "echo '0:298: execution error: Could not find service \"com.iobit.AMCDaemon\" in domain for port "
         "(113)' "
         ">&2; exit 1",
         false,
         "0:298: execution error: Could not find service \"com.iobit.AMCDaemon\" in domain for port (113)"},
        {"error on standard output", "echo 'error'", false, "error"},
        {"cancel on standard output", "echo 'password prompt canceled'", false, "password prompt canceled"},
        {"both streams", "echo 'partial'; echo 'User canceled.' >&2", false, "partial\nUser canceled."},
        {"words in other cases are no failure", "echo 'Canceled? No. Error? None.'", true,
         "Canceled? No. Error? None."},
        {"silent success", "echo", true, ""},
        // The exit status decides too: a run that failed or was killed stopped nothing.
        {"silent failure", "exit 1", false, ""},
        {"killed", "kill -9 $$", false, ""},
    };
    daemon(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        nextCase();
        osascript(c.body);

        stopper.unloadProc();

        EXPECT_EQ(alertTexts(), c.stopped ? QStringList{localAlert("com.iobit.AMCDaemon")} : QStringList{});
        EXPECT_EQ(
            logLines(),
            QStringList{QStringLiteral("-[TRAnalyser unloadProc] [Line n] replystring says ") + c.reply});
    }
}

TEST_F(JobStopperTest, UserJobsAreChosenByWordsAndLabelShape)
{
    struct Case {
        const char* name;
        const char* line;
        const char* label; // null: the line yields no job to stop
        bool logged;       // announced as to be stopped
    } cases[] = {
        {"idle agent", "-\t0\tcom.mackeeper.agent", "com.mackeeper.agent", true},
        {"running helper, mixed case", "4242\t-9\tcom.zeobit.MacKeeper.Helper", "com.zeobit.MacKeeper.Helper",
         true},
        {"bracketed label", "518\t0\t[0x0-0x2c02c].com.iobit.MacBooster",
         "[0x0-0x2c02c].com.iobit.MacBooster", true},
        {"upper-case label", "-\t0\tMacBooster.Updater", nullptr, true},
        {"apple", "-\t0\tcom.apple.macbooster.shim", nullptr, false},
        {"anonymous", "-\t0\tcom.mackeeper.Anonymous", nullptr, false},
        {"our own jobs", "-\t0\tcom.trevalo.mackeeper-check", nullptr, false},
        {"startx", "-\t0\tcom.mackeeper.startx", nullptr, false},
        {"ssh agent", "-\t0\tcom.openbsd.ssh-agent.mackeeper", nullptr, false},
        {"no target word", "-\t0\tcom.keeper.agent", nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        jobs(QStringLiteral("523\t0\tcom.apple.Finder\n%1\n-\t0\tcom.spotify.webhelper\n").arg(c.line));
        nextCase();

        stopper.unloadProc();

        const QStringList announced{
            QStringLiteral("-[TRAnalyser unloadProc] [Line n] process will be stopped --> ") + c.line};
        if (c.label) {
            EXPECT_EQ(logLines(),
                      announced + QStringList{QStringLiteral("-[TRAnalyser killProcess:] [Line n] "
                                                             "Trevalo removed %1 from launchd")
                                                  .arg(c.label)});
            waitForCall("defaults delete -app MacKeeper");
            EXPECT_EQ(calls(),
                      QStringLiteral("launchctl list\nlaunchctl remove %1\ndefaults delete -app MacKeeper\n")
                          .arg(c.label));
            EXPECT_EQ(
                alertTexts(),
                QStringList{QStringLiteral(
                                "Trevalo stopped the following background processes in the USER domain:\n\n"
                                "%1\n\n")
                                .arg(c.label)});
        } else {
            EXPECT_EQ(logLines(), c.logged ? announced : QStringList{});
            EXPECT_EQ(calls(), "launchctl list\n");
            EXPECT_TRUE(alerts.shown.isEmpty());
        }
    }
}

TEST_F(JobStopperTest, UserPassStopsEveryJobThenDropsMacKeepersPreferences)
{
    jobs("-\t0\tcom.apple.Finder\n"
         "-\t0\tcom.mackeeper.Helper\n"
         "-\t0\tMacKeeper.Launcher\n"
         "733\t0\tcom.iobit.MacBooster8.helper\n");

    stopper.unloadProc();
    waitForCall("defaults delete -app MacKeeper");

    EXPECT_EQ(calls(), "launchctl list\n"
                       "launchctl remove com.mackeeper.Helper\n"
                       "launchctl remove com.iobit.MacBooster8.helper\n"
                       "defaults delete -app MacKeeper\n");
    EXPECT_EQ(alertTexts(),
              QStringList{"Trevalo stopped the following background processes in the USER domain:\n\n"
                          "com.mackeeper.Helper\ncom.iobit.MacBooster8.helper\n\n"});
    EXPECT_EQ(logLines(),
              (QStringList{
                  "-[TRAnalyser unloadProc] [Line n] process will be stopped --> -\t0\tcom.mackeeper.Helper",
                  "-[TRAnalyser unloadProc] [Line n] process will be stopped --> -\t0\tMacKeeper.Launcher",
                  "-[TRAnalyser unloadProc] [Line n] process will be stopped --> "
                  "733\t0\tcom.iobit.MacBooster8.helper",
                  "-[TRAnalyser killProcess:] [Line n] Trevalo removed com.mackeeper.Helper from launchd",
                  "-[TRAnalyser killProcess:] [Line n] Trevalo removed com.iobit.MacBooster8.helper from "
                  "launchd",
              }));
}

TEST_F(JobStopperTest, LocalPassRunsBeforeTheUserPass)
{
    daemon(2);
    jobs("-\t0\tcom.mackeeper.agent\n");

    stopper.unloadProc();
    waitForCall("defaults delete -app MacKeeper");

    EXPECT_EQ(alertTexts(),
              (QStringList{localAlert("com.mackeeper.AntiVirus"),
                           "Trevalo stopped the following background processes in the USER domain:\n\n"
                           "com.mackeeper.agent\n\n"}));
}

TEST_F(JobStopperTest, KillAppEndsProcessesByName)
{
    stopper.killApp("MacKeeper Helper");
    EXPECT_EQ(calls(), "killall MacKeeper Helper\n");
}

/// The whole stack on a copy of the simulated Mac: its osascript answers the dialog and the password
/// prompt from state, and its launchctl really drops the rows it is told to remove.
class SampleMacJobsTest : public ::testing::Test, protected trevalo::test::FakeServices {
protected:
    SampleMacJobsTest() : FakeServices(TempRoot::SampleMac) {}
    JobStopper stopper{services()};

    QStringList callsOf(const QString& tool) const
    {
        QStringList lines;
        for (const QString& line : QString::fromUtf8(machine.read("/.sim/calls.log")).split('\n')) {
            if (line.startsWith(tool + '\t'))
                lines.append(line);
        }
        return lines;
    }
    QString state(const QString& name) const
    {
        return QString::fromUtf8(machine.read("/.sim/state/" + name));
    }
    void waitForDefaults() const
    {
        for (int i = 0; i < 300 && callsOf("defaults").isEmpty(); ++i)
            QThread::msleep(10);
    }
};

TEST_F(SampleMacJobsTest, AcceptedDialogsStopTheDaemonsAndEveryUnwantedUserJob)
{
    stopper.unloadProc();
    waitForDefaults();

    EXPECT_EQ(callsOf("launchctl"), (QStringList{
                                        "launchctl\tremove\tcom.mackeeper.AntiVirus",
                                        "launchctl\tremove\tcom.fsb.kext.logKext",
                                        "launchctl\tlist",
                                        "launchctl\tremove\tcom.mackeeper.MacKeeper.Helper",
                                        "launchctl\tremove\tcom.iobit.MacBooster8.Helper",
                                        "launchctl\tremove\tcom.mackeeper.MacKeeper.plugin.AntiTheft.agent",
                                    }));
    EXPECT_EQ(callsOf("defaults"), QStringList{"defaults\tdelete\t-app\tMacKeeper"});
    EXPECT_EQ(callsOf("osascript").size(), 2);

    QStringList texts;
    for (const Alert& a : alerts.shown)
        texts.append(a.informativeText);
    EXPECT_EQ(texts, (QStringList{
                         "Trevalo stopped the following background processes in the LOCAL domain:\n"
                         "com.mackeeper.AntiVirus",
                         "Trevalo stopped the following background processes in the LOCAL domain:\n"
                         "com.fsb.kext.logKext",
                         "Trevalo stopped the following background processes in the USER domain:\n\n"
                         "com.mackeeper.MacKeeper.Helper\ncom.iobit.MacBooster8.Helper\n"
                         "com.mackeeper.MacKeeper.plugin.AntiTheft.agent\n\n",
                     }));

    // The jobs are gone from their domains; an application's own job has no label of the stoppable shape.
    EXPECT_FALSE(state("launchctl-system.txt").contains("mackeeper", Qt::CaseInsensitive));
    EXPECT_FALSE(state("launchctl-system.txt").contains("logKext"));
    EXPECT_FALSE(state("launchctl-user.txt").contains("MacBooster"));
    EXPECT_FALSE(state("launchctl-user.txt").contains("\tcom.mackeeper."));
    EXPECT_TRUE(state("launchctl-user.txt").contains("\tapplication.com.mackeeper.MacKeeper."));
}

TEST_F(SampleMacJobsTest, CancelledDialogLeavesItsDaemonAndOffersTheNext)
{
    machine.write("/.sim/state/dialog-answer", "cancel\naccept\n");

    stopper.unloadProc();
    waitForDefaults();

    const QStringList launchctl = callsOf("launchctl");
    EXPECT_FALSE(launchctl.contains("launchctl\tremove\tcom.mackeeper.AntiVirus"));
    EXPECT_TRUE(launchctl.startsWith("launchctl\tremove\tcom.fsb.kext.logKext"));
    EXPECT_TRUE(state("launchctl-system.txt").contains("\tcom.mackeeper.AntiVirus\n"));
    ASSERT_FALSE(alerts.shown.isEmpty());
    EXPECT_EQ(
        alerts.shown[0].informativeText,
        "Trevalo stopped the following background processes in the LOCAL domain:\ncom.fsb.kext.logKext");
}
} // namespace
