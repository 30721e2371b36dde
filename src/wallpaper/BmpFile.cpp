#include "wallpaper/BmpFile.h"

#include "base/AtomicFile.h"

#include <QBuffer>
#include <QImageWriter>

namespace {

constexpr int kDotsPerMeter = 3780; // 96 dots per inch

// The picture in a format Qt writes as 24-bit rows. Qt would keep an 8-bit picture 8-bit with
// its palette, and unpremultiplies some half-transparent pixels one step apart from the RGB888
// conversion these files were always made from; RGB888 itself Qt turns into RGB32 first.
QImage writable(const QImage &image) {
    QImage out =
        image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
            ? image
            : image.convertToFormat(QImage::Format_RGB888).convertToFormat(QImage::Format_RGB32);
    // Qt writes the picture's own resolution, which follows the screen or the file it came from.
    if (out.dotsPerMeterX() != kDotsPerMeter) out.setDotsPerMeterX(kDotsPerMeter);
    if (out.dotsPerMeterY() != kDotsPerMeter) out.setDotsPerMeterY(kDotsPerMeter);
    return out;
}

// Qt's writer into memory; the file itself goes through AtomicFile.
bool encodeInto(const QImage &image, QByteArray &bytes, QString *error) {
    const QImage source = writable(image);
    const qsizetype stride = (qsizetype(source.width()) * 3 + 3) & ~qsizetype(3);
    bytes.clear();
    bytes.reserve(14 + 40 + stride * source.height());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    if (writer.write(source)) return true;
    if (error) *error = writer.errorString();
    bytes.clear();
    return false;
}

} // namespace

QByteArray BmpFile::encode(const QImage &image) {
    QByteArray bytes;
    encodeInto(image, bytes, nullptr);
    return bytes;
}

bool BmpFile::save(const QString &path, const QImage &image, QString *error) {
    QByteArray bytes;
    return encodeInto(image, bytes, error) && AtomicFile::write(path, bytes, error);
}

QImage BmpFile::load(const QString &path) {
    QImage image(path, "BMP");
    if (image.isNull()) return image;
    return image.convertToFormat(QImage::Format_RGB888);
}
