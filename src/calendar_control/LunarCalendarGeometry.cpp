#include "calendar_control/LunarCalendarGeometry.h"

#include "base/MonthGrid.h"

#include <cmath>

QRect LunarCalendarGeometry::gridBounds(const QSize &control, bool showTitle) {
    if (showTitle) return QRect(8, 40, control.width() - 15, control.height() - 67);
    return QRect(2, 2, control.width() - 4, control.height() - 4);
}

std::vector<int> LunarCalendarGeometry::columnWidths(int gridWidth, int col0Width) {
    std::vector<int> widths(kColumnCount);
    widths[0] = col0Width;
    const int each = (gridWidth - col0Width) / 7 - 1;
    int used = col0Width;
    for (int c = 1; c <= 7; ++c) {
        widths[c] = each;
        used += each;
    }
    widths[8] = gridWidth - used;
    return widths;
}

std::vector<int> LunarCalendarGeometry::rowHeights(int gridHeight, int row0Height) {
    std::vector<int> heights(kRowCount);
    heights[0] = row0Height;
    const int each = (gridHeight - 18) / 6 - 1;
    int used = row0Height;
    for (int r = 1; r <= 5; ++r) {
        heights[r] = each;
        used += each;
    }
    heights[6] = gridHeight - used;
    return heights;
}

int LunarCalendarGeometry::cellIndex(int column, int row) {
    if (column < 1 || column > 7 || row < 1 || row > 6) return 0;
    return column + 7 * (row - 1);
}

QPoint LunarCalendarGeometry::cellPosition(int index) {
    return QPoint((index - 1) % 7 + 1, (index - 1) / 7 + 1);
}

int LunarCalendarGeometry::sundayBasedWeekday(const QDate &date) {
    return MonthGrid::weekday(date.year(), date.month(), date.day()) + 1;
}

QRect LunarCalendarGeometry::backYearRect(const QRect &grid) {
    const int right = grid.x() + grid.width();
    const int bottom = (grid.y() + grid.height()) / 2;
    return QRect(QPoint(grid.x(), grid.y() + 6), QPoint(right - 1, bottom + 6 - 1));
}

QRect LunarCalendarGeometry::backMonthRect(const QRect &grid) {
    const int right = grid.x() + grid.width();
    const int bottom = grid.y() + grid.height();
    return QRect(QPoint(grid.x(), bottom / 2), QPoint(right - 1, bottom - 1));
}

QRect LunarCalendarGeometry::fittedRect(int a, int b, int W, int H, bool centred,
                                        const QRect &previous) {
    if (b == 0) return previous;
    const double r = double(a) / double(b);
    int width = 0;
    int height = 0;
    if (b < a) {
        height = int(std::trunc(W / r));
        width = W;
        if (H < height) {
            width = int(std::trunc(r * H));
            height = H;
        }
    } else {
        width = int(std::trunc(r * H));
        height = H;
        if (W < width) {
            height = int(std::trunc(W / r));
            width = W;
        }
    }
    if (centred) return QRect((W - width) / 2, (H - height) / 2, width, height);
    return QRect(0, 0, width, height);
}

QRect LunarCalendarGeometry::picturePlacement(const QSize &picture, const QSize &control,
                                              bool center, bool stretch) {
    const int W = control.width();
    const int H = control.height();
    if (stretch) {
        const QRect whole(0, 0, W, H);
        return fittedRect(picture.width(), picture.height(), W, H, center, whole);
    }
    if (center)
        return QRect((W - picture.width()) / 2, (H - picture.height()) / 2, picture.width(),
                     picture.height());
    return QRect(QPoint(0, 0), picture);
}
