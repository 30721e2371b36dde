#include "pages/RuledPaper.h"

#include <QPainter>

RuledPaper::RuledPaper(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The paper only shows; a click on it must not take the focus from a line being edited.
    setFocusPolicy(Qt::NoFocus);
}

void RuledPaper::setGrid(int columns, int columnWidth, int rows, int rowHeight) {
    m_columns = columns;
    m_columnWidth = columnWidth;
    m_rows = rows;
    m_rowHeight = rowHeight;
    update();
}

void RuledPaper::draw(QPainter &painter, const QSize &size, int columns, int columnWidth, int rows,
                      int rowHeight) {
    painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    if (columns <= 0 || rows <= 0 || rowHeight < 0) return;
    const int cellWidth = columnWidth > 0 ? columnWidth : size.width() / columns - 1;
    const int right = columns * (cellWidth + 1) - 1;
    painter.setPen(RuleColor);
    for (int r = 0; r < rows; ++r) {
        const int y = (r + 1) * (rowHeight + 1) - 1;
        if (y >= size.height()) break;
        painter.drawLine(0, y, right, y);
    }
}

void RuledPaper::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    draw(painter, size(), m_columns, m_columnWidth, m_rows, m_rowHeight);
}
