#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// The ruled paper behind one-line notes (the general and calendar notes pages, the memo list): a
// white grid of `columns` x `rows` cells with horizontal rules only and no cell contents. Each cell
// is followed by a one-pixel rule, so the rule of row r runs at y = (r + 1) * (rowHeight + 1) - 1
// across every column.
class RuledPaper : public QWidget {
    Q_OBJECT
public:
    static inline const QColor RuleColor{192, 192, 192};

    explicit RuledPaper(QWidget *parent = nullptr);

    // A column width of 0 lets the columns share the widget's width.
    void setGrid(int columns, int columnWidth, int rows, int rowHeight);

    // Paints a sheet of `size` into `painter`: white ground and the rules.
    static void draw(QPainter &painter, const QSize &size, int columns, int columnWidth, int rows,
                     int rowHeight);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_columns = 1;
    int m_columnWidth = 0;
    int m_rows = 1;
    int m_rowHeight = 24;
};
