#include "search/SearchKeys.h"
#include "search/SuperSearch.h"
#include "search/ui/PreviewPanel.h"
#include "search/ui/SearchWindow.h"
#include "search/ui/TRQLTableView.h"
#include "support/FakeServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

using namespace trevalo;

/// The search window shows its SuperSearch and hands the user's actions to it.
class SearchWindowTest : public QObject {
    Q_OBJECT

    struct Fixture : trevalo::test::FakeServices {
        SuperSearch search{services()};
        SearchWindow window{search};

        Fixture()
        {
            machine.write("/Users/robin/Documents/report.txt", "the first line\nthe second line\n");
            machine.write("/Users/robin/Desktop/report.pdf", "%PDF-1.4\n");
            machine.script(
                "/usr/bin/find",
                "printf '%s\\n' /Users/robin/Documents/report.txt /Users/robin/Desktop/report.pdf");
            QDir().mkpath(machine.host("/Volumes/Backup Disk"));
            QFile::link("..", machine.host("/Volumes/Macintosh HD"));
        }
        /// Opens the window on the deep engine and searches for a term from its field.
        void searchFor(const QString& term)
        {
            settings.setBool(keys::searchForDepth, true);
            search.openSearchWin();
            window.searchField()->setText(term);
            QTest::keyClick(window.searchField(), Qt::Key_Return);
            QTRY_VERIFY(!search.isRunning());
        }
        /// What a result menu enables as it opens: the enabled items' titles.
        QStringList enabledWhenOpened(QMenu* menu)
        {
            emit menu->aboutToShow();
            QStringList enabled;
            for (const QAction* action : menu->actions()) {
                if (!action->isSeparator() && action->isEnabled())
                    enabled << action->text();
            }
            return enabled;
        }
        QAction* item(QMenu* menu, const QString& title)
        {
            for (QAction* action : menu->actions()) {
                if (action->text() == title)
                    return action;
            }
            return nullptr;
        }
    };

private slots:
    void openingShowsTheStoredOptions()
    {
        Fixture fx;
        fx.settings.setBool(keys::searchForDepth, true);
        fx.settings.setBool(keys::searchForCase, true);
        fx.search.openSearchWin();
        SearchWindow& w = fx.window;
        QVERIFY(w.isVisible());
        QVERIFY(w.deeperRadio()->isChecked() && !w.fasterRadio()->isChecked());
        QVERIFY(w.nameRadio()->isChecked() && w.wordRadio()->isChecked());
        QVERIFY(w.checkCaseBtn()->isChecked());
        QCOMPARE(w.directoryPopUp()->currentText(), QStringLiteral("Macintosh HD"));
        QVERIFY(w.directoryPopUp()->isEnabled());
        QVERIFY(w.checkWebBtn()->isChecked() && !w.checkWebBtn()->isEnabled());
        QVERIFY(w.checkEmailBtn()->isChecked() && !w.checkEmailBtn()->isEnabled());
        QVERIFY(!w.spinner()->isVisible());
        QVERIFY(!w.revealBtn()->isVisible());

        // The controls write their options.
        w.fasterRadio()->click();
        QVERIFY(!fx.settings.boolForKey(keys::searchForDepth));
        QCOMPARE(w.directoryPopUp()->currentText(), QStringLiteral("All Volumes"));
        QVERIFY(!w.directoryPopUp()->isEnabled());
        QVERIFY(w.checkWebBtn()->isEnabled() && !w.checkWebBtn()->isChecked());
        w.contentRadio()->click();
        w.stringRadio()->click();
        w.checkEmailBtn()->click();
        QVERIFY(fx.settings.boolForKey(keys::searchForContent));
        QVERIFY(fx.settings.boolForKey(keys::searchForString));
        QVERIFY(fx.settings.boolForKey(keys::searchForEmail));
        w.deeperRadio()->click();
        QVERIFY(w.directoryPopUp()->isEnabled());
        w.directoryPopUp()->setCurrentIndex(w.directoryPopUp()->findText("Users"));
        emit w.directoryPopUp()->activated(w.directoryPopUp()->currentIndex());
        QCOMPARE(fx.search.selectedStartFolder(), (StartFolder{"/Users", false}));
    }

    void rowsCounterAndRevealAfterASearch()
    {
        Fixture fx;
        fx.searchFor("report");
        SearchWindow& w = fx.window;
        QCOMPARE(w.resultsTable()->model()->rowCount(), 2);
        QCOMPARE(w.resultsTable()->model()->index(0, 0).data().toString(), QStringLiteral("report.txt"));
        QCOMPARE(w.resultsTable()->model()->index(0, 1).data().toString(),
                 QStringLiteral("/Users/robin/Documents/report.txt"));
        QVERIFY(!w.resultsTable()->model()->index(0, 2).data().toString().endsWith('\n'));
        QCOMPARE(w.resultCounter()->text(), QStringLiteral("2"));
        QVERIFY(w.revealBtn()->isVisible());
        QVERIFY(!w.spinner()->isVisible());
        QVERIFY(w.searchFieldAction()->isEnabled());
        QCOMPARE(w.searchField()->text(), QStringLiteral("report"));

        // Reveal without a selection explains itself; a double-click reveals the row.
        w.revealBtn()->click();
        QCOMPARE(fx.alerts.shown.size(), 1);
        QVERIFY(fx.workspace.revealed.isEmpty());
        const QModelIndex second = w.resultsTable()->model()->index(1, 0);
        const QRect cell = w.resultsTable()->visualRect(second);
        QTest::mouseClick(w.resultsTable()->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(w.resultsTable()->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(fx.workspace.revealed, QStringList{"/Users/robin/Desktop/report.pdf"});

        // The field's cancel stops everything and empties field and table.
        const QList<QAction*> fieldActions = w.searchField()->actions();
        QVERIFY(!fieldActions.isEmpty());
        fieldActions.last()->trigger();
        QCOMPARE(w.resultsTable()->model()->rowCount(), 0);
        QCOMPARE(w.searchField()->text(), QString());
        QCOMPARE(w.resultCounter()->text(), QString());
        QVERIFY(!w.searchFieldAction()->isEnabled());
    }

    void resultMenusFollowResultsAndSelection()
    {
        Fixture fx;
        SearchWindow& w = fx.window;
        for (QMenu* menu : {w.actionMenu(), w.tableMenu()}) {
            QCOMPARE(fx.enabledWhenOpened(menu), QStringList{"Reveal Selected in Finder"});
        }
        fx.searchFor("report");
        for (QMenu* menu : {w.actionMenu(), w.tableMenu()}) {
            QCOMPARE(fx.enabledWhenOpened(menu), (QStringList{"Copy All"}));
        }
        w.resultsTable()->selectRow(1);
        for (QMenu* menu : {w.actionMenu(), w.tableMenu()}) {
            QCOMPARE(fx.enabledWhenOpened(menu),
                     (QStringList{"Copy All", "Copy Selected", "Reveal Selected in Finder"}));
        }
        fx.item(w.actionMenu(), "Copy Selected")->trigger();
        QVERIFY(fx.clipboard.text.startsWith("report.pdf\t/Users/robin/Desktop/report.pdf\t"));
        fx.item(w.tableMenu(), "Copy All")->trigger();
        QVERIFY(fx.clipboard.text.startsWith("\n\nreport.txt\t/Users/robin/Documents/report.txt\t\t"));
    }

    void spaceBarTogglesThePreview()
    {
        Fixture fx;
        fx.searchFor("report");
        SearchWindow& w = fx.window;
        TRQLTableView* table = w.resultsTable();
        table->setFocus();
        table->selectRow(0);
        QTest::keyClick(table, Qt::Key_Space);
        QVERIFY(w.previewPanel() && w.previewPanel()->isVisible());
        QCOMPARE(w.previewPanel()->textView()->toPlainText(),
                 QStringLiteral("the first line\nthe second line\n"));
        // The preview follows the selection; other keys move it as in any table.
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(w.selectedRows(), QList<int>{1});
        QCOMPARE(w.previewPanel()->windowTitle(), QStringLiteral("report.pdf"));
        QTest::keyClick(table, Qt::Key_Space);
        QVERIFY(!w.previewPanel()->isVisible());
    }
};

QTEST_MAIN(SearchWindowTest)
#include "search_window_test.moc"
