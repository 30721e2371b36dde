#include "lunar/detail/LeapMonths.h"

#include "lunar/LunarDate.h"

namespace lunar::detail {

namespace {

constexpr int kLeapMonthTableSize = 2950;

} // namespace

std::string_view LeapMonthTable() {
    // The build refuses a data file of any other length.
    return std::string_view(kLeapMonthData, kLeapMonthTableSize);
}

const std::array<std::int32_t, 2949> &LeapCountTable() {
    static const std::array<std::int32_t, 2949> table = [] {
        std::array<std::int32_t, 2949> counts{};
        std::int32_t count = 0;
        std::size_t index = 0;
        for (int y = kFirstYear; y <= kLastYear; ++y) {
            if (y == 0) continue;
            if (LeapMonthOf(y) > 0) ++count;
            counts[index++] = count;
        }
        return counts;
    }();
    return table;
}

int ClampedLeapMonthOf(int y) {
    const int month = LeapMonthOf(y);
    return month < 0 ? 0 : month;
}

int LeapCountOf(int y) {
    if (y < kFirstYear) return 0;
    if (y > kLastYear) y = kLastYear;
    if (y == 0) y = -1;
    const int index = y < 0 ? y - kFirstYear : y - kFirstYear - 1;
    return LeapCountTable()[static_cast<std::size_t>(index)];
}

} // namespace lunar::detail
