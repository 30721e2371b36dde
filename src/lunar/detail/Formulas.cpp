#include "lunar/detail/Formulas.h"

#include "lunar/CivilDate.h"
#include "lunar/LunarDate.h"
#include "lunar/detail/Arithmetic.h"
#include "lunar/detail/LeapMonths.h"

#include <algorithm>
#include <cmath>

namespace lunar::detail {

namespace {

// Lunation epoch: the day number of -849-01-21.
constexpr int kLunationEpoch = -310443;
constexpr long double kMeanLunation = 29.530588L;
constexpr long double kDegreesPerRadian = 57.29577951308232L;
constexpr long double kPi = 3.141592653589793238462643383279502884L;

// x - trunc(x).
long double fracPart(long double x) {
    return x - std::trunc(x);
}

long double cycleAngle(long double k, long double T, long double c1, long double c0, long double c2,
                       long double c3) {
    return 2 * kPi * fracPart(c1 * k) + c0 - c2 * T * T - c3 * T * T * T;
}

// 12 * fracPart(x / 12) for divisor 12; in general m * fracPart(x / m).
long double realMod(long double x, long double m) {
    return m * fracPart(x / m);
}

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

} // namespace

NewMoonDays computeNewMoonDays(int y) {
    const long double T = (y - 1899.5L) / 100;
    const long double k = std::floor((static_cast<long double>(y) - 1900) * 12.3685L);
    const long double f = cycleAngle(k, T, 0, 0.75933L, 0.0002172L, 0.000000155L);
    const long double M0 =
        cycleAngle(k, T, 0.08084821133L, 359.2242L / kDegreesPerRadian,
                   0.0000333L / kDegreesPerRadian, 0.00000347L / kDegreesPerRadian);
    const long double M1 =
        cycleAngle(k, T, 0.07171366128L, 306.0253L / kDegreesPerRadian,
                   -0.0107306L / kDegreesPerRadian, -0.00001236L / kDegreesPerRadian);
    const long double F0 =
        cycleAngle(k, T, 0.08519585128L, 21.2964L / kDegreesPerRadian,
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

int computeLunarDay(int y, int m, int d, int dayNumber, const NewMoonDays &newMoons) {
    return correctLunarDay(y, m, d, lunarDayFromNewMoons(newMoons, dayNumber));
}

int monthRuleDay(int lunarDay) {
    return lunarDay == -1 ? 99 : lunarDay;
}

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
    return static_cast<int>(roundHalfEven(realMod(n, 12) + 1));
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
    return static_cast<int>(roundHalfEven(realMod(u - 1, 12) + 1));
}

int computeLunarMonth(int y, int m, int d, int dayNumber, int lunarDay) {
    const int e = monthRuleDay(lunarDay);
    return lunarMonthFromCount(y, m, d, e, countedMonth(y, static_cast<long long>(dayNumber) - e));
}

} // namespace lunar::detail
