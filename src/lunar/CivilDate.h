#pragma once

// Civil dates as the lunar engine counts them, day numbers, and the toolkit's date value.
// Plain functions without Qt; they raise nothing and report failure by a false result,
// leaving their outputs untouched. Safe to call from any thread.

namespace lunar {

// A civil date as the engine counts it: no year 0 (year -1 is the year before
// year 1), Julian calendar up to 1582-10-04, Gregorian from 1582-10-15.
struct CivilDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

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

// Julian Day Number of a date of the engine's civil calendar (0001-01-01 = 1721424,
// 1582-10-15 = 2299161): one count without gaps or repeats across year 1 and October 1582,
// unlike the day numbers above, which are not continuous before year 1. 0 for an invalid
// date or a year outside -1,000,000..1,000,000.
int JulianDayOf(int y, int m, int d);
// The date of the engine's civil calendar (Julian before 1582-10-15, no year 0) on a Julian
// Day Number; fails for a day number below 0.
bool CivilDateOfJulianDay(int jdn, int &y, int &m, int &d);
// ISO weekday, 1 = Monday .. 7 = Sunday, of a date of the engine's civil calendar (Julian
// dates have their own weekdays); 0 for an invalid date.
int CivilWeekday(int y, int m, int d);

// True for 1582-10-05 .. 10-14, the days the change to the Gregorian calendar dropped.
bool IsDroppedDay(int year, int month, int day);
// True for a date of the engine's civil calendar: no year 0, month 1..12, a day of that
// month, and none of the ten days dropped in October 1582.
bool IsValidCivilDate(int year, int month, int day);
// Steps to the next day of the engine's civil calendar (1582-10-04 -> 1582-10-15, -1-12-31
// -> 1-01-01); also covers years before 1, where Dates do not reach. False for an invalid
// date, leaving it untouched.
bool NextCivilDay(int &year, int &month, int &day);

// A "Date" is the toolkit's date value: days since 1899-12-30 (fraction = time of day),
// decoded in the proleptic Gregorian calendar as the toolkit does.

// Fails when the value lies outside the years 1..9999.
bool DateToCivil(double date, int &y, int &m, int &d);
// Fails for an impossible date or a year outside 1..9999.
bool CivilToDate(int y, int m, int d, double &date);

} // namespace lunar
