#include "app/FramePictures.h"

#include <QDir>
#include <QImageReader>

namespace {
// Read as PNG without asking the image format plugins first: probing loads every one of them
// (and libjpeg), about 300 KB and a millisecond at start for pictures that are all PNG.
QImage readPng(const QString &path) {
    QImageReader reader(path, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}
} // namespace

FramePictures::FramePictures(const QString &resourceDir)
    : m_resourceDir(resourceDir), m_folder(QDir(resourceDir).filePath(QStringLiteral("pictures"))) {
}

QPixmap FramePictures::load(const QString &name) const {
    return QPixmap::fromImage(image(name));
}

QImage FramePictures::image(const QString &name) const {
    QImage picture = readPng(QDir(m_folder).filePath(name + QStringLiteral(".png")));
    // Painting blends premultiplied pixels directly; a straight-alpha picture would be
    // converted at every paint.
    if (picture.format() == QImage::Format_ARGB32)
        picture.convertTo(QImage::Format_ARGB32_Premultiplied);
    return picture;
}

std::future<QImage> FramePictures::imageLater(const QString &name) const {
    return std::async(std::launch::async | std::launch::deferred,
                      [pictures = *this, name] { return pictures.image(name); });
}

QString FramePictures::webPage(const QString &name) const {
    return QDir(m_resourceDir).filePath(QStringLiteral("web/") + name);
}
