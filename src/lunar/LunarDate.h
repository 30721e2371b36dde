#pragma once

// Lunar dates: conversion from and to civil dates, and their names. Plain functions without
// Qt; they raise nothing and report failure by a false result, leaving their outputs
// untouched. Texts are UTF-8. Safe to call from any thread. The engine converts the civil
// years -849..2100.

#include "lunar/CivilDate.h"

#include <string>

namespace lunar {

// A lunar date: the lunar year is the civil year in which it begins (before year 1 numbered
// as the civil years, without a year 0: lunar year -1 began in 1 BC).
struct LunarDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..30
    bool leap = false;
};

// The calendars the engine converts with. From lunar year 1900 on (1900-01-31) they agree.
enum class LunarCalendar {
    // The calendar in force: from 0001-01-14 to 1900-01-30 the historical calendar as
    // reconstructed from the records (with its changes of numbering: years 9-23 and 237-239
    // began a month early), before 0001-01-14 the computed one. Its last computed month,
    // month 11 of lunar year -1, runs up to the first recorded one.
    InForce,
    // The computed calendar everywhere: months from new moon to new moon of the engine's
    // astronomy, named with the leap months of the leap table.
    Astronomical,
};

// Year, then month number; the leap month of a number comes after the regular one.
int CompareLunarDates(const LunarDate &a, const LunarDate &b);

// The leap month 1..12 of lunar year y in the leap table behind the computed calendar, 0 for
// none; -1 outside -849..2100. The calendar in force may differ before 1900: see
// LeapMonthIn.
int LeapMonthOf(int y);

// Every civil day of -849..2100 has one lunar date, and every lunar date one civil day.
// Before 1900-01-31 only valid civil dates convert (never the ten days dropped in 1582).
bool CivilToLunar(int y, int m, int d, int &lunarYear, int &lunarMonth, int &lunarDay, bool &leap,
                  LunarCalendar calendar = LunarCalendar::InForce);
bool CivilToLunar(const CivilDate &civil, LunarDate &lunar,
                  LunarCalendar calendar = LunarCalendar::InForce);
bool LunarToCivil(int lunarYear, int lunarMonth, int lunarDay, bool leap, int &y, int &m, int &d,
                  LunarCalendar calendar = LunarCalendar::InForce);
bool LunarToCivil(const LunarDate &lunar, CivilDate &civil,
                  LunarCalendar calendar = LunarCalendar::InForce);
// The leap month of lunar year y in a calendar, 0 for none, -1 for a year it does not have.
int LeapMonthIn(int y, LunarCalendar calendar);

// Decodes a Date and converts it with CivilToLunar. False (outputs untouched) when the
// Date does not decode or the year is out of the engine's range.
bool DateToLunar(double date, int &year, int &month, int &day, bool &leap);

// "初一" .. "三十"; empty outside 1..30.
std::string LunarDayText(int lunarDay);
// "正月" .. "腊月", or "闰" + name for a leap month; empty outside 1..12.
std::string LunarMonthText(int lunarMonth, bool leap);

} // namespace lunar
