#pragma once

#include <QRect>
#include <QSize>

#include <array>

// Places on the ruled sheet of the general and calendar notes pages, for a panel of W x H; integer
// arithmetic, divisions truncated toward zero:
//   column width cw = W / 2 - 3, ruled row height (H - 22) / 21, line pitch p = (H - 1) / 21
//   line 1 at (2, 6), line 2 at line 1's left + its width + 25; line n >= 3 below line n - 2
//   by p, at its left; every line cw - 11 wide
// The calendar variant puts a calendar of CW x CH in the middle: at ((W - CW) / 2, top of line
// 11 + 20); lines 13 .. 30 beside it are cw - CW / 2 - 11 wide, line 13 starts 2 right of line
// 11, line 14 4 right of the calendar, line 31 2 right of line 29 and line 32 25 right of line 31.
// The split panel covers the gap between the columns: from 1 right of line 1 to line 2, from 3
// above the panel to 2 below it.
class SheetLayout {
public:
    static constexpr int Rows = 21;
    static constexpr int Columns = 2;
    static constexpr int LineCount = 42;
    static constexpr int LineHeight = 18;

    enum class Variant { General, Calendar };

    SheetLayout(int width, int height, Variant variant = Variant::General,
                QSize calendarSize = QSize());

    int columnWidth() const { return m_columnWidth; }
    int rowHeight() const { return m_rowHeight; }
    int linePitch() const { return m_pitch; }
    // Line n (1..42), LineHeight high; the width may be negative for a panel too small to hold it.
    QRect lineRect(int line) const { return m_lines[line - 1]; }
    QRect splitRect() const { return m_split; }
    // Null for the general variant.
    QRect calendarRect() const { return m_calendar; }

private:
    int m_columnWidth = 0;
    int m_rowHeight = 0;
    int m_pitch = 0;
    std::array<QRect, LineCount> m_lines;
    QRect m_split;
    QRect m_calendar;
};
