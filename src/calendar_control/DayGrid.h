#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <vector>

// A draw grid without lines, scroll bars or fixed cells: every cell is drawn by the owner
// through OnDrawCell, and every move of the current cell (mouse, keys or SetCurrent) is
// first put to OnSelectCell, which may refuse it. The composed picture is kept and only
// rebuilt after Redraw().
class DayGrid : public QWidget {
    Q_OBJECT
public:
    DayGrid(int columnCount, int rowCount, QWidget *parent = nullptr);

    using SelectCellEvent = std::function<void(int column, int row, bool &allowed)>;
    // rect is the cell in grid coordinates.
    using DrawCellEvent =
        std::function<void(int column, int row, QPainter &target, const QRect &rect)>;

    int ColumnCount() const { return int(FColWidths.size()); }
    int RowCount() const { return int(FRowHeights.size()); }
    int ColWidth(int column) const { return FColWidths.at(column); }
    int RowHeight(int row) const { return FRowHeights.at(row); }
    void SetColWidth(int column, int width);
    void SetRowHeight(int row, int height);
    // Cell rectangle in grid coordinates (may reach outside the widget).
    QRect CellRect(int column, int row) const;
    // Cell under a grid point, or (-1, -1).
    QPoint CellAt(const QPoint &pos) const;

    int Col() const { return FCol; }
    int Row() const { return FRow; }
    // Moves the current cell when OnSelectCell allows it (or is not set); true when it moved
    // or was already there and allowed.
    bool SetCurrent(int column, int row);

    // Marks the picture stale and schedules a repaint.
    void Redraw();
    // The composed picture of all cells, rebuilt first when stale.
    const QImage &Picture();

    SelectCellEvent OnSelectCell;
    DrawCellEvent OnDrawCell;
    std::function<void(QMouseEvent *event)> OnMouseDown;
    // A left click (press and release on the grid) at a grid point.
    std::function<void(const QPoint &pos)> OnClick;
    std::function<void()> OnMouseLeave;

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
    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    int FCol = 0;
    int FRow = 0;
    bool FLeftPressed = false;
    bool FStale = true;
    QImage FPicture;
};
