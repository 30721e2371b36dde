#pragma once

// The leap month of every year from -849 to 2100, compiled in from data/leap_months.txt.
extern const char kLeapMonthData[];
