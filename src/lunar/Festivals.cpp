#include "lunar/Festivals.h"

#include "lunar/CivilDate.h"
#include "lunar/LunarDate.h"

#include <cmath>

namespace lunar {

namespace {

// Sunday = 1 ... Saturday = 7, on the engine's calendar.
int weekdayOf(int y, int m, int d) {
    return CivilWeekday(y, m, d) % 7 + 1;
}

// Sunday = 1 ... Saturday = 7 of day `day` in the month of a Date whose day of the month is
// `dateDay`. Dates count proleptic Gregorian days, the calendar of the month grid: Date 0,
// 1899-12-30, was a Saturday.
int weekdayOfDateMonth(double date, int dateDay, int day) {
    const long long n = static_cast<long long>(std::trunc(date)) - dateDay + day + 6;
    return static_cast<int>((n % 7 + 7) % 7) + 1;
}

constexpr int kSunday = 1;
constexpr int kThursday = 5;

// `weekday` is that of (month, day) on the calendar the caller shows its days in.
std::string civilFestival(int month, int day, int weekday) {
    std::string text;
    switch (month) {
    case 1:
        if (day == 1) text = "元旦节";
        break;
    case 2:
        if (day == 14) text = "情人节";
        break;
    case 3:
        if (day == 8) text = "妇女节";
        break;
    case 4:
        if (day == 1) text = "愚人节";
        break;
    case 5:
        if (day == 1) text = "劳动节";
        if (day == 4) text = "青年节";
        if (day >= 1 && weekday == kSunday && (day - 1) / 7 == 1) text = "母亲节";
        break;
    case 6:
        if (day == 1) text = "儿童节";
        if (day >= 1 && weekday == kSunday && (day - 1) / 7 == 2) text = "父亲节";
        break;
    case 7:
        if (day == 1) text = "建党节";
        break;
    case 8:
        if (day == 1) text = "建军节";
        break;
    case 9:
        if (day == 10) text = "教师节";
        break;
    case 10:
        if (day == 1) text = "国庆节";
        if (day == 6) text = "老人节";
        if (day == 31) text = "万圣节";
        break;
    case 11:
        if (day == 8) text = "记者日";
        if (day >= 1 && weekday == kThursday && (day - 1) / 7 == 3) text = "感恩节";
        break;
    case 12:
        if (day == 25) text = "圣诞节";
        break;
    default:
        break;
    }
    return text;
}

} // namespace

std::string CivilFestivalText(int day, double date) {
    int y = 0, m = 0, d = 0;
    if (!DateToCivil(date, y, m, d)) return {};
    return civilFestival(m, day, weekdayOfDateMonth(date, d, day));
}

std::string CivilFestivalTextOf(int year, int month, int day) {
    return civilFestival(month, day, weekdayOf(year, month, day));
}

namespace {

// The festivals that depend on the lunar day alone; `eve` tells whether the next day is
// the first day of the first month.
template <typename Eve> std::string lunarFestival(int lunarMonth, int lunarDay, Eve eve) {
    switch (lunarDay) {
    case 1:
        return lunarMonth == 1 ? "春节" : "";
    case 5:
        return lunarMonth == 5 ? "端午节" : "";
    case 7:
        return lunarMonth == 7 ? "七夕节" : "";
    case 8:
        return lunarMonth == 12 ? "腊八节" : "";
    case 9:
        return lunarMonth == 9 ? "重阳节" : "";
    case 15:
        if (lunarMonth == 8) return "中秋节";
        return lunarMonth == 1 ? "元宵节" : "";
    default:
        return lunarDay >= 28 && eve() ? "除夕" : "";
    }
}

} // namespace

std::string LunarFestivalText(int lunarMonth, int lunarDay, double date) {
    return lunarFestival(lunarMonth, lunarDay, [date] {
        int y = 0, m = 0, d = 0;
        bool leap = false;
        return DateToLunar(date + 1, y, m, d, leap) && m == 1 && d == 1 && !leap;
    });
}

std::string LunarFestivalTextOf(int lunarMonth, int lunarDay, int year, int month, int day,
                                LunarCalendar calendar) {
    return lunarFestival(lunarMonth, lunarDay, [=] {
        int y = year, m = month, d = day;
        if (!NextCivilDay(y, m, d)) return false;
        int ly = 0, lm = 0, ld = 0;
        bool leap = false;
        return CivilToLunar(y, m, d, ly, lm, ld, leap, calendar) && lm == 1 && ld == 1 && !leap;
    });
}

} // namespace lunar
