#include "lunar/SolarTerms.h"

#include "lunar/CivilDate.h"
#include "lunar/detail/Arithmetic.h"
#include "lunar/detail/YearCache.h"

namespace lunar {

namespace {

const char *const kSolarTerms[24] = {
    "立春", "雨水", "惊蛰", "春分", "清明", "谷雨", "立夏", "小满", "芒种", "夏至", "小暑", "大暑",
    "立秋", "处暑", "白露", "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至", "小寒", "大寒"};

} // namespace

std::string SolarTermName(int index) {
    return index >= 0 && index < 24 ? kSolarTerms[index] : "";
}

bool SolarTermDate(int y, int t, int &month, int &day, int &hour, int &minute) {
    if (t < 0 || t > 23 || !detail::saneYear(y)) return false;
    const detail::TermMoment moment = detail::solarTermMoment(y, t);
    month = moment.month;
    day = moment.day;
    hour = moment.hour;
    minute = moment.minute;
    return true;
}

std::string SolarTermText(int y, int m, int d) {
    if (m < 1 || m > 12) return {};
    int month = 0, day = 0, hour = 0, minute = 0;
    if (SolarTermDate(y, 2 * m - 2, month, day, hour, minute) && month == m && day == d)
        return SolarTermName(detail::floorMod(2 * m + 20, 24));
    if (SolarTermDate(y, 2 * m - 1, month, day, hour, minute) && month == m && day == d)
        return SolarTermName(detail::floorMod(2 * m + 21, 24));
    return {};
}

std::string SolarTermText(double date) {
    int y = 0, m = 0, d = 0;
    if (!DateToCivil(date, y, m, d)) return {};
    return SolarTermText(y, m, d);
}

bool SolarMonthOf(int y, int m, int d, int &solarYear, int &solarMonth) {
    if (!detail::saneYear(y)) return false;
    const int b = DayOfCivilYear(y, m, d);
    if (b < detail::termDay(y, 3)) {
        solarYear = y - 1;
        solarMonth = b < detail::termDay(y, 1) ? 11 : 12;
        return true;
    }
    solarYear = y;
    int month = 1;
    for (int i = 1; i <= 12; ++i)
        if (b >= detail::termDay(y, 2 * i + 1)) month = i;
    solarMonth = month;
    return true;
}

} // namespace lunar
