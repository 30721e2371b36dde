#include "pages/RuledPaper.h"
#include "pages/SheetLayout.h"

#include <QImage>
#include <QPainter>
#include <QTest>

using Variant = SheetLayout::Variant;
Q_DECLARE_METATYPE(SheetLayout::Variant)

class TestSheetLayout : public QObject {
    Q_OBJECT
private slots:
    // Places on a 782 x 554 panel with a 313 x 253 calendar, line by line.
    void linesOn782x554_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<int>("line");
        QTest::addColumn<QRect>("rect");
        const int h = SheetLayout::LineHeight;
        QTest::newRow("general 1") << Variant::General << 1 << QRect(2, 6, 377, h);
        QTest::newRow("general 2") << Variant::General << 2 << QRect(404, 6, 377, h);
        QTest::newRow("general 3") << Variant::General << 3 << QRect(2, 32, 377, h);
        QTest::newRow("general 26") << Variant::General << 26 << QRect(404, 318, 377, h);
        QTest::newRow("general 41") << Variant::General << 41 << QRect(2, 526, 377, h);
        QTest::newRow("general 42") << Variant::General << 42 << QRect(404, 526, 377, h);
        QTest::newRow("calendar 11") << Variant::Calendar << 11 << QRect(2, 136, 377, h);
        QTest::newRow("calendar 12") << Variant::Calendar << 12 << QRect(404, 136, 377, h);
        QTest::newRow("calendar 13") << Variant::Calendar << 13 << QRect(4, 162, 221, h);
        QTest::newRow("calendar 14") << Variant::Calendar << 14 << QRect(551, 162, 221, h);
        QTest::newRow("calendar 29") << Variant::Calendar << 29 << QRect(4, 370, 221, h);
        QTest::newRow("calendar 30") << Variant::Calendar << 30 << QRect(551, 370, 221, h);
        QTest::newRow("calendar 31") << Variant::Calendar << 31 << QRect(6, 396, 377, h);
        QTest::newRow("calendar 32") << Variant::Calendar << 32 << QRect(408, 396, 377, h);
        QTest::newRow("calendar 42") << Variant::Calendar << 42 << QRect(408, 526, 377, h);
    }
    void linesOn782x554() {
        QFETCH(Variant, variant);
        QFETCH(int, line);
        QFETCH(QRect, rect);
        const SheetLayout layout(782, 554, variant, QSize(313, 253));
        QCOMPARE(layout.lineRect(line), rect);
    }

    void sheetOn782x554_data() {
        QTest::addColumn<Variant>("variant");
        QTest::addColumn<QRect>("calendar");
        QTest::newRow("general") << Variant::General << QRect();
        QTest::newRow("calendar") << Variant::Calendar << QRect(234, 156, 313, 253);
    }
    void sheetOn782x554() {
        QFETCH(Variant, variant);
        QFETCH(QRect, calendar);
        const SheetLayout layout(782, 554, variant, QSize(313, 253));
        QCOMPARE(layout.columnWidth(), 388);
        QCOMPARE(layout.rowHeight(), 25);
        QCOMPARE(layout.linePitch(), 26);
        QCOMPARE(layout.splitRect(), QRect(380, -3, 24, 559));
        QCOMPARE(layout.calendarRect(), calendar);
    }

    // The rules fall below each ruled row and stop at the end of the second column.
    void paperRules() {
        QImage image(782, 554, QImage::Format_RGB888);
        {
            QPainter p(&image);
            RuledPaper::draw(p, image.size(), 2, 388, 21, 25);
        }
        const QRgb rule = RuledPaper::RuleColor.rgb();
        QCOMPARE(image.pixel(0, 25), rule);
        QCOMPARE(image.pixel(777, 51), rule);
        QCOMPARE(image.pixel(778, 51), QColor(Qt::white).rgb());
        QCOMPARE(image.pixel(100, 24), QColor(Qt::white).rgb());
        QCOMPARE(image.pixel(100, 21 * 26 - 1), rule);
    }
};

QTEST_GUILESS_MAIN(TestSheetLayout)
#include "tst_SheetLayout.moc"
