#include "calendar_control/LunarCalendarDrawing.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

// Rounds halves to the even neighbour, as the control's colour and band arithmetic does.
int roundEven(double x) {
    return int(std::nearbyint(x));
}

QStringList substitutes(const QString &name) {
    if (name == QStringLiteral("黑体"))
        return {name, QStringLiteral("SimHei"), QStringLiteral("WenQuanYi Zen Hei"),
                QStringLiteral("Noto Sans CJK SC")};
    // Song type falls to the face the notes and the frame use, not to the font file's bitmap
    // face: each face of the file read at start maps another 1.7 MB of it.
    if (name == QStringLiteral("宋体"))
        return {name, QStringLiteral("SimSun"), QStringLiteral("WenQuanYi Zen Hei"),
                QStringLiteral("Noto Serif CJK SC")};
    if (name == QStringLiteral("Arial Black"))
        return {name, QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    if (name == QStringLiteral("Arial"))
        return {name, QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    return {name, QStringLiteral("WenQuanYi Zen Hei")};
}

// Glyphs whose ink reaches as high and as low as that of any caption.
const QString kCaptionSample = QStringLiteral("初立惊廿腊国");
const QString kDigits = QStringLiteral("0123456789");
// Below this Chinese glyphs are blots; a caption that still does not fit is cut at the cell.
constexpr int kSmallestCaptionPixels = 6;

} // namespace

QColor LunarCalendarDrawing::colorFromBgr(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

QFont LunarCalendarDrawing::namedFont(const QString &name, int points, bool bold) {
    QFont font;
    font.setFamilies(substitutes(name));
    // Sizes are fixed in pixels so that the layout does not follow the screen's resolution.
    font.setPixelSize((points * 96 + 36) / 72);
    // Small Song type is drawn crisp, as Song bitmap faces are: captions keep their exact colour.
    if (name == QStringLiteral("宋体") && points <= 12) font.setStyleStrategy(QFont::NoAntialias);
    if (name == QStringLiteral("Arial Black"))
        font.setWeight(QFont::Black);
    else
        font.setBold(bold);
    return font;
}

QMargins LunarCalendarDrawing::inkMargins(const QFont &font, const QString &text) {
    if (text.isEmpty()) return {};
    const QFontMetrics metrics(font);
    // Relative to the baseline; bottom() is the last inked row.
    const QRect ink = metrics.boundingRect(text);
    return QMargins(0, std::max(0, -ink.top() - metrics.ascent()), 0,
                    std::max(0, ink.bottom() + 1 - metrics.descent()));
}

LunarCalendarDrawing::CellLines
LunarCalendarDrawing::cellLines(const QFont &dateFont, const QFont &captionFont, int height) {
    const QRect number = QFontMetrics(dateFont).tightBoundingRect(kDigits);
    QFont caption = captionFont;
    int pixels = QFontInfo(caption).pixelSize();
    QRect ink = QFontMetrics(caption).tightBoundingRect(kCaptionSample);
    while (number.height() + ink.height() + 3 > height && pixels > kSmallestCaptionPixels) {
        caption.setPixelSize(--pixels);
        ink = QFontMetrics(caption).tightBoundingRect(kCaptionSample);
    }
    // The two lines together, centred, with at least one blank row above.
    const int block = number.height() + 1 + ink.height();
    const int top = std::max(1, (height - block) / 2);
    CellLines lines;
    lines.captionFont = caption;
    lines.numberBaseline = top - number.top();
    lines.captionBaseline = top + number.height() + 1 - ink.top();
    return lines;
}

LunarCalendarDrawing::Band LunarCalendarDrawing::gradientBand(int k, const QColor &start,
                                                              const QColor &end, int height) {
    auto channel = [k](int a, int b) { return roundEven(a + k * double(b - a) / 256.0); };
    Band band;
    band.color = QColor(channel(start.red(), end.red()), channel(start.green(), end.green()),
                        channel(start.blue(), end.blue()));
    band.top = roundEven((k - 1) * double(height) / 256.0);
    band.bottom = roundEven(k * double(height) / 256.0);
    return band;
}

void LunarCalendarDrawing::fillGradient(QImage &image, const QRect &rect, const QColor &start,
                                        const QColor &end) {
    const QRect area = rect.intersected(image.rect());
    if (area.isEmpty() || image.format() != QImage::Format_RGB888) return;
    for (int k = 1; k <= 256; ++k) {
        const Band band = gradientBand(k, start, end, rect.height());
        const int top = std::max(rect.top() + band.top, area.top());
        const int bottom = std::min(rect.top() + band.bottom, area.bottom() + 1);
        const uchar r = uchar(band.color.red());
        const uchar g = uchar(band.color.green());
        const uchar b = uchar(band.color.blue());
        for (int y = top; y < bottom; ++y) {
            uchar *p = image.scanLine(y) + 3 * area.left();
            for (int x = area.left(); x <= area.right(); ++x) {
                *p++ = r;
                *p++ = g;
                *p++ = b;
            }
        }
    }
}

void LunarCalendarDrawing::blendPicture(QImage &back, const QImage &picture, int alphaBlend) {
    if (picture.isNull() || back.isNull()) return;
    if (back.format() != QImage::Format_RGB888 || picture.format() != QImage::Format_RGB888) return;
    const int p = ((alphaBlend % 100) + 100) % 100;
    const int width = std::min(back.width(), picture.width());
    const int height = std::min(back.height(), picture.height());
    const uchar *key = picture.constScanLine(0);
    const uchar kr = key[0], kg = key[1], kb = key[2];
    for (int y = 0; y < height; ++y) {
        const uchar *src = picture.constScanLine(y);
        uchar *dst = back.scanLine(y);
        for (int x = 0; x < width; ++x, src += 3, dst += 3) {
            if (src[0] == kr && src[1] == kg && src[2] == kb) continue;
            for (int c = 0; c < 3; ++c)
                dst[c] = uchar(std::clamp(((100 - p) * dst[c] + p * src[c]) / 100, 0, 255));
        }
    }
}

void LunarCalendarDrawing::drawSingleLine(QPainter &painter, const QRect &rect, int alignment,
                                          const QString &text) {
    if (text.isEmpty() || rect.width() <= 0 || rect.height() <= 0) return;
    const QFontMetrics metrics = painter.fontMetrics();
    // Whole-pixel advances decide: a text exactly as wide as the rectangle is not cut.
    const QString shown = metrics.horizontalAdvance(text) <= rect.width()
                              ? text
                              : metrics.elidedText(text, Qt::ElideRight, rect.width());
    painter.drawText(rect, alignment | Qt::TextSingleLine, shown);
}

QFont LunarCalendarDrawing::holidayBadgeFont(int pixelSize) {
    QFont font;
    font.setFamilies(substitutes(QStringLiteral("黑体")));
    font.setPixelSize(pixelSize);
    return font;
}

QString LunarCalendarDrawing::holidayBadgeText(bool dayOff) {
    return dayOff ? QStringLiteral("休") : QStringLiteral("班");
}

QSize LunarCalendarDrawing::holidayBadgeSize(const QFont &font) {
    const QFontMetrics metrics(font);
    // The ink of both glyphs, so neither touches the edge of its box.
    const QRect ink = metrics.boundingRect(QStringLiteral("休班"));
    const int glyph = std::max(metrics.horizontalAdvance(QStringLiteral("休")),
                               metrics.horizontalAdvance(QStringLiteral("班")));
    return QSize(glyph + 2, std::max(metrics.height(), ink.height()) + 1);
}

QRect LunarCalendarDrawing::drawHolidayBadge(QPainter &painter, const QPoint &topRight, bool dayOff,
                                             const QFont &font) {
    const QSize size = holidayBadgeSize(font);
    const QRect box(QPoint(topRight.x() - size.width() + 1, topRight.y()), size);
    painter.save();
    painter.fillRect(box, dayOff ? QColor(224, 32, 32) : QColor(80, 96, 120));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, holidayBadgeText(dayOff));
    painter.restore();
    return box;
}
