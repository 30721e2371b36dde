#pragma once

// Per-year values of the formulas (new moons, solar terms, the lunar day and month of every
// day, lunar new year), computed once on first use and shared by all threads, and the
// queries that read them. Every cached value is the formula's own result for that year, so
// callers see no difference; years outside the cache get the formulas directly.

#include "lunar/CivilDate.h"
#include "lunar/detail/Formulas.h"

namespace lunar::detail {

// Lunar day and signed month (-m for the leap month m) of a civil date.
void lunarDayAndMonth(int y, int m, int d, int &day, int &signedMonth);
// Lunar day 1..30, or -1 when no new moon lies within the window of the year.
int LunarDayOf(int y, int m, int d);
// Signed lunar month: -m is the leap month m.
int LunarMonthOf(int y, int m, int d);
// Civil years -849..2100.
bool CivilToLunarMonthDay(int y, int m, int d, int &lunarMonth, int &lunarDay, bool &leap);

// The civil date of lunar new year's day of y (a year of the conversion range), as the
// reverse search finds it; false when it finds none.
bool lunarNewYearOf(int y, CivilDate &date);
// The civil date of a lunar date, by a binary search over the civil days of the lunar year.
bool searchLunarToCivil(int Y, int M, int Dd, bool leap, CivilDate &out);

// Moment of term n (1 = 小寒 .. 24 = 冬至, counted from the civil year's start)
// in China Standard Time as a day of the year with fraction: 1.5 is Jan 1 noon.
double SolarTermDayOfYear(int y, int n);
// The whole day of the year of term n.
int termDay(int y, int n);
// Month, day, hour and minute of term t = 0..23 (0 = 小寒).
TermMoment solarTermMoment(int y, int t);

} // namespace lunar::detail
