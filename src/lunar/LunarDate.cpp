#include "lunar/LunarDate.h"

#include "lunar/detail/LeapMonths.h"
#include "lunar/detail/YearCache.h"

namespace lunar {

namespace {

const char *const kMonthNames[12] = {"正", "二", "三", "四", "五", "六",
                                     "七", "八", "九", "十", "冬", "腊"};
const char *const kDayTens[6] = {"初", "十", "廿", "卅", "二", "三"};
const char *const kDayDigits[10] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};

} // namespace

int CompareLunarDates(const LunarDate &a, const LunarDate &b) {
    if (a.year != b.year) return a.year < b.year ? -1 : 1;
    if (a.month != b.month) return a.month < b.month ? -1 : 1;
    if (a.leap != b.leap) return a.leap ? 1 : -1;
    if (a.day != b.day) return a.day < b.day ? -1 : 1;
    return 0;
}

int LeapMonthOf(int y) {
    if (y < detail::kFirstYear || y > detail::kLastYear) return -1;
    const std::string_view table = detail::LeapMonthTable();
    const std::size_t index = static_cast<std::size_t>(y - detail::kFirstYear);
    if (index >= table.size()) return -1;
    const char c = table[index];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'c') return c - 'a' + 10;
    return -1;
}

bool CivilToLunar(int y, int m, int d, int &lunarYear, int &lunarMonth, int &lunarDay, bool &leap) {
    int month = 0, day = 0;
    bool isLeap = false;
    if (!detail::CivilToLunarMonthDay(y, m, d, month, day, isLeap)) return false;
    int year = y;
    CivilDate newYear;
    if (detail::lunarNewYearOf(y, newYear) && CompareCivilDates(newYear, {y, m, d}) > 0)
        year = y - 1;
    lunarYear = year;
    lunarMonth = month;
    lunarDay = day;
    leap = isLeap;
    return true;
}

bool CivilToLunar(const CivilDate &civil, LunarDate &lunar) {
    return CivilToLunar(civil.year, civil.month, civil.day, lunar.year, lunar.month, lunar.day,
                        lunar.leap);
}

bool LunarToCivil(int lunarYear, int lunarMonth, int lunarDay, bool leap, int &y, int &m, int &d) {
    CivilDate found;
    if (!detail::searchLunarToCivil(lunarYear, lunarMonth, lunarDay, leap, found)) return false;
    y = found.year;
    m = found.month;
    d = found.day;
    return true;
}

bool LunarToCivil(const LunarDate &lunar, CivilDate &civil) {
    return LunarToCivil(lunar.year, lunar.month, lunar.day, lunar.leap, civil.year, civil.month,
                        civil.day);
}

bool DateToLunar(double date, int &year, int &month, int &day, bool &leap) {
    int y = 0, m = 0, d = 0;
    if (!DateToCivil(date, y, m, d)) return false;
    return CivilToLunar(y, m, d, year, month, day, leap);
}

std::string LunarDayText(int lunarDay) {
    if (lunarDay < 1 || lunarDay > 30) return {};
    if (lunarDay == 10) return std::string(kDayTens[0]) + kDayDigits[9];
    if (lunarDay == 20) return std::string(kDayTens[4]) + kDayDigits[9];
    if (lunarDay == 30) return std::string(kDayTens[5]) + kDayDigits[9];
    const int tens = lunarDay / 10;
    return std::string(kDayTens[tens]) + kDayDigits[lunarDay % 10 - 1];
}

std::string LunarMonthText(int lunarMonth, bool leap) {
    if (lunarMonth < 1 || lunarMonth > 12) return {};
    if (leap) return std::string("闰") + kMonthNames[lunarMonth - 1];
    return std::string(kMonthNames[lunarMonth - 1]) + "月";
}

} // namespace lunar
