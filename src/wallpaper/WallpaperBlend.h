#pragma once

#include <QImage>
#include <QPoint>
#include <QSize>

// Lays the content block into a background picture: each channel of each block pixel becomes
// (content * (10 - a) + background * a) div 10, with the background pixel under the block.
class WallpaperBlend {
public:
    // One channel. Equals truncate((c * g + b * f) / 2) with f = a / 5 and g = 2 - f taken in
    // single precision, for a = 2 and 4 and every pair of bytes.
    static int channel(int content, int background, int a) {
        return (content * (10 - a) + background * a) / 10;
    }
    // Where the block's top-left corner goes: 2 pixels from the top and from the right edge.
    static QPoint blockPosition(int backgroundWidth, int contentWidth) {
        return {backgroundWidth - contentWidth - 2, 2};
    }
    // The background with the blended block at blockPosition(); pixels of the block outside the
    // background are left out. Every other pixel stays as it was. RGB888.
    static QImage compose(QImage background, const QImage &content, int a);
    // The background scaled to cover `screen` and cut to it, centred, so that a desktop that
    // zooms the picture shows all of it. Unchanged when the sizes already agree or `screen` is
    // empty. RGB888.
    static QImage coverScreen(const QImage &background, const QSize &screen);
};
