#include "pages/YearPageLayout.h"

#include <QTest>

class TestYearPageLayout : public QObject {
    Q_OBJECT
private slots:
    void places_data();
    void places();
    void boxesStayInsideTheTable_data();
    void boxesStayInsideTheTable();
};

void TestYearPageLayout::places_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("columnWidth");
    QTest::addColumn<QList<int>>("separators"); // lines 1..3
    QTest::addColumn<QList<int>>("stripTops");
    QTest::addColumn<QList<int>>("boxTops");
    QTest::addColumn<QList<int>>("boxHeights"); // rows 0, 1, 2
    QTest::addColumn<QList<int>>("labelLefts");
    QTest::addColumn<QList<int>>("labelTops");

    QTest::newRow("782x554") << 782 << 554 << 194 << QList<int>{195, 390, 585}
                             << QList<int>{0, 184, 368} << QList<int>{26, 210, 394}
                             << QList<int>{158, 158, 156} << QList<int>{79, 273, 467, 661}
                             << QList<int>{6, 190, 374};
    // cw 252 (1009 / 4), p 205 (615 / 3), label step 108 (870 / 8).
    QTest::newRow("1014x690") << 1014 << 690 << 252 << QList<int>{253, 506, 759}
                              << QList<int>{0, 230, 460} << QList<int>{26, 256, 486}
                              << QList<int>{204, 204, 202} << QList<int>{108, 360, 612, 864}
                              << QList<int>{6, 236, 466};
}

void TestYearPageLayout::places() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, columnWidth);
    QFETCH(QList<int>, separators);
    QFETCH(QList<int>, stripTops);
    QFETCH(QList<int>, boxTops);
    QFETCH(QList<int>, boxHeights);
    QFETCH(QList<int>, labelLefts);
    QFETCH(QList<int>, labelTops);

    const YearPageLayout layout(width, height);
    QCOMPARE(layout.columnWidth(), columnWidth);
    QCOMPARE(layout.lineLeft(0), 0);
    QCOMPARE(layout.lineLeft(4), width - 1);
    for (int k = 1; k <= 3; ++k) QCOMPARE(layout.lineLeft(k), separators[k - 1]);
    for (int r = 0; r < 3; ++r) QCOMPARE(layout.stripTop(r), stripTops[r]);
    for (int m = 1; m <= 12; ++m) {
        const int r = (m - 1) / 4;
        const int j = (m - 1) % 4;
        const QRect box = layout.boxRect(m);
        QCOMPARE(box.left(), layout.lineLeft(j) + 1);
        QCOMPARE(box.top(), boxTops[r]);
        QCOMPARE(box.width(), columnWidth);
        QCOMPARE(box.height(), boxHeights[r]);
        QCOMPARE(layout.labelPos(m), QPoint(labelLefts[j], labelTops[r]));
    }
    QCOMPARE(YearPageLayout::labelWidth(10), 36);
    QCOMPARE(YearPageLayout::labelWidth(11), 48);
}

void TestYearPageLayout::boxesStayInsideTheTable_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    for (const QSize s : {QSize(782, 554), QSize(783, 555), QSize(784, 556), QSize(785, 557),
                          QSize(1500, 900), QSize(600, 400)})
        QTest::addRow("%dx%d", s.width(), s.height()) << s.width() << s.height();
}

// No box covers a separator or a title strip, for any remainder of the divisions; the last row
// leaves at least two of the bottom line's three pixel rows in sight.
void TestYearPageLayout::boxesStayInsideTheTable() {
    QFETCH(int, width);
    QFETCH(int, height);
    const YearPageLayout layout(width, height);
    for (int m = 1; m <= 12; ++m) {
        const int r = (m - 1) / 4;
        const int j = (m - 1) % 4;
        const QRect box = layout.boxRect(m);
        QVERIFY(box.right() < layout.lineLeft(j + 1));
        QVERIFY(box.top() >= layout.stripTop(r) + YearPageLayout::StripHeight);
        const int below = r < 2 ? layout.stripTop(r + 1) : height - 2;
        QVERIFY2(box.bottom() < below, qPrintable(QStringLiteral("month %1").arg(m)));
    }
}

QTEST_MAIN(TestYearPageLayout)
#include "tst_YearPageLayout.moc"
