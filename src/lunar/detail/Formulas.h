#pragma once

// The engine's closed formulas: the new-moon series and the solar terms of a year, and the
// rules that turn them into lunar days and months. YearCache keeps their results per year.

#include <array>

namespace lunar::detail {

// The 15 new moons around the start of year y (v = -1 .. 13), as floored day numbers.
using NewMoonDays = std::array<int, 15>;

NewMoonDays computeNewMoonDays(int y);

// Moment of term n (1 = 小寒 .. 24 = 冬至, counted from the civil year's start) in China
// Standard Time as a day of the year with fraction.
double computeSolarTermDayOfYear(int y, int n);

struct TermMoment {
    int month = 0, day = 0, hour = 0, minute = 0;
};

// Civil month, day, hour and minute of a term at day-of-year x in year y.
TermMoment termMomentOf(int y, long double x);

// Lunar day 1..30 of the civil date with the given day number, or -1.
int computeLunarDay(int y, int m, int d, int dayNumber, const NewMoonDays &newMoons);

// The lunar day as the month rule reads it.
int monthRuleDay(int lunarDay);

// The month number 1..12 counted from the epoch; it depends on the year and on the day
// number less the lunar day only, so it is the same for all days of one lunation.
int countedMonth(int y, long long lunationKey);

// Signed lunar month (-m for the leap month m) from the counted month v; e is the day as
// the month rule reads it.
int lunarMonthFromCount(int y, int m, int d, int e, int v);

int computeLunarMonth(int y, int m, int d, int dayNumber, int lunarDay);

} // namespace lunar::detail
