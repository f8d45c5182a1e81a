#include "analyser/TRAnalyser.h"
#include "analyser/ui/AnalyserWindow.h"
#include "app/TRAppDelegate.h"
#include "app/ui/AnalyserWindows.h"
#include "profile/ProfileKeys.h"
#include "profile/ui/ProfileTabs.h"
#include "support/FakeServices.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <QtTest>

using namespace trevalo;

namespace {

const QColor kLightBlue = QColor::fromRgbF(0.2f, 0.8f, 1.0f);
const QColor kDarkGrey = QColor::fromRgbF(0.2f, 0.2f, 0.2f);
const QString kWarningSign = QStringLiteral("\u26A0\uFE0F");

/// The colour a character of a text view is drawn in: its own foreground, else the view's text colour.
QColor shownColour(const QTextEdit* view, int position)
{
    QTextCursor cursor(view->document());
    cursor.setPosition(position + 1); // the format of the character before the cursor
    const QBrush brush = cursor.charFormat().foreground();
    return brush.style() == Qt::NoBrush ? view->palette().color(QPalette::Text) : brush.color();
}

} // namespace

/// The Analyser window's profile and change-log tabs over real profile runs on a small Mac of the
/// test's own, whose tools are scripts: what the tabs draw, and how their controls follow a run.
class ProfileTabsTest : public QObject {
    Q_OBJECT

    struct Fixture : trevalo::test::FakeServices {
        TRAppDelegate delegate{services(), [](const Services&) { return ScanOutcome{}; }};
        QPointer<AnalyserWindow> window;
        /// While this file is missing, sw_vers waits: a run stays in flight.
        QString gate = machine.host("/gate");

        Fixture()
        {
            open();
            machine.script("/usr/bin/sw_vers",
                           QStringLiteral("while [ ! -e '%1' ]; do sleep 0.02; done\n"
                                          "printf 'ProductName:\\tmacOS\\nProductVersion:\\t14.4.1\\n'")
                               .arg(gate)
                               .toUtf8());
            machine.script("/usr/bin/osascript", R"(case "${@: -1}" in
    *"login item"*) echo '{"Dropbox"}' ;;
    *spctl*) echo 'assessments enabled' ;;
esac)");
            machine.script("/usr/bin/wc", "echo '      12 /etc/hosts'");
            machine.script("/usr/sbin/system_profiler", R"(case "$1" in
    SPNetworkDataType) echo 'Wi-Fi: Type: AirPort' ;;
    SPStorageDataType) echo 'Macintosh HD: Free: 120 GB' ;;
esac)");
            // The last run saw these login items and folders; two launch agents changed since.
            settings.setString(keys::previousLogins, QStringLiteral("\"Dropbox\""));
            settings.setStringArray(QStringLiteral("previousDomLA"), {"Alpha", "Beta"});
            settings.setStringArray(QStringLiteral("previousDomLibraryContents"), {"LaunchAgents"});
            settings.setStringArray(QStringLiteral("previousUserLAS"), {"Trevalo 2"});
            settings.setInteger(keys::timestampInt, 3);
            settings.synchronize();
            for (const char* agent : {"Beta", "Gamma"})
                machine.write(QStringLiteral("/Library/LaunchAgents/") + agent, "");
            machine.write(root.supportFolder() + "/tr2.log",
                          "Timestamp (2):\n\nreport two\nTimestamp (3):\n\nreport three\n");
        }

        void hold() const { QFile::remove(gate); }
        void open() const
        {
            QFile f(gate);
            f.open(QIODevice::WriteOnly);
        }
        /// Makes the Analyser window, whose set-up starts a profile run.
        void showWindow()
        {
            QObject::connect(&delegate.analyserSubsystem(), &Analyser::controllerCreated,
                             [this](TRAnalyser* c) { window = makeAnalyserWindow(delegate, *c); });
            delegate.analyser();
            window->show();
        }
        /// Shows the window and waits for its run to be stored.
        bool showFinishedRun()
        {
            showWindow();
            return QTest::qWaitFor([this] { return !profile().isRunning(); });
        }

        Profile& profile() { return delegate.profileSubsystem(); }
        ProfileTab* profileTab() const { return window->findChild<ProfileTab*>(); }
        ChangeLogTab* changeLogTab() const { return window->findChild<ChangeLogTab*>(); }
        QTextEdit* textViewB() const { return profileTab()->textViewB(); }
        QList<QWidget*> runControls() const
        {
            QList<QWidget*> controls;
            for (const char* name : {"runProfiler", "previousReport", "nextReport", "deleteLogs"})
                controls << profileTab()->button(name);
            return controls;
        }
        bool fileExists(const QString& name) const
        {
            return QFileInfo::exists(root.host(root.supportFolder() + '/' + name));
        }
    };

private slots:
    void liveReportIsDrawnInItsColours()
    {
        Fixture fx;
        QVERIFY(fx.showFinishedRun());
        QTextEdit* view = fx.textViewB();
        const QString text = view->toPlainText();
        QVERIFY2(text.startsWith("Timestamp (4):"), qPrintable(text.left(40)));
        QCOMPARE(view->palette().color(QPalette::Base), kDarkGrey);
        QCOMPARE(view->palette().color(QPalette::Text), kLightBlue);

        const struct {
            const char* what;
            QString needle;
            QColor colour;
        } cases[] = {
            {"a removed name", "Alpha", QColor::fromRgbF(1, 1, 0)},
            {"the removed marker", "    --removed", QColor::fromRgbF(1, 0.5f, 0)},
            {"an added name", "Gamma", QColor::fromRgbF(1, 1, 0)},
            {"the added marker", "    + added", QColor::fromRgbF(1, 0, 1)},
            {"an unchanged name", "\nBeta\n", QColor::fromRgbF(1, 1, 1)},
            {"the sw_vers lines", "ProductVersion", QColor::fromRgbF(1, 1, 1)},
            {"a heading", "Local Domain Library Launch Agents", kLightBlue},
            {"the disk heading", "Disk Information:", QColor::fromRgbF(0, 1, 1)},
        };
        for (const auto& c : cases) {
            const int at = int(text.indexOf(c.needle));
            QVERIFY2(at >= 0, c.what);
            // The first and the last character, line feeds around the needle left out.
            const int first = at + (c.needle.startsWith('\n') ? 1 : 0);
            const int last = at + int(c.needle.size()) - (c.needle.endsWith('\n') ? 2 : 1);
            for (const int position : {first, last})
                QVERIFY2(shownColour(view, position) == c.colour,
                         qPrintable(QStringLiteral("%1 at %2 is %3")
                                        .arg(c.what)
                                        .arg(position)
                                        .arg(shownColour(view, position).name())));
        }
        // The marker follows the name on its line.
        QVERIFY(text.contains("Alpha    --removed\nBeta\nGamma    + added"));
    }

    void previousShowsTheStoredReportBlackOnWhite()
    {
        Fixture fx;
        QVERIFY(fx.showFinishedRun());
        fx.window->selectTab(1);
        ProfileTab* tab = fx.profileTab();
        QVERIFY(tab->staticLogText()->isHidden());
        QVERIFY(tab->timestampIndicatorField()->isHidden());

        tab->button("previousReport")->click();
        QTextEdit* view = fx.textViewB();
        QCOMPARE(view->toPlainText(), QStringLiteral("Timestamp (3):\n\nreport three\n"));
        QCOMPARE(view->palette().color(QPalette::Base), QColor(Qt::white));
        for (const int position : {0, 5, int(view->toPlainText().size()) - 2})
            QCOMPARE(shownColour(view, position), QColor(Qt::black));
        QVERIFY(tab->staticLogText()->isVisible());
        QCOMPARE(tab->staticLogText()->text(), QStringLiteral("Log Num:"));
        QVERIFY(tab->timestampIndicatorField()->isVisible());
        QCOMPARE(tab->timestampIndicatorField()->text(), QStringLiteral("3"));

        // A fresh profile brings back the live, coloured report.
        tab->button("runProfiler")->click();
        QTRY_VERIFY(!fx.profile().isRunning());
        QVERIFY(view->toPlainText().startsWith("Timestamp (5):"));
        QCOMPARE(view->palette().color(QPalette::Base), kDarkGrey);
        QCOMPARE(shownColour(view, 0), kLightBlue);
        QVERIFY(tab->staticLogText()->isHidden());
        QVERIFY(tab->timestampIndicatorField()->isHidden());
    }

    void controlsWaitForTheRunInFlight()
    {
        Fixture fx;
        fx.hold();
        fx.showWindow();
        QVERIFY(fx.profile().isRunning());
        QApplication::processEvents();
        QVERIFY(!fx.profileTab()->spinner()->isHidden());
        for (QWidget* control : fx.runControls())
            QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
        QVERIFY(fx.profileTab()->button("Copy")->isEnabled());

        fx.open();
        QTRY_VERIFY(!fx.profile().isRunning());
        QVERIFY(fx.textViewB()->toPlainText().startsWith("Timestamp (4):"));
        QVERIFY(fx.profileTab()->spinner()->isHidden());
        for (QWidget* control : fx.runControls())
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
    }

    void closingTheWindowCancelsAnUnwrittenRun()
    {
        Fixture fx;
        const QByteArray log = fx.machine.read(fx.root.supportFolder() + "/tr2.log");
        fx.hold();
        fx.showWindow();
        QVERIFY(fx.profile().isRunning());

        fx.window->close();
        QVERIFY(!fx.profile().isRunning());
        QVERIFY(fx.profileTab()->spinner()->isHidden());
        fx.open();
        QTest::qWait(500); // time enough for the tools to have answered, had the run gone on
        QCOMPARE(fx.machine.read(fx.root.supportFolder() + "/tr2.log"), log);
        QVERIFY(!fx.fileExists("tr2Change.log"));
        QCOMPARE(fx.storedSetting(keys::timestampInt).toInt(), 3);
        QCOMPARE(fx.storedSetting("previousDomLA").toStringList(), QStringList({"Alpha", "Beta"}));

        // The next run is a whole one, with the number the cancelled one would have had.
        fx.profile().runProfiler();
        QTRY_VERIFY(!fx.profile().isRunning());
        QVERIFY(fx.machine.read(fx.root.supportFolder() + "/tr2.log").contains("Timestamp (4):"));
        QCOMPARE(fx.storedSetting(keys::timestampInt).toInt(), 4);
        QVERIFY(fx.fileExists("tr2Change.log"));
    }

    void changeLogTabCountsTheRunsChanges_data()
    {
        QTest::addColumn<QStringList>("snapshot");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("warning");
        QTest::newRow("one removed, one added") << QStringList{"Alpha", "Beta"} << "2"
                                                << "1"
                                                << "1" << kWarningSign;
        QTest::newRow("no changes") << QStringList{"Beta", "Gamma"} << "0"
                                    << "0"
                                    << "0" << QString();
    }
    void changeLogTabCountsTheRunsChanges()
    {
        QFETCH(QStringList, snapshot);
        QFETCH(QString, changes);
        QFETCH(QString, added);
        QFETCH(QString, removed);
        QFETCH(QString, warning);
        Fixture fx;
        fx.settings.setStringArray(QStringLiteral("previousDomLA"), snapshot);
        fx.settings.synchronize();
        QVERIFY(fx.showFinishedRun());
        ChangeLogTab* tab = fx.changeLogTab();
        QCOMPARE(tab->changesCount()->text(), changes);
        QCOMPARE(tab->addedCount()->text(), added);
        QCOMPARE(tab->removedCount()->text(), removed);
        QCOMPARE(tab->warningChanges()->text(), warning);

        fx.window->selectTab(2);
        QCOMPARE(fx.window->tabView()->currentWidget(), static_cast<QWidget*>(tab));
        QCOMPARE(tab->recorderView()->toPlainText().contains("Location$ /Library/LaunchAgents/\nAlpha\n"),
                 changes != "0");
        QCOMPARE(tab->warningChanges()->text(), warning); // shown while the tab is up
        fx.window->selectTab(0);
        QCOMPARE(tab->warningChanges()->text(), QString());
        QCOMPARE(tab->changesCount()->text(), changes);
    }

    void deleteHistoryAsksFirst_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("OK") << "OK" << true;
        QTest::newRow("Cancel") << "Cancel" << false;
    }
    void exportWritesThePageWhereTheUserChooses()
    {
        Fixture fx;
        QVERIFY(fx.showFinishedRun());
        ProfileTab* tab = fx.profileTab();
        QTemporaryDir dir;
        QString chosen = dir.filePath("profile.html");
        tab->setPageFileChooser([&chosen] { return chosen; });
        auto* failure = tab->findChild<QLabel*>("failure");

        tab->button("exportReport")->click();
        QFile page(chosen);
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(page.readAll());
        page.close();
        QVERIFY(html.contains("Timestamp (4):"));
        QVERIFY(
            html.contains("<span class=\"yellow\">Alpha</span><span class=\"orange\">    --removed</span>"));
        QVERIFY(html.contains("<td class=\"white\">Gamma</td><td class=\"magenta\">+ added</td>"));
        QVERIFY(failure->isHidden());

        // A place that cannot take the page: the reason shows, the page written before stays.
        chosen = dir.filePath("profile.html/inside.html");
        tab->button("exportReport")->click();
        QVERIFY(failure->isVisibleTo(tab));
        QVERIFY2(failure->text().contains(chosen), qPrintable(failure->text()));
        QVERIFY(page.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(page.readAll()), html);

        chosen.clear(); // cancelled: nothing happens
        tab->button("exportReport")->click();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"profile.html"});
    }

    void deleteHistoryAsksFirst()
    {
        QFETCH(QString, answer);
        QFETCH(bool, deleted);
        Fixture fx;
        QVERIFY(fx.showFinishedRun());
        fx.window->selectTab(2);
        ChangeLogTab* tab = fx.changeLogTab();
        const QString shown = tab->recorderView()->toPlainText();
        QVERIFY(shown.contains("Gamma"));

        fx.alerts.answer = answer;
        tab->findChild<QPushButton*>("removeChangeLog")->click();
        QCOMPARE(fx.alerts.shown.size(), 1);
        QCOMPARE(fx.fileExists("tr2Change.log"), !deleted);
        QCOMPARE(tab->recorderView()->toPlainText(), deleted ? QString() : shown);
        QCOMPARE(tab->warningChanges()->text(), deleted ? QString() : kWarningSign);
        // Coming back to the tab reads the log again.
        fx.window->selectTab(0);
        fx.window->selectTab(2);
        QCOMPARE(tab->recorderView()->toPlainText(), deleted ? QStringLiteral("No changes yet!") : shown);
    }
};

QTEST_MAIN(ProfileTabsTest)
#include "profile_tabs_test.moc"
