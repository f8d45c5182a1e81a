#include "support/FakeServices.h"
#include "taskpad/OutlineViewController.h"
#include "taskpad/TaskPadFormat.h"
#include "taskpad/ui/TaskOutlineView.h"

#include <QAbstractItemModelTester>
#include <QLineEdit>
#include <QMimeData>
#include <QtTest>

using namespace trevalo;

/// The task outline on screen: what it shows, and the user's edits, clicks and drops reaching the tasks.
class TaskPadOutlineTest : public QObject {
    Q_OBJECT

    static inline const QString kPath = "/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp";

    struct Fixture : trevalo::test::FakeServices {
        std::unique_ptr<TaskPadFile> file;
        std::unique_ptr<OutlineViewController> controller;
        std::unique_ptr<TaskOutlineView> view;

        Fixture()
        {
            ListItem top{QString()};
            ListItem* errands = top.insertChild(0, std::make_unique<ListItem>("Errands"));
            errands->addChild(std::make_unique<ListItem>("Milk"))
                ->addChild(std::make_unique<ListItem>("Organic"));
            ListItem* house = top.insertChild(1, std::make_unique<ListItem>("House"));
            house->setNotes(StyledText::plain("a note"));
            house->setHasNote(true);
            machine.write(kPath, writeTaskPad(top, clock.now()));
            file = std::make_unique<TaskPadFile>(services());
            controller = std::make_unique<OutlineViewController>(*file);
            view = std::make_unique<TaskOutlineView>(*controller);
            view->resize(500, 300);
            view->show();
        }
        QModelIndex row(const QString& name) const
        {
            for (ListItem* item : controller->displayOrder()) {
                if (item->name().trimmed() == name)
                    return controller->indexOf(item);
            }
            return {};
        }
        QStringList names() const
        {
            QStringList out;
            for (const ListItem* item : controller->displayOrder())
                out << item->name();
            return out;
        }
        QStringList namesOnDisk() const
        {
            QString error;
            std::optional<TaskPadContent> content = readTaskPad(machine.read(kPath), error);
            QStringList out;
            std::function<void(const ListItem&)> walk = [&](const ListItem& item) {
                for (const auto& child : item.children()) {
                    out << child->name();
                    walk(*child);
                }
            };
            if (content)
                walk(*content->root);
            return out;
        }
        /// Drags `data` over the viewport and drops it at `at`, as a drag from anywhere arrives.
        void dropAt(QMimeData* data, const QPoint& at) const
        {
            QWidget* viewport = view->viewport();
            QDragEnterEvent enter(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &enter);
            QDragMoveEvent move(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &move);
            QDropEvent drop(at, Qt::MoveAction, data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &drop);
        }
    };

private slots:
    void opensWithEveryRowExpanded()
    {
        Fixture fx;
        QAbstractItemModelTester tester(fx.controller.get(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QVERIFY(fx.view->isExpanded(fx.row("Errands")));
        QVERIFY(fx.view->isExpanded(fx.row("Milk")));
        QCOMPARE(fx.row("Milk").siblingAtColumn(1).data().toString(), QStringLiteral("    Milk"));
    }

    void markingDoneCollapsesTheTask()
    {
        Fixture fx;
        const QModelIndex errands = fx.row("Errands");
        fx.controller->setData(errands, Qt::Checked, Qt::CheckStateRole);
        QVERIFY(!fx.view->isExpanded(errands));
        QVERIFY(!fx.view->isExpanded(fx.row("Milk")));
        QCOMPARE(fx.row("Organic").data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    }

    // The rename used to go to the selected row when editing ended, whichever row's field it was.
    void aRenameGoesToTheEditedRowWithOnePrefix()
    {
        Fixture fx;
        const QModelIndex milkName = fx.row("Milk").siblingAtColumn(OutlineViewController::Name);
        fx.view->setCurrentIndex(milkName);
        fx.view->edit(milkName);
        auto* editor = fx.view->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("    Milk"));
        editor->setText("    Milk and eggs");
        fx.view->selectionModel()->select(fx.row("House"),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        // The commit step (quit, reload, close) stores the open edit before it saves.
        QVERIFY(fx.controller->commit());
        QCOMPARE(fx.names(), QStringList({"Errands", "    Milk and eggs", "        Organic", "House"}));
        QCOMPARE(fx.namesOnDisk(), fx.names());
    }

    void addUnderTheSelectedTask()
    {
        Fixture fx;
        QAbstractItemModelTester tester(fx.controller.get(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        fx.view->collapseAll();
        fx.view->selectionModel()->select(fx.row("Milk"),
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        fx.view->add();
        QCOMPARE(fx.names(),
                 QStringList({"Errands", "    Milk", "        Organic", "        Untitled", "House"}));
        QVERIFY(fx.view->isExpanded(fx.row("Milk")));
        QCOMPARE(fx.view->selectedTask(), fx.controller->index(1, 0, fx.row("Milk")));

        fx.view->selectionModel()->clearSelection();
        fx.view->add();
        QCOMPARE(fx.names().last(), QStringLiteral("Untitled"));
        QCOMPARE(fx.namesOnDisk(), fx.names());
    }

    void aDropOntoATaskMakesItTheLastSubTask()
    {
        Fixture fx;
        QAbstractItemModelTester tester(fx.controller.get(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QMimeData* data = fx.controller->mimeData({fx.row("House")});
        fx.dropAt(data, fx.view->visualRect(fx.row("Errands").siblingAtColumn(1)).center());
        QCOMPARE(fx.names(), QStringList({"Errands", "    Milk", "        Organic", "House"}));
        QCOMPARE(fx.controller->itemAt(fx.row("House"))->parent(), fx.controller->itemAt(fx.row("Errands")));
        QCOMPARE(fx.namesOnDisk(), fx.names());
        delete data;
    }

    void refusedDropsChangeNothing()
    {
        Fixture fx;
        const QStringList before = fx.names();
        const QPoint onMilk = fx.view->visualRect(fx.row("Milk").siblingAtColumn(1)).center();

        auto* text = new QMimeData;
        text->setText("Errands");
        fx.dropAt(text, onMilk);
        QMimeData* ownParent = fx.controller->mimeData({fx.row("Errands")});
        fx.dropAt(ownParent, onMilk);
        QCOMPARE(fx.names(), before);
        QCOMPARE(fx.controller->itemAt(fx.row("Milk"))->parent(), fx.controller->itemAt(fx.row("Errands")));
        delete text;
        delete ownParent;
    }

    void theCalendarButtonAsksForADate()
    {
        Fixture fx;
        QModelIndex asked;
        QDateTime shown;
        fx.view->setDatePicker([&](const QModelIndex& task, const QDateTime& date, const QRect&) {
            asked = task;
            shown = date;
        });
        const QModelIndex house = fx.row("House");
        QTest::mouseClick(fx.view->viewport(), Qt::LeftButton, {},
                          fx.view->calendarButtonRect(house).center());
        QCOMPARE(asked, house);
        QCOMPARE(shown, fx.clock.now());

        fx.controller->didSelectDate(fx.clock.now().date().addDays(2));
        QCOMPARE(house.siblingAtColumn(OutlineViewController::Time).data().toString(), QStringLiteral("2"));
        QVERIFY(!house.siblingAtColumn(OutlineViewController::Time)
                     .data(OutlineViewController::CalendarButtonShownRole)
                     .toBool());
        // Still clickable while a count hides it.
        asked = {};
        QTest::mouseClick(fx.view->viewport(), Qt::LeftButton, {},
                          fx.view->calendarButtonRect(house).center());
        QCOMPARE(asked, house);
    }

    void theNoteButtonOpensTheNotes()
    {
        Fixture fx;
        QModelIndexList requested;
        connect(fx.controller.get(), &OutlineViewController::notesRequested,
                [&](const QModelIndex& index) { requested << index; });
        QTest::mouseClick(fx.view->viewport(), Qt::LeftButton, {},
                          fx.view->noteButtonRect(fx.row("House")).center());
        QTest::mouseClick(fx.view->viewport(), Qt::LeftButton, {},
                          fx.view->noteButtonRect(fx.row("Errands")).center());
        QCOMPARE(requested, QModelIndexList{fx.row("House")});
    }
};

QTEST_MAIN(TaskPadOutlineTest)
#include "taskpad_outline_test.moc"
