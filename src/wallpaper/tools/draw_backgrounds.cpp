// Draws the two shipped wallpaper backgrounds, 1920 x 1080, into <folder>/A1.png and A2.png:
// calm gradients with low hills (A1) and soft waves (A2), kept plain at the top right where the
// notes go. Usage: draw_backgrounds <folder>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>
#include <utility>

namespace {

constexpr int W = 1920;
constexpr int H = 1080;

// A band below a gentle curve: sum of two sines around `base`.
QPainterPath band(double base, double amp1, double len1, double amp2, double len2, double phase) {
    QPainterPath path(QPointF(0, H));
    for (int x = 0; x <= W; x += 8)
        path.lineTo(x, base + amp1 * std::sin(x / len1 + phase) + amp2 * std::sin(x / len2));
    path.lineTo(W, H);
    path.closeSubpath();
    return path;
}

QImage hills() {
    QImage image(W, H, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, H);
    sky.setColorAt(0.0, QColor(196, 218, 236));
    sky.setColorAt(0.6, QColor(236, 232, 222));
    sky.setColorAt(1.0, QColor(244, 236, 220));
    p.fillRect(image.rect(), sky);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(170, 190, 200));
    p.drawPath(band(760, 40, 260, 18, 90, 0.5));
    p.setBrush(QColor(140, 170, 160));
    p.drawPath(band(850, 30, 210, 12, 70, 2.0));
    p.setBrush(QColor(112, 146, 128));
    p.drawPath(band(950, 24, 170, 10, 55, 4.0));
    return image;
}

QImage waves() {
    QImage image(W, H, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sea(0, 0, 0, H);
    sea.setColorAt(0.0, QColor(214, 234, 232));
    sea.setColorAt(0.55, QColor(176, 212, 214));
    sea.setColorAt(1.0, QColor(232, 220, 196));
    p.fillRect(image.rect(), sea);
    p.setPen(Qt::NoPen);
    const QColor tones[] = {QColor(156, 198, 204), QColor(132, 182, 192), QColor(226, 212, 184)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(tones[i]);
        p.drawPath(band(720 + 110 * i, 22 - 4 * i, 140 + 30 * i, 8, 47, 1.3 * i));
    }
    return image;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: draw_backgrounds <folder>\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    // PNG keeps every pixel at a fraction of the bitmap's size; the wallpaper dialog writes the
    // bitmap into the user's picture folder when it needs it.
    for (const auto &[name, picture] : {std::pair{QStringLiteral("A1.png"), hills()},
                                        std::pair{QStringLiteral("A2.png"), waves()}}) {
        if (!picture.save(dir + QLatin1Char('/') + name, "PNG", 0)) {
            std::fprintf(stderr, "cannot write %s/%s\n", qPrintable(dir), qPrintable(name));
            return 1;
        }
    }
    return 0;
}
