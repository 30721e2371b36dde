#include "pages/MonthPageLayout.h"

#include <algorithm>

MonthPageLayout::MonthPageLayout(int width, int height, int gridLeft, int gridTop) {
    m_cw = (width - 10) / 7;
    const int rw = (width - 10) % 7;
    m_bh = (height - 142) / 6;
    const int rh = (height - 149) % 6;

    int left = gridLeft + (rw > 0 ? 6 : 5);
    const int top = gridTop + (rh > 0 ? 45 : 44);
    for (int i = 1; i <= Count; ++i) {
        const int h = i <= 21 ? m_bh - 4 : (i <= 35 ? m_bh - 6 : m_bh - 8);
        int x = 0;
        int y = 0;
        if (i == 1) {
            x = left;
            y = top;
        } else if (i <= 7) {
            left += (i - 1 <= rw) ? m_cw + 2 : m_cw + 1;
            x = left;
            y = top;
        } else {
            const QRect &above = m_editors[i - 8];
            x = above.x();
            y = above.y() + m_bh + 21;
        }
        // When (H - 142) divides by 6 the 149 of the row arithmetic puts the bottom row one
        // pixel lower, onto the grid's bottom line; it ends above that line instead.
        const int room = gridTop + height - 1 - y;
        m_editors[i - 1] = QRect(x, y, m_cw - 4, i > 35 ? std::min(h, room) : h);
    }

    // Cell lines run through the gaps between the editors: a column starts 3 pixels left of its
    // editors, a row's title strip ends 4 or 5 pixels above them; the last row and column reach
    // the grid's edge.
    for (int k = 0; k < Count; ++k) {
        const int column = k % 7;
        const int row = k / 7;
        const int x0 = column == 0 ? 0 : m_editors[column].x() - gridLeft - 3;
        const int x1 = column == 6 ? width - 1 : m_editors[column + 1].x() - gridLeft - 3;
        const int y0 = HeaderHeight + row * (m_bh + 21);
        const int y1 = row == 5 ? height - 1 : HeaderHeight + (row + 1) * (m_bh + 21);
        m_cells[k] = QRect(QPoint(x0, y0), QPoint(x1, y1));
    }
}
