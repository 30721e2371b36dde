#pragma once

#include "wallpaper/TMonthCon.h"

#include <QDate>
#include <QStringList>

#include <array>

// Copies the 42 cells of a page into the content table. The inputs are plain: the cells' texts
// in cell order and, for the month page, the cells' dates and the month the grid shows.
class ContentCapture {
public:
    // Fills DayText (the day of the month, or "S" when the cell's month differs from
    // `shownMonth`) and Content of all 42 slots. Missing texts count as empty.
    static void CaptureMonthCells(MonthCons &cons, const QStringList &texts,
                                  const std::array<QDate, 42> &cellDates, int shownMonth);
    // Fills Content of all 42 slots; DayText is left as an earlier month capture set it.
    static void CaptureNoteCells(MonthCons &cons, const QStringList &texts);
    // Removes every character of code 32 or below from both ends; inner line breaks stay.
    static QString trimmed(const QString &text);
};
