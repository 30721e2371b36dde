// The wallpaper pictures' bitmap writer against Qt's own BMP writer: the same picture, written by
// both, byte for byte.
#include "wallpaper/BmpFile.h"

#include <QBuffer>
#include <QTest>

namespace {

// Every pixel differs from its neighbours, so a misplaced pixel or a wrong padding shows; the
// alpha formats get partly transparent pixels.
QImage pattern(const QSize &size, QImage::Format format) {
    const int w = size.width();
    const int h = size.height();
    if (format == QImage::Format_Indexed8) {
        QImage image(w, h, QImage::Format_Indexed8);
        QList<QRgb> colours;
        for (int i = 0; i < 256; ++i) colours.append(qRgb(i, (i * 7) % 256, 255 - i));
        image.setColorTable(colours);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) image.scanLine(y)[x] = uchar((x * 5 + y * 11) % 256);
        return image;
    }
    if (format == QImage::Format_Grayscale8) {
        QImage image(w, h, QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) image.scanLine(y)[x] = uchar((x * 3 + y * 17) % 256);
        return image;
    }
    QImage argb(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            argb.setPixel(x, y,
                          qRgba((x * 7 + y * 13) % 251, (x * 11 + y * 3) % 256,
                                (x * 5 + y * 19 + 40) % 256, (x + y) % 3 == 0 ? 128 : 255));
    return argb.convertToFormat(format);
}

QByteArray qtBytes(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "BMP")) return QByteArray();
    return bytes;
}

} // namespace

class TestBmpFile : public QObject {
    Q_OBJECT
private slots:
    // Sizes that need no padding, every amount of padding, one pixel, wide and tall pictures, in
    // the formats the program draws and reads and the 8-bit ones.
    void sameBytesAsQt_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<bool>("identical");
        const struct {
            QImage::Format format;
            const char *name;
        } formats[] = {{QImage::Format_RGB32, "RGB32"},
                       {QImage::Format_ARGB32, "ARGB32"},
                       {QImage::Format_ARGB32_Premultiplied, "ARGB32 premultiplied"},
                       {QImage::Format_RGB888, "RGB888"},
                       {QImage::Format_Indexed8, "Indexed8"},
                       {QImage::Format_Grayscale8, "Grayscale8"}};
        const struct {
            QSize size;
            const char *name;
            bool roundsApart; // holds a half-transparent pixel that unpremultiplies apart
        } sizes[] = {{QSize(1, 1), "1x1", false},
                     {QSize(3, 5), "3x5 (padding 3)", false},
                     {QSize(661, 3), "661x3 wide (padding 1)", true},
                     {QSize(2, 301), "2x301 tall (padding 2)", true}};
        for (const auto &f : formats)
            for (const auto &s : sizes) {
                // Qt keeps 8-bit pictures 8-bit with their palette, and unpremultiplies some
                // half-transparent pixels one step apart from the conversion to RGB888.
                const bool identical =
                    f.format != QImage::Format_Indexed8 && f.format != QImage::Format_Grayscale8 &&
                    !(f.format == QImage::Format_ARGB32_Premultiplied && s.roundsApart);
                QTest::addRow("%s %s", f.name, s.name) << pattern(s.size, f.format) << identical;
            }
    }
    void sameBytesAsQt() {
        QFETCH(QImage, image);
        QFETCH(bool, identical);
        const QByteArray ours = BmpFile::encode(image);
        const QByteArray qt = qtBytes(image);
        QVERIFY(!qt.isEmpty());
        QCOMPARE(ours == qt, identical);
    }

    // Qt writes the picture's own resolution; these files always say 96 dots per inch.
    void resolution() {
        QImage image = pattern(QSize(3, 5), QImage::Format_RGB32);
        QCOMPARE(BmpFile::encode(image), qtBytes(image));
        image.setDotsPerMeterX(2835);
        image.setDotsPerMeterY(2835);
        QVERIFY(BmpFile::encode(image) != qtBytes(image));
    }
};

QTEST_MAIN(TestBmpFile)
#include "tst_BmpFile.moc"
