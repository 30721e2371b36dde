#pragma once

#include <array>
#include <string>

namespace lunar {

// The reign eras of Chinese history from the Xia to 1949, one text per row with seven
// comma-separated fields: start year, year count, offset, dynasty, ruler's title, ruler's
// personal name, era name. The offset is the number of years an era had already run when
// the row starts (a ruler who kept his predecessor's era), so the row's first year is year
// offset + 1 of the era. Rows come in dynasty blocks; the southern and northern dynasties
// are listed one block after the other, so start years fall back at block borders. Years
// before 1 are numbered astronomically in the rows (-245 is 246 BC). The last row only
// ends the one before it.
class EraTable {
public:
    static constexpr int kRowCount = 529;
    static const std::array<const char *, kRowCount> &Rows();
};

// Reign-era text of a civil year, such as "[明]太祖 朱元璋 洪武元年"; empty outside
// -2069 <= year < 1949. The first row of the era table (in table order) whose years
// contain the year gives the text; the year number counts on from the row's offset.
std::string EraTextOf(int year);

} // namespace lunar
