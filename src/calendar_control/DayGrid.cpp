#include "calendar_control/DayGrid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

DayGrid::DayGrid(int columnCount, int rowCount, QWidget *parent)
    : QWidget(parent), FColWidths(std::size_t(columnCount), 64),
      FRowHeights(std::size_t(rowCount), 24) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DayGrid::SetColWidth(int column, int width) {
    FColWidths.at(std::size_t(column)) = width;
    Redraw();
}

void DayGrid::SetRowHeight(int row, int height) {
    FRowHeights.at(std::size_t(row)) = height;
    Redraw();
}

QRect DayGrid::CellRect(int column, int row) const {
    int x = 0;
    for (int c = 0; c < column; ++c) x += FColWidths[std::size_t(c)];
    int y = 0;
    for (int r = 0; r < row; ++r) y += FRowHeights[std::size_t(r)];
    return QRect(x, y, FColWidths.at(std::size_t(column)), FRowHeights.at(std::size_t(row)));
}

QPoint DayGrid::CellAt(const QPoint &pos) const {
    if (pos.x() < 0 || pos.y() < 0) return QPoint(-1, -1);
    int column = -1;
    for (int c = 0, x = 0; c < ColumnCount(); ++c) {
        x += FColWidths[std::size_t(c)];
        if (pos.x() < x) {
            column = c;
            break;
        }
    }
    int row = -1;
    for (int r = 0, y = 0; r < RowCount(); ++r) {
        y += FRowHeights[std::size_t(r)];
        if (pos.y() < y) {
            row = r;
            break;
        }
    }
    if (column < 0 || row < 0) return QPoint(-1, -1);
    return QPoint(column, row);
}

bool DayGrid::SetCurrent(int column, int row) {
    if (column < 0 || column >= ColumnCount() || row < 0 || row >= RowCount()) return false;
    bool allowed = true;
    if (OnSelectCell) OnSelectCell(column, row, allowed);
    if (!allowed) return false;
    if (column != FCol || row != FRow) {
        FCol = column;
        FRow = row;
        Redraw();
    }
    return true;
}

void DayGrid::Redraw() {
    FStale = true;
    update();
}

const QImage &DayGrid::Picture() {
    const QSize size(std::max(0, width()), std::max(0, height()));
    if (FStale || FPicture.size() != size) {
        FStale = false;
        if (FPicture.size() != size) FPicture = QImage(size, QImage::Format_RGB888);
        if (!FPicture.isNull()) {
            FPicture.fill(Qt::white);
            QPainter painter(&FPicture);
            for (int r = 0; r < RowCount(); ++r)
                for (int c = 0; c < ColumnCount(); ++c) {
                    const QRect rect = CellRect(c, r);
                    if (rect.width() <= 0 || rect.height() <= 0) continue;
                    if (!rect.intersects(FPicture.rect())) continue;
                    if (OnDrawCell) OnDrawCell(c, r, painter, rect);
                }
        }
    }
    return FPicture;
}

void DayGrid::paintEvent(QPaintEvent *) {
    const QImage &picture = Picture();
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

void DayGrid::resizeEvent(QResizeEvent *) {
    FStale = true;
}

void DayGrid::mousePressEvent(QMouseEvent *event) {
    if (OnMouseDown) OnMouseDown(event);
    if (event->button() != Qt::LeftButton) return;
    FLeftPressed = true;
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() >= 0) SetCurrent(cell.x(), cell.y());
}

void DayGrid::mouseMoveEvent(QMouseEvent *event) {
    // Dragging with the button down moves the current cell along, cell by cell.
    if (!FLeftPressed || !(event->buttons() & Qt::LeftButton)) return;
    const QPoint cell = CellAt(event->position().toPoint());
    if (cell.x() >= 0 && (cell.x() != FCol || cell.y() != FRow)) SetCurrent(cell.x(), cell.y());
}

void DayGrid::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || !FLeftPressed) return;
    FLeftPressed = false;
    const QPoint pos = event->position().toPoint();
    if (rect().contains(pos) && OnClick) OnClick(pos);
}

void DayGrid::keyPressEvent(QKeyEvent *event) {
    int column = FCol;
    int row = FRow;
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
        column = ColumnCount() - 1;
        if (event->modifiers() & Qt::ControlModifier) row = RowCount() - 1;
        break;
    case Qt::Key_PageUp:
        row = 0;
        break;
    case Qt::Key_PageDown:
        row = RowCount() - 1;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if (column != FCol || row != FRow) SetCurrent(column, row);
}

void DayGrid::leaveEvent(QEvent *event) {
    FLeftPressed = false;
    if (OnMouseLeave) OnMouseLeave();
    QWidget::leaveEvent(event);
}

void DayGrid::focusInEvent(QFocusEvent *event) {
    Redraw();
    QWidget::focusInEvent(event);
}

void DayGrid::focusOutEvent(QFocusEvent *event) {
    Redraw();
    QWidget::focusOutEvent(event);
}
