#pragma once

#include <QRect>

#include <array>

// Places of the annual notes page's parts for a panel of W x H whose top left is (x0, y0):
// four columns and three rows of month boxes under title strips 25 pixels high. Integer
// arithmetic, divisions truncated toward zero:
//   cw = (W - 5) / 4; separators 1..3 at x0 + k*cw + k; row pitch p = (H - 75) / 3
//   title strips at y0, y0 + 25 + p, y0 + 50 + 2p
//   box of month m (row r = (m-1)/4, column j = (m-1)%4): left = left of the column's line + 1
//   (line 0 at x0), top = strip r + 26, width cw, height (strip 2 - strip 1) - 26, rows 0-1,
//   that difference - 28 in row 2
//   label of month m: left = x0 + ((W - 144) / 8) * (2j + 1) + 36j, top = strip r + (25 - 12) / 2
class YearPageLayout {
public:
    static constexpr int Months = 12;
    static constexpr int Columns = 4;
    static constexpr int StripHeight = 25;
    static constexpr int LabelHeight = 12;
    static constexpr int BottomLineHeight = 3;

    YearPageLayout(int width, int height, int x0 = 0, int y0 = 0);

    int columnWidth() const { return m_cw; }
    // Left of the line left of column j (0..4); line 0 is the table's left edge, line 4 its right.
    int lineLeft(int j) const { return m_lineLefts[j]; }
    // Top of the title strip of row r (0..2).
    int stripTop(int r) const { return m_stripTops[r]; }
    // The box of month m (1..12).
    QRect boxRect(int month) const { return m_boxes[month - 1]; }
    // Left and top of the label of month m (1..12).
    QPoint labelPos(int month) const { return m_labels[month - 1]; }
    // Width of the label of month m: 36, 48 for "十一月份" and "十二月份".
    static int labelWidth(int month) { return month >= 11 ? 48 : 36; }

    int width() const { return m_width; }
    int height() const { return m_height; }

private:
    int m_width;
    int m_height;
    int m_cw;
    std::array<int, Columns + 1> m_lineLefts{};
    std::array<int, 3> m_stripTops{};
    std::array<QRect, Months> m_boxes;
    std::array<QPoint, Months> m_labels;
};
