#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

#include <future>

// The frame's pictures, PNG files in <resourceDir>/pictures, read at run time. A missing or
// broken file gives a null picture; the widgets then paint a plain surface instead.
class FramePictures {
public:
    explicit FramePictures(const QString &resourceDir);

    QPixmap load(const QString &name) const;
    // The picture in the form it is stored in (a palette picture stays one).
    QImage image(const QString &name) const;
    // The same, read on a thread of its own (or on get(), when no thread can be started):
    // for a large picture that is needed only when the window is first painted.
    std::future<QImage> imageLater(const QString &name) const;
    QString webPage(const QString &name) const; // <resourceDir>/web/<name>

private:
    QString m_resourceDir;
    QString m_folder;
};
