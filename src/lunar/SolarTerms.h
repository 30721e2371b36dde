#pragma once

// The 24 solar terms: their names, their moments in a civil year, and the solar months
// they begin. Plain functions without Qt, safe to call from any thread; texts are UTF-8.
// Years beyond +-1,000,000 get the failure value.

#include <string>

namespace lunar {

// 0..23: 立春 .. 大寒; empty text for an index out of range.
std::string SolarTermName(int index);

// Term t = 0..23 (0 = 小寒) in China Standard Time; false and nothing set for any other t.
bool SolarTermDate(int y, int t, int &month, int &day, int &hour, int &minute);
// Term name falling on the date, or empty.
std::string SolarTermText(double date);
std::string SolarTermText(int y, int m, int d);

// Solar year and solar month 1..12 (month 1 starts at 立春).
bool SolarMonthOf(int y, int m, int d, int &solarYear, int &solarMonth);

} // namespace lunar
