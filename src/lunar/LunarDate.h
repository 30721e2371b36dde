#pragma once

// Lunar dates: conversion from and to civil dates, and their names. Plain functions without
// Qt; they raise nothing and report failure by a false result, leaving their outputs
// untouched. Texts are UTF-8. Safe to call from any thread. The engine converts the civil
// years -849..2100.

#include "lunar/CivilDate.h"

#include <string>

namespace lunar {

// A lunar date: the lunar year is the civil year in which it begins.
struct LunarDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..30
    bool leap = false;
};

// Year, then month number; the leap month of a number comes after the regular one.
int CompareLunarDates(const LunarDate &a, const LunarDate &b);

// The leap month 1..12 of lunar year y, 0 for none; -1 outside -849..2100.
int LeapMonthOf(int y);

bool CivilToLunar(int y, int m, int d, int &lunarYear, int &lunarMonth, int &lunarDay, bool &leap);
bool CivilToLunar(const CivilDate &civil, LunarDate &lunar);
bool LunarToCivil(int lunarYear, int lunarMonth, int lunarDay, bool leap, int &y, int &m, int &d);
bool LunarToCivil(const LunarDate &lunar, CivilDate &civil);
// Decodes a Date and converts it with CivilToLunar. False (outputs untouched) when the
// Date does not decode or the year is out of the engine's range.
bool DateToLunar(double date, int &year, int &month, int &day, bool &leap);

// "初一" .. "三十"; empty outside 1..30.
std::string LunarDayText(int lunarDay);
// "正月" .. "腊月", or "闰" + name for a leap month; empty outside 1..12.
std::string LunarMonthText(int lunarMonth, bool leap);

} // namespace lunar
