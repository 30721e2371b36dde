#include "pages/MonthGridModel.h"

#include <QTest>

class TestMonthGridModel : public QObject {
    Q_OBJECT
private slots:
    void cellDates_data();
    void cellDates();
    void may2010DayTextsAndColours();
    void weekendAndWeekdayColours();
    void selectedDay();
    void ctrlAndShiftSelection();
    void selectionSurvivesMonthChange();
    void october1582GoesFromThe4thToThe15th();
    void julianLeapDayCannotBeSelected();
};

void TestMonthGridModel::cellDates_data() {
    QTest::addColumn<QDate>("display");
    QTest::addColumn<QDate>("cell0");
    QTest::addColumn<int>("firstOfMonthCell");
    QTest::addColumn<int>("lastOfMonthCell");
    QTest::addColumn<QDate>("cell41");

    QTest::newRow("June 2010") << QDate(2010, 6, 17) << QDate(2010, 5, 30) << 2 << 31
                               << QDate(2010, 7, 10);
    QTest::newRow("May 2010") << QDate(2010, 5, 1) << QDate(2010, 4, 25) << 6 << 36
                              << QDate(2010, 6, 5);
    QTest::newRow("February 2015, starts on Sunday")
        << QDate(2015, 2, 28) << QDate(2015, 2, 1) << 0 << 27 << QDate(2015, 3, 14);
}

void TestMonthGridModel::cellDates() {
    QFETCH(QDate, display);
    QFETCH(QDate, cell0);
    QFETCH(int, firstOfMonthCell);
    QFETCH(int, lastOfMonthCell);
    QFETCH(QDate, cell41);

    const MonthGridModel grid(display);
    QCOMPARE(grid.cellDate(0), cell0);
    QCOMPARE(grid.cellDate(41), cell41);
    QCOMPARE(grid.cellDate(0).dayOfWeek(), 7);
    for (int k = 0; k < 42; ++k) {
        QCOMPARE(grid.cellDate(k), cell0.addDays(k));
        QCOMPARE(grid.cellOf(grid.cellDate(k)), k);
        const bool inMonth = k >= firstOfMonthCell && k <= lastOfMonthCell;
        QCOMPARE(grid.inDisplayedMonth(k), inMonth);
        if (inMonth) QCOMPARE(grid.cellDate(k).day(), k - firstOfMonthCell + 1);
    }
    QCOMPARE(grid.cellOf(cell0.addDays(-1)), -1);
    QCOMPARE(grid.cellOf(cell41.addDays(1)), -1);
}

void TestMonthGridModel::may2010DayTextsAndColours() {
    const MonthGridModel grid(QDate(2010, 5, 20));
    const QLocale c = QLocale::c();
    const QColor grey(210, 210, 210);
    QCOMPARE(grid.dayText(0, c), QStringLiteral("Apr 25"));
    QCOMPARE(grid.dayText(1, c), QStringLiteral("26"));
    QCOMPARE(grid.dayText(6, c), QStringLiteral("1"));
    QCOMPARE(grid.dayText(36, c), QStringLiteral("31"));
    QCOMPARE(grid.dayText(37, c), QStringLiteral("Jun 1"));
    QCOMPARE(grid.dayText(38, c), QStringLiteral("2"));
    for (int k : {0, 1, 2, 3, 4, 5, 37, 38, 39, 40, 41}) QCOMPARE(grid.dayColor(k), grey);
    for (int k = 6; k <= 36; ++k) QVERIFY(grid.dayColor(k) != grey);

    // The first of a trailing month is named even when it is not in cell 0.
    const MonthGridModel feb(QDate(2015, 2, 1));
    QCOMPARE(feb.dayText(0, c), QStringLiteral("1"));
    QCOMPARE(feb.dayText(28, c), QStringLiteral("Mar 1"));
}

void TestMonthGridModel::weekendAndWeekdayColours() {
    MonthGridModel grid(QDate(2010, 6, 1));
    const QColor navy(0, 0, 128);
    const QColor black(0, 0, 0);
    QCOMPARE(grid.dayColor(6), navy);  // Saturday 5 June
    QCOMPARE(grid.dayColor(7), navy);  // Sunday 6 June
    QCOMPARE(grid.dayColor(8), black); // Monday 7 June
    grid.selectAlone(6);
    QCOMPARE(grid.dayColor(6), black);
    grid.selectAlone(0); // a selected leading cell shows black as well
    QCOMPARE(grid.dayColor(0), black);
}

void TestMonthGridModel::selectedDay() {
    MonthGridModel grid(QDate(2010, 6, 1));
    QCOMPARE(grid.selectedDay(), QDate(2010, 5, 30)); // nothing selected: cell 0
    grid.addToSelection(QDate(2010, 6, 3));
    grid.addToSelection(QDate(2010, 6, 20));
    grid.addToSelection(QDate(2011, 1, 1)); // not shown, ignored
    QCOMPARE(grid.selectedDay(), QDate(2010, 6, 20));
    grid.clearSelection();
    QCOMPARE(grid.selectedDay(), QDate(2010, 5, 30));
}

void TestMonthGridModel::ctrlAndShiftSelection() {
    MonthGridModel grid(QDate(2010, 6, 1));
    grid.press(10, false, false);
    QCOMPARE(grid.selection().size(), 1);
    grid.press(12, true, false); // Ctrl adds
    QVERIFY(grid.isCellSelected(10) && grid.isCellSelected(12));
    grid.press(10, true, false); // Ctrl removes
    QVERIFY(!grid.isCellSelected(10));
    QCOMPARE(grid.selectedDay(), grid.cellDate(12));

    grid.press(10, false, false);
    grid.press(5, false, true); // Shift: range from the cell selected alone
    QCOMPARE(grid.selection().size(), 6);
    for (int k = 5; k <= 10; ++k) QVERIFY(grid.isCellSelected(k));
    grid.press(14, false, true); // the anchor stays at 10
    QCOMPARE(grid.selection().size(), 5);
    QVERIFY(!grid.isCellSelected(5) && grid.isCellSelected(14));
    QCOMPARE(grid.selectedDay(), grid.cellDate(14));
}

void TestMonthGridModel::selectionSurvivesMonthChange() {
    MonthGridModel grid(QDate(2010, 5, 1));
    grid.selectAlone(37); // 1 June as a trailing cell of May
    grid.setDisplayDate(QDate(2010, 6, 15));
    QVERIFY(grid.isSelected(QDate(2010, 6, 1)));
    QCOMPARE(grid.selectedDay(), QDate(2010, 6, 1));
    QVERIFY(grid.isCellSelected(2));
    grid.setDisplayDate(QDate(2010, 9, 1));
    QCOMPARE(grid.selectedDay(), grid.cellDate(0)); // none shown: falls back to cell 0
}

void TestMonthGridModel::october1582GoesFromThe4thToThe15th() {
    // Julian weekdays before the change: 1 October 1582 was a Monday, the 4th a Thursday and
    // the next day Friday the 15th.
    MonthGridModel grid(QDate(1582, 10, 20));
    QCOMPARE(grid.cellDate(0), QDate(1582, 9, 30));
    QCOMPARE(grid.cellDate(4), QDate(1582, 10, 4));
    QCOMPARE(grid.cellDate(5), QDate(1582, 10, 15));
    QCOMPARE(grid.cellDate(21), QDate(1582, 10, 31));
    QCOMPARE(grid.cellDate(22), QDate(1582, 11, 1));
    QCOMPARE(grid.dayText(5, QLocale::c()), QStringLiteral("15"));
    QVERIFY(grid.inDisplayedMonth(21));
    QVERIFY(!grid.inDisplayedMonth(22));
    QCOMPARE(grid.cellOf(QDate(1582, 10, 10)), -1);
    QCOMPARE(grid.cellOf(QDate(1582, 10, 15)), 5);
    // A range over the gap holds the days shown, not the dropped ones.
    grid.press(3, false, false);
    grid.press(6, false, true);
    QCOMPARE(grid.selection().size(), 4);
    QVERIFY(grid.isSelected(QDate(1582, 10, 16)));
    QVERIFY(!grid.isSelected(QDate(1582, 10, 5)));
    // May of year 3 begins on a Tuesday.
    grid.setDisplayDate(QDate(3, 5, 1));
    QCOMPARE(grid.cellDate(2), QDate(3, 5, 1));
    QCOMPARE(grid.cellDate(0), QDate(3, 4, 29));
}

void TestMonthGridModel::julianLeapDayCannotBeSelected() {
    // 0100-02-29 has its cell (the Julian year 100 is a leap year) but no QDate to select.
    MonthGridModel grid(QDate(100, 2, 1));
    const int cell = grid.monthGrid().cellOfDay(29);
    QCOMPARE(grid.dayText(cell, QLocale::c()), QStringLiteral("29"));
    QVERIFY(grid.inDisplayedMonth(cell));
    QCOMPARE(grid.cellDate(cell + 1), QDate(100, 3, 1));
    grid.press(cell - 1, false, false);
    grid.press(cell, false, false);
    QCOMPARE(grid.selectedDay(), QDate(100, 2, 28));
}

QTEST_APPLESS_MAIN(TestMonthGridModel)
#include "tst_MonthGridModel.moc"
