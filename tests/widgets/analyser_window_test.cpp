#include "analyser/AnalyserKeys.h"
#include "analyser/TRAnalyser.h"
#include "analyser/ui/AnalyserWindow.h"
#include "app/TRAppDelegate.h"
#include "app/ui/AnalyserWindows.h"
#include "profile/ui/ProfileTabs.h"
#include "support/FakeServices.h"

#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QtTest>

using namespace trevalo;
using trevalo::test::TempRoot;

/// The Analyser window shows its controller's state and hands the user's actions to it.
class AnalyserWindowTest : public QObject {
    Q_OBJECT

    struct Fixture : trevalo::test::FakeServices {
        int scans = 0;
        TRAppDelegate delegate{
            services(), [this](const Services&) {
                ++scans;
                const QStringList ignored =
                    settings.stringArrayForKey(keys::whitelist).value_or(QStringList());
                ScanOutcome outcome;
                for (const QString path : {"/Library/a/alpha.plist", "/Library/b/zeta.plist"}) {
                    if (!ignored.contains(path))
                        outcome.rows.append(
                            {path.section('/', -1), path.contains("zeta") ? "Malware" : "", path});
                }
                return outcome;
            }};
        QPointer<AnalyserWindow> window;

        explicit Fixture(int diskImages)
        {
            machine.script(
                "/usr/bin/osascript",
                QStringLiteral("case \"${@: -1}\" in *dmg*) echo '\"%1\"' ;; esac").arg(diskImages).toUtf8());
            Analyser& analyser = delegate.analyserSubsystem();
            QObject::connect(&analyser, &Analyser::controllerCreated,
                             [this](TRAnalyser* c) { window = makeAnalyserWindow(delegate, *c); });
            delegate.analyser();
        }
        void select(int viewRow) { window->tableView()->selectRow(viewRow); }
        QTextEdit* recorderView() const { return window->findChild<ChangeLogTab*>()->recorderView(); }
        QTextEdit* textViewB() const { return window->findChild<ProfileTab*>()->textViewB(); }
    };

private slots:
    void setUpShowsTheNotices_data()
    {
        QTest::addColumn<int>("images");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colour");
        QTest::newRow("none") << 0 << ""
                              << "";
        QTest::newRow("one") << 1 << "1 DMG"
                             << "#1565c0";
        QTest::newRow("nineteen") << 19 << "19 DMGs"
                                  << "#1565c0";
        QTest::newRow("twenty") << 20 << "20 DMGs"
                                << "#c62828";
    }
    void setUpShowsTheNotices()
    {
        QFETCH(int, images);
        QFETCH(QString, text);
        QFETCH(QString, colour);
        Fixture fx(images);
        AnalyserWindow& w = *fx.window;
        QCOMPARE(w.tabView()->currentIndex(), 0);
        QCOMPARE(w.tableView()->model()->rowCount(), 2);
        QCOMPARE(w.tableView()->model()->index(0, 1).data().toString(), QStringLiteral("n/a"));
        QCOMPARE(w.issueCount()->text(), QStringLiteral("2"));
        QCOMPARE(w.doneCheckingText()->text(), QStringLiteral("Scan complete"));
        QCOMPARE(w.backupWarning()->text(), QStringLiteral("Warning: no backup detected."));
        QCOMPARE(w.ignoreLabel()->text(), QString());
        QVERIFY(w.tableView()->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(w.aDMG()->text(), text);
        QCOMPARE(w.openDLFolder()->isHidden(), images == 0);
        if (images) {
            QCOMPARE(w.downloadsStaticLabel()->text(), QStringLiteral("contains: "));
            QCOMPARE(w.aDMG()->palette().color(QPalette::WindowText).name(), colour);
        }
    }

    void sortedViewActsOnTheRightRow()
    {
        Fixture fx(0);
        AnalyserWindow& w = *fx.window;
        w.tableView()->sortByColumn(0, Qt::DescendingOrder); // zeta first
        fx.select(0);
        w.button("Reveal")->click();
        QCOMPARE(fx.workspace.revealed, QStringList{"/Library/b/zeta.plist"});
        w.button("Info")->click();
        QVERIFY(fx.alerts.shown.last().informativeText.startsWith("Issue: Malware\nItem: zeta.plist"));
    }

    void ignoreDropsTheRowAndCountsIt()
    {
        Fixture fx(0);
        fx.select(0);
        fx.window->button("Ignore")->click();
        QCOMPARE(fx.window->tableView()->model()->rowCount(), 1);
        QCOMPARE(fx.window->ignoreLabel()->text(), QStringLiteral("⚠️1"));
        QCOMPARE(fx.window->issueCount()->text(), QStringLiteral("1"));
    }

    void deleteWithCancelStillScansAgainInANewWindow()
    {
        Fixture fx(0);
        QPointer<AnalyserWindow> first = fx.window;
        fx.alerts.answer = "Cancel";
        fx.select(0);
        first->button("Delete")->click();
        QTRY_COMPARE(fx.scans, 2);
        QTRY_VERIFY(first.isNull()); // the old window went with its controller
        QVERIFY(fx.window);
        QCOMPARE(fx.window->tableView()->model()->rowCount(), 2);
    }

    void changeLogTabShowsTheLogOrItsAbsence()
    {
        Fixture fx(0);
        fx.window->selectTab(2);
        QCOMPARE(fx.recorderView()->toPlainText(), QStringLiteral("No changes yet!"));
        fx.machine.write(fx.root.supportFolder() + "/tr2Change.log",
                         "ADDED: /Library/LaunchAgents/x.plist\n");
        fx.window->selectTab(0);
        fx.window->selectTab(2);
        QCOMPARE(fx.recorderView()->toPlainText(), QStringLiteral("ADDED: /Library/LaunchAgents/x.plist\n"));
    }

    void profileTabWhenAskedAndReportStyle()
    {
        Fixture fx(0);
        fx.delegate.runAnalyserCommand();
        QCOMPARE(fx.window->tabView()->currentIndex(), 1);
        QCOMPARE(fx.textViewB()->palette().color(QPalette::Base), QColor::fromRgbF(0.2f, 0.2f, 0.2f));
        fx.textViewB()->setPlainText("report text");
        fx.window->findChild<QPushButton*>("Copy")->click();
        QCOMPARE(fx.clipboard.text, QStringLiteral("Trevalo 2 Analyser:\n\nreport text"));
    }
};

QTEST_MAIN(AnalyserWindowTest)
#include "analyser_window_test.moc"
