#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

// Windows bitmap files of 24-bit colour, bottom-up rows padded to 4 bytes, 96 dots per inch, as
// every wallpaper picture of the program is stored. Qt's BMP writer makes the bytes; writes go
// through the checked atomic write.
class BmpFile {
public:
    // The bytes of a 24-bit bitmap file of `image` (any format; alpha is dropped). Empty for a
    // null image.
    static QByteArray encode(const QImage &image);
    // Writes `image` to `path` as a 24-bit bitmap; false with `error` set when it failed, and
    // the old file is kept.
    static bool save(const QString &path, const QImage &image, QString *error = nullptr);
    // The picture at `path` as RGB888; a null image when it is missing or cannot be read.
    static QImage load(const QString &path);
};
