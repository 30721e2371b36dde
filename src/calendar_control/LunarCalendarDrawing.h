#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;

// Pixel work and text drawing of the calendar control, on 24-bit images.
class LunarCalendarDrawing {
public:
    // A colour stored as blue * 65536 + green * 256 + red.
    static QColor colorFromBgr(int value);
    // A font requested by its Windows name and point size (at 96 dots per inch), falling
    // back to installed fonts that can show Chinese.
    static QFont namedFont(const QString &name, int points, bool bold = false);

    // Colour and rows of band k (1..256) of a vertical gradient over `height` rows.
    struct Band {
        QColor color;
        int top;
        int bottom; // exclusive
    };
    static Band gradientBand(int k, const QColor &start, const QColor &end, int height);
    // Fills `rect` of a 24-bit image with the 256-band gradient from start (top) to end.
    static void fillGradient(QImage &image, const QRect &rect, const QColor &start,
                             const QColor &end);

    // Blends `picture` onto `back` at (0, 0) with p = alphaBlend mod 100 per cent; pixels of
    // the picture's top-left colour (the key) are left out. Both 24-bit.
    static void blendPicture(QImage &back, const QImage &picture, int alphaBlend);

    // Room a label needs above and below its font's line box so no ink of `text` is cut off:
    // the Chinese glyphs of some fonts stand above the ascent (WenQuanYi Zen Hei at 12
    // pixels: one row).
    static QMargins inkMargins(const QFont &font, const QString &text);

    // Where the day number and the caption of a day cell `height` pixels tall go: their
    // baselines, and the caption's font. The caption's font is made smaller until the glyphs
    // of both lines fit the cell with a blank row above, between and below them: the Chinese
    // faces found in place of Song type are taller than it is at the same size.
    struct CellLines {
        QFont captionFont;
        int numberBaseline = 0;
        int captionBaseline = 0;
    };
    static CellLines cellLines(const QFont &dateFont, const QFont &captionFont, int height);
    // The "休" (day off) or "班" (make-up working day) mark: white on red or on slate, its
    // font measured so the glyph sits whole inside the box.
    static QFont holidayBadgeFont(int pixelSize = 10);
    static QSize holidayBadgeSize(const QFont &font);
    static QString holidayBadgeText(bool dayOff);
    // Draws the mark with its top right corner at `topRight`; returns the box it filled.
    static QRect drawHolidayBadge(QPainter &painter, const QPoint &topRight, bool dayOff,
                                  const QFont &font = holidayBadgeFont());

    // Text drawing with the control's flags: one line, cut with "…" when too wide.
    static void drawSingleLine(QPainter &painter, const QRect &rect, int alignment,
                               const QString &text);
};
