#pragma once

#include <QString>

#include <array>

// One slot of the content table: the day label ("1" .. "31", or "S" for a day outside the month
// shown) and the cell's note, trimmed.
struct TMonthCon {
    QString DayText;
    QString Content;
};

// The content table: the 42 cells of the page captured last, in the page's own cell order.
using MonthCons = std::array<TMonthCon, 42>;
