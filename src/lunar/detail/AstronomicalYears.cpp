#include "lunar/detail/AstronomicalYears.h"

#include "lunar/CivilDate.h"
#include "lunar/detail/Formulas.h"
#include "lunar/detail/LeapMonths.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace lunar::detail {

namespace {

// The series gives days counted from 0001-01-01 (Julian) = -1.
constexpr int kSeriesToJulianDay = 1721425;
constexpr int kNewYear1900 = 2415051;

struct Lunation {
    int firstDay = 0;
    int year = 0, month = 0;
    bool leap = false;
};

// The new moons from before -849 to 1900 as Julian Day Numbers, one per lunation in order.
// Each year's window of the series overlaps its neighbours'; a lunation takes its day from
// the window whose middle it is nearest to.
std::vector<int> newMoonDays() {
    const int firstYear = -851, lastYear = 1900;
    const auto lunationOf = [](int y) {
        return static_cast<long long>(std::floor((static_cast<long double>(y) - 1900) * 12.3685L));
    };
    const long long first = lunationOf(firstYear) - 1;
    const long long last = lunationOf(lastYear) + 13;
    std::vector<int> days(static_cast<std::size_t>(last - first + 1), 0);
    std::vector<int> distance(days.size(), 99);
    for (int y = firstYear; y <= lastYear; ++y) {
        const NewMoonDays window = computeNewMoonDays(y);
        for (int v = -1; v <= 13; ++v) {
            const std::size_t index = static_cast<std::size_t>(lunationOf(y) + v - first);
            if (std::abs(v - 6) < distance[index]) {
                distance[index] = std::abs(v - 6);
                days[index] = window[static_cast<std::size_t>(v + 1)] + kSeriesToJulianDay;
            }
        }
    }
    return days;
}

// The month before a lunar month, with the leap months of the leap table.
Lunation previousLabel(const Lunation &l) {
    Lunation p;
    if (l.leap) {
        p.year = l.year;
        p.month = l.month;
        return p;
    }
    if (l.month == 1) {
        p.year = l.year == 1 ? -1 : l.year - 1;
        p.month = 12;
        p.leap = ClampedLeapMonthOf(p.year) == 12;
        return p;
    }
    p.year = l.year;
    p.month = l.month - 1;
    p.leap = ClampedLeapMonthOf(l.year) == p.month;
    return p;
}

struct ComputedYears {
    std::vector<YearRecord> records;
    YearTable table;
};

ComputedYears buildYears() {
    ComputedYears years;
    std::vector<YearRecord> &records = years.records;
    const std::vector<int> days = newMoonDays();
    std::size_t anchor = 0;
    while (days[anchor] != kNewYear1900) ++anchor;

    // Name the lunations backwards until the one holding -849-01-01, and then to the
    // start of a regular month, where a year record can begin.
    const int firstCivilDay = JulianDayOf(kFirstYear, 1, 1);
    std::vector<Lunation> lunations;
    Lunation label{days[anchor], 1900, 1, false};
    for (std::size_t i = anchor; i-- > 0;) {
        label = previousLabel(label);
        label.firstDay = days[i];
        lunations.push_back(label);
        if (label.firstDay <= firstCivilDay && !label.leap) break;
    }

    YearTable &table = years.table;
    table.firstYear = lunations.back().year;
    table.endDay = kNewYear1900;
    for (std::size_t i = lunations.size(); i-- > 0;) {
        const Lunation &l = lunations[i];
        const int end = i > 0 ? lunations[i - 1].firstDay : kNewYear1900;
        if (records.empty() || l.year != table.yearAt(static_cast<int>(records.size()) - 1)) {
            YearRecord r;
            r.firstDay = l.firstDay;
            r.firstMonth = static_cast<std::int8_t>(l.month);
            records.push_back(r);
        }
        YearRecord &r = records.back();
        if (l.leap) r.leapMonth = static_cast<std::int8_t>(l.month);
        if (end - l.firstDay == 30) r.longMonths |= static_cast<std::uint16_t>(1u << r.monthCount);
        ++r.monthCount;
    }
    table.count = static_cast<int>(records.size());
    return years;
}

} // namespace

const YearTable &AstronomicalYears() {
    static const ComputedYears years = [] {
        ComputedYears built = buildYears();
        // Pointed at only once the records have their final place.
        built.table.records = built.records.data();
        return built;
    }();
    return years.table;
}

} // namespace lunar::detail
