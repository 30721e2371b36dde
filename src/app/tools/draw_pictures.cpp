// Draws the frame's pictures into resources/pictures. Run once after changing a picture:
//   draw_pictures <repo>/resources/pictures
// The program loads the PNG files at run time; this tool is not needed to build or run it.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>

namespace {
const QString kFont = QStringLiteral("WenQuanYi Zen Hei");

QImage canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

bool isOpaque(const QImage &img) {
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            if (qAlpha(line[x]) != 255) return false;
    }
    return true;
}

QLinearGradient vertical(int h, const QColor &top, const QColor &bottom) {
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QFont font(int pixels, bool bold = false) {
    QFont f(kFont);
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

// A small desk calendar: blue binding strip, white sheet, a day number.
void drawCalendarIcon(QPainter &p, const QRectF &r, const QString &text) {
    p.setRenderHint(QPainter::Antialiasing);
    const qreal radius = r.width() / 8;
    p.setPen(QPen(QColor(96, 136, 184), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(r, radius, radius);
    QPainterPath head;
    const QRectF headRect(r.left(), r.top(), r.width(), r.height() * 0.3);
    head.addRoundedRect(headRect, radius, radius);
    head.addRect(QRectF(r.left(), headRect.center().y(), r.width(), headRect.height() / 2));
    p.fillPath(head, vertical(int(r.height()), QColor(104, 160, 222), QColor(58, 112, 178)));
    p.setBrush(QColor(226, 236, 248));
    p.setPen(QPen(QColor(70, 100, 140), 1));
    const qreal ring = r.width() / 10;
    p.drawEllipse(QPointF(r.left() + r.width() * 0.3, r.top() + ring), ring / 2, ring);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.7, r.top() + ring), ring / 2, ring);
    p.setPen(QColor(52, 92, 150));
    p.setFont(font(int(r.height() * 0.46), true));
    p.drawText(QRectF(r.left(), r.top() + r.height() * 0.3, r.width(), r.height() * 0.7),
               Qt::AlignCenter, text);
}

QImage titleStrip() {
    QImage img = canvas(1008, 21);
    QPainter p(&img);
    p.fillRect(img.rect(), vertical(21, QColor(222, 236, 250), QColor(196, 219, 242)));
    p.setPen(QColor(164, 190, 218));
    p.drawLine(0, 20, 1007, 20);
    p.setPen(QColor(246, 250, 255));
    p.drawLine(0, 0, 1007, 0);
    return img;
}

QImage background() {
    QImage img = canvas(1007, 670);
    QPainter p(&img);
    p.fillRect(img.rect(), vertical(670, QColor(238, 245, 252), QColor(226, 237, 249)));
    p.setRenderHint(QPainter::Antialiasing);
    // Two quiet arcs across the lower part, like light on water.
    for (int i = 0; i < 2; ++i) {
        QPainterPath wave;
        const int y = 560 + i * 40;
        wave.moveTo(0, y);
        wave.cubicTo(300, y - 70, 650, y + 60, 1007, y - 30);
        wave.lineTo(1007, 670);
        wave.lineTo(0, 670);
        wave.closeSubpath();
        p.fillPath(wave, QColor(255, 255, 255, 60 - i * 20));
    }
    return img;
}

QImage logo() {
    QImage img = canvas(225, 62);
    QPainter p(&img);
    drawCalendarIcon(p, QRectF(4, 8, 42, 46), QStringLiteral("15"));
    p.setPen(QColor(40, 84, 140));
    p.setFont(font(22, true));
    p.drawText(QRect(56, 6, 168, 28), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Kestrova"));
    p.setPen(QColor(72, 118, 170));
    p.setFont(font(15));
    p.drawText(QRect(57, 34, 168, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("桌面月历 · 记事本"));
    return img;
}

QImage pageButton(const QColor &top, const QColor &bottom, const QColor &pen) {
    QImage img = canvas(59, 21);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(pen, 1));
    p.setBrush(vertical(21, top, bottom));
    p.drawRoundedRect(QRectF(0.5, 0.5, 58, 20), 4, 4);
    return img;
}

QImage colourPicture() {
    QImage img = canvas(20, 20);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colours[] = {QColor(220, 60, 60), QColor(240, 180, 40), QColor(60, 160, 80),
                              QColor(60, 110, 210)};
    for (int i = 0; i < 4; ++i) {
        p.setPen(Qt::NoPen);
        p.setBrush(colours[i]);
        p.drawPie(QRectF(2, 2, 16, 16), i * 90 * 16, 90 * 16);
    }
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(10, 10), 3, 3);
    return img;
}

enum class Glyph { Close, Max, Restore, Mini };
enum class Look { Normal, Highlight, Down };

QImage captionButton(Glyph glyph, Look look) {
    const int w = glyph == Glyph::Close ? 39 : 28;
    QImage img = canvas(w, 20);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QColor top(222, 236, 250), bottom(196, 219, 242), ink(70, 96, 130);
    if (look == Look::Highlight) {
        top = glyph == Glyph::Close ? QColor(240, 130, 120) : QColor(180, 212, 246);
        bottom = glyph == Glyph::Close ? QColor(212, 70, 60) : QColor(140, 184, 234);
        ink = glyph == Glyph::Close ? Qt::white : QColor(30, 60, 100);
    } else if (look == Look::Down) {
        top = glyph == Glyph::Close ? QColor(180, 50, 42) : QColor(110, 156, 212);
        bottom = glyph == Glyph::Close ? QColor(206, 80, 70) : QColor(150, 190, 236);
        ink = Qt::white;
    }
    QPainterPath shape;
    shape.addRoundedRect(QRectF(0, -4, w, 24), 4, 4);
    p.fillPath(shape, vertical(20, top, bottom));
    if (look != Look::Normal) {
        p.setPen(QPen(QColor(120, 146, 180, 160), 1));
        p.drawPath(shape);
    }
    p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    const QPointF c(w / 2.0, 10);
    switch (glyph) {
    case Glyph::Close:
        p.drawLine(c + QPointF(-4, -4), c + QPointF(4, 4));
        p.drawLine(c + QPointF(-4, 4), c + QPointF(4, -4));
        break;
    case Glyph::Max:
        p.drawRect(QRectF(c.x() - 5, c.y() - 4, 10, 8));
        p.drawLine(c + QPointF(-5, -3), c + QPointF(5, -3));
        break;
    case Glyph::Restore:
        p.drawRect(QRectF(c.x() - 5, c.y() - 2, 8, 6));
        p.drawPolyline(QPolygonF({c + QPointF(-3, -2), c + QPointF(-3, -5), c + QPointF(5, -5),
                                  c + QPointF(5, 1), c + QPointF(3, 1)}));
        break;
    case Glyph::Mini:
        p.drawLine(c + QPointF(-4, 4), c + QPointF(4, 4));
        break;
    }
    return img;
}

QImage sideHeader() {
    QImage img = canvas(200, 24);
    QPainter p(&img);
    p.fillRect(img.rect(), vertical(24, QColor(232, 243, 252), QColor(208, 228, 246)));
    drawCalendarIcon(p, QRectF(6, 3, 16, 18), QString());
    p.setPen(QColor(52, 88, 134));
    p.setFont(font(12, true));
    p.drawText(QRect(28, 0, 170, 24), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("今日提示"));
    return img;
}

QImage pickerBackground() {
    QImage img = canvas(242, 42);
    QPainter p(&img);
    p.fillRect(img.rect(), vertical(42, QColor(236, 245, 253), QColor(204, 226, 246)));
    return img;
}

QImage sizeTitle() {
    QImage img = canvas(335, 62);
    QPainter p(&img);
    p.fillRect(img.rect(), vertical(62, QColor(120, 170, 226), QColor(70, 124, 192)));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 200), 2));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawRoundedRect(QRectF(16, 14, 44, 32), 3, 3);
    p.drawLine(QPointF(30, 50), QPointF(46, 50));
    p.setPen(Qt::white);
    p.setFont(font(20, true));
    p.drawText(QRect(74, 0, 260, 62), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("窗体大小设置"));
    return img;
}

QImage sizeBackground() {
    QImage img = canvas(335, 246);
    QPainter p(&img);
    p.fillRect(img.rect(), vertical(246, QColor(255, 255, 255), QColor(234, 242, 250)));
    return img;
}

QImage sizeBanner() {
    QImage img = canvas(356, 65);
    QPainter p(&img);
    p.fillRect(img.rect(), vertical(65, QColor(233, 242, 250), QColor(220, 236, 248)));
    p.setPen(QColor(152, 168, 182));
    p.drawLine(0, 64, 355, 64);
    p.setPen(QColor(52, 88, 134));
    p.setFont(font(14, true));
    p.drawText(QRect(20, 8, 320, 24), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("请选择主窗口的大小"));
    p.setPen(QColor(96, 120, 150));
    p.setFont(font(12));
    p.drawText(QRect(20, 34, 320, 22), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("按\u201c确定\u201d后立即生效"));
    return img;
}

QImage appIcon() {
    QImage img = canvas(64, 64);
    QPainter p(&img);
    drawCalendarIcon(p, QRectF(4, 4, 56, 56), QStringLiteral("15"));
    return img;
}
} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: draw_pictures <folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(dir.path());
    int failures = 0;
    const auto save = [&](const char *name, const QImage &img) {
        // An opaque picture is stored without an alpha channel: the program reads it in about
        // half the time, which counts for the large background read before the window shows.
        const QImage stored = isOpaque(img) ? img.convertToFormat(QImage::Format_RGB32) : img;
        if (!stored.save(dir.filePath(QString::fromLatin1(name) + ".png"))) {
            std::fprintf(stderr, "cannot write %s\n", name);
            ++failures;
        }
    };
    save("title_strip", titleStrip());
    save("background", background());
    save("logo", logo());
    save("page_button_normal",
         pageButton(QColor(246, 250, 255), QColor(218, 232, 246), QColor(152, 168, 182)));
    save("page_button_hot",
         pageButton(QColor(236, 246, 255), QColor(190, 218, 246), QColor(110, 150, 200)));
    save("page_button_down",
         pageButton(QColor(150, 194, 240), QColor(100, 156, 220), QColor(70, 110, 170)));
    save("colour", colourPicture());
    const struct {
        Glyph glyph;
        const char *name;
    } glyphs[] = {{Glyph::Close, "close"},
                  {Glyph::Max, "max"},
                  {Glyph::Restore, "restore"},
                  {Glyph::Mini, "mini"}};
    for (const auto &g : glyphs) {
        const QByteArray base = QByteArray("img_") + g.name;
        save((base + "_normal").constData(), captionButton(g.glyph, Look::Normal));
        save((base + "_highlight").constData(), captionButton(g.glyph, Look::Highlight));
        save((base + "_down").constData(), captionButton(g.glyph, Look::Down));
    }
    save("side_header", sideHeader());
    save("picker_background", pickerBackground());
    save("size_title", sizeTitle());
    save("size_background", sizeBackground());
    save("size_banner", sizeBanner());
    save("app_icon", appIcon());
    return failures == 0 ? 0 : 1;
}
