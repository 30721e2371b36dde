#include "wallpaper/BmpFile.h"

#include "base/AtomicFile.h"

#include <QtEndian>

#include <cstring>

namespace {
void put16(char *p, quint16 v) {
    qToLittleEndian(v, p);
}
void put32(char *p, quint32 v) {
    qToLittleEndian(v, p);
}
} // namespace

QByteArray BmpFile::encode(const QImage &image) {
    const QImage rgb = image.format() == QImage::Format_RGB888
                           ? image
                           : image.convertToFormat(QImage::Format_RGB888);
    const int w = rgb.width();
    const int h = rgb.height();
    const qsizetype stride = (qsizetype(w) * 3 + 3) & ~qsizetype(3);
    const qsizetype headerSize = 14 + 40;
    QByteArray out(headerSize + stride * h, '\0');
    char *p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, quint32(out.size()));
    put32(p + 10, quint32(headerSize));
    put32(p + 14, 40);
    put32(p + 18, quint32(w));
    put32(p + 22, quint32(h)); // positive: rows run bottom-up
    put16(p + 26, 1);
    put16(p + 28, 24);
    put32(p + 34, quint32(stride * h));
    put32(p + 38, 3780); // 96 dots per inch
    put32(p + 42, 3780);
    for (int y = 0; y < h; ++y) {
        const uchar *src = rgb.constScanLine(y);
        uchar *dst = reinterpret_cast<uchar *>(p + headerSize + stride * (h - 1 - y));
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = src[3 * x + 2];
            dst[3 * x + 1] = src[3 * x + 1];
            dst[3 * x + 2] = src[3 * x];
        }
    }
    return out;
}

bool BmpFile::save(const QString &path, const QImage &image, QString *error) {
    return AtomicFile::write(path, encode(image), error);
}

QImage BmpFile::load(const QString &path) {
    QImage image(path, "BMP");
    if (image.isNull()) return image;
    return image.convertToFormat(QImage::Format_RGB888);
}
