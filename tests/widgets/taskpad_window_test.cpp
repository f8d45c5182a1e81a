#include "support/FakeServices.h"
#include "taskpad/TaskPad.h"
#include "taskpad/TaskPadFormat.h"
#include "taskpad/TaskPadKeys.h"
#include "taskpad/ui/ListWindow.h"
#include "taskpad/ui/ListWindowHost.h"
#include "taskpad/ui/TaskOutlineView.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>

using namespace trevalo;

/// The task pad's window: the notes pane, the sheets, the attach switch, and how it opens and closes.
class TaskPadWindowTest : public QObject {
    Q_OBJECT

    static inline const QString kPath = "/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp";

    struct Fixture : trevalo::test::FakeServices {
        std::unique_ptr<TaskPad> pad;
        std::unique_ptr<ListWindowHost> host;

        Fixture()
        {
            ListItem top{QString()};
            ListItem* errands = top.insertChild(0, std::make_unique<ListItem>("Errands"));
            errands->addChild(std::make_unique<ListItem>("Milk"))
                ->addChild(std::make_unique<ListItem>("Organic milk"));
            ListItem* house = top.insertChild(1, std::make_unique<ListItem>("House"));
            house->setNotes(StyledText::plain("Call the plumber"));
            house->setHasNote(true);
            top.insertChild(2, std::make_unique<ListItem>("Garden"));
            machine.write(kPath, writeTaskPad(top, clock.now()));
            pad = std::make_unique<TaskPad>(services());
            host = std::make_unique<ListWindowHost>(*pad);
            host->pointer = [] { return QPoint(400, 100); };
            pad->displayLists(TaskPad::OpenedFrom::MenuItem);
            window().resize(420, 520);
            QVERIFY(QTest::qWaitForWindowExposed(&window()));
        }
        ListWindow& window() const { return *host->listWin(); }
        OutlineViewController& ovc() const { return window().ovc(); }
        ListItem* item(const QString& name) const
        {
            for (ListItem* each : ovc().displayOrder()) {
                if (each->name().trimmed() == name)
                    return each;
            }
            return nullptr;
        }
        QModelIndex row(const QString& name) const { return ovc().indexOf(item(name)); }
        void select(const QString& name) const
        {
            window().outlineView().selectionModel()->select(row(name), QItemSelectionModel::ClearAndSelect |
                                                                           QItemSelectionModel::Rows);
        }
        std::optional<TaskPadContent> onDisk(const QString& path = kPath) const
        {
            QString error;
            return readTaskPad(machine.read(path), error);
        }
        const ListItem* onDiskItem(const TaskPadContent& content, const QString& name) const
        {
            std::function<const ListItem*(const ListItem&)> walk =
                [&](const ListItem& at) -> const ListItem* {
                for (const auto& child : at.children()) {
                    if (child->name().trimmed() == name)
                        return child.get();
                    if (const ListItem* found = walk(*child))
                        return found;
                }
                return nullptr;
            };
            return walk(*content.root);
        }
        void type(const QString& text) const
        {
            window().lowerTV().setFocus();
            QTest::keyClicks(&window().lowerTV(), text);
        }
        bool dividerShown() const { return window().splitView().handle(1)->isVisible(); }
    };

private slots:
    void aTaskWithoutANoteShowsThePlaceholderAndStaysWithout()
    {
        Fixture f;
        ListWindow& w = f.window();
        QVERIFY(!w.notesPaneOpen());
        QVERIFY(!f.dividerShown());
        QVERIFY(w.inspectorBar().isHidden());

        f.select("Garden");
        w.showSplitView();
        QVERIFY(w.notesPaneOpen());
        QVERIFY(f.dividerShown());
        QCoreApplication::processEvents();
        QVERIFY(w.notesPaneOpen());
        QVERIFY(!w.inspectorBar().isHidden());
        QCOMPARE(w.statusLabel().text(), QString("Garden"));
        // The placeholder is shown by the editor and is no part of the note.
        QCOMPARE(w.lowerTV().placeholderText(), QString("Add a note..."));
        QVERIFY(w.lowerTV().document()->isEmpty());

        w.showSplitView();
        QVERIFY(!w.notesPaneOpen());
        QVERIFY(!f.dividerShown());
        QCoreApplication::processEvents();
        QVERIFY(!f.dividerShown());
        QVERIFY(w.inspectorBar().isHidden());
        QVERIFY(w.statusLabel().text().isEmpty());
        QVERIFY(!f.item("Garden")->hasNote());
        QVERIFY(!f.row("Garden")
                     .siblingAtColumn(OutlineViewController::Time)
                     .data(OutlineViewController::NoteButtonShownRole)
                     .toBool());
        // The row whose note was open is selected again.
        QCOMPARE(w.outlineView().selectedTask(), f.row("Garden"));
    }

    void aNoteThatMentionsThePlaceholderIsStillANote()
    {
        Fixture f;
        ListWindow& w = f.window();
        f.select("Garden");
        w.showSplitView();
        f.type("Add a note... about roses");
        w.showSplitView();
        QVERIFY(f.item("Garden")->hasNote());
        const auto content = f.onDisk();
        QVERIFY(content);
        const ListItem* garden = f.onDiskItem(*content, "Garden");
        QVERIFY(garden && garden->hasNote() && garden->notes());
        QCOMPARE(garden->notes()->text(), QString("Add a note... about roses"));
    }

    void anExistingNoteShowsAndClearingItRemovesIt()
    {
        Fixture f;
        ListWindow& w = f.window();
        w.showSplitView(f.row("House"));
        QCOMPARE(w.lowerTV().toPlainText(), QString("Call the plumber"));
        w.lowerTV().selectAll();
        QTest::keyClick(&w.lowerTV(), Qt::Key_Delete);
        w.showSplitView();
        QVERIFY(!f.item("House")->hasNote());
        const auto content = f.onDisk();
        QVERIFY(content && !f.onDiskItem(*content, "House")->hasNote());
    }

    void stylesTypedInTheEditorAreKept()
    {
        Fixture f;
        ListWindow& w = f.window();
        w.showSplitView(f.row("Garden"));
        w.inspectorBar().findChild<QAction*>("bold")->trigger();
        f.type("Roses");
        w.showSplitView();
        const auto content = f.onDisk();
        QVERIFY(content);
        const ListItem* garden = f.onDiskItem(*content, "Garden");
        QVERIFY(garden->notes() && !garden->notes()->runs().isEmpty());
        QVERIFY(garden->notes()->runs().first().style.bold());
    }

    void selectingAnotherRowClosesThePaneKeepingTheNote()
    {
        Fixture f;
        ListWindow& w = f.window();
        w.showSplitView(f.row("Garden"));
        f.type("Tulips");
        f.select("House");
        QVERIFY(!w.notesPaneOpen());
        QVERIFY(w.inspectorBar().isHidden());
        QVERIFY(f.item("Garden")->hasNote());
        // The selection change saved it.
        const auto content = f.onDisk();
        QVERIFY(content && f.onDiskItem(*content, "Garden")->hasNote());
        // What is typed now belongs to no task.
        w.lowerTV().setPlainText("stray");
        QCOMPARE(f.item("Garden")->notes()->text(), QString("Tulips"));
    }

    void notesWithNothingSelectedShowTheCustomSheet()
    {
        Fixture f;
        ListWindow& w = f.window();
        w.outlineView().clearSelection();
        w.showSplitView();
        QVERIFY(!w.notesPaneOpen());
        QVERIFY(w.attachedSheet());
        QCOMPARE(w.attachedSheet()->objectName(), QString("sheetPanel"));
        QVERIFY(w.attachedSheet()->isVisible());
    }

    void findSelectsTheLastMatchWithEveryRowExpanded()
    {
        Fixture f;
        ListWindow& w = f.window();
        w.outlineView().collapseAll();
        w.findMenuAction();
        QCOMPARE(w.attachedSheet()->objectName(), QString("findPanel"));
        QVERIFY(w.outlineView().isExpanded(f.row("Milk")));
        w.searchFieldAction("MILK");
        QCOMPARE(w.outlineView().selectedTask(), f.row("Organic milk"));
        QVERIFY(!w.attachedSheet()->isVisible());

        w.findMenuAction();
        w.searchFieldAction("nothing like it");
        QVERIFY(!w.outlineView().selectedTask().isValid());
    }

    void theSearchFieldLogsItsEditingAndFindKeepsItsMatchSelected()
    {
        Fixture f;
        ListWindow& w = f.window();
        trevalo::test::CapturedLog log;
        w.findMenuAction();
        auto* field = w.attachedSheet()->findChild<QLineEdit*>("searchFieldCell");
        field->setFocus();
        f.select("Garden");
        QTest::keyClick(field, 'm');
        QVERIFY(!w.outlineView().selectedTask().isValid()); // begin and change clear the selection
        f.select("Garden");
        QTest::keyClicks(field, "ilk");
        QVERIFY(!w.outlineView().selectedTask().isValid());
        QTest::keyClick(field, Qt::Key_Return);
        // The end of editing clears the selection before the find makes its own.
        QCOMPARE(w.outlineView().selectedTask(), f.row("Organic milk"));
        QVERIFY(!w.attachedSheet()->isVisible());
        QCOMPARE(log.text().split('\n', Qt::SkipEmptyParts),
                 QStringList({"-[ListWindow controlTextDidBeginEditing:] [Line 167] begin",
                              "-[ListWindow controlTextDidChange:] [Line 174] change",
                              "-[ListWindow controlTextDidChange:] [Line 174] change",
                              "-[ListWindow controlTextDidChange:] [Line 174] change",
                              "-[ListWindow controlTextDidChange:] [Line 174] change",
                              "-[ListWindow control:textShouldEndEditing:] [Line 160] should end with "
                              "<QLineEdit: searchFieldCell> and milk",
                              "-[ListWindow controlTextDidEndEditing:] [Line 180] end"}));

        // Cancelled, the editing ends with the sheet.
        w.findMenuAction();
        QTest::keyClicks(field, "x");
        f.select("Garden");
        w.attachedSheet()->reject();
        QVERIFY(log.text().endsWith("-[ListWindow controlTextDidEndEditing:] [Line 180] end\n"));
        QCOMPARE(log.text().count("end with"), 2);
        QVERIFY(!w.outlineView().selectedTask().isValid());
    }

    void aRefusedSaveBringsUpTheSaveAsSheetOnAClosedWindow()
    {
        Fixture f;
        ListWindow& w = f.window();
        w.close();
        f.pad->showListSaveAsPanel();
        QTRY_VERIFY(w.isVisible());
        QVERIFY(w.attachedSheet());
        QCOMPARE(w.attachedSheet()->objectName(), QString("saveAsPanel"));
        QVERIFY(w.attachedSheet()->isVisible());
    }

    void saveAsWritesTheNewFileAndSwitchesToIt()
    {
        Fixture f;
        ListWindow& w = f.window();
        QDir().mkpath(f.machine.host("/Users/robin/Documents"));
        f.item("Garden")->setName("Orchard");
        w.chooseSaveAsPath = [&] { return f.machine.host("/Users/robin/Documents/work"); };
        w.showSaveAsSheet();
        QCOMPARE(w.attachedSheet()->objectName(), QString("saveAsPanel"));
        w.saveAsAndClosePanel();
        QVERIFY(!w.attachedSheet()->isVisible());
        QCOMPARE(f.settings.stringForKey(keys::taskPadPathKey), QString("/Users/robin/Documents/work.tp"));
        const auto content = f.onDisk("/Users/robin/Documents/work.tp");
        QVERIFY(content && f.onDiskItem(*content, "Orchard"));
        QVERIFY(f.item("Orchard"));

        // Cancelling the file dialog changes nothing.
        w.chooseSaveAsPath = [] { return QString(); };
        w.showSaveAsSheet();
        w.saveAsAndClosePanel();
        QCOMPARE(f.settings.stringForKey(keys::taskPadPathKey), QString("/Users/robin/Documents/work.tp"));
    }

    void reloadDropsUnsavedChanges()
    {
        Fixture f;
        ListWindow& w = f.window();
        f.item("Garden")->setName("Unsaved");
        w.showSaveAsSheet();
        w.reloadAndClosePanel();
        QVERIFY(f.item("Garden"));
        QVERIFY(!f.item("Unsaved"));
        QVERIFY(!w.attachedSheet()->isVisible());
    }

    void theSaveAsSheetDoesNotStack()
    {
        Fixture f;
        ListWindow& w = f.window();
        w.findMenuAction();
        w.showSaveAsSheet();
        QCOMPARE(w.attachedSheet()->objectName(), QString("findPanel"));
        w.searchFieldAction(QString());
        w.showSaveAsSheet();
        w.showSaveAsSheet();
        QCOMPARE(w.attachedSheet()->objectName(), QString("saveAsPanel"));
        QCOMPARE(w.findChildren<QDialog*>().size(), 3);
    }

    void theAttachSwitchAndTheAttachedPlacement()
    {
        Fixture f;
        ListWindow& w = f.window();
        QVERIFY(!w.attachMI().isChecked());
        w.attachMI().trigger();
        QCOMPARE(f.settings.integerForKey(keys::listWindowIsAttachedKey), 1);
        QVERIFY(w.attachMI().isChecked());
        QVERIFY(!w.isVisible());

        // Opened from a menu item, an attached window hangs 20 below the pointer, centred on it.
        f.pad->displayLists(TaskPad::OpenedFrom::MenuItem);
        QVERIFY(w.isVisible());
        // Every opening reads the file again and shows the sub-tasks.
        QVERIFY(w.outlineView().isExpanded(f.row("Errands")));
        QVERIFY(w.outlineView().isExpanded(f.row("Milk")));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint expected = attachedWindowOrigin({400, 100}, w.frameGeometry().size(), screen);
        QCOMPARE(w.pos(), expected);
        QCOMPARE(expected.y(), 120);

        w.attachMI().trigger();
        QCOMPARE(f.settings.integerForKey(keys::listWindowIsAttachedKey), 0);
        QVERIFY(w.isVisible());
    }

    void helpOpensACopyOfThePageInTheBrowser()
    {
        Fixture f;
        QVERIFY(QFile::exists(f.host->helpResource));
        QTemporaryDir dir;
        const QString page = dir.filePath("help.html");
        QFile source(page);
        QVERIFY(source.open(QIODevice::WriteOnly));
        source.write("<p>shortcuts</p>");
        source.close();
        f.host->helpResource = page;
        emit f.window().helpRequested();
        QCOMPARE(f.workspace.opened.size(), 1);
        const QUrl opened(f.workspace.opened.first());
        QVERIFY(opened.isLocalFile());
        QFile copy(opened.toLocalFile());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("<p>shortcuts</p>"));

        // A page that is missing opens nothing.
        f.host->helpResource = dir.filePath("missing.html");
        emit f.window().helpRequested();
        QCOMPARE(f.workspace.opened.size(), 1);
    }

    void givingWayToSearchSavesAndCloses()
    {
        Fixture f;
        ListWindow& w = f.window();
        w.showSplitView(f.row("Garden"));
        f.type("Seeds");
        f.pad->closeForSearchWin();
        QVERIFY(!w.isVisible());
        const auto content = f.onDisk();
        QVERIFY(content);
        QCOMPARE(f.onDiskItem(*content, "Garden")->notes()->text(), QString("Seeds"));

        // The window is kept: the next opening shows the same one.
        ListWindow* before = f.host->listWin();
        f.pad->displayLists(TaskPad::OpenedFrom::MenuItem);
        QCOMPARE(f.host->listWin(), before);
        f.host->removeListWin();
        QCOMPARE(f.host->listWin(), nullptr);
    }
};

QTEST_MAIN(TaskPadWindowTest)
#include "taskpad_window_test.moc"
