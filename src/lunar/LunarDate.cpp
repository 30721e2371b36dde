#include "lunar/LunarDate.h"

#include "lunar/detail/AstronomicalYears.h"
#include "lunar/detail/HistoricalTable.h"
#include "lunar/detail/LeapMonths.h"
#include "lunar/detail/YearCache.h"

namespace lunar {

namespace {

const char *const kMonthNames[12] = {"正", "二", "三", "四", "五", "六",
                                     "七", "八", "九", "十", "冬", "腊"};
const char *const kDayTens[6] = {"初", "十", "廿", "卅", "二", "三"};
const char *const kDayDigits[10] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};

constexpr int kModernYear = 1900;

// From 1900-01-31, lunar new year 1900, the per-year formulas give the date as they always
// have; before it the month tables do.
bool isModernDate(int y, int m, int d) {
    return y > kModernYear || (y == kModernYear && (m > 1 || d >= 31));
}

constexpr detail::YearTable kHistoricalYearTable{
    detail::kHistoricalYears, detail::kHistoricalYearCount, -1, detail::kHistoricalEndDay};

const detail::YearTable &historicalYears() {
    return kHistoricalYearTable;
}

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// JulianDayOf for the years -849..1900 without its general checks, as this is the hot path of
// every conversion before 1900; 0 for an invalid date.
int julianDayBefore1901(int y, int m, int d) {
    if (m < 1 || m > 12 || d < 1 || y == 0) return 0;
    const int year = y < 0 ? y + 1 : y; // astronomical
    const bool gregorian = y > 1582 || (y == 1582 && (m > 10 || (m == 10 && d >= 15)));
    const bool leap =
        gregorian ? year % 4 == 0 && (year % 100 != 0 || year % 400 == 0) : (year & 3) == 0;
    if (d > kMonthDays[m - 1] + (m == 2 && leap ? 1 : 0)) return 0;
    if (y == 1582 && m == 10 && d > 4 && d < 15) return 0;
    // Positive from here on; unsigned division is the cheaper one.
    const unsigned shift = m <= 2 ? 1 : 0;
    const unsigned shifted = static_cast<unsigned>(year + 4800) - shift;
    const unsigned month = static_cast<unsigned>(m) + 12 * shift - 3;
    const int days = static_cast<int>(static_cast<unsigned>(d) + (153 * month + 2) / 5 +
                                      365 * shifted + shifted / 4);
    return gregorian
               ? days - static_cast<int>(shifted / 100) + static_cast<int>(shifted / 400) - 32045
               : days - 32083;
}

// The lunar date of a day before 1900-01-31.
void tableDateOf(int jdn, LunarCalendar calendar, detail::TableDate &date) {
    if (calendar == LunarCalendar::InForce && jdn >= detail::kHistoricalFirstDay) {
        detail::TableDateOf(historicalYears(), jdn, date);
        return;
    }
    const detail::YearTable &computed = detail::AstronomicalYears();
    detail::TableDateOf(computed, jdn, date);
    if (calendar == LunarCalendar::InForce && date.year == -1 && date.month == 12) {
        // The computed month 12 of -1 starts a day before the recorded one: that day stays
        // with month 11, as its 31st.
        const int eleventh = detail::TableDayOf(computed, -1, 11, 1, false);
        date.month = 11;
        date.day = jdn - eleventh + 1;
    }
}

// The Julian Day Number of a lunar date before lunar year 1900, 0 for none.
int tableDayOf(const LunarDate &l, LunarCalendar calendar) {
    if (calendar == LunarCalendar::Astronomical)
        return detail::TableDayOf(detail::AstronomicalYears(), l.year, l.month, l.day, l.leap);
    const int recorded = detail::TableDayOf(historicalYears(), l.year, l.month, l.day, l.leap);
    if (recorded != 0 || l.year > -1) return recorded;
    if (l.year == -1 && l.month == 11 && !l.leap && l.day == 31) {
        const int last = detail::TableDayOf(detail::AstronomicalYears(), -1, 11, 30, false);
        return last != 0 && last + 1 < detail::kHistoricalFirstDay ? last + 1 : 0;
    }
    const int computed =
        detail::TableDayOf(detail::AstronomicalYears(), l.year, l.month, l.day, l.leap);
    return computed < detail::kHistoricalFirstDay ? computed : 0;
}

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

bool CivilToLunar(int y, int m, int d, int &lunarYear, int &lunarMonth, int &lunarDay, bool &leap,
                  LunarCalendar calendar) {
    if (!isModernDate(y, m, d)) {
        if (!detail::inConversionRange(y)) return false;
        const int jdn = julianDayBefore1901(y, m, d);
        if (jdn == 0) return false;
        detail::TableDate date;
        tableDateOf(jdn, calendar, date);
        lunarYear = date.year;
        lunarMonth = date.month;
        lunarDay = date.day;
        leap = date.leap;
        return true;
    }
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

bool CivilToLunar(const CivilDate &civil, LunarDate &lunar, LunarCalendar calendar) {
    return CivilToLunar(civil.year, civil.month, civil.day, lunar.year, lunar.month, lunar.day,
                        lunar.leap, calendar);
}

bool LunarToCivil(int lunarYear, int lunarMonth, int lunarDay, bool leap, int &y, int &m, int &d,
                  LunarCalendar calendar) {
    if (lunarYear < kModernYear) {
        const int jdn = tableDayOf({lunarYear, lunarMonth, lunarDay, leap}, calendar);
        int cy = 0, cm = 0, cd = 0;
        if (jdn == 0 || !CivilDateOfJulianDay(jdn, cy, cm, cd) || !detail::inConversionRange(cy))
            return false;
        y = cy;
        m = cm;
        d = cd;
        return true;
    }
    CivilDate found;
    if (!detail::searchLunarToCivil(lunarYear, lunarMonth, lunarDay, leap, found)) return false;
    y = found.year;
    m = found.month;
    d = found.day;
    return true;
}

bool LunarToCivil(const LunarDate &lunar, CivilDate &civil, LunarCalendar calendar) {
    return LunarToCivil(lunar.year, lunar.month, lunar.day, lunar.leap, civil.year, civil.month,
                        civil.day, calendar);
}

int LeapMonthIn(int y, LunarCalendar calendar) {
    if (y >= kModernYear) return LeapMonthOf(y);
    const detail::YearTable &table = calendar == LunarCalendar::InForce && y >= -1
                                         ? historicalYears()
                                         : detail::AstronomicalYears();
    const int index = table.indexOf(y);
    return index < 0 ? -1 : table.records[index].leapMonth;
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
