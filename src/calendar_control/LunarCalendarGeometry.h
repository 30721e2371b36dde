#pragma once

#include <QDate>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// The arithmetic of the calendar control's layout: where the day grid sits, how its rows
// and columns share the space, where the large background digits and the picture go, and
// how grid positions map to the 42 cells.
class LunarCalendarGeometry {
public:
    static constexpr int kColumnCount = 9; // week number, Sunday .. Saturday, filler
    static constexpr int kRowCount = 7;    // weekday header, six weeks

    // The day grid's bounds in a control of the given size; width and height may come out
    // negative for a control too small for it.
    static QRect gridBounds(const QSize &control, bool showTitle);
    // Columns 1..7 get (W - col0) div 7 - 1 each, column 8 the rest of W.
    static std::vector<int> columnWidths(int gridWidth, int col0Width);
    // Rows 1..5 get (H - 18) div 6 - 1 each, row 6 the rest of H.
    static std::vector<int> rowHeights(int gridHeight, int row0Height);

    // Cell index (column + 7 * (row - 1)) of a grid position; 0 for the header row and the
    // week-number and filler columns.
    static int cellIndex(int column, int row);
    // Grid position (x = column 1..7, y = row 1..6) of cell 1..42.
    static QPoint cellPosition(int index);
    // Weekday with Sunday = 1 .. Saturday = 7, in the calendar the grid shows (MonthGrid: Julian
    // before 1582-10-15); 0 for 1582-10-05 .. 14. The cell of a day is MonthGrid's cell + 1.
    static int sundayBasedWeekday(const QDate &date);

    // Where the large year and month digits go, from the grid's bounds (right and bottom
    // exclusive, as left + width and top + height).
    static QRect backYearRect(const QRect &grid);
    static QRect backMonthRect(const QRect &grid);

    // A picture of a x b scaled to fit a W x H box keeping its shape; at the top left, or
    // centred. A picture of height 0 leaves `previous` as it was.
    static QRect fittedRect(int a, int b, int W, int H, bool centred, const QRect &previous);
    // Where the background picture lands in a control of the given size.
    static QRect picturePlacement(const QSize &picture, const QSize &control, bool center,
                                  bool stretch);
};
