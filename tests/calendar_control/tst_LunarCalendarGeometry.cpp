#include "base/MonthGrid.h"
#include "calendar_control/LunarCalendarDrawing.h"
#include "calendar_control/LunarCalendarGeometry.h"

#include <QtTest>

#include <vector>

using Geometry = LunarCalendarGeometry;
using Drawing = LunarCalendarDrawing;

Q_DECLARE_METATYPE(std::vector<int>)

class tst_LunarCalendarGeometry : public QObject {
    Q_OBJECT
private slots:
    void gridBounds_data();
    void gridBounds();
    void distribution_data();
    void distribution();
    void cellIndex();
    void fittedRect_data();
    void fittedRect();
    void picturePlacement_data();
    void picturePlacement();
    void backDigitRects();
    void gradientEnds();
    void gradientCoversEveryRow_data();
    void gradientCoversEveryRow();
    void blend_data();
    void blend();
    void tcolor();
};

void tst_LunarCalendarGeometry::gridBounds_data() {
    QTest::addColumn<QSize>("control");
    QTest::addColumn<bool>("showTitle");
    QTest::addColumn<QRect>("grid");
    QTest::newRow("full with title") << QSize(313, 253) << true << QRect(8, 40, 298, 186);
    QTest::newRow("full without title") << QSize(313, 253) << false << QRect(2, 2, 309, 249);
    QTest::newRow("picker: no room for the grid")
        << QSize(242, 42) << true << QRect(8, 40, 227, -25);
}

void tst_LunarCalendarGeometry::gridBounds() {
    QFETCH(QSize, control);
    QFETCH(bool, showTitle);
    QFETCH(QRect, grid);
    const QRect got = Geometry::gridBounds(control, showTitle);
    QCOMPARE(got.x(), grid.x());
    QCOMPARE(got.y(), grid.y());
    QCOMPARE(got.width(), grid.width());
    QCOMPARE(got.height(), grid.height());
}

void tst_LunarCalendarGeometry::distribution_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("col0");
    QTest::addColumn<std::vector<int>>("columns");
    QTest::addColumn<std::vector<int>>("rows");
    QTest::newRow("313 x 253") << 298 << 186 << 6
                               << std::vector<int>{6, 40, 40, 40, 40, 40, 40, 40, 12}
                               << std::vector<int>{18, 27, 27, 27, 27, 27, 33};
    QTest::newRow("week numbers shown")
        << 298 << 186 << 18 << std::vector<int>{18, 39, 39, 39, 39, 39, 39, 39, 7}
        << std::vector<int>{18, 27, 27, 27, 27, 27, 33};
    QTest::newRow("without title")
        << 309 << 249 << 6 << std::vector<int>{6, 42, 42, 42, 42, 42, 42, 42, 9}
        << std::vector<int>{18, 37, 37, 37, 37, 37, 46};
}

void tst_LunarCalendarGeometry::distribution() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, col0);
    QFETCH(std::vector<int>, columns);
    QFETCH(std::vector<int>, rows);
    QCOMPARE(Geometry::columnWidths(width, col0), columns);
    QCOMPARE(Geometry::rowHeights(height, 18), rows);
}

void tst_LunarCalendarGeometry::cellIndex() {
    QCOMPARE(Geometry::cellIndex(1, 1), 1);
    QCOMPARE(Geometry::cellIndex(7, 1), 7);
    QCOMPARE(Geometry::cellIndex(1, 2), 8);
    QCOMPARE(Geometry::cellIndex(7, 6), 42);
    QCOMPARE(Geometry::cellIndex(0, 3), 0);
    QCOMPARE(Geometry::cellIndex(8, 3), 0);
    QCOMPARE(Geometry::cellIndex(4, 0), 0);
    for (int i = 1; i <= 42; ++i) {
        const QPoint at = Geometry::cellPosition(i);
        QCOMPARE(Geometry::cellIndex(at.x(), at.y()), i);
    }
    // March 2023 begins on a Wednesday.
    QCOMPARE(Geometry::sundayBasedWeekday(QDate(2023, 3, 1)), 4);
    QCOMPARE(MonthGrid(2023, 3).cellOfDay(1) + 1, 4);
    QCOMPARE(MonthGrid(2023, 3).cellOfDay(31) + 1, 34);
    QCOMPARE(Geometry::sundayBasedWeekday(QDate(2024, 2, 4)), 1);
    QCOMPARE(Geometry::sundayBasedWeekday(QDate(2024, 2, 10)), 7);
    // Before 1582-10-15 the Julian weekday: 0003-05-01 was a Tuesday.
    QCOMPARE(Geometry::sundayBasedWeekday(QDate(3, 5, 1)), 3);
}

void tst_LunarCalendarGeometry::fittedRect_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("box");
    QTest::addColumn<bool>("centred");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("wide picture, width limits")
        << QSize(400, 100) << QSize(313, 253) << false << QRect(0, 0, 313, 78);
    QTest::newRow("wide picture centred")
        << QSize(400, 100) << QSize(313, 253) << true << QRect(0, 87, 313, 78);
    QTest::newRow("wide picture, height limits")
        << QSize(300, 200) << QSize(313, 100) << false << QRect(0, 0, 150, 100);
    QTest::newRow("tall picture, height limits")
        << QSize(100, 400) << QSize(313, 253) << true << QRect(125, 0, 63, 253);
    QTest::newRow("tall picture, width limits")
        << QSize(100, 200) << QSize(50, 253) << false << QRect(0, 0, 50, 100);
    QTest::newRow("square picture in a wide box")
        << QSize(10, 10) << QSize(313, 253) << false << QRect(0, 0, 253, 253);
    QTest::newRow("picture of height 0 leaves the rectangle")
        << QSize(10, 0) << QSize(313, 253) << true << QRect(0, 0, 313, 253);
}

void tst_LunarCalendarGeometry::fittedRect() {
    QFETCH(QSize, picture);
    QFETCH(QSize, box);
    QFETCH(bool, centred);
    QFETCH(QRect, expected);
    QCOMPARE(Geometry::fittedRect(picture.width(), picture.height(), box.width(), box.height(),
                                  centred, QRect(QPoint(0, 0), box)),
             expected);
}

void tst_LunarCalendarGeometry::picturePlacement_data() {
    QTest::addColumn<bool>("center");
    QTest::addColumn<bool>("stretch");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("as it is") << false << false << QRect(0, 0, 100, 50);
    QTest::newRow("centred") << true << false << QRect(106, 101, 100, 50);
    QTest::newRow("stretched") << false << true << QRect(0, 0, 313, 156);
    QTest::newRow("stretched and centred") << true << true << QRect(0, 48, 313, 156);
}

void tst_LunarCalendarGeometry::picturePlacement() {
    QFETCH(bool, center);
    QFETCH(bool, stretch);
    QFETCH(QRect, expected);
    QCOMPARE(Geometry::picturePlacement(QSize(100, 50), QSize(313, 253), center, stretch),
             expected);
}

void tst_LunarCalendarGeometry::backDigitRects() {
    const QRect grid(8, 40, 298, 186);
    // Upper half of the grid's bottom, 6 pixels lower; lower half from the middle down.
    QCOMPARE(Geometry::backYearRect(grid), QRect(QPoint(8, 46), QPoint(305, 118)));
    QCOMPARE(Geometry::backMonthRect(grid), QRect(QPoint(8, 113), QPoint(305, 225)));
}

void tst_LunarCalendarGeometry::gradientEnds() {
    const QColor start(0, 174, 83);
    const QColor end(0, 213, 101);
    const auto first = Drawing::gradientBand(1, start, end, 27);
    QCOMPARE(first.top, 0);
    QCOMPARE(first.color, QColor(0, 174, 83));
    const auto last = Drawing::gradientBand(256, start, end, 27);
    QCOMPARE(last.bottom, 27);
    QCOMPARE(last.color, end);

    QImage image(40, 27, QImage::Format_RGB888);
    image.fill(Qt::white);
    Drawing::fillGradient(image, image.rect(), start, end);
    // Bands are thinner than a row here: each row shows the last band that starts on it.
    QCOMPARE(image.pixelColor(5, 0), QColor(0, 175, 83));
    QCOMPARE(image.pixelColor(5, 1), QColor(0, 176, 84));
    QCOMPARE(image.pixelColor(5, 25), QColor(0, 211, 100));
    QCOMPARE(image.pixelColor(5, 26), QColor(0, 212, 101));
}

void tst_LunarCalendarGeometry::gradientCoversEveryRow_data() {
    QTest::addColumn<int>("height");
    for (int h : {1, 3, 27, 33, 255, 256, 300, 600}) QTest::addRow("%d rows", h) << h;
}

void tst_LunarCalendarGeometry::gradientCoversEveryRow() {
    QFETCH(int, height);
    QImage image(3, height, QImage::Format_RGB888);
    image.fill(Qt::white);
    Drawing::fillGradient(image, image.rect(), QColor(10, 20, 30), QColor(10, 250, 30));
    int previous = 0;
    for (int y = 0; y < height; ++y) {
        const QColor c = image.pixelColor(1, y);
        QVERIFY2(c != QColor(Qt::white), qPrintable(QStringLiteral("row %1 unfilled").arg(y)));
        QVERIFY(c.green() >= previous);
        previous = c.green();
    }
}

void tst_LunarCalendarGeometry::blend_data() {
    QTest::addColumn<int>("alphaBlend");
    QTest::addColumn<int>("expected");
    // back 200, picture 100
    QTest::newRow("50 %") << 50 << 150;
    QTest::newRow("100 blends at 0 %") << 100 << 200;
    QTest::newRow("150 blends at 50 %") << 150 << 150;
    QTest::newRow("0") << 0 << 200;
    QTest::newRow("99") << 99 << 101;
    QTest::newRow("30") << 30 << 170;
}

void tst_LunarCalendarGeometry::blend() {
    QFETCH(int, alphaBlend);
    QFETCH(int, expected);
    QImage back(4, 2, QImage::Format_RGB888);
    back.fill(QColor(200, 200, 200));
    QImage picture(4, 2, QImage::Format_RGB888);
    picture.fill(QColor(100, 100, 100));
    picture.setPixelColor(0, 0, QColor(1, 2, 3)); // the key colour
    picture.setPixelColor(3, 1, QColor(1, 2, 3));
    Drawing::blendPicture(back, picture, alphaBlend);
    QCOMPARE(back.pixelColor(0, 0), QColor(200, 200, 200));
    QCOMPARE(back.pixelColor(3, 1), QColor(200, 200, 200));
    QCOMPARE(back.pixelColor(1, 0), QColor(expected, expected, expected));
    QCOMPARE(back.pixelColor(2, 1), QColor(expected, expected, expected));
}

void tst_LunarCalendarGeometry::tcolor() {
    QCOMPARE(Drawing::colorFromBgr(33023), QColor(255, 128, 0));
    QCOMPARE(Drawing::colorFromBgr(16733011), QColor(83, 83, 255));
    QCOMPARE(Drawing::colorFromBgr(5484032), QColor(0, 174, 83));
    QCOMPARE(Drawing::colorFromBgr(12961221), QColor(197, 197, 197));
}

QTEST_APPLESS_MAIN(tst_LunarCalendarGeometry)
#include "tst_LunarCalendarGeometry.moc"
