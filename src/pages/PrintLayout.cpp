#include "pages/PrintLayout.h"

QRectF PrintLayout::Month::strip(int k) const {
    const QRectF &c = cells[std::size_t(k)];
    return QRectF(c.left(), c.top(), c.width(), StripHeight);
}

QRectF PrintLayout::Month::note(int k) const {
    const QRectF &c = cells[std::size_t(k)];
    return QRectF(c.left() + Padding, c.top() + StripHeight, c.width() - 2 * Padding,
                  c.height() - StripHeight - Padding);
}

PrintLayout::Month PrintLayout::month(const QSizeF &area) {
    Month m;
    m.title = QRectF(0, 0, area.width(), TitleHeight);
    m.header = QRectF(0, TitleHeight, area.width(), HeaderHeight);
    const double top = TitleHeight + HeaderHeight;
    m.grid = QRectF(0, top, area.width(), area.height() - top);
    for (int k = 0; k < MonthCells; ++k) {
        const int row = k / 7;
        const int column = k % 7;
        m.cells[std::size_t(k)] = QRectF(QPointF(m.columnLine(column), m.rowLine(row)),
                                         QPointF(m.columnLine(column + 1), m.rowLine(row + 1)));
    }
    return m;
}

PrintLayout::Year PrintLayout::year(const QSizeF &area, int columns, int rows) {
    Year y;
    y.title = QRectF(0, 0, area.width(), TitleHeight);
    const double width = area.width() / columns;
    const double height = (area.height() - TitleHeight) / rows;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const QRectF box(c * width, TitleHeight + r * height, width, height);
            y.boxes.push_back(box);
            y.captions.push_back(QRectF(box.left(), box.top(), box.width(), CaptionHeight));
            y.notes.push_back(QRectF(box.left() + Padding, box.top() + CaptionHeight,
                                     box.width() - 2 * Padding,
                                     box.height() - CaptionHeight - Padding));
        }
    }
    return y;
}

PrintLayout::Sheet PrintLayout::sheet(const QSizeF &area) {
    Sheet s;
    s.title = QRectF(0, 0, area.width(), TitleHeight);
    const double pitch = (area.height() - TitleHeight) / SheetLines;
    for (int i = 0; i < SheetLines; ++i)
        s.lines[std::size_t(i)] =
            QRectF(Padding, TitleHeight + i * pitch, area.width() - 2 * Padding, pitch);
    return s;
}
