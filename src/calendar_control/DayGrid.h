#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

// A draw grid without lines, scroll bars or fixed cells: every cell is drawn by the owner
// through the cell painter, and every move of the current cell (mouse, keys or
// setCurrentCell) is first put to the selection filter, which may refuse it. The composed
// picture is kept and only rebuilt after redraw().
class DayGrid : public QWidget {
    Q_OBJECT
public:
    DayGrid(int columnCount, int rowCount, QWidget *parent = nullptr);

    // True when the current cell may move to (column, row).
    using SelectionFilter = std::function<bool(int column, int row)>;
    // rect is the cell in grid coordinates.
    using CellPainter =
        std::function<void(int column, int row, QPainter &target, const QRect &rect)>;

    void setSelectionFilter(SelectionFilter filter) { m_selectionFilter = std::move(filter); }
    void setCellPainter(CellPainter painter) { m_cellPainter = std::move(painter); }

    int columnCount() const { return int(m_columnWidths.size()); }
    int rowCount() const { return int(m_rowHeights.size()); }
    int columnWidth(int column) const { return m_columnWidths.at(column); }
    int rowHeight(int row) const { return m_rowHeights.at(row); }
    void setColumnWidth(int column, int width);
    void setRowHeight(int row, int height);
    // Cell rectangle in grid coordinates (may reach outside the widget).
    QRect cellRect(int column, int row) const;
    // Cell under a grid point, or (-1, -1).
    QPoint cellAt(const QPoint &pos) const;

    int currentColumn() const { return m_currentColumn; }
    int currentRow() const { return m_currentRow; }
    // Moves the current cell when the selection filter allows it (or none is set); true when
    // it moved or was already there and allowed.
    bool setCurrentCell(int column, int row);

    // Marks the picture stale and schedules a repaint.
    void redraw();
    // The composed picture of all cells, rebuilt first when stale.
    const QImage &picture();

signals:
    // A mouse button went down on the grid, before the current cell follows it.
    void mousePressed();
    // A left click (press and release on the grid) at a grid point.
    void clicked(const QPoint &pos);
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    std::vector<int> m_columnWidths;
    std::vector<int> m_rowHeights;
    int m_currentColumn = 0;
    int m_currentRow = 0;
    bool m_leftPressed = false;
    bool m_stale = true;
    QImage m_picture;
    SelectionFilter m_selectionFilter;
    CellPainter m_cellPainter;
};
