#include "FramePictures.h"

#include <QDir>

FramePictures::FramePictures(const QString &resourceDir)
    : m_resourceDir(resourceDir), m_folder(QDir(resourceDir).filePath(QStringLiteral("pictures"))) {
}

QPixmap FramePictures::load(const QString &name) const {
    return QPixmap(QDir(m_folder).filePath(name + QStringLiteral(".png")));
}

QString FramePictures::webPage(const QString &name) const {
    return QDir(m_resourceDir).filePath(QStringLiteral("web/") + name);
}
