#include "lunar/CnCalendar.h"

#include "lunar/LeapMonthData.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>

namespace lunar {

namespace {

constexpr int kFirstYear = -849;
constexpr int kLastYear = 2100;
constexpr int kLeapMonthTableSize = 2950;
// Lunation epoch: the day number of -849-01-21.
constexpr int kLunationEpoch = -310443;
constexpr long double kMeanLunation = 29.530588L;
constexpr long double kDegreesPerRadian = 57.29577951308232L;
constexpr long double kPi = 3.141592653589793238462643383279502884L;
// Day number of 1582-10-04, the last Julian date.
constexpr int kLastJulianDayNumber = 577735;
// Ordinal (0001-01-01 = 1, proleptic Gregorian) of the toolkit's day 0, 1899-12-30.
constexpr int kDateValueOffset = 693594;

// Nearest integer, halves to even.
long double roundHalfEven(long double x) {
    const long double f = std::floor(x);
    const long double diff = x - f;
    if (diff > 0.5L) return f + 1;
    if (diff < 0.5L) return f;
    return std::fmod(f, 2.0L) == 0 ? f : f + 1;
}

int floorMod(long long a, int m) {
    const long long r = a % m;
    return static_cast<int>(r < 0 ? r + m : r);
}

int clampToInt(long long x) {
    if (x > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (x < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(x);
}

// Years far beyond any calendar use are refused where a failure value exists, so that no
// arithmetic on them can overflow.
constexpr int kYearLimit = 1000000;
bool saneYear(int y) {
    return y >= -kYearLimit && y <= kYearLimit;
}

bool isGregorianLeap(int y) {
    return y % 4 == 0 && !(y % 100 == 0 && y % 400 != 0);
}

// Days in the years 1..e of each calendar.
long long julianDaysBefore(long long e) {
    return 365 * e + e / 4;
}
long long gregorianDaysBefore(long long e) {
    return 365 * e + e / 4 - e / 100 + e / 400;
}

constexpr int kMonthLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Splits a day of the year (1-based) of a year with the given leap flag.
void splitDayOfYear(int n, bool leap, int &m, int &d) {
    int month = 1;
    while (month < 12) {
        const int len = month == 2 && leap ? 29 : kMonthLengths[month - 1];
        if (n <= len) break;
        n -= len;
        ++month;
    }
    m = month;
    d = n;
}

// Proleptic Gregorian ordinal (0001-01-01 = 1) back to a date; ordinal >= 1.
void gregorianOfOrdinal(long long ordinal, int &y, int &m, int &d) {
    long long e = (ordinal - 1) * 400 / 146097;
    while (gregorianDaysBefore(e) >= ordinal) --e;
    while (gregorianDaysBefore(e + 1) < ordinal) ++e;
    const int year = static_cast<int>(e + 1);
    splitDayOfYear(static_cast<int>(ordinal - gregorianDaysBefore(e)), isGregorianLeap(year), m, d);
    y = year;
}

// ---- The new-moon series

// The 15 new moons around the start of year y (v = -1 .. 13), as floored day numbers.
using NewMoonDays = std::array<int, 15>;

NewMoonDays computeNewMoonDays(int y) {
    const long double T = (y - 1899.5L) / 100;
    const long double k = std::floor((static_cast<long double>(y) - 1900) * 12.3685L);
    const long double f = CycleAngle(k, T, 0, 0.75933L, 0.0002172L, 0.000000155L);
    const long double M0 =
        CycleAngle(k, T, 0.08084821133L, 359.2242L / kDegreesPerRadian,
                   0.0000333L / kDegreesPerRadian, 0.00000347L / kDegreesPerRadian);
    const long double M1 =
        CycleAngle(k, T, 0.07171366128L, 306.0253L / kDegreesPerRadian,
                   -0.0107306L / kDegreesPerRadian, -0.00001236L / kDegreesPerRadian);
    const long double F0 =
        CycleAngle(k, T, 0.08519585128L, 21.2964L / kDegreesPerRadian,
                   0.0016528L / kDegreesPerRadian, 0.00000239L / kDegreesPerRadian);
    const long double base = f + 0.53058868L * k - 0.000837L * T + 8.0L / 24 + 0.5L;
    const long double amp = 0.1734L - 0.000393L * T;
    const long double I = 29 * k + 693595;

    NewMoonDays days{};
    for (int v = -1; v <= 13; ++v) {
        const long double a = M0 + 0.507984293L * v;
        const long double mu = M1 + 6.73377553L * v;
        const long double phi = F0 + 6.818486628L * v;
        const long double X = amp * std::sin(a) + 1.53058868L * v + base - 0.4068L * std::sin(mu) +
                              0.0021L * std::sin(2 * a) + 0.0161L * std::sin(2 * mu) +
                              0.0104L * std::sin(2 * phi) - 0.0074L * std::sin(a - mu) -
                              0.0051L * std::sin(a + mu);
        const long double J = 28 * v + I + X;
        days[v + 1] =
            clampToInt(static_cast<long long>(std::clamp(std::floor(J), -9.0e18L, 9.0e18L)));
    }
    return days;
}

// ---- Solar terms

struct TermOverride {
    int year;
    int term;
    int month, day, hour, minute, second;
};

// Terms whose closed formula lands on the wrong civil day; moments in China Standard Time.
constexpr TermOverride kTermOverrides[] = {
    {1911, 9, 5, 7, 0, 0, 18},   {1912, 19, 10, 9, 0, 6, 42}, {1923, 4, 2, 19, 23, 59, 40},
    {1927, 17, 9, 9, 0, 5, 25},  {1928, 12, 6, 22, 0, 6, 23}, {1979, 2, 1, 20, 23, 59, 56},
    {2016, 13, 7, 7, 0, 3, 21},  {2020, 23, 12, 7, 0, 9, 30}, {2037, 18, 9, 23, 0, 13, 7},
    {2040, 19, 10, 8, 0, 5, 34}, {2042, 14, 7, 23, 0, 6, 21}, {2051, 6, 3, 20, 23, 59, 19},
    {2059, 4, 2, 19, 0, 5, 18},  {2083, 3, 2, 3, 23, 58, 22}, {2084, 6, 3, 19, 23, 59, 30},
    {2085, 1, 1, 4, 23, 56, 19}, {2097, 9, 5, 5, 0, 8, 12},
};

double computeSolarTermDayOfYear(int y, int n) {
    for (const TermOverride &o : kTermOverrides) {
        if (o.year == y && o.term == n) {
            const long double seconds = o.hour * 3600 + o.minute * 60 + o.second;
            return static_cast<double>(DayOfCivilYear(o.year, o.month, o.day) + seconds / 86400);
        }
    }
    const int Y = y <= 0 ? y + 1 : y;
    const long double m = static_cast<long double>(Y) - 100;
    long double J =
        (365.2423112L - 6.4e-14L * m * m - 3.047e-8L * m) * Y + 15.218427L * n + 1721050.71301L;
    const long double theta = 0.0003L * Y - 0.372781384L - 0.2617913325L * n;
    J += (1.945L * std::sin(theta) - 0.01206L * std::sin(2 * theta)) * (1.048994L - 2.583e-5L * Y);
    J += -0.0018L * std::sin(2.313908653L * Y - 0.439822951L - 3.0443L * n);
    return static_cast<double>(J - CivilDayNumber(Y, 1, 0) - 1721425);
}

struct TermMoment {
    int month = 0, day = 0, hour = 0, minute = 0;
};

// Civil month, day, hour and minute of a term at day-of-year x in year y.
TermMoment termMomentOf(int y, long double x) {
    int i = 1;
    for (; i < 12; ++i) {
        const int len = DaysInCivilMonth(y, i);
        if (x <= len) break;
        x -= len;
    }
    const long double whole = std::floor(x);
    const long double hours = 24 * (x - whole);
    const long double h = std::floor(hours);
    TermMoment t;
    t.month = i;
    t.day = static_cast<int>(whole);
    t.hour = static_cast<int>(h);
    t.minute = static_cast<int>(roundHalfEven(60 * (hours - h)));
    // A moment in the last half minute of an hour rounds up to the next hour, never to
    // minute 60; in the last half minute of the day it stays on its day, at 23:59.
    if (t.minute == 60) {
        t.minute = 0;
        if (++t.hour == 24) {
            t.hour = 23;
            t.minute = 59;
        }
    }
    return t;
}

int lunarDayFromNewMoons(const NewMoonDays &days, int dayNumber) {
    int result = -1;
    // Later new moons overwrite earlier ones: the latest one on or before the date counts.
    for (const int moon : days) {
        const long long diff = static_cast<long long>(dayNumber) - moon;
        if (diff >= 0 && diff <= 29) result = static_cast<int>(diff) + 1;
    }
    return result;
}

struct DayCorrection {
    int year;
    int firstMonth, firstDay, lastMonth, lastDay;
    int change;
};

// Years in which the published calendar counted the new moon a day off the series.
constexpr DayCorrection kDayCorrections[] = {
    {1914, 11, 17, 12, 16, +1}, {1916, 2, 3, 3, 3, +1},   {1920, 11, 10, 12, 9, +1},
    {1924, 3, 5, 4, 3, +1},     {2018, 11, 7, 12, 6, -1},
};

int correctLunarDay(int y, int m, int d, int result) {
    for (const DayCorrection &c : kDayCorrections) {
        if (c.year != y) continue;
        const bool inside =
            (m == c.firstMonth && d >= c.firstDay) || (m == c.lastMonth && d <= c.lastDay);
        if (!inside) continue;
        result += c.change;
        if (result > 30) result -= 30;
        if (result < 1) result += 30;
    }
    return result;
}

int computeLunarDay(int y, int m, int d, int dayNumber, const NewMoonDays &newMoons) {
    return correctLunarDay(y, m, d, lunarDayFromNewMoons(newMoons, dayNumber));
}

// The lunar day as the month rule reads it.
int monthRuleDay(int lunarDay) {
    return lunarDay == -1 ? 99 : lunarDay;
}

// The month number 1..12 counted from the epoch; it depends on the year and on the day
// number less the lunar day only, so it is the same for all days of one lunation.
int countedMonth(int y, long long lunationKey) {
    long double n =
        roundHalfEven((static_cast<long double>(lunationKey) - kLunationEpoch) / kMeanLunation) -
        LeapCountOf(y);
    if (y >= 9 && y <= 23) n += 1;
    if (y >= 238 && y <= 240) n += 1;
    if (y == -255) n += 1;
    if (y >= -721 && y <= -256) n += 3;
    if (y <= -722) n += 4;
    n -= 3;
    return static_cast<int>(roundHalfEven(RealMod(n, 12) + 1));
}

int lunarMonthFromCount(int y, int m, int d, int e, int v) {
    const int P = LeapMonthOf(y - 1);
    const int W = LeapMonthOf(y);
    if (P == v && m == 1 && d < e) return -v;
    if (W == v) {
        if (m >= 3 || W == 12) return -v;
        return v + 1;
    }
    int u = v;
    if (W > v || (m < v && W > 0)) u = v + 1;
    return static_cast<int>(roundHalfEven(RealMod(u - 1, 12) + 1));
}

int computeLunarMonth(int y, int m, int d, int dayNumber, int lunarDay) {
    const int e = monthRuleDay(lunarDay);
    return lunarMonthFromCount(y, m, d, e, countedMonth(y, static_cast<long long>(dayNumber) - e));
}

// ---- Per-year values, computed once on first use and shared by all threads. Every
// cached value is the formula's own result for that year, so callers see no difference.

constexpr int kCacheFirstYear = kFirstYear - 1;
constexpr int kCacheLastYear = kLastYear + 1;
// Terms 1..25: month 12 of the solar month search looks at term 25.
constexpr int kCachedTerms = 25;
// Marks a day of the year that has no civil date (the dropped days of 1582).
constexpr std::int8_t kNoDay = -128;

struct YearSlot {
    std::atomic<bool> formulasReady{false};
    NewMoonDays newMoonDays{};
    std::array<double, kCachedTerms + 1> termDays{};
    std::array<int, kCachedTerms + 1> termWholeDays{};
    std::array<TermMoment, 24> termMoments{};

    // Lunar day and signed lunar month of each day of the year (index = day of the year).
    std::atomic<bool> daysReady{false};
    std::array<std::int8_t, 367> lunarDays{};
    std::array<std::int8_t, 367> lunarMonths{};

    std::atomic<bool> newYearReady{false};
    bool newYearFound = false;
    CivilDate newYear;
};

class YearCache {
public:
    static YearCache &instance() {
        static YearCache cache;
        return cache;
    }

    static bool covers(int y) { return y >= kCacheFirstYear && y <= kCacheLastYear; }

    const YearSlot &formulas(int y) {
        YearSlot &slot = slot_(y);
        if (!slot.formulasReady.load(std::memory_order_acquire)) {
            const std::lock_guard<std::mutex> lock(formulaMutex_);
            if (!slot.formulasReady.load(std::memory_order_relaxed)) {
                slot.newMoonDays = computeNewMoonDays(y);
                for (int n = 1; n <= kCachedTerms; ++n) {
                    slot.termDays[n] = computeSolarTermDayOfYear(y, n);
                    slot.termWholeDays[n] = static_cast<int>(std::floor(slot.termDays[n]));
                }
                for (int t = 0; t < 24; ++t)
                    slot.termMoments[t] = termMomentOf(y, slot.termDays[t + 1]);
                slot.formulasReady.store(true, std::memory_order_release);
            }
        }
        return slot;
    }

    const YearSlot &days(int y) {
        YearSlot &slot = slot_(y);
        if (!slot.daysReady.load(std::memory_order_acquire)) {
            // Filling reads the formula values and other years, so it runs outside the lock.
            std::array<std::int8_t, 367> lunarDays;
            std::array<std::int8_t, 367> lunarMonths;
            lunarDays.fill(kNoDay);
            lunarMonths.fill(0);
            const NewMoonDays &newMoons = formulas(y).newMoonDays;
            // The counted month changes once a lunation; keep the last one.
            long long lastKey = std::numeric_limits<long long>::min();
            int lastCount = 0;
            for (int m = 1; m <= 12; ++m) {
                for (int d = 1; d <= DaysInCivilMonth(y, m); ++d) {
                    if (CalendarKind(y, m, d) == 0) continue;
                    const int dayNumber = CivilDayNumber(y, m, d);
                    const int day = computeLunarDay(y, m, d, dayNumber, newMoons);
                    const int e = monthRuleDay(day);
                    const long long key = static_cast<long long>(dayNumber) - e;
                    if (key != lastKey) {
                        lastKey = key;
                        lastCount = countedMonth(y, key);
                    }
                    const int doy = DayOfCivilYear(y, m, d);
                    lunarDays[doy] = static_cast<std::int8_t>(day);
                    lunarMonths[doy] =
                        static_cast<std::int8_t>(lunarMonthFromCount(y, m, d, e, lastCount));
                }
            }
            const std::lock_guard<std::mutex> lock(daysMutex_);
            if (!slot.daysReady.load(std::memory_order_relaxed)) {
                slot.lunarDays = lunarDays;
                slot.lunarMonths = lunarMonths;
                slot.daysReady.store(true, std::memory_order_release);
            }
        }
        return slot;
    }

    // The civil date of lunar new year's day of y, as the reverse search finds it.
    const YearSlot &newYear(int y) {
        YearSlot &slot = slot_(y);
        if (!slot.newYearReady.load(std::memory_order_acquire)) {
            // The search reads the other per-year values, so it runs outside this lock.
            CivilDate found;
            const bool ok = searchLunarToCivil(y, 1, 1, false, found);
            const std::lock_guard<std::mutex> lock(newYearMutex_);
            if (!slot.newYearReady.load(std::memory_order_relaxed)) {
                slot.newYearFound = ok;
                slot.newYear = found;
                slot.newYearReady.store(true, std::memory_order_release);
            }
        }
        return slot;
    }

    static bool searchLunarToCivil(int Y, int M, int Dd, bool leap, CivilDate &out);

private:
    YearCache() = default;

    YearSlot &slot_(int y) { return slots_[static_cast<std::size_t>(y - kCacheFirstYear)]; }

    std::array<YearSlot, kCacheLastYear - kCacheFirstYear + 1> slots_;
    std::mutex formulaMutex_;
    std::mutex daysMutex_;
    std::mutex newYearMutex_;
};

// Lunar day and signed month of a civil date, from the year's table when the date is a
// real one, else straight from the formulas.
void lunarDayAndMonth(int y, int m, int d, int &day, int &signedMonth) {
    if (YearCache::covers(y) && m >= 1 && m <= 12 && d >= 1 && d <= DaysInCivilMonth(y, m)) {
        const YearSlot &slot = YearCache::instance().days(y);
        const int doy = DayOfCivilYear(y, m, d);
        if (slot.lunarDays[doy] != kNoDay) {
            day = slot.lunarDays[doy];
            signedMonth = slot.lunarMonths[doy];
            return;
        }
    }
    const int dayNumber = CivilDayNumber(y, m, d);
    const NewMoonDays newMoons = YearCache::covers(y)
                                     ? YearCache::instance().formulas(y).newMoonDays
                                     : computeNewMoonDays(y);
    day = computeLunarDay(y, m, d, dayNumber, newMoons);
    signedMonth = computeLunarMonth(y, m, d, dayNumber, day);
}

bool inConversionRange(int y) {
    return y >= kFirstYear && y <= kLastYear;
}

bool YearCache::searchLunarToCivil(int Y, int M, int Dd, bool leap, CivilDate &out) {
    // No civil date of the convertible range lies in other lunar years.
    if (Y < kFirstYear - 1 || Y > kLastYear) return false;
    if (leap && ClampedLeapMonthOf(Y) != M) return false;
    int lo = CivilDayNumber(Y, 1, 1);
    int hi = CivilDayNumber(Y + 1, 12, 31);
    int p = Y;
    int w = 0;
    enum class Direction { None, Forward, Backward } direction = Direction::None;
    bool tail = false;
    int iterations = 0;
    // A probe that cannot be converted keeps the values of the one before.
    int py = 0, pm0 = 0, pd0 = 0;
    int pm = 0, pd = 0;
    bool pleap = false;
    const LunarDate target{Y, M, Dd, leap};
    while (hi > lo) {
        if (++iterations > 100) return false;
        int mid = (lo + hi) / 2;
        if (tail) mid += 1;
        if (hi - lo == 1) tail = true;
        CivilDateOfDayNumber(mid, py, pm0, pd0);
        CivilToLunarMonthDay(py, pm0, pd0, pm, pd, pleap);
        if (direction == Direction::Forward && pm < w) p += 1;
        if (direction == Direction::Backward && pm > w) p -= 1;
        const int order = CompareLunarDates({p, pm, pd, pleap}, target);
        if (order < 0) {
            lo = mid;
            direction = Direction::Forward;
        } else if (order == 0) {
            out = {py, pm0, pd0};
            return true;
        } else {
            hi = mid;
            direction = Direction::Backward;
        }
        w = pm;
    }
    return false;
}

const char *const kStems[10] = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
const char *const kBranches[12] = {"子", "丑", "寅", "卯", "辰", "巳",
                                   "午", "未", "申", "酉", "戌", "亥"};
const char *const kAnimals[12] = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                  "马", "羊", "猴", "鸡", "狗", "猪"};
const char *const kSolarTerms[24] = {
    "立春", "雨水", "惊蛰", "春分", "清明", "谷雨", "立夏", "小满", "芒种", "夏至", "小暑", "大暑",
    "立秋", "处暑", "白露", "秋分", "寒露", "霜降", "立冬", "小雪", "大雪", "冬至", "小寒", "大寒"};
const char *const kStarSigns[12] = {"白羊", "金牛", "双子", "巨蟹", "狮子", "处女",
                                    "天秤", "天蝎", "射手", "摩羯", "宝瓶", "双鱼"};
const char *const kMonthNames[12] = {"正", "二", "三", "四", "五", "六",
                                     "七", "八", "九", "十", "冬", "腊"};
const char *const kDayTens[6] = {"初", "十", "廿", "卅", "二", "三"};
const char *const kDayDigits[10] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十"};

// The year counted on from 4 (甲子 and 鼠 start there) without a year 0. Year 0 is the lunar
// year of the days of year 1 before the lunar new year: the year before 1, that is -1.
long long cycleYear(int y) {
    return y > 0 ? y - 4LL : (y == 0 ? -1LL : y) - 3LL;
}

int termDay(int y, int n) {
    if (YearCache::covers(y) && n >= 1 && n <= kCachedTerms)
        return YearCache::instance().formulas(y).termWholeDays[n];
    return static_cast<int>(std::floor(SolarTermDayOfYear(y, n)));
}

} // namespace

// ---- Civil dates

int CalendarKind(int y, int m, int d) {
    if (y < 1582) return 1;
    if (y > 1582) return 2;
    if (m < 10 || (m == 10 && d <= 4)) return 1;
    if (m == 10 && d <= 14) return 0;
    return 2;
}

bool IsCivilLeapYear(int y) {
    if (CalendarKind(y, 1, 1) == 2) return isGregorianLeap(y);
    if (y >= 0) return y % 4 == 0;
    return (y - 3LL) % 4 == 0;
}

int DaysInCivilMonth(int y, int m) {
    if (m < 1 || m > 12) return 0;
    if (m == 2) return IsCivilLeapYear(y) ? 29 : 28;
    return kMonthLengths[m - 1];
}

int DayOfCivilYear(int y, int m, int d) {
    long long n = d;
    if (m > 1) {
        const bool leap = IsCivilLeapYear(y);
        for (int i = 1; i < m && i <= 12; ++i) n += i == 2 && leap ? 29 : kMonthLengths[i - 1];
    }
    return clampToInt(n);
}

int CivilDayNumber(int y, int m, int d) {
    const int kind = CalendarKind(y, m, d);
    if (kind == 0) return 0;
    const long long e = y - 1LL;
    const long long q = e / 4;
    const long long n = DayOfCivilYear(y, m, d);
    if (kind == 1) return clampToInt(365 * e + q + n - 2);
    return clampToInt(365 * e + q - e / 100 + e / 400 + n);
}

bool CivilDateOfDayNumber(int dayNumber, int &y, int &m, int &d) {
    if (dayNumber < 0) return false;
    if (dayNumber > kLastJulianDayNumber) {
        gregorianOfOrdinal(dayNumber, y, m, d);
        return true;
    }
    // Julian: dayNumber + 2 counts days from 0001-01-01 = 1.
    const long long r = dayNumber + 2LL;
    long long e = (r - 1) * 4 / 1461;
    while (julianDaysBefore(e) >= r) --e;
    while (julianDaysBefore(e + 1) < r) ++e;
    const int year = static_cast<int>(e + 1);
    splitDayOfYear(static_cast<int>(r - julianDaysBefore(e)), year % 4 == 0, m, d);
    y = year;
    return true;
}

int CompareCivilDates(const CivilDate &a, const CivilDate &b) {
    if (a.year != b.year) return a.year < b.year ? -1 : 1;
    if (a.month != b.month) return a.month < b.month ? -1 : 1;
    if (a.day != b.day) return a.day < b.day ? -1 : 1;
    return 0;
}

int CompareLunarDates(const LunarDate &a, const LunarDate &b) {
    if (a.year != b.year) return a.year < b.year ? -1 : 1;
    if (a.month != b.month) return a.month < b.month ? -1 : 1;
    if (a.leap != b.leap) return a.leap ? 1 : -1;
    if (a.day != b.day) return a.day < b.day ? -1 : 1;
    return 0;
}

bool DateToCivil(double date, int &y, int &m, int &d) {
    if (!std::isfinite(date) || date < -1.0e9 || date > 1.0e9) return false;
    const long long ordinal = static_cast<long long>(std::trunc(date)) + kDateValueOffset;
    if (ordinal < 1 || ordinal > gregorianDaysBefore(9999)) return false;
    gregorianOfOrdinal(ordinal, y, m, d);
    return true;
}

bool CivilToDate(int y, int m, int d, double &date) {
    if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
    const bool leap = isGregorianLeap(y);
    if (d > (m == 2 && leap ? 29 : kMonthLengths[m - 1])) return false;
    long long n = d;
    for (int i = 1; i < m; ++i) n += i == 2 && leap ? 29 : kMonthLengths[i - 1];
    date = static_cast<double>(gregorianDaysBefore(y - 1) + n - kDateValueOffset);
    return true;
}

// ---- Leap month tables

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

int LeapMonthOf(int y) {
    if (y < kFirstYear || y > kLastYear) return -1;
    const std::string_view table = LeapMonthTable();
    const std::size_t index = static_cast<std::size_t>(y - kFirstYear);
    if (index >= table.size()) return -1;
    const char c = table[index];
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'c') return c - 'a' + 10;
    return -1;
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

// ---- Lunar conversion

long double FracPart(long double x) {
    return x - std::trunc(x);
}

long double CycleAngle(long double k, long double T, long double c1, long double c0, long double c2,
                       long double c3) {
    return 2 * kPi * FracPart(c1 * k) + c0 - c2 * T * T - c3 * T * T * T;
}

long double RealMod(long double x, long double m) {
    return m * FracPart(x / m);
}

int LunarDayOf(int y, int m, int d) {
    if (!saneYear(y)) return -1;
    int day = 0, signedMonth = 0;
    lunarDayAndMonth(y, m, d, day, signedMonth);
    return day;
}

int LunarMonthOf(int y, int m, int d) {
    if (!saneYear(y)) return 0;
    int day = 0, signedMonth = 0;
    lunarDayAndMonth(y, m, d, day, signedMonth);
    return signedMonth;
}

bool CivilToLunarMonthDay(int y, int m, int d, int &lunarMonth, int &lunarDay, bool &leap) {
    if (!inConversionRange(y)) return false;
    int day = 0, signedMonth = 0;
    lunarDayAndMonth(y, m, d, day, signedMonth);
    lunarDay = day;
    leap = signedMonth < 0;
    lunarMonth = signedMonth < 0 ? -signedMonth : signedMonth;
    return true;
}

bool CivilToLunar(int y, int m, int d, int &lunarYear, int &lunarMonth, int &lunarDay, bool &leap) {
    int month = 0, day = 0;
    bool isLeap = false;
    if (!CivilToLunarMonthDay(y, m, d, month, day, isLeap)) return false;
    int year = y;
    const YearSlot &slot = YearCache::instance().newYear(y);
    if (slot.newYearFound && CompareCivilDates(slot.newYear, {y, m, d}) > 0) year = y - 1;
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
    if (!YearCache::searchLunarToCivil(lunarYear, lunarMonth, lunarDay, leap, found)) return false;
    y = found.year;
    m = found.month;
    d = found.day;
    return true;
}

bool LunarToCivil(const LunarDate &lunar, CivilDate &civil) {
    return LunarToCivil(lunar.year, lunar.month, lunar.day, lunar.leap, civil.year, civil.month,
                        civil.day);
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

// ---- Solar terms and sexagenary cycles

std::string PillarName(int index) {
    if (index < 0 || index >= 60) return {};
    return std::string(kStems[index % 10]) + kBranches[index % 12];
}

std::string ZodiacName(int index) {
    return index >= 0 && index < 12 ? kAnimals[index] : "";
}

std::string SolarTermName(int index) {
    return index >= 0 && index < 24 ? kSolarTerms[index] : "";
}

std::string StarSignName(int index) {
    return index >= 0 && index < 12 ? kStarSigns[index] : "";
}

std::string StemName(int index) {
    return index >= 0 && index < 10 ? kStems[index] : "";
}

std::string BranchName(int index) {
    return index >= 0 && index < 12 ? kBranches[index] : "";
}

int PillarOf(int stem, int branch) {
    if (stem < 0 || stem > 9 || branch < 0 || branch > 11) return -1;
    for (int i = 0; i <= 6; ++i)
        if ((stem + 10 * i) % 12 == branch) return stem + 10 * i;
    return -1;
}

bool SplitPillar(int index, int &stem, int &branch) {
    if (index < 0 || index > 59) {
        stem = -1;
        branch = -1;
        return false;
    }
    stem = index % 10;
    branch = index % 12;
    return true;
}

double SolarTermDayOfYear(int y, int n) {
    if (YearCache::covers(y) && n >= 1 && n <= kCachedTerms)
        return YearCache::instance().formulas(y).termDays[n];
    return computeSolarTermDayOfYear(y, n);
}

bool SolarTermDate(int y, int t, int &month, int &day, int &hour, int &minute) {
    if (t < 0 || t > 23 || !saneYear(y)) return false;
    const TermMoment moment = YearCache::covers(y)
                                  ? YearCache::instance().formulas(y).termMoments[t]
                                  : termMomentOf(y, SolarTermDayOfYear(y, t + 1));
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
        return SolarTermName(floorMod(2 * m + 20, 24));
    if (SolarTermDate(y, 2 * m - 1, month, day, hour, minute) && month == m && day == d)
        return SolarTermName(floorMod(2 * m + 21, 24));
    return {};
}

std::string SolarTermText(double date) {
    int y = 0, m = 0, d = 0;
    if (!DateToCivil(date, y, m, d)) return {};
    return SolarTermText(y, m, d);
}

int YearPillarOfYear(int y) {
    return floorMod(cycleYear(y), 60);
}

int YearPillarOf(int y, int m, int d) {
    if (!saneYear(y)) return -1;
    const int year = DayOfCivilYear(y, m, d) < termDay(y, 3) ? y - 1 : y;
    return YearPillarOfYear(year);
}

int ZodiacOf(int y) {
    return floorMod(cycleYear(y), 12);
}

bool SolarMonthOf(int y, int m, int d, int &solarYear, int &solarMonth) {
    if (!saneYear(y)) return false;
    const int b = DayOfCivilYear(y, m, d);
    if (b < termDay(y, 3)) {
        solarYear = y - 1;
        solarMonth = b < termDay(y, 1) ? 11 : 12;
        return true;
    }
    solarYear = y;
    int month = 1;
    for (int i = 1; i <= 12; ++i)
        if (b >= termDay(y, 2 * i + 1)) month = i;
    solarMonth = month;
    return true;
}

int MonthPillarOf(int y, int m, int d) {
    int solarYear = 0, solarMonth = 0;
    if (!SolarMonthOf(y, m, d, solarYear, solarMonth)) return -1;
    const int s0 = YearPillarOfYear(solarYear) % 10;
    const int firstStem = (2 * (s0 % 5) + 2) % 10;
    const int stem = (firstStem + (solarMonth - 1) % 10) % 10;
    const int branch = (solarMonth + 1) % 12;
    return PillarOf(stem, branch);
}

int DayPillarOf(int y, int m, int d) {
    if (!saneYear(y)) return -1;
    long long P;
    if (y >= 1)
        P = CivilDayNumber(y, m, d) + 2LL;
    else
        P = 365LL * y + DayOfCivilYear(y, m, d) + (3LL - y) / -4;
    return static_cast<int>(((P + 12) % 60 + 60) % 60);
}

int StarSignOf(int m, int d) {
    constexpr int kBounds[13] = {120, 219, 321,  421,  521,  622,   723,
                                 823, 923, 1023, 1123, 1222, 100000};
    const long long k = 100LL * m + d;
    for (int i = 0; i < 12; ++i) {
        if (k < kBounds[i]) return (i + 9) % 12;
        if (k < kBounds[i + 1]) return (i + 10) % 12;
    }
    return 9;
}

} // namespace lunar
