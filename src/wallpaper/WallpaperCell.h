#pragma once

#include <QString>

#include <array>

// One cell of the captured notes: the day label ("1" .. "31", or "S" for a day outside the month
// shown) and the cell's note, trimmed.
struct WallpaperCell {
    QString dayLabel;
    QString note;
};

// The 42 cells of the page captured last, in the page's own cell order.
using WallpaperCells = std::array<WallpaperCell, 42>;
