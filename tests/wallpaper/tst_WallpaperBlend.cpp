#include "wallpaper/BmpFile.h"
#include "wallpaper/WallpaperBlend.h"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// A picture whose every pixel differs from its neighbours, so misplaced pixels show.
QImage pattern(int w, int h, int seed) {
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        uchar *line = image.scanLine(y);
        for (int i = 0; i < 3 * w; ++i) line[i] = uchar((i * 7 + y * 13 + seed) % 251);
    }
    return image;
}

} // namespace

class TestWallpaperBlend : public QObject {
    Q_OBJECT
private slots:
    // The integer blend equals truncate((c * g + b * f) / 2) with f = a / 5 and g = 2 - f in
    // single precision, the sum and division in extended precision.
    void integerBlendEqualsFloatFormula_data() {
        QTest::addColumn<int>("a");
        QTest::newRow("a = 2") << 2;
        QTest::newRow("a = 4") << 4;
    }
    void integerBlendEqualsFloatFormula() {
        QFETCH(int, a);
        const float f = float(a) / 5.0f;
        const float g = 2.0f - f;
        for (int c = 0; c < 256; ++c)
            for (int b = 0; b < 256; ++b) {
                const long double exact =
                    ((long double)c * (long double)g + (long double)b * (long double)f) / 2.0L;
                const int expected = int(std::trunc(exact));
                if (WallpaperBlend::channel(c, b, a) != expected)
                    QFAIL(qPrintable(QStringLiteral("c=%1 b=%2: %3, formula %4")
                                         .arg(c)
                                         .arg(b)
                                         .arg(WallpaperBlend::channel(c, b, a))
                                         .arg(expected)));
            }
    }

    void sampleValues_data() {
        QTest::addColumn<int>("a");
        QTest::addColumn<int>("content");
        QTest::addColumn<int>("background");
        QTest::addColumn<int>("result");
        QTest::newRow("2: 255 over 0") << 2 << 255 << 0 << 204;
        QTest::newRow("2: 0 over 255") << 2 << 0 << 255 << 51;
        QTest::newRow("2: 255 over 255") << 2 << 255 << 255 << 255;
        QTest::newRow("4: 255 over 0") << 4 << 255 << 0 << 153;
        QTest::newRow("4: 0 over 255") << 4 << 0 << 255 << 102;
        QTest::newRow("4: 255 over 255") << 4 << 255 << 255 << 255;
    }
    void sampleValues() {
        QFETCH(int, a);
        QFETCH(int, content);
        QFETCH(int, background);
        QFETCH(int, result);
        QCOMPARE(WallpaperBlend::channel(content, background, a), result);
    }

    // A 1024-wide background: the block covers columns 362..1021 and rows 2..501, blended with
    // the background pixel under it; every other pixel is byte-identical.
    void placement_data() {
        QTest::addColumn<int>("a");
        QTest::newRow("A1") << 2;
        QTest::newRow("A2") << 4;
    }
    void placement() {
        QFETCH(int, a);
        const QImage background = pattern(1024, 768, 1);
        const QImage content = pattern(660, 500, 99);
        const QImage out = WallpaperBlend::compose(background, content, a);
        QCOMPARE(out.size(), background.size());
        QCOMPARE(WallpaperBlend::blockPosition(1024, 660), QPoint(362, 2));
        const QRect block(362, 2, 660, 500);
        QCOMPARE(block.right(), 1021);
        QCOMPARE(block.bottom(), 501);
        for (int y = 0; y < out.height(); ++y) {
            const uchar *o = out.constScanLine(y);
            const uchar *b = background.constScanLine(y);
            for (int x = 0; x < out.width(); ++x)
                for (int ch = 0; ch < 3; ++ch) {
                    const int expected = block.contains(x, y)
                                             ? WallpaperBlend::channel(
                                                   content.constScanLine(y - 2)[3 * (x - 362) + ch],
                                                   b[3 * x + ch], a)
                                             : b[3 * x + ch];
                    if (o[3 * x + ch] != expected)
                        QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                }
        }
    }

    // A background smaller than the block keeps its size; the part of the block inside is blended.
    void smallBackground() {
        const QImage out = WallpaperBlend::compose(pattern(300, 200, 3), pattern(660, 500, 4), 2);
        QCOMPARE(out.size(), QSize(300, 200));
    }

    void coverScreen_data() {
        QTest::addColumn<QSize>("background");
        QTest::addColumn<QSize>("screen");
        QTest::newRow("same") << QSize(1920, 1080) << QSize(1920, 1080);
        QTest::newRow("taller screen") << QSize(1920, 1080) << QSize(1280, 1024);
        QTest::newRow("larger screen") << QSize(1920, 1080) << QSize(3840, 2160);
        QTest::newRow("wider screen") << QSize(1920, 1080) << QSize(2560, 1080);
    }
    void coverScreen() {
        QFETCH(QSize, background);
        QFETCH(QSize, screen);
        const QImage out = WallpaperBlend::coverScreen(
            pattern(background.width(), background.height(), 5), screen);
        QCOMPARE(out.size(), screen);
        QCOMPARE(out.format(), QImage::Format_RGB888);
    }

    void bmpRoundTrip() {
        QTemporaryDir dir;
        const QImage image = pattern(661, 3, 7); // odd width: rows are padded
        const QString path = dir.filePath("p.bmp");
        QVERIFY(BmpFile::save(path, image));
        QCOMPARE(BmpFile::load(path), image);
        QCOMPARE(QFileInfo(path).size(), qint64(54 + 3 * ((661 * 3 + 3) / 4 * 4)));
    }
};

QTEST_GUILESS_MAIN(TestWallpaperBlend)
#include "tst_WallpaperBlend.moc"
