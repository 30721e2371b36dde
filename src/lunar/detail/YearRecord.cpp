#include "lunar/detail/YearRecord.h"

namespace lunar::detail {

namespace {

int monthLength(const YearTable &table, int index, int position) {
    const YearRecord &year = table.records[index];
    const int end = position + 1 < year.monthCount ? year.firstDay + MonthOffset(year, position + 1)
                                                   : table.yearEnd(index);
    return end - year.firstDay - MonthOffset(year, position);
}

} // namespace

int PositionOfMonth(const YearRecord &year, int month, bool leap) {
    if (month < year.firstMonth || month > 12 || month == year.skippedMonth) return -1;
    if (leap && month != year.leapMonth) return -1;
    int index = month - year.firstMonth;
    if (year.skippedMonth != 0 && year.skippedMonth < month) --index;
    if (year.leapMonth != 0 && (year.leapMonth < month || leap)) ++index;
    return index < year.monthCount ? index : -1;
}

void TableDateOf(const YearTable &table, int jdn, TableDate &date) {
    // Estimate the year from a mean year length (11484 / 2^22 is 1 / 365.2425 to four
    // places), then step to it: one step at most.
    const long long sinceFirst = static_cast<long long>(jdn) - table.firstDay();
    int index = static_cast<int>((sinceFirst * 11484) >> 22);
    if (index >= table.count) index = table.count - 1;
    if (index < 0) index = 0;
    while (index > 0 && jdn < table.records[index].firstDay) --index;
    while (index + 1 < table.count && jdn >= table.records[index + 1].firstDay) ++index;
    const YearRecord &year = table.records[index];
    const int offset = jdn - year.firstDay;
    // The same for the month (2219 / 2^16 is 1 / 29.53): its first day is 29 days a month
    // on, plus one for each long month before it.
    int position = (offset * 2219) >> 16;
    if (position >= year.monthCount) position = year.monthCount - 1;
    int start = MonthOffset(year, position);
    while (start > offset) {
        --position;
        start -= 29 + ((year.longMonths >> position) & 1);
    }
    while (position + 1 < year.monthCount) {
        const int next = start + 29 + ((year.longMonths >> position) & 1);
        if (next > offset) break;
        start = next;
        ++position;
    }
    date.year = table.yearAt(index);
    MonthAtPosition(year, position, date.month, date.leap);
    date.day = offset - start + 1;
}

int TableDayOf(const YearTable &table, int year, int month, int day, bool leap) {
    const int index = table.indexOf(year);
    if (index < 0 || day < 1) return 0;
    const YearRecord &record = table.records[index];
    const int position = PositionOfMonth(record, month, leap);
    if (position < 0 || day > monthLength(table, index, position)) return 0;
    return record.firstDay + MonthOffset(record, position) + day - 1;
}

} // namespace lunar::detail
