#include "pages/SheetLayout.h"

SheetLayout::SheetLayout(int width, int height, Variant variant, QSize calendarSize) {
    const bool calendar = variant == Variant::Calendar;
    m_columnWidth = width / 2 - 3;
    m_rowHeight = (height - 22) / Rows;
    m_pitch = (height - 1) / Rows;
    const int fullWidth = m_columnWidth - 11;
    const int shortWidth = m_columnWidth - calendarSize.width() / 2 - 11;
    if (calendar) m_calendar = QRect(QPoint((width - calendarSize.width()) / 2, 0), calendarSize);

    const auto rectOf = [this](int line) -> const QRect & { return m_lines[line - 1]; };
    for (int n = 1; n <= LineCount; ++n) {
        const bool beside = calendar && n >= 13 && n <= 30;
        const int w = beside ? shortWidth : fullWidth;
        const int top = 6 + ((n - 1) / 2) * m_pitch;
        int left = 0;
        if (n == 1)
            left = 2;
        else if (n == 2 || (calendar && n == 32))
            left = rectOf(n - 1).left() + rectOf(n - 1).width() + 25;
        else if (calendar && (n == 13 || n == 31))
            left = rectOf(n - 2).left() + 2;
        else if (calendar && n == 14)
            left = m_calendar.left() + calendarSize.width() + 4;
        else
            left = rectOf(n - 2).left();
        m_lines[n - 1] = QRect(left, top, w, LineHeight);
    }
    if (calendar) m_calendar.moveTop(rectOf(11).top() + 20);

    const QRect &first = rectOf(1);
    const int splitLeft = first.left() + first.width() + 1;
    m_split =
        QRect(splitLeft, -3, rectOf(2).left() - (first.left() + first.width()) - 1, height + 5);
}
