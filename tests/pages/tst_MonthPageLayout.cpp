#include "pages/MonthPageLayout.h"

#include <QTest>

class TestMonthPageLayout : public QObject {
    Q_OBJECT
private slots:
    void editorPlaces_data();
    void editorPlaces();
    void editorsLieInsideTheirCells_data();
    void editorsLieInsideTheirCells();
};

void TestMonthPageLayout::editorPlaces_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("gridLeft");
    QTest::addColumn<int>("gridTop");
    QTest::addColumn<QList<int>>("firstRowLefts"); // editors 1..7
    QTest::addColumn<int>("top");                  // editor 1
    QTest::addColumn<int>("editorWidth");
    QTest::addColumn<QList<int>>("heights"); // editors 1-21, 22-35, 36-42
    QTest::addColumn<int>("rowStep");

    // cw 110, rw 6 (all six steps wide); bh 69, rh 5. bh - 8 would reach the grid's bottom line
    // (495 + 61 = 556): the bottom row ends a pixel above it.
    QTest::newRow("786x556") << 786 << 556 << 0 << 0 << QList<int>{6, 118, 230, 342, 454, 566, 678}
                             << 45 << 106 << QList<int>{65, 63, 60} << 90;
    // cw 110, rw 0 (all steps narrow); bh 68, rh 0.
    QTest::newRow("780x551") << 780 << 551 << 0 << 0 << QList<int>{5, 116, 227, 338, 449, 560, 671}
                             << 44 << 106 << QList<int>{64, 62, 60} << 89;
    // cw 111, rw 3: three wide steps then three narrow ones; bh 70, rh 1; grid offset.
    QTest::newRow("790x564 at 3,7")
        << 790 << 564 << 3 << 7 << QList<int>{9, 122, 235, 348, 460, 572, 684} << 52 << 107
        << QList<int>{66, 64, 62} << 91;
}

void TestMonthPageLayout::editorPlaces() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, gridLeft);
    QFETCH(int, gridTop);
    QFETCH(QList<int>, firstRowLefts);
    QFETCH(int, top);
    QFETCH(int, editorWidth);
    QFETCH(QList<int>, heights);
    QFETCH(int, rowStep);

    const MonthPageLayout layout(width, height, gridLeft, gridTop);
    for (int i = 1; i <= 42; ++i) {
        const QRect r = layout.editorRect(i);
        const int row = (i - 1) / 7;
        const int column = (i - 1) % 7;
        QCOMPARE(r.x(), firstRowLefts[column]);
        QCOMPARE(r.y(), top + row * rowStep);
        QCOMPARE(r.width(), editorWidth);
        QCOMPARE(r.height(), heights[i <= 21 ? 0 : (i <= 35 ? 1 : 2)]);
    }
}

void TestMonthPageLayout::editorsLieInsideTheirCells_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    for (int w = 700; w <= 1500; w += 97)
        for (int h = 400; h <= 1000; h += 61) QTest::addRow("%dx%d", w, h) << w << h;
    // Every remainder of the row arithmetic; the first is the page maximised on a screen of
    // 1280 x 1024 pixels.
    for (int h = 862; h < 868; ++h) QTest::addRow("1062x%d", h) << 1062 << h;
}

// Each editor must sit under its cell's title strip, within the cell's frame and without touching
// a neighbour, so the day numbers stay visible and a click finds the right cell.
void TestMonthPageLayout::editorsLieInsideTheirCells() {
    QFETCH(int, width);
    QFETCH(int, height);
    const MonthPageLayout layout(width, height);
    for (int k = 0; k < 42; ++k) {
        const QRect cell = layout.cellRect(k);
        const QRect editor = layout.editorRect(k + 1);
        QVERIFY2(cell.contains(editor), qPrintable(QString::number(k)));
        QVERIFY(editor.top() >= cell.top() + MonthPageLayout::TitleHeight);
        QVERIFY(editor.left() > cell.left() || k % 7 == 0);
        if (k % 7 < 6) QVERIFY(editor.right() < layout.cellRect(k + 1).left());
        if (k < 35) QVERIFY(editor.bottom() < layout.cellRect(k + 7).top());
        // The grid's outer lines stay visible.
        QVERIFY2(editor.bottom() < height - 1, qPrintable(QString::number(k)));
        QVERIFY2(editor.right() < width - 1, qPrintable(QString::number(k)));
    }
    QCOMPARE(layout.cellRect(0).top(), MonthPageLayout::HeaderHeight);
    QCOMPARE(layout.cellRect(41).right(), width - 1);
    QCOMPARE(layout.cellRect(41).bottom(), height - 1);
}

QTEST_APPLESS_MAIN(TestMonthPageLayout)
#include "tst_MonthPageLayout.moc"
