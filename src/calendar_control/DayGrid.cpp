#include "calendar_control/DayGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

DayGrid::DayGrid(int columnCount, int rowCount, QWidget *parent)
    : QWidget(parent), m_columnWidths(std::size_t(columnCount), 64),
      m_rowHeights(std::size_t(rowCount), 24) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DayGrid::setColumnWidth(int column, int width) {
    m_columnWidths.at(std::size_t(column)) = width;
    redraw();
}

void DayGrid::setRowHeight(int row, int height) {
    m_rowHeights.at(std::size_t(row)) = height;
    redraw();
}

QRect DayGrid::cellRect(int column, int row) const {
    int x = 0;
    for (int c = 0; c < column; ++c) x += m_columnWidths[std::size_t(c)];
    int y = 0;
    for (int r = 0; r < row; ++r) y += m_rowHeights[std::size_t(r)];
    return QRect(x, y, m_columnWidths.at(std::size_t(column)), m_rowHeights.at(std::size_t(row)));
}

QPoint DayGrid::cellAt(const QPoint &pos) const {
    if (pos.x() < 0 || pos.y() < 0) return QPoint(-1, -1);
    int column = -1;
    for (int c = 0, x = 0; c < columnCount(); ++c) {
        x += m_columnWidths[std::size_t(c)];
        if (pos.x() < x) {
            column = c;
            break;
        }
    }
    int row = -1;
    for (int r = 0, y = 0; r < rowCount(); ++r) {
        y += m_rowHeights[std::size_t(r)];
        if (pos.y() < y) {
            row = r;
            break;
        }
    }
    if (column < 0 || row < 0) return QPoint(-1, -1);
    return QPoint(column, row);
}

bool DayGrid::setCurrentCell(int column, int row) {
    if (column < 0 || column >= columnCount() || row < 0 || row >= rowCount()) return false;
    if (m_selectionFilter && !m_selectionFilter(column, row)) return false;
    if (column != m_currentColumn || row != m_currentRow) {
        m_currentColumn = column;
        m_currentRow = row;
        redraw();
    }
    return true;
}

void DayGrid::redraw() {
    m_stale = true;
    update();
}

const QImage &DayGrid::picture() {
    const QSize size(std::max(0, width()), std::max(0, height()));
    if (m_stale || m_picture.size() != size) {
        m_stale = false;
        if (m_picture.size() != size) m_picture = QImage(size, QImage::Format_RGB888);
        if (!m_picture.isNull()) {
            m_picture.fill(Qt::white);
            QPainter painter(&m_picture);
            for (int r = 0; r < rowCount(); ++r)
                for (int c = 0; c < columnCount(); ++c) {
                    const QRect rect = cellRect(c, r);
                    if (rect.width() <= 0 || rect.height() <= 0) continue;
                    if (!rect.intersects(m_picture.rect())) continue;
                    if (m_cellPainter) m_cellPainter(c, r, painter, rect);
                }
        }
    }
    return m_picture;
}

void DayGrid::paintEvent(QPaintEvent *) {
    const QImage &image = picture();
    QPainter painter(this);
    painter.drawImage(0, 0, image);
}

void DayGrid::resizeEvent(QResizeEvent *) {
    m_stale = true;
}

void DayGrid::mousePressEvent(QMouseEvent *event) {
    emit mousePressed();
    if (event->button() != Qt::LeftButton) return;
    m_leftPressed = true;
    const QPoint cell = cellAt(event->position().toPoint());
    if (cell.x() >= 0) setCurrentCell(cell.x(), cell.y());
}

void DayGrid::mouseMoveEvent(QMouseEvent *event) {
    // Dragging with the button down moves the current cell along, cell by cell.
    if (!m_leftPressed || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint cell = cellAt(event->position().toPoint());
    if (cell.x() >= 0 && (cell.x() != m_currentColumn || cell.y() != m_currentRow))
        setCurrentCell(cell.x(), cell.y());
}

void DayGrid::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !m_leftPressed) return;
    m_leftPressed = false;
    const QPoint pos = event->position().toPoint();
    if (rect().contains(pos)) emit clicked(pos);
}

void DayGrid::keyPressEvent(QKeyEvent *event) {
    int column = m_currentColumn;
    int row = m_currentRow;
    switch (event->key()) {
    case Qt::Key_Left:
        --column;
        break;
    case Qt::Key_Right:
        ++column;
        break;
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_Home:
        column = 0;
        if (event->modifiers() & Qt::ControlModifier) row = 0;
        break;
    case Qt::Key_End:
        column = columnCount() - 1;
        if (event->modifiers() & Qt::ControlModifier) row = rowCount() - 1;
        break;
    case Qt::Key_PageUp:
        row = 0;
        break;
    case Qt::Key_PageDown:
        row = rowCount() - 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (column != m_currentColumn || row != m_currentRow) setCurrentCell(column, row);
}

void DayGrid::leaveEvent(QEvent *event) {
    m_leftPressed = false;
    emit mouseLeft();
    QWidget::leaveEvent(event);
}

void DayGrid::focusInEvent(QFocusEvent *event) {
    redraw();
    QWidget::focusInEvent(event);
}

void DayGrid::focusOutEvent(QFocusEvent *event) {
    redraw();
    QWidget::focusOutEvent(event);
}
