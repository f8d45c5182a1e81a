#include "support/FakeServices.h"
#include "taskpad/OutlineViewController.h"
#include "taskpad/TaskPadFormat.h"
#include "taskpad/ui/MLCalendarView.h"
#include "taskpad/ui/TaskOutlineView.h"

#include <QLabel>
#include <QtTest>

using namespace trevalo;

/// The month calendar of the date picker: its grid and labels, the user's clicks, and the popup the
/// outline shows it in.
class TaskPadCalendarTest : public QObject {
    Q_OBJECT

    static inline const QTimeZone kBerlin{"Europe/Berlin"};
    static inline const QLocale kUs{QLocale::English, QLocale::UnitedStates};
    static inline const QLocale kUk{QLocale::English, QLocale::UnitedKingdom};

    struct Recorder : MLCalendarViewDelegate {
        QList<QDateTime> picked;
        int resets = 0;
        void didSelectDate(const QDateTime& date) override { picked << date; }
        void resetCalendar() override { ++resets; }
    };

    static QDateTime at(int year, int month, int day, int hour = 0)
    {
        return QDateTime(QDate(year, month, day), QTime(hour, 0), kBerlin);
    }
    static MLCalendarCell* cellWithDay(const MLCalendarView& view, int day)
    {
        for (int number = 1; number <= 42; ++number) {
            auto* cell = qobject_cast<MLCalendarCell*>(view.viewByID(QStringLiteral("c%1").arg(number)));
            if (cell->text() == QString::number(day))
                return cell;
        }
        return nullptr;
    }
    static int selectedCount(const MLCalendarView& view)
    {
        int count = 0;
        for (int number = 1; number <= 42; ++number)
            count +=
                qobject_cast<MLCalendarCell*>(view.viewByID(QStringLiteral("c%1").arg(number)))->selected();
        return count;
    }

private slots:
    void partsAreFoundByTheirNames()
    {
        MLCalendarView view(
            nullptr, [] { return at(2026, 8, 14, 9); }, kBerlin, kUs);
        for (int number = 1; number <= 7; ++number)
            QVERIFY(qobject_cast<QLabel*>(view.viewByID(QStringLiteral("day%1").arg(number))));
        for (int number = 1; number <= 42; ++number)
            QVERIFY(qobject_cast<MLCalendarCell*>(view.viewByID(QStringLiteral("c%1").arg(number))));
        QCOMPARE(view.viewByID("c43"), nullptr);
        // Cell numbers run row by row.
        QCOMPARE(view.cellAt(1, 2), view.viewByID("c10"));
    }

    void weekdayLabelsFollowTheLocalesFirstWeekday_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::addColumn<QString>("firstDay"); // the cell holding the 1st of August 2026, a Saturday
        QTest::newRow("Sunday first") << kUs << "SUN"
                                      << "SAT"
                                      << "c7";
        QTest::newRow("Monday first") << kUk << "MON"
                                      << "SUN"
                                      << "c6";
    }
    void weekdayLabelsFollowTheLocalesFirstWeekday()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, first);
        QFETCH(QString, last);
        QFETCH(QString, firstDay);
        MLCalendarView view(
            nullptr, [] { return at(2026, 8, 14, 9); }, kBerlin, locale);
        QCOMPARE(qobject_cast<QLabel*>(view.viewByID("day1"))->text(), first);
        QCOMPARE(qobject_cast<QLabel*>(view.viewByID("day7"))->text(), last);
        QCOMPARE(cellWithDay(view, 1), view.viewByID(firstDay));
        QCOMPARE(view.calendarTitle(), QString("August, 2026"));
    }

    void steppingTodayAndTheMark()
    {
        MLCalendarView view(
            nullptr, [] { return at(2026, 8, 14, 9); }, kBerlin, kUs);
        view.setDate(at(2026, 1, 31, 15));
        view.setSelectedDate(at(2026, 1, 20, 17));
        QCOMPARE(selectedCount(view), 1);
        QVERIFY(cellWithDay(view, 20)->selected());

        view.nextMonth();
        QCOMPARE(view.calendarTitle(), QString("February, 2026"));
        QCOMPARE(selectedCount(view), 0);
        view.prevMonth();
        view.prevMonth();
        QCOMPARE(view.calendarTitle(), QString("December, 2025"));

        view.today();
        QCOMPARE(view.calendarTitle(), QString("August, 2026"));
        QCOMPARE(view.month().selectedDate(), at(2026, 1, 20));
        QVERIFY(cellWithDay(view, 14)->isToday());
        QVERIFY(!cellWithDay(view, 15)->isToday());

        // Today can carry the mark too.
        view.setSelectedDate(at(2026, 8, 14, 22));
        QVERIFY(cellWithDay(view, 14)->selected() && cellWithDay(view, 14)->isToday());
    }

    void clicksReportMidnightAndEmptyCellsAreIgnored()
    {
        Recorder recorder;
        MLCalendarView view(
            nullptr, [] { return at(2026, 8, 14, 9); }, kBerlin, kUs);
        view.setDelegate(&recorder);
        view.resize(view.sizeHint());
        view.show();
        view.setSelectedDate(at(2026, 8, 3));

        auto* empty = qobject_cast<MLCalendarCell*>(view.viewByID("c1"));
        QTest::mouseClick(empty, Qt::LeftButton);
        QVERIFY(recorder.picked.isEmpty());
        QVERIFY(cellWithDay(view, 3)->selected());

        QTest::mouseClick(cellWithDay(view, 21), Qt::LeftButton);
        QCOMPARE(recorder.picked, QList<QDateTime>{at(2026, 8, 21)});
        QCOMPARE(selectedCount(view), 1);
        QVERIFY(cellWithDay(view, 21)->selected());

        QTest::mouseClick(qobject_cast<QWidget*>(view.findChild<QObject*>("reset")), Qt::LeftButton);
        QCOMPARE(recorder.resets, 1);
    }

    void cellsDrawOnlyWithADay()
    {
        MLCalendarView view(
            nullptr, [] { return at(2026, 8, 14, 9); }, kBerlin, kUs);
        view.setSelectedDate(at(2026, 8, 14));
        view.resize(view.sizeHint());
        const QColor background(10, 20, 30);
        view.setBackgroundColor(background);
        const QImage empty = view.viewByID("c1")->grab().toImage();
        const QImage today = cellWithDay(view, 14)->grab().toImage();
        // An empty cell is all background; the marked day has the disc, today the bar along the bottom.
        QCOMPARE(empty.pixelColor(empty.width() / 2, empty.height() / 2).rgb(), background.rgb());
        QCOMPARE(today.pixelColor(5, today.height() / 2 + 1).rgb(), view.selectionColor().rgb());
        QCOMPARE(today.pixelColor(today.width() / 2, today.height() - 1).rgb(),
                 view.todayMarkerColor().rgb());
        const QImage plain = cellWithDay(view, 15)->grab().toImage();
        QCOMPARE(plain.pixelColor(5, plain.height() / 2 + 1).rgb(), background.rgb());
        QCOMPARE(plain.pixelColor(plain.width() / 2, plain.height() - 1).rgb(), background.rgb());
    }

    void theOutlineShowsItInAPopupThatStaysOpenAfterAPick()
    {
        trevalo::test::FakeServices services;
        const QString path = "/Users/robin/Library/Application Support/Trevalo 2/taskpad.tp";
        ListItem top{QString()};
        top.insertChild(0, std::make_unique<ListItem>("Taxes"));
        services.machine.write(path, writeTaskPad(top, services.clock.now()));
        TaskPadFile file(services.services());
        OutlineViewController controller(file);
        TaskOutlineView view(controller);
        view.resize(500, 300);
        view.show();

        const QModelIndex taxes = controller.index(0, 0);
        controller.calendarBtn(taxes);
        MLCalendarView* calendar = view.calendar();
        QVERIFY(calendar);
        QVERIFY(calendar->window()->isVisible());
        QVERIFY(calendar->window()->windowFlags().testFlag(Qt::Popup));

        QTest::mouseClick(cellWithDay(*calendar, 24), Qt::LeftButton);
        const QDateTime due = controller.itemAt(taxes)->completionDate().toLocalTime();
        QCOMPARE(due.date().day(), 24);
        QCOMPARE(due.time(), QTime(0, 0));
        QVERIFY(calendar->window()->isVisible());

        // The same calendar serves the next press.
        controller.calendarBtn(taxes);
        QCOMPARE(view.calendar(), calendar);
        QVERIFY(cellWithDay(*calendar, 24)->selected());
    }
};

QTEST_MAIN(TaskPadCalendarTest)
#include "taskpad_calendar_test.moc"
