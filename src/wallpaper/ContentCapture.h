#pragma once

#include "wallpaper/WallpaperCell.h"

#include <QDate>
#include <QStringList>

#include <array>

// Copies the 42 cells of a page into the captured cells. The inputs are plain: the cells' texts
// in cell order and, for the month page, the cells' dates and the month the grid shows.
class ContentCapture {
public:
    // Fills dayLabel (the day of the month, or "S" when the cell's month differs from
    // `shownMonth`) and note of all 42 cells. Missing texts count as empty.
    static void captureMonthCells(WallpaperCells &cells, const QStringList &texts,
                                  const std::array<QDate, 42> &cellDates, int shownMonth);
    // Fills note of all 42 cells; dayLabel is left as an earlier month capture set it.
    static void captureNoteCells(WallpaperCells &cells, const QStringList &texts);
    // Removes every character of code 32 or below from both ends; inner line breaks stay.
    static QString trimmed(const QString &text);
};
