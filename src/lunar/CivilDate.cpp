#include "lunar/CivilDate.h"

#include "lunar/detail/Arithmetic.h"

#include <climits>
#include <cmath>

namespace lunar {

namespace {

using detail::clampToInt;

// Day number of 1582-10-04, the last Julian date.
constexpr int kLastJulianDayNumber = 577735;
constexpr int kFirstGregorianJulianDay = 2299161;
// Ordinal (0001-01-01 = 1, proleptic Gregorian) of the toolkit's day 0, 1899-12-30.
constexpr int kDateValueOffset = 693594;

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

} // namespace

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

int JulianDayOf(int y, int m, int d) {
    if (!detail::saneYear(y) || !IsValidCivilDate(y, m, d)) return 0;
    // Astronomical year numbering (1 BC = 0), March-based months.
    const long long shift = (14 - m) / 12;
    const long long year = (y < 0 ? y + 1LL : y) + 4800 - shift;
    const long long month = m + 12 * shift - 3;
    const long long days = d + (153 * month + 2) / 5 + 365 * year + year / 4;
    if (CalendarKind(y, m, d) == 1) return clampToInt(days - 32083);
    return clampToInt(days - year / 100 + year / 400 - 32045);
}

bool CivilDateOfJulianDay(int jdn, int &y, int &m, int &d) {
    if (jdn < 0) return false;
    long long year = 0, shifted = 0, dayOfShiftedYear = 0;
    if (jdn >= kFirstGregorianJulianDay) {
        const long long a = jdn + 32044LL;
        const long long centuries = (4 * a + 3) / 146097;
        const long long c = a - 146097 * centuries / 4;
        shifted = (4 * c + 3) / 1461;
        dayOfShiftedYear = c - 1461 * shifted / 4;
        year = 100 * centuries + shifted;
    } else {
        const long long c = jdn + 32082LL;
        shifted = (4 * c + 3) / 1461;
        dayOfShiftedYear = c - 1461 * shifted / 4;
        year = shifted;
    }
    const long long month = (5 * dayOfShiftedYear + 2) / 153;
    const long long astronomicalYear = year - 4800 + month / 10;
    d = static_cast<int>(dayOfShiftedYear - (153 * month + 2) / 5 + 1);
    m = static_cast<int>(month + 3 - 12 * (month / 10));
    y = static_cast<int>(astronomicalYear <= 0 ? astronomicalYear - 1 : astronomicalYear);
    return true;
}

int CivilWeekday(int y, int m, int d) {
    const int jdn = JulianDayOf(y, m, d);
    return jdn == 0 ? 0 : detail::floorMod(jdn, 7) + 1;
}

bool IsDroppedDay(int year, int month, int day) {
    return year == 1582 && month == 10 && day >= 5 && day <= 14;
}

bool IsValidCivilDate(int year, int month, int day) {
    if (year == 0 || month < 1 || month > 12 || day < 1) return false;
    if (day > DaysInCivilMonth(year, month)) return false;
    return CalendarKind(year, month, day) != 0;
}

bool NextCivilDay(int &year, int &month, int &day) {
    if (!IsValidCivilDate(year, month, day)) return false;
    if (year == 1582 && month == 10 && day == 4) {
        day = 15;
        return true;
    }
    if (day < DaysInCivilMonth(year, month)) {
        ++day;
        return true;
    }
    if (month < 12) {
        ++month;
        day = 1;
        return true;
    }
    if (year == INT_MAX) return false;
    day = 1;
    month = 1;
    year = year == -1 ? 1 : year + 1;
    return true;
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

} // namespace lunar
