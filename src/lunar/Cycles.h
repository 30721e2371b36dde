#pragma once

// The cycles that name years, months and days: the ten stems and twelve branches and the
// sixty pillars they form, the twelve zodiac animals, and the twelve star signs. Plain
// functions without Qt, safe to call from any thread; texts are UTF-8. Years beyond
// +-1,000,000 get the failure value -1.

#include <string>

namespace lunar {

// Name tables; empty text for an index out of range.
std::string PillarName(int index);   // 0..59: 甲子 .. 癸亥
std::string ZodiacName(int index);   // 0..11: 鼠 .. 猪
std::string StarSignName(int index); // 0..11: 白羊 .. 双鱼
std::string StemName(int index);     // 0..9
std::string BranchName(int index);   // 0..11

// Sexagenary index of a stem 0..9 and branch 0..11, or -1 when they never meet.
int PillarOf(int stem, int branch);
// Sets -1, -1 and fails unless 0 <= index <= 59.
bool SplitPillar(int index, int &stem, int &branch);

// Sexagenary index of a civil year (2024 -> 40 甲辰). Year 0, which a lunar year or the
// year before 立春 of year 1 may be, counts as -1 (庚申).
int YearPillarOfYear(int y);
// Sexagenary index of the year of a date, turning on the day of 立春.
int YearPillarOf(int y, int m, int d);
// Zodiac animal index of a (lunar) year (2024 -> 4 龙); year 0 counts as -1 (猴).
int ZodiacOf(int y);
int MonthPillarOf(int y, int m, int d);
int DayPillarOf(int y, int m, int d);
// Star sign index (0 = 白羊) of a civil month and day.
int StarSignOf(int m, int d);

} // namespace lunar
