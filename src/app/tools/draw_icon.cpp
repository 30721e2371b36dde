// Draws the program's icon: a calendar page with a crescent moon in its blue header and one
// day marked in red. One list of shapes gives both the scalable SVG and the PNG sizes, so they
// always match. Run by hand after changing the icon:
//   draw_icon <repo>/packaging/icons
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <vector>

namespace {

struct Shape {
    enum Kind { RoundRect, Circle } kind;
    double x, y, w, h, radius; // Circle: centre x, y and radius w
    QColor fill;               // invalid: no fill
    QColor stroke;             // invalid: no outline
    double strokeWidth = 0;
};

const QColor kPaper(255, 255, 255);
const QColor kBlue(61, 123, 200);
const QColor kInk(43, 79, 126);
const QColor kDay(201, 216, 234);
const QColor kToday(217, 69, 59);

// In a 256 x 256 canvas.
std::vector<Shape> shapes() {
    std::vector<Shape> s;
    s.push_back({Shape::RoundRect, 24, 36, 208, 196, 28, kPaper, QColor(), 0});
    s.push_back({Shape::RoundRect, 24, 36, 208, 72, 28, kBlue, QColor(), 0});
    s.push_back({Shape::RoundRect, 24, 80, 208, 28, 0, kBlue, QColor(), 0});
    s.push_back({Shape::RoundRect, 24, 36, 208, 196, 28, QColor(), kInk, 8});
    s.push_back({Shape::Circle, 128, 72, 20, 0, 0, kPaper, QColor(), 0});
    s.push_back({Shape::Circle, 137, 66, 17, 0, 0, kBlue, QColor(), 0});
    s.push_back({Shape::RoundRect, 64, 16, 16, 40, 8, kInk, QColor(), 0});
    s.push_back({Shape::RoundRect, 176, 16, 16, 40, 8, kInk, QColor(), 0});
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            s.push_back({Shape::RoundRect, 48.0 + col * 44, 124.0 + row * 34, 32, 24, 4,
                         row == 1 && col == 2 ? kToday : kDay, QColor(), 0});
    return s;
}

QString svgColour(const QColor &c) {
    return c.isValid() ? c.name() : QStringLiteral("none");
}

QByteArray svg() {
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" "
                                 "height=\"256\" viewBox=\"0 0 256 256\">\n");
    for (const Shape &s : shapes()) {
        const QString paint =
            QStringLiteral("fill=\"%1\" stroke=\"%2\"%3")
                .arg(svgColour(s.fill), svgColour(s.stroke),
                     s.stroke.isValid() ? QStringLiteral(" stroke-width=\"%1\"").arg(s.strokeWidth)
                                        : QString());
        if (s.kind == Shape::Circle)
            out += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" %4/>\n")
                       .arg(s.x)
                       .arg(s.y)
                       .arg(s.w)
                       .arg(paint);
        else
            out += QStringLiteral(
                       "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" %6/>\n")
                       .arg(s.x)
                       .arg(s.y)
                       .arg(s.w)
                       .arg(s.h)
                       .arg(s.radius)
                       .arg(paint);
    }
    return (out + QStringLiteral("</svg>\n")).toUtf8();
}

QImage png(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    for (const Shape &s : shapes()) {
        p.setBrush(s.fill.isValid() ? QBrush(s.fill) : QBrush(Qt::NoBrush));
        p.setPen(s.stroke.isValid() ? QPen(s.stroke, s.strokeWidth) : QPen(Qt::NoPen));
        if (s.kind == Shape::Circle)
            p.drawEllipse(QPointF(s.x, s.y), s.w, s.w);
        else
            p.drawRoundedRect(QRectF(s.x, s.y, s.w, s.h), s.radius, s.radius);
    }
    return image;
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: draw_icon <folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(dir.path());
    int failures = 0;
    QFile file(dir.filePath(QStringLiteral("kestrova.svg")));
    const QByteArray text = svg();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.flush()) {
        std::fprintf(stderr, "cannot write kestrova.svg\n");
        ++failures;
    }
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        if (!png(size).save(dir.filePath(QStringLiteral("kestrova-%1.png").arg(size)))) {
            std::fprintf(stderr, "cannot write the %d pixel icon\n", size);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
