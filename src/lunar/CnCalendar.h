#pragma once

// The lunar calendar engine: civil <-> lunar dates, solar terms, stem-branch
// cycles, zodiac and star signs. Plain functions without Qt; they raise nothing
// and report failure by a false result, leaving their outputs untouched.
// Texts are UTF-8. Safe to call from any thread. Years beyond +-1,000,000 get the failure
// value (false, -1, or 0 for a lunar month) where an operation has one.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lunar {

// A civil date as the engine counts it: no year 0 (year -1 is the year before
// year 1), Julian calendar up to 1582-10-04, Gregorian from 1582-10-15.
struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// A lunar date: the lunar year is the civil year in which it begins.
struct LunarDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..30
    bool leap = false;
};

// ---- Civil dates and day numbers

// 1 Julian, 0 for the ten dropped days of October 1582, 2 Gregorian.
int CalendarKind(int y, int m, int d);
bool IsCivilLeapYear(int y);
// 0 for a month outside 1..12.
int DaysInCivilMonth(int y, int m);
int DayOfCivilYear(int y, int m, int d);
// The integer all date arithmetic works on; day 0 of a month is the last day of
// the month before. D(1900, 1, 1) = 693596.
int CivilDayNumber(int y, int m, int d);
// Fails for a negative day number.
bool CivilDateOfDayNumber(int dayNumber, int &y, int &m, int &d);
int CompareCivilDates(const CivilDate &a, const CivilDate &b);
// Year, then month number; the leap month of a number comes after the regular one.
int CompareLunarDates(const LunarDate &a, const LunarDate &b);

// ---- The toolkit's date value: days since 1899-12-30 (fraction = time of day),
// decoded in the proleptic Gregorian calendar as the toolkit does.

// Fails when the value lies outside the years 1..9999.
bool DateToCivil(double date, int &y, int &m, int &d);
// Fails for an impossible date or a year outside 1..9999.
bool CivilToDate(int y, int m, int d, double &date);

// ---- Leap month tables

// 2950 characters, years -849..2100 with a slot for year 0 (index y + 849):
// '0' none, '1'..'9' and 'a'..'c' the leap month 1..12.
std::string_view LeapMonthTable();
// 2949 running counts of leap months since -849, no slot for year 0
// (index y + 849 for y < 0, y + 848 for y > 0).
const std::array<std::int32_t, 2949> &LeapCountTable();
// -1 for an unknown character or a year outside the table.
int LeapMonthOf(int y);
// As LeapMonthOf, with -1 read as 0.
int ClampedLeapMonthOf(int y);
// Year 0 counts as year -1; years outside the table are clamped to its ends.
int LeapCountOf(int y);

// ---- Lunar conversion

// x - trunc(x).
long double FracPart(long double x);
long double CycleAngle(long double k, long double T, long double c1, long double c0, long double c2,
                       long double c3);
// 12 * FracPart(x / 12) for divisor 12; in general m * FracPart(x / m).
long double RealMod(long double x, long double m);

// Lunar day 1..30, or -1 when no new moon lies within the window of the year.
int LunarDayOf(int y, int m, int d);
// Signed lunar month: -m is the leap month m.
int LunarMonthOf(int y, int m, int d);
// Civil years -849..2100.
bool CivilToLunarMonthDay(int y, int m, int d, int &lunarMonth, int &lunarDay, bool &leap);
bool CivilToLunar(int y, int m, int d, int &lunarYear, int &lunarMonth, int &lunarDay, bool &leap);
bool CivilToLunar(const CivilDate &civil, LunarDate &lunar);
bool LunarToCivil(int lunarYear, int lunarMonth, int lunarDay, bool leap, int &y, int &m, int &d);
bool LunarToCivil(const LunarDate &lunar, CivilDate &civil);

// "初一" .. "三十"; empty outside 1..30.
std::string LunarDayText(int lunarDay);
// "正月" .. "腊月", or "闰" + name for a leap month; empty outside 1..12.
std::string LunarMonthText(int lunarMonth, bool leap);

// ---- Solar terms and sexagenary cycles

// Name tables; empty text for an index out of range.
std::string PillarName(int index);    // 0..59: 甲子 .. 癸亥
std::string ZodiacName(int index);    // 0..11: 鼠 .. 猪
std::string SolarTermName(int index); // 0..23: 立春 .. 大寒
std::string StarSignName(int index);  // 0..11: 白羊 .. 双鱼
std::string StemName(int index);      // 0..9
std::string BranchName(int index);    // 0..11

// Sexagenary index of a stem 0..9 and branch 0..11, or -1 when they never meet.
int PillarOf(int stem, int branch);
// Sets -1, -1 and fails unless 0 <= index <= 59.
bool SplitPillar(int index, int &stem, int &branch);

// Moment of term n (1 = 小寒 .. 24 = 冬至, counted from the civil year's start)
// in China Standard Time as a day of the year with fraction: 1.5 is Jan 1 noon.
double SolarTermDayOfYear(int y, int n);
// Term t = 0..23 (0 = 小寒); false and nothing set for any other t.
bool SolarTermDate(int y, int t, int &month, int &day, int &hour, int &minute);
// Term name falling on the date, or empty.
std::string SolarTermText(double date);
std::string SolarTermText(int y, int m, int d);

// Sexagenary index of a civil year (2024 -> 40 甲辰). Year 0, which a lunar year or the
// year before 立春 of year 1 may be, counts as -1 (庚申).
int YearPillarOfYear(int y);
// Sexagenary index of the year of a date, turning on the day of 立春.
int YearPillarOf(int y, int m, int d);
// Zodiac animal index of a (lunar) year (2024 -> 4 龙); year 0 counts as -1 (猴).
int ZodiacOf(int y);
// Solar year and solar month 1..12 (month 1 starts at 立春).
bool SolarMonthOf(int y, int m, int d, int &solarYear, int &solarMonth);
int MonthPillarOf(int y, int m, int d);
int DayPillarOf(int y, int m, int d);
// Star sign index (0 = 白羊) of a civil month and day.
int StarSignOf(int m, int d);

} // namespace lunar
