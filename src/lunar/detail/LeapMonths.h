#pragma once

// The leap month tables behind the lunar conversion.

#include <array>
#include <cstdint>
#include <string_view>

namespace lunar::detail {

// The years the tables cover, and so the years the engine converts.
constexpr int kFirstYear = -849;
constexpr int kLastYear = 2100;

inline bool inConversionRange(int y) {
    return y >= kFirstYear && y <= kLastYear;
}

// The leap month of every year from -849 to 2100, compiled in from data/leap_months.txt.
extern const char kLeapMonthData[];

// 2950 characters, years -849..2100 with a slot for year 0 (index y + 849):
// '0' none, '1'..'9' and 'a'..'c' the leap month 1..12.
std::string_view LeapMonthTable();
// 2949 running counts of leap months since -849, no slot for year 0
// (index y + 849 for y < 0, y + 848 for y > 0).
const std::array<std::int32_t, 2949> &LeapCountTable();
// As LeapMonthOf, with -1 read as 0.
int ClampedLeapMonthOf(int y);
// Year 0 counts as year -1; years outside the table are clamped to its ends.
int LeapCountOf(int y);

} // namespace lunar::detail
