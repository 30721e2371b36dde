#include "lunar/detail/YearRecord.h"

namespace lunar::detail {

namespace {

int leapPosition(const YearRecord &year) {
    if (year.leapMonth == 0) return 99;
    const bool skippedBefore = year.skippedMonth != 0 && year.skippedMonth < year.leapMonth;
    return year.leapMonth - year.firstMonth + 1 - (skippedBefore ? 1 : 0);
}

int monthLength(const YearTable &table, int index, int position) {
    const YearRecord &year = table.records[index];
    const int end = position + 1 < year.monthCount ? year.firstDay + MonthOffset(year, position + 1)
                                                   : table.yearEnd(index);
    return end - year.firstDay - MonthOffset(year, position);
}

} // namespace

void MonthAtPosition(const YearRecord &year, int index, int &month, bool &leap) {
    const int leapAt = leapPosition(year);
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

int PositionOfMonth(const YearRecord &year, int month, bool leap) {
    if (month < year.firstMonth || month > 12 || month == year.skippedMonth) return -1;
    if (leap && month != year.leapMonth) return -1;
    int index = month - year.firstMonth;
    if (year.skippedMonth != 0 && year.skippedMonth < month) --index;
    if (year.leapMonth != 0 && (year.leapMonth < month || leap)) ++index;
    return index < year.monthCount ? index : -1;
}

} // namespace lunar::detail

namespace lunar::detail {

TableDate TableDateOf(const YearTable &table, int jdn) {
    // Estimate the year from a mean year length, then step to it: one step at most.
    int index =
        static_cast<int>((static_cast<long long>(jdn) - table.firstDay()) * 10000 / 3652425);
    if (index >= table.count) index = table.count - 1;
    if (index < 0) index = 0;
    while (index > 0 && jdn < table.records[index].firstDay) --index;
    while (index + 1 < table.count && jdn >= table.records[index + 1].firstDay) ++index;
    const YearRecord &year = table.records[index];
    const int offset = jdn - year.firstDay;
    int position = offset * 100 / 2953;
    if (position >= year.monthCount) position = year.monthCount - 1;
    while (position > 0 && MonthOffset(year, position) > offset) --position;
    while (position + 1 < year.monthCount && MonthOffset(year, position + 1) <= offset) ++position;
    TableDate date;
    date.year = table.yearAt(index);
    MonthAtPosition(year, position, date.month, date.leap);
    date.day = offset - MonthOffset(year, position) + 1;
    return date;
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
