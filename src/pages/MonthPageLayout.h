#pragma once

#include <QRect>

#include <array>

// Places of the 42 day editors over a month grid of client size W x H whose top left lies at
// (gridLeft, gridTop) in the page, and the grid's cell frames around them (grid coordinates).
// Integer arithmetic, divisions truncated toward zero:
//   cw = (W - 10) / 7, rw = (W - 10) % 7, bh = (H - 142) / 6, rh = (H - 149) % 6
//   editor 1 at gridLeft + 5 (+1 when rw > 0), gridTop + 44 (+1 when rh > 0)
//   width cw - 4; height bh - 4 (editors 1-21), bh - 6 (22-35), bh - 8 (36-42), the last
//   ones ending above the grid's bottom line
//   editors 2-7 step right by cw + 2 for the first rw of them, by cw + 1 for the others
//   editors 8-42 lie bh + 21 below the editor 7 numbers earlier
class MonthPageLayout {
public:
    static constexpr int Count = 42;
    static constexpr int HeaderHeight = 20;
    static constexpr int TitleHeight = 20;

    MonthPageLayout(int width, int height, int gridLeft = 0, int gridTop = 0);

    // Editor i (1..42), in page coordinates.
    QRect editorRect(int i) const { return m_editors[i - 1]; }
    // Cell k (0..41) frame in grid coordinates; its top TitleHeight pixels are the title strip.
    QRect cellRect(int cell) const { return m_cells[cell]; }

    int columnWidth() const { return m_cw; }
    int rowStep() const { return m_bh + 21; }

private:
    int m_cw = 0;
    int m_bh = 0;
    std::array<QRect, Count> m_editors;
    std::array<QRect, Count> m_cells;
};
