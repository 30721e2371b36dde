#pragma once

// The festival texts a date shows: civil festivals ("元旦节", "母亲节", ...) and lunar
// festivals ("春节", ..., "除夕"). Texts are UTF-8; a "Date" is the toolkit's date value of
// CivilDate.h.

#include "lunar/LunarDate.h"

#include <string>

namespace lunar {

// Civil festival of day `day` in the month of `date` ("元旦节", "母亲节", ...), or empty.
// Weekdays are those of the Date's calendar (proleptic Gregorian).
std::string CivilFestivalText(int day, double date);
// The same for a civil date given directly, with weekdays of the engine's calendar
// (Julian before 1582-10-15).
std::string CivilFestivalTextOf(int year, int month, int day);

// Lunar festival of a lunar month and day ("春节", ..., "除夕"); the leap flag is not
// looked at. `date` is the civil date of that lunar day, needed for "除夕", the last day of
// the lunar year (day 28 to 30, usually of month 12: year 8 ended after month 11).
std::string LunarFestivalText(int lunarMonth, int lunarDay, double date);
// The same with the civil date given directly, in one of the engine's calendars.
std::string LunarFestivalTextOf(int lunarMonth, int lunarDay, int year, int month, int day,
                                LunarCalendar calendar = LunarCalendar::InForce);

} // namespace lunar
