#include "app/AnchorLayout.h"
#include "app/FrameGeometry.h"
#include "app/WindowSizeDialog.h"
#include "store/FormIni.h"

#include <QTest>

class TestFrameGeometry : public QObject {
    Q_OBJECT
private slots:
    void dateLine_data();
    void dateLine();
    void opening_data();
    void opening();
    void unreachablePlaceOpensCentred_data();
    void unreachablePlaceOpensCentred();
    void fittedToAvailableArea_data();
    void fittedToAvailableArea();
    void sizeToggle_data();
    void sizeToggle();
    void captionShowsRestoreOnlyWhenWiderThanScreen();
    void pickerSitsLeftOfTheOptionsLabel();
    void anchors_data();
    void anchors();
    void windowSizeChoices_data();
    void windowSizeChoices();
};

void TestFrameGeometry::dateLine_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");
    QTest::newRow("tuesday") << QDate(2010, 6, 1) << QStringLiteral("今天是 2010年6月1日(二)");
    QTest::newRow("sunday") << QDate(2010, 6, 6) << QStringLiteral("今天是 2010年6月6日(日)");
    QTest::newRow("monday, two digits")
        << QDate(2024, 12, 30) << QStringLiteral("今天是 2024年12月30日(一)");
    QTest::newRow("saturday") << QDate(2015, 2, 28) << QStringLiteral("今天是 2015年2月28日(六)");
}

void TestFrameGeometry::dateLine() {
    QFETCH(QDate, date);
    QFETCH(QString, text);
    QCOMPARE(FrameGeometry::dateLine(date), text);
}

void TestFrameGeometry::opening_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    QTest::addColumn<bool>("fullWidth");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("stored place") << 1280 << 770 << 10 << 20 << false << QSize(1920, 1080)
                                  << QSize(1280, 770) << QPoint(10, 20);
    QTest::newRow("screen exactly as wide")
        << 1024 << 738 << 55 << 66 << false << QSize(1024, 768) << QSize(1024, 738) << QPoint(0, 0);
    QTest::newRow("full width") << 1280 << 770 << 10 << 20 << true << QSize(1600, 900)
                                << QSize(1600, 870) << QPoint(0, 0);
    QTest::newRow("wider than screen")
        << 1400 << 870 << -5 << 3 << false << QSize(1366, 768) << QSize(1400, 870) << QPoint(-5, 3);
}

void TestFrameGeometry::opening() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, left);
    QFETCH(int, top);
    QFETCH(bool, fullWidth);
    QFETCH(QSize, screen);
    QFETCH(QSize, size);
    QFETCH(QPoint, position);
    WindowSettings s;
    s.width = width;
    s.height = height;
    s.left = left;
    s.top = top;
    s.fullWidth = fullWidth;
    QCOMPARE(FrameGeometry::openingSize(s, screen), size);
    QCOMPARE(FrameGeometry::openingPosition(s, screen), position);
}

void TestFrameGeometry::unreachablePlaceOpensCentred_data() {
    QTest::addColumn<QPoint>("place");
    QTest::addColumn<QPoint>("opens");
    const QPoint centre = FrameGeometry::centred(QSize(1024, 738), QSize(1280, 1024));
    QTest::newRow("on screen") << QPoint(10, 20) << QPoint(10, 20);
    QTest::newRow("partly left of the screen") << QPoint(-900, 5) << QPoint(-900, 5);
    QTest::newRow("a screen that went away") << QPoint(2000, 100) << centre;
    QTest::newRow("above the screen") << QPoint(10, -400) << centre;
    QTest::newRow("below the screen") << QPoint(10, 1100) << centre;
    QTest::newRow("only a sliver left") << QPoint(1250, 10) << centre;
}

void TestFrameGeometry::unreachablePlaceOpensCentred() {
    QFETCH(QPoint, place);
    QFETCH(QPoint, opens);
    QCOMPARE(FrameGeometry::reachable(place, QSize(1024, 738), QRect(0, 0, 1280, 1024)), opens);
}

void TestFrameGeometry::fittedToAvailableArea_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("fitted");
    QTest::newRow("fits") << QSize(1024, 738) << QSize(1920, 1050) << QSize(1024, 738);
    QTest::newRow("too tall") << QSize(1400, 870) << QSize(1366, 740) << QSize(1366, 740);
    QTest::newRow("too wide") << QSize(1400, 870) << QSize(1280, 1000) << QSize(1280, 870);
    QTest::newRow("no screen") << QSize(1280, 770) << QSize() << QSize(1280, 770);
}

void TestFrameGeometry::fittedToAvailableArea() {
    QFETCH(QSize, size);
    QFETCH(QSize, available);
    QFETCH(QSize, fitted);
    QCOMPARE(FrameGeometry::fitted(size, available), fitted);
}

void TestFrameGeometry::sizeToggle_data() {
    QTest::addColumn<int>("currentWidth");
    QTest::addColumn<QSize>("configured");
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("narrow to screen-wide")
        << 1024 << QSize(1024, 738) << QSize(1920, 1080) << QSize(1920, 1050) << QPoint(0, 0);
    QTest::newRow("screen-wide back, centred")
        << 1920 << QSize(1024, 738) << QSize(1920, 1080) << QSize(1024, 738) << QPoint(448, 156);
    QTest::newRow("odd remainder truncates")
        << 1280 << QSize(1281, 771) << QSize(1280, 1024) << QSize(1281, 771) << QPoint(0, 111);
    // A window wider than the screen is not screen-wide: the toggle makes it so.
    QTest::newRow("wider than screen")
        << 1400 << QSize(1400, 870) << QSize(1366, 768) << QSize(1366, 738) << QPoint(0, 0);
}

void TestFrameGeometry::sizeToggle() {
    QFETCH(int, currentWidth);
    QFETCH(QSize, configured);
    QFETCH(QSize, screen);
    QFETCH(QSize, size);
    QFETCH(QPoint, position);
    const QSize got = FrameGeometry::toggledSize(currentWidth, configured, screen);
    QCOMPARE(got, size);
    QCOMPARE(FrameGeometry::centred(got, screen), position);
}

void TestFrameGeometry::captionShowsRestoreOnlyWhenWiderThanScreen() {
    QVERIFY(!FrameGeometry::showsRestore(1024, 1280));
    QVERIFY(!FrameGeometry::showsRestore(1280, 1280));
    QVERIFY(FrameGeometry::showsRestore(1400, 1366));
}

void TestFrameGeometry::pickerSitsLeftOfTheOptionsLabel() {
    QCOMPARE(FrameGeometry::pickerPlace(QRect(804, 88, 48, 14), QSize(242, 42)), QPoint(554, 66));
}

void TestFrameGeometry::anchors_data() {
    QTest::addColumn<QRect>("design");
    QTest::addColumn<int>("anchors");
    QTest::addColumn<QRect>("placed");
    // Design parent 1008 x 696, parent now 1024 x 738 (16 wider, 42 higher).
    QTest::newRow("top left stays")
        << QRect(15, 19, 225, 62) << AnchorLayout::TopLeft << QRect(15, 19, 225, 62);
    QTest::newRow("top right follows the edge")
        << QRect(968, 0, 39, 20) << AnchorLayout::TopRight << QRect(984, 0, 39, 20);
    QTest::newRow("all sides grow")
        << QRect(6, 112, 790, 564) << AnchorLayout::All << QRect(6, 112, 806, 606);
    QTest::newRow("top right bottom")
        << QRect(801, 110, 202, 568) << AnchorLayout::TopRightBottom << QRect(817, 110, 202, 610);
    QTest::newRow("full-width strip")
        << QRect(0, 0, 1008, 21) << AnchorLayout::TopLeftRight << QRect(0, 0, 1024, 21);
}

void TestFrameGeometry::anchors() {
    QFETCH(QRect, design);
    QFETCH(int, anchors);
    QFETCH(QRect, placed);
    QCOMPARE(AnchorLayout::place(design, anchors, QSize(1008, 696), QSize(1024, 738)), placed);
    // Back at the design size every child is where it was designed.
    QCOMPARE(AnchorLayout::place(design, anchors, QSize(1008, 696), QSize(1008, 696)), design);
}

void TestFrameGeometry::windowSizeChoices_data() {
    QTest::addColumn<int>("configuredWidth");
    QTest::addColumn<int>("choice");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("applied");
    QTest::newRow("default") << 1024 << 0 << QStringLiteral("1024*768(默认)") << QSize(1024, 738);
    QTest::newRow("1280") << 1280 << 1 << QStringLiteral("1280*800") << QSize(1280, 770);
    QTest::newRow("1366") << 1366 << 2 << QStringLiteral("1366*768") << QSize(1366, 738);
    QTest::newRow("1400") << 1400 << 3 << QStringLiteral("1400*900") << QSize(1400, 870);
    QTest::newRow("hand-written width")
        << 1111 << 0 << QStringLiteral("1024*768(默认)") << QSize(1024, 738);
}

void TestFrameGeometry::windowSizeChoices() {
    QFETCH(int, configuredWidth);
    QFETCH(int, choice);
    QFETCH(QString, caption);
    QFETCH(QSize, applied);
    QCOMPARE(WindowSizeDialog::choiceFor(configuredWidth), choice);
    QCOMPARE(WindowSizeDialog::caption(choice), caption);
    QCOMPARE(WindowSizeDialog::sizeFor(choice), applied);
}

QTEST_GUILESS_MAIN(TestFrameGeometry)
#include "tst_FrameGeometry.moc"
