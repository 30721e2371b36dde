#include "lock_ui/LockPictures.h"

#include "base/ResourceLocator.h"

#include <QCoreApplication>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// The calm light blues of the main window.
const QColor kPale(236, 243, 253);
const QColor kLight(214, 228, 250);
const QColor kMid(168, 196, 236);
const QColor kDeep(92, 132, 196);
const QColor kInk(52, 86, 148);

QImage blank(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A horizontal strip: glossy top half, a deeper lower half and a light edge line.
QImage strip(int w, int h) {
    QImage image = blank(w, h);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0.0, QColor(226, 236, 252));
    g.setColorAt(0.5, kLight);
    g.setColorAt(0.51, QColor(190, 212, 244));
    g.setColorAt(1.0, kMid);
    p.fillRect(image.rect(), g);
    p.setPen(QColor(255, 255, 255, 170));
    p.drawLine(0, 0, w, 0);
    p.setPen(QColor(kDeep.red(), kDeep.green(), kDeep.blue(), 90));
    p.drawLine(0, h - 1, w, h - 1);
    return image;
}

// A padlock whose body fills `body`; the shackle rises above it.
void drawLock(QPainter &p, const QRectF &body, const QColor &base) {
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = body.width();
    const qreal shackleW = w * 0.62;
    const QRectF shackle(body.center().x() - shackleW / 2, body.top() - shackleW * 0.72, shackleW,
                         shackleW * 1.3);
    QPen pen(QColor(150, 160, 176), w * 0.13, Qt::SolidLine, Qt::FlatCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath arc;
    arc.moveTo(shackle.left(), body.top() + 1);
    arc.lineTo(shackle.left(), shackle.top() + shackleW / 2);
    arc.arcTo(QRectF(shackle.left(), shackle.top(), shackleW, shackleW), 180, -180);
    arc.lineTo(shackle.right(), body.top() + 1);
    p.drawPath(arc);

    QLinearGradient g(body.topLeft(), body.bottomLeft());
    g.setColorAt(0.0, base.lighter(135));
    g.setColorAt(1.0, base.darker(115));
    p.setPen(QPen(base.darker(140), qMax<qreal>(1.0, w * 0.03)));
    p.setBrush(g);
    p.drawRoundedRect(body, w * 0.12, w * 0.12);

    // Keyhole.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 60, 100, 200));
    const qreal r = w * 0.09;
    const QPointF c(body.center().x(), body.top() + body.height() * 0.42);
    p.drawEllipse(c, r, r);
    QPainterPath slot;
    slot.moveTo(c.x() - r * 0.55, c.y());
    slot.lineTo(c.x() + r * 0.55, c.y());
    slot.lineTo(c.x() + r * 0.8, c.y() + r * 2.6);
    slot.lineTo(c.x() - r * 0.8, c.y() + r * 2.6);
    slot.closeSubpath();
    p.drawPath(slot);
}

QImage settingsTitle() {
    return strip(447, 18);
}

QImage settingsIcon() {
    QImage image = blank(32, 32);
    QPainter p(&image);
    drawLock(p, QRectF(7, 14, 18, 14), QColor(98, 150, 222));
    return image;
}

// Soft gradient with wide, faint arcs at the lower right, like light over water.
QImage background(int w, int h, bool watermark) {
    QImage image = blank(w, h);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0.0, QColor(250, 252, 255));
    g.setColorAt(1.0, kPale);
    p.fillRect(image.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 4; ++i) {
        QColor c = kMid;
        c.setAlpha(38 - i * 7);
        p.setPen(QPen(c, 10 - i * 2));
        p.setBrush(Qt::NoBrush);
        const qreal r = h * (0.9 + 0.28 * i);
        p.drawEllipse(QPointF(w * 1.02, h * 1.15), r * 1.5, r);
    }
    if (watermark) {
        p.setOpacity(0.10);
        drawLock(p, QRectF(w - 92, h - 124, 58, 46), kDeep);
    }
    return image;
}

QImage settingsBody() {
    return background(441, 202, true);
}

QImage gateTop() {
    return strip(245, 10);
}

QImage gateBottom() {
    return strip(246, 11);
}

// The picture on the left of the gate: a glowing padlock over pale blue.
QImage gateSide() {
    QImage image = blank(99, 118);
    QPainter p(&image);
    QLinearGradient g(0, 0, 0, 118);
    g.setColorAt(0.0, QColor(244, 248, 255));
    g.setColorAt(1.0, kLight);
    p.fillRect(image.rect(), g);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(49, 62), 46);
    glow.setColorAt(0.0, QColor(255, 255, 255, 230));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QPointF(49, 62), 46, 46);
    drawLock(p, QRectF(28, 52, 42, 36), QColor(98, 150, 222));
    p.setPen(QColor(kMid.red(), kMid.green(), kMid.blue(), 160));
    p.drawLine(98, 0, 98, 118);
    return image;
}

// The banner over the entry fields: a small lock and the words "用户登录".
QImage gateBanner() {
    QImage image = blank(145, 35);
    QPainter p(&image);
    QLinearGradient g(0, 0, 145, 0);
    g.setColorAt(0.0, kLight);
    g.setColorAt(1.0, QColor(228, 235, 253));
    p.fillRect(image.rect(), g);
    drawLock(p, QRectF(10, 15, 16, 12), QColor(98, 150, 222));
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("SimHei")});
    font.setPixelSize(15);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kInk);
    p.drawText(QRect(34, 0, 111, 35), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("用户登录"));
    p.setPen(QColor(kMid.red(), kMid.green(), kMid.blue(), 200));
    p.drawLine(0, 34, 145, 34);
    return image;
}

} // namespace

QStringList LockPictures::names() {
    return {QStringLiteral("pwset_title"),  QStringLiteral("pwset_icon"),
            QStringLiteral("pwset_body"),   QStringLiteral("login_top"),
            QStringLiteral("login_bottom"), QStringLiteral("login_side"),
            QStringLiteral("login_banner")};
}

QString LockPictures::folder() {
    return ResourceLocator::resourceDir(QCoreApplication::applicationDirPath()) +
           QStringLiteral("/lock");
}

QImage LockPictures::paint(const QString &name) {
    if (name == QLatin1String("pwset_title")) return settingsTitle();
    if (name == QLatin1String("pwset_icon")) return settingsIcon();
    if (name == QLatin1String("pwset_body")) return settingsBody();
    if (name == QLatin1String("login_top")) return gateTop();
    if (name == QLatin1String("login_bottom")) return gateBottom();
    if (name == QLatin1String("login_side")) return gateSide();
    if (name == QLatin1String("login_banner")) return gateBanner();
    return QImage();
}

QImage LockPictures::load(const QString &name) {
    QImage image(folder() + QLatin1Char('/') + name + QStringLiteral(".png"));
    return image.isNull() ? paint(name) : image;
}

QFont LockPictures::windowFont() {
    QFont font;
    font.setFamilies(
        {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei")});
    font.setPixelSize(12);
    return font;
}
