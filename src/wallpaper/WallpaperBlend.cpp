#include "wallpaper/WallpaperBlend.h"

#include <QRect>

#include <algorithm>
#include <vector>

QImage WallpaperBlend::compose(QImage background, const QImage &content, int a) {
    // Taken by value: a background nobody else holds is blended in place, without a copy.
    QImage out = std::move(background);
    if (out.format() != QImage::Format_RGB888) out = out.convertToFormat(QImage::Format_RGB888);
    const QImage block = content.convertToFormat(QImage::Format_RGB888);
    const QPoint at = blockPosition(out.width(), block.width());
    const QRect area = QRect(at, block.size()).intersected(out.rect());
    if (area.isEmpty()) return out;

    // A table per strength: 64 K entries beat two multiplications and a division per channel.
    std::vector<uchar> table(256 * 256);
    for (int c = 0; c < 256; ++c)
        for (int b = 0; b < 256; ++b) table[c * 256 + b] = uchar(channel(c, b, a));

    const int x0 = area.left() - at.x();
    const int n = area.width() * 3;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const uchar *c = block.constScanLine(y - at.y()) + 3 * x0;
        uchar *b = out.scanLine(y) + 3 * area.left();
        for (int i = 0; i < n; ++i) b[i] = table[c[i] * 256 + b[i]];
    }
    return out;
}

QImage WallpaperBlend::coverScreen(const QImage &background, const QSize &screen) {
    if (screen.isEmpty() || background.isNull() || background.size() == screen)
        return background.convertToFormat(QImage::Format_RGB888);
    QImage scaled =
        background.scaled(screen, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    if (scaled.size() != screen) {
        const int x = std::max(0, (scaled.width() - screen.width()) / 2);
        const int y = std::max(0, (scaled.height() - screen.height()) / 2);
        scaled = scaled.copy(x, y, screen.width(), screen.height());
    }
    return scaled.convertToFormat(QImage::Format_RGB888);
}
