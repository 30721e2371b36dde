#pragma once

#include "base/MonthGrid.h"

#include <QColor>
#include <QDate>
#include <QFont>
#include <QRect>
#include <QString>

#include <array>
#include <memory>

class HolidayTable;
class QPainter;

// What the title strips of the month grid show beside the day numbers: the calendar control's
// caption of each of the 42 days (lunar day, month, festival or solar term, in its colours)
// and the official day-off or working-day mark. Filled once for a grid's first date; the
// arrangement of one strip is plain arithmetic on measured text.
class MonthStrips {
public:
    static constexpr int CellCount = 42;
    enum class Mark { None, DayOff, WorkingDay };
    struct Strip {
        QString caption;
        QColor captionColor;
        Mark mark = Mark::None;
        QString holiday;
    };

    // The 42 days of the grid; nothing is done when they are already those of the same month
    // and table.
    void fill(const MonthGrid &grid, const std::shared_ptr<const HolidayTable> &holidays);
    const Strip &strip(int cell) const { return m_strips.at(std::size_t(cell)); }
    QDate firstCell() const { return m_grid.cellDate(0); }
    // Counts the fills that changed something.
    int generation() const { return m_generation; }

    // Where the parts of one strip go: the day number at the left, the mark right of it, the
    // caption at the right end, in the largest face size from 12 down to 9 pixels that fits
    // (cut with "…" below that). Every box lies inside the strip and no two overlap.
    struct Arrangement {
        QRect day;
        QRect badge;       // empty without a mark
        QRect caption;     // the caption's ink may reach anywhere in it
        QRect captionLine; // the font's line box in it, where the text is drawn
        QFont captionFont;
        QString captionText;
    };
    static Arrangement arrange(const QRect &strip, const QString &dayText, const QFont &dayFont,
                               const QString &caption, Mark mark);
    static QFont captionFont(int pixelSize);
    static QFont badgeFont();
    // Draws a strip's day number, mark and caption where `parts` puts them (the background is
    // the caller's); days of the neighbouring months keep their faded look, marks included.
    // The month page and its printout draw through here.
    static void paint(QPainter &painter, const QRect &strip, const QString &dayText,
                      const QFont &dayFont, const QColor &dayColor, bool inMonth,
                      const Strip &marks, const Arrangement &parts);

private:
    MonthGrid m_grid{0, 0};
    std::weak_ptr<const HolidayTable> m_table;
    bool m_filledWithTable = false;
    int m_generation = 0;
    std::array<Strip, CellCount> m_strips;
};
