// The wallpaper pictures' bitmap files: 24-bit rows, bottom-up, padded to 4 bytes, 96 dots per
// inch, whatever the picture's format and resolution, as the files of earlier versions are.
#include "wallpaper/BmpFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

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

quint32 u32(const QByteArray &bytes, int at) {
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}
quint16 u16(const QByteArray &bytes, int at) {
    return qFromLittleEndian<quint16>(bytes.constData() + at);
}

QByteArray fixture(const QString &name) {
    QFile file(QStringLiteral(KESTROVA_FIXTURES_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestBmpFile : public QObject {
    Q_OBJECT
private slots:
    // Rows padded by 1, 2 and 3 bytes, one pixel, wide and tall pictures, in the formats the
    // program draws and reads and the 8-bit ones. The pixels are those of the
    // picture converted to RGB888 (alpha dropped, premultiplied colours as that conversion
    // rounds them), the padding bytes zero.
    void layout_data() {
        QTest::addColumn<QImage>("image");
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
        } sizes[] = {{QSize(1, 1), "1x1"},
                     {QSize(3, 5), "3x5 (padding 3)"},
                     {QSize(661, 3), "661x3 wide (padding 1)"},
                     {QSize(2, 301), "2x301 tall (padding 2)"}};
        for (const auto &f : formats)
            for (const auto &s : sizes)
                QTest::addRow("%s %s", f.name, s.name) << pattern(s.size, f.format);
    }
    void layout() {
        QFETCH(QImage, image);
        const QByteArray bytes = BmpFile::encode(image);
        const int w = image.width();
        const int h = image.height();
        const int stride = (w * 3 + 3) / 4 * 4;
        QCOMPARE(bytes.size(), 54 + stride * h);
        QCOMPARE(bytes.left(2), QByteArray("BM"));
        QCOMPARE(u32(bytes, 2), quint32(bytes.size()));
        QCOMPARE(u32(bytes, 6), 0u);   // reserved
        QCOMPARE(u32(bytes, 10), 54u); // pixels right after the headers: no palette
        QCOMPARE(u32(bytes, 14), 40u);
        QCOMPARE(u32(bytes, 18), quint32(w));
        QCOMPARE(u32(bytes, 22), quint32(h)); // positive: bottom-up
        QCOMPARE(u16(bytes, 26), quint16(1));
        QCOMPARE(u16(bytes, 28), quint16(24));
        QCOMPARE(u32(bytes, 30), 0u); // uncompressed
        QCOMPARE(u32(bytes, 34), quint32(stride * h));
        QCOMPARE(u32(bytes, 38), 3780u);
        QCOMPARE(u32(bytes, 42), 3780u);
        QCOMPARE(u32(bytes, 46), 0u); // colours used
        QCOMPARE(u32(bytes, 50), 0u); // colours important

        const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
        for (int y = 0; y < h; ++y) {
            const uchar *row = reinterpret_cast<const uchar *>(bytes.constData()) + 54 +
                               qsizetype(stride) * (h - 1 - y);
            const uchar *source = rgb.constScanLine(y);
            for (int x = 0; x < w; ++x) {
                if (row[3 * x] != source[3 * x + 2] || row[3 * x + 1] != source[3 * x + 1] ||
                    row[3 * x + 2] != source[3 * x])
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
            for (int i = 3 * w; i < stride; ++i) QCOMPARE(row[i], uchar(0));
        }
    }

    // Files written by the former writer of earlier versions, byte for byte: half-transparent
    // premultiplied pixels, a palette picture, a plain RGB888 one.
    void sameAsEarlierVersions_data() {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QString>("file");
        QTest::newRow("premultiplied 661x3")
            << pattern(QSize(661, 3), QImage::Format_ARGB32_Premultiplied) << "argb32pm-661x3.bmp";
        QTest::newRow("Indexed8 3x5")
            << pattern(QSize(3, 5), QImage::Format_Indexed8) << "indexed8-3x5.bmp";
        QTest::newRow("RGB888 3x5")
            << pattern(QSize(3, 5), QImage::Format_RGB888) << "rgb888-3x5.bmp";
    }
    void sameAsEarlierVersions() {
        QFETCH(QImage, image);
        QFETCH(QString, file);
        const QByteArray expected = fixture(file);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(BmpFile::encode(image), expected);
    }

    // A picture's own resolution (from the screen or the file it was read from) does not reach
    // the file, and the picture itself is left as it was.
    void resolutionIsAlways96Dpi() {
        QImage image = pattern(QSize(3, 5), QImage::Format_RGB32);
        image.setDotsPerMeterX(2835);
        image.setDotsPerMeterY(4724);
        const QByteArray bytes = BmpFile::encode(image);
        QCOMPARE(u32(bytes, 38), 3780u);
        QCOMPARE(u32(bytes, 42), 3780u);
        QCOMPARE(image.dotsPerMeterX(), 2835);
        image.setDotsPerMeterX(3780);
        image.setDotsPerMeterY(3780);
        QCOMPARE(bytes, BmpFile::encode(image));
    }

    void saveWritesTheFileOrKeepsTheOld() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("p.bmp"));
        const QImage image = pattern(QSize(661, 3), QImage::Format_RGB888);
        QVERIFY(BmpFile::save(path, image));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), BmpFile::encode(image));
        file.close();
        QCOMPARE(BmpFile::load(path), image);

        // Nothing to write: a failure with a reason, the old file kept.
        QString error;
        QVERIFY(BmpFile::encode(QImage()).isEmpty());
        QVERIFY(!BmpFile::save(path, QImage(), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(BmpFile::load(path), image);
        // A folder in the way.
        QVERIFY(!BmpFile::save(dir.path(), image, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_MAIN(TestBmpFile)
#include "tst_BmpFile.moc"
