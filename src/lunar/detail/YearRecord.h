#pragma once

// One lunar year as the engine's month tables keep it: where it starts, which months it has
// and which of them are long. The month lookups on such records are direct: a month's first
// day is the year's first day plus 29 days a month and one more for each long month before.

#include <array>
#include <cstdint>

namespace lunar::detail {

struct YearRecord {
    // Julian Day Number of the first day of the year's first month.
    std::int32_t firstDay = 0;
    // Bit i set: the i-th month of the year, in order, has 30 days (else 29). The last
    // month's length comes from the next year's first day.
    std::uint16_t longMonths = 0;
    // The number of the year's first month: 1, or 12 for a year whose start lies before
    // the table.
    std::int8_t firstMonth = 1;
    // The month that is followed by its leap month, 0 for none.
    std::int8_t leapMonth = 0;
    // A month number the year leaves out (a change of calendar), 0 for none.
    std::int8_t skippedMonth = 0;
    std::int8_t monthCount = 0;
};

// Set bits of each byte value; the builtin population count becomes a library call on
// targets built without the instruction.
constexpr std::array<std::uint8_t, 256> kByteBitCounts = [] {
    std::array<std::uint8_t, 256> counts{};
    for (int i = 1; i < 256; ++i) counts[i] = static_cast<std::uint8_t>((i & 1) + counts[i / 2]);
    return counts;
}();

inline int BitCount16(unsigned x) {
    return kByteBitCounts[x & 0xffu] + kByteBitCounts[(x >> 8) & 0xffu];
}

// Days from the year's first day to the first day of its month at position `index`.
inline int MonthOffset(const YearRecord &year, int index) {
    return 29 * index + BitCount16(year.longMonths & ((1u << index) - 1u));
}

// Month number and leap flag of the month at position `index` (0-based) of the year.
inline void MonthAtPosition(const YearRecord &year, int index, int &month, bool &leap) {
    int leapAt = 99;
    if (year.leapMonth != 0) {
        const bool skippedBefore = year.skippedMonth != 0 && year.skippedMonth < year.leapMonth;
        leapAt = year.leapMonth - year.firstMonth + 1 - (skippedBefore ? 1 : 0);
    }
    if (index == leapAt) {
        month = year.leapMonth;
        leap = true;
        return;
    }
    int number = year.firstMonth + index - (index > leapAt ? 1 : 0);
    if (year.skippedMonth != 0 && number >= year.skippedMonth) ++number;
    month = number;
    leap = false;
}
// Position of a month in the year, or -1 when the year has no such month.
int PositionOfMonth(const YearRecord &year, int month, bool leap);

// Consecutive lunar years, the first of them `firstYear` (negative), numbered without a
// year 0 as the civil years are; the last one ends the day before `endDay`.
struct YearTable {
    const YearRecord *records = nullptr;
    int count = 0;
    int firstYear = 0;
    int endDay = 0;

    int yearAt(int index) const {
        const int y = firstYear + index;
        return y >= 0 ? y + 1 : y;
    }
    // -1 when the table has no such year.
    int indexOf(int year) const {
        if (year == 0) return -1;
        const int index = year - firstYear - (year > 0 ? 1 : 0);
        return index >= 0 && index < count ? index : -1;
    }
    int firstDay() const { return records[0].firstDay; }
    int yearEnd(int index) const {
        return index + 1 < count ? records[index + 1].firstDay : endDay;
    }
};

struct TableDate {
    int year = 0, month = 0, day = 0;
    bool leap = false;
};

// The lunar date of a Julian Day Number inside the table (firstDay() <= jdn < endDay).
// Filled in place rather than returned: the returned record cost a stalled reload per call.
void TableDateOf(const YearTable &table, int jdn, TableDate &date);
// The Julian Day Number of a lunar date of the table, 0 when the table has no such date.
int TableDayOf(const YearTable &table, int year, int month, int day, bool leap);

} // namespace lunar::detail
