#include "pages/MonthStrips.h"

#include "base/HolidayTable.h"
#include "calendar_control/LunarCalendarDrawing.h"
#include "calendar_control/LunarCaptions.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int LeftPadding = 3;
constexpr int RightPadding = 2;
constexpr int Gap = 3;
constexpr int LargestCaption = 12;
constexpr int SmallestCaption = 9;

// The box a text needs: its advance, and in height the line box and any ink beyond it.
QSize textSize(const QFont &font, const QString &text) {
    const QFontMetrics metrics(font);
    const QMargins ink = LunarCalendarDrawing::inkMargins(font, text);
    return QSize(metrics.horizontalAdvance(text), metrics.height() + ink.top() + ink.bottom());
}

QRect centredIn(const QRect &strip, int left, const QSize &size) {
    return QRect(left, strip.top() + (strip.height() - size.height()) / 2, size.width(),
                 std::min(size.height(), strip.height()));
}

} // namespace

void MonthStrips::fill(const MonthGrid &grid, const std::shared_ptr<const HolidayTable> &holidays) {
    const bool sameTable =
        m_filledWithTable == bool(holidays) && (!holidays || m_table.lock() == holidays);
    if (grid.year() == m_grid.year() && grid.month() == m_grid.month() && sameTable) return;
    m_grid = grid;
    m_table = holidays;
    m_filledWithTable = bool(holidays);
    ++m_generation;
    LunarCaptions captions;
    for (int k = 0; k < CellCount; ++k) {
        const CivilDay day = grid.cellDay(k);
        const QDate date = day.date();
        Strip &strip = m_strips[std::size_t(k)];
        const LunarCalendarMonth::Caption caption = captions.caption(day.year, day.month, day.day);
        strip.caption = caption.text;
        strip.captionColor = caption.color;
        strip.mark = Mark::None;
        strip.holiday.clear();
        if (!holidays) continue;
        const HolidayTable::Day official = holidays->day(date);
        if (official.kind == HolidayTable::Kind::Ordinary) continue;
        strip.mark = official.kind == HolidayTable::Kind::DayOff ? Mark::DayOff : Mark::WorkingDay;
        strip.holiday = official.name;
    }
}

QFont MonthStrips::captionFont(int pixelSize) {
    QFont font = LunarCalendarDrawing::namedFont(QStringLiteral("宋体"), 9);
    font.setPixelSize(pixelSize);
    return font;
}

QFont MonthStrips::badgeFont() {
    return LunarCalendarDrawing::holidayBadgeFont(11);
}

MonthStrips::Arrangement MonthStrips::arrange(const QRect &strip, const QString &dayText,
                                              const QFont &dayFont, const QString &caption,
                                              Mark mark) {
    Arrangement result;
    const int right = strip.right() - RightPadding;
    const QSize daySize = textSize(dayFont, dayText);
    result.day = centredIn(
        strip, strip.left() + LeftPadding,
        QSize(std::min(daySize.width(), right - strip.left() - LeftPadding + 1), daySize.height()));
    int used = result.day.right();
    if (mark != Mark::None) {
        const QSize size = LunarCalendarDrawing::holidayBadgeSize(badgeFont());
        const QRect badge = centredIn(strip, used + 1 + Gap, size);
        if (badge.right() <= right && badge.height() == size.height()) {
            result.badge = badge;
            used = badge.right();
        }
    }
    const int room = right - (used + Gap);
    result.captionFont = captionFont(LargestCaption);
    if (caption.isEmpty() || room <= 0) return result;
    QSize size;
    for (int pixels = LargestCaption; pixels >= SmallestCaption; --pixels) {
        result.captionFont = captionFont(pixels);
        size = textSize(result.captionFont, caption);
        if (size.width() <= room && size.height() <= strip.height()) break;
    }
    result.captionText = caption;
    if (size.width() > room) {
        const QFontMetrics metrics(result.captionFont);
        result.captionText = metrics.elidedText(caption, Qt::ElideRight, room);
        size.setWidth(metrics.horizontalAdvance(result.captionText));
    }
    if (result.captionText.isEmpty()) return result;
    result.caption = centredIn(strip, right - size.width() + 1, size);
    const QMargins ink = LunarCalendarDrawing::inkMargins(result.captionFont, result.captionText);
    result.captionLine = result.caption.adjusted(0, ink.top(), 0, -ink.bottom());
    return result;
}

void MonthStrips::paint(QPainter &painter, const QRect &strip, const QString &dayText,
                        const QFont &dayFont, const QColor &dayColor, bool inMonth,
                        const Strip &marks, const Arrangement &parts) {
    static const QColor DayOffColor(255, 0, 0);
    static const QColor FadedColor(210, 210, 210);
    painter.save();
    painter.setFont(dayFont);
    painter.setPen(inMonth && marks.mark == Mark::DayOff ? DayOffColor : dayColor);
    painter.drawText(strip.adjusted(3, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, dayText);
    if (!parts.badge.isEmpty()) {
        painter.setOpacity(inMonth ? 1.0 : 0.3);
        LunarCalendarDrawing::drawHolidayBadge(painter, parts.badge.topRight(),
                                               marks.mark == Mark::DayOff, badgeFont());
        painter.setOpacity(1.0);
    }
    if (!parts.caption.isEmpty()) {
        painter.setFont(parts.captionFont);
        painter.setPen(inMonth ? marks.captionColor : FadedColor);
        painter.drawText(parts.captionLine, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         parts.captionText);
    }
    painter.restore();
}
