#include "base/MonthGrid.h"

#include "lunar/CivilDate.h"

#include <QTest>

class TestMonthGrid : public QObject {
    Q_OBJECT
private slots:
    void monthsBeforeTheChangeRunOnJulianWeekdays_data();
    void monthsBeforeTheChangeRunOnJulianWeekdays();
    void october1582SkipsTheDroppedDays();
    void droppedDaysGoToTheNearestDay_data();
    void droppedDaysGoToTheNearestDay();
    void julianLeapDayHasItsCell();
    void cellsRunDayByDayAndBack();
    void gregorianMonthsAreQDatesGrid();
    void weekNumbersFollowTheGridsWeeks();
    void invalidMonths();
};

void TestMonthGrid::monthsBeforeTheChangeRunOnJulianWeekdays_data() {
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("firstWeekday");
    // Julian weekdays: 0003-05-01 was a Tuesday, 1582-10-01 a Monday, 0001-01-01 a Saturday.
    QTest::newRow("0003-05") << 3 << 5 << 2;
    QTest::newRow("1582-10") << 1582 << 10 << 1;
    QTest::newRow("0001-01") << 1 << 1 << 6;
    QTest::newRow("1582-09") << 1582 << 9 << 6;
    QTest::newRow("1582-11") << 1582 << 11 << 1;
}

void TestMonthGrid::monthsBeforeTheChangeRunOnJulianWeekdays() {
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, firstWeekday);
    const MonthGrid grid(year, month);
    QVERIFY(grid.isValid());
    QCOMPARE(grid.firstWeekday(), firstWeekday);
    QCOMPARE(grid.cellOfDay(1), firstWeekday);
    QCOMPARE(MonthGrid::weekday(year, month, 1), firstWeekday);
}

void TestMonthGrid::october1582SkipsTheDroppedDays() {
    const MonthGrid grid(1582, 10);
    QCOMPARE(grid.dayCount(), 21);
    QCOMPARE(grid.lastDay(), 31);
    // Thursday the 4th, then Friday the 15th in the next cell.
    QCOMPARE(grid.cellOfDay(4), 4);
    QCOMPARE(grid.cellOfDay(15), 5);
    QCOMPARE(grid.cellOfDay(31), 21);
    for (int day = 5; day <= 14; ++day) {
        QVERIFY(!grid.hasDay(day));
        QCOMPARE(grid.cellOfDay(day), -1);
        QCOMPARE(grid.cellOf(1582, 10, day), -1);
    }
    QCOMPARE(grid.cellDay(0), (CivilDay{1582, 9, 30}));
    QCOMPARE(grid.cellDay(5), (CivilDay{1582, 10, 15}));
    QCOMPARE(grid.cellDay(22), (CivilDay{1582, 11, 1}));
    // September's trailing cells cross the gap too.
    const MonthGrid september(1582, 9);
    QCOMPARE(september.cellDay(36), (CivilDay{1582, 10, 1}));
    QCOMPARE(september.cellDay(40), (CivilDay{1582, 10, 15}));
    QCOMPARE(september.cellOf(1582, 10, 15), 40);
}

void TestMonthGrid::droppedDaysGoToTheNearestDay_data() {
    QTest::addColumn<int>("day");
    QTest::addColumn<int>("cell");
    QTest::newRow("4th") << 4 << 4;
    QTest::newRow("5th") << 5 << 4;
    QTest::newRow("9th") << 9 << 4;
    QTest::newRow("10th") << 10 << 5;
    QTest::newRow("14th") << 14 << 5;
    QTest::newRow("beyond the end") << 32 << 21;
    QTest::newRow("none") << 0 << -1;
}

void TestMonthGrid::droppedDaysGoToTheNearestDay() {
    QFETCH(int, day);
    QFETCH(int, cell);
    QCOMPARE(MonthGrid(1582, 10).nearestCellOfDay(day), cell);
}

void TestMonthGrid::julianLeapDayHasItsCell() {
    // 100 is a leap year of the Julian calendar, not of QDate's.
    const MonthGrid february(100, 2);
    QCOMPARE(february.dayCount(), 29);
    const int cell = february.cellOfDay(29);
    QCOMPARE(february.cellDay(cell), (CivilDay{100, 2, 29}));
    QVERIFY(!february.cellDate(cell).isValid());
    QCOMPARE(february.cellDay(cell + 1), (CivilDay{100, 3, 1}));
    QCOMPARE(MonthGrid(100, 3).firstWeekday(), (february.firstWeekday() + 29) % 7);
}

void TestMonthGrid::cellsRunDayByDayAndBack() {
    // Every cell is the day after the one before, in the engine's calendar, and cellOf() finds
    // it again; the first cell is a Sunday.
    for (int year = 1; year <= 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const MonthGrid grid(year, month);
            CivilDay expected = grid.cellDay(0);
            QCOMPARE(MonthGrid::weekday(expected.year, expected.month, expected.day), 0);
            for (int cell = 0; cell < MonthGrid::CellCount; ++cell) {
                const CivilDay day = grid.cellDay(cell);
                if (!(day == expected))
                    QFAIL(qPrintable(QStringLiteral("%1-%2 cell %3: %4-%5-%6")
                                         .arg(year)
                                         .arg(month)
                                         .arg(cell)
                                         .arg(day.year)
                                         .arg(day.month)
                                         .arg(day.day)));
                if (grid.cellOf(day.year, day.month, day.day) != cell)
                    QFAIL(qPrintable(QStringLiteral("%1-%2 cell %3 not found again")
                                         .arg(year)
                                         .arg(month)
                                         .arg(cell)));
                QVERIFY(lunar::NextCivilDay(expected.year, expected.month, expected.day));
            }
            QCOMPARE(grid.cellOf(expected.year, expected.month, expected.day), -1);
        }
    }
}

void TestMonthGrid::gregorianMonthsAreQDatesGrid() {
    for (int year = 1583; year <= 2100; ++year) {
        for (int month = 1; month <= 12; ++month) {
            const QDate first(year, month, 1);
            const QDate cell0 = first.addDays(-(first.dayOfWeek() % 7));
            const MonthGrid grid(first);
            QCOMPARE(grid.firstWeekday(), first.dayOfWeek() % 7);
            QCOMPARE(grid.dayCount(), first.daysInMonth());
            for (int cell = 0; cell < MonthGrid::CellCount; cell += 5)
                QCOMPARE(grid.cellDate(cell), cell0.addDays(cell));
            QCOMPARE(grid.cellOf(cell0.addDays(41)), 41);
        }
    }
}

void TestMonthGrid::weekNumbersFollowTheGridsWeeks() {
    // From the first week of 1583 (whose year 1582 was short) on, QDate's week numbers.
    for (QDate date(1583, 1, 3); date.year() <= 1700; date = date.addDays(3))
        QCOMPARE(MonthGrid::weekNumber(date.year(), date.month(), date.day()), date.weekNumber());
    for (QDate date(2020, 1, 1); date.year() <= 2030; date = date.addDays(1))
        QCOMPARE(MonthGrid::weekNumber(date.year(), date.month(), date.day()), date.weekNumber());
    // Before it the week changes on the Monday the grid shows.
    const MonthGrid may(3, 5);
    for (int cell = 1; cell < MonthGrid::CellCount; ++cell) {
        const CivilDay before = may.cellDay(cell - 1);
        const CivilDay day = may.cellDay(cell);
        const bool sameWeek = MonthGrid::weekNumber(before.year, before.month, before.day) ==
                              MonthGrid::weekNumber(day.year, day.month, day.day);
        QCOMPARE(sameWeek, cell % 7 != 1);
    }
    // 1582-10-04 (Thursday) and 10-15 (Friday) share a week.
    QCOMPARE(MonthGrid::weekNumber(1582, 10, 4), MonthGrid::weekNumber(1582, 10, 15));
    QCOMPARE(MonthGrid::weekNumber(1582, 10, 7), 0);
}

void TestMonthGrid::invalidMonths() {
    QVERIFY(!MonthGrid(2024, 0).isValid());
    QVERIFY(!MonthGrid(2024, 13).isValid());
    QVERIFY(!MonthGrid(0, 5).isValid());
    QCOMPARE(MonthGrid(2024, 13).cellDay(0), CivilDay());
    QCOMPARE(MonthGrid(2024, 5).cellDay(42), CivilDay());
    QCOMPARE(MonthGrid(2024, 5).cellOf(QDate()), -1);
    QCOMPARE(MonthGrid::weekday(1582, 10, 10), -1);
}

QTEST_APPLESS_MAIN(TestMonthGrid)
#include "tst_MonthGrid.moc"
