#include "pages/YearPageLayout.h"

YearPageLayout::YearPageLayout(int width, int height, int x0, int y0)
    : m_width(width), m_height(height), m_cw((width - 5) / 4) {
    m_lineLefts[0] = x0;
    for (int k = 1; k < Columns; ++k) m_lineLefts[k] = x0 + k * m_cw + k;
    m_lineLefts[Columns] = x0 + width - 1;

    const int pitch = (height - 75) / 3;
    m_stripTops = {y0, y0 + 25 + pitch, y0 + 50 + 2 * pitch};
    const int rowSpan = m_stripTops[1] - m_stripTops[0];

    const int labelStep = (width - 144) / 8;
    for (int m = 1; m <= Months; ++m) {
        const int r = (m - 1) / Columns;
        const int j = (m - 1) % Columns;
        const int boxHeight = rowSpan - (r < 2 ? 26 : 28);
        m_boxes[m - 1] = QRect(m_lineLefts[j] + 1, m_stripTops[r] + 26, m_cw, boxHeight);
        m_labels[m - 1] = QPoint(x0 + labelStep * (2 * j + 1) + 36 * j,
                                 m_stripTops[r] + (StripHeight - LabelHeight) / 2);
    }
}
