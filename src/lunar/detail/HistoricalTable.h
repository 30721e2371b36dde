#pragma once

// The lunar calendar in force in the years 1..1899, compiled from data/lunar_month_starts.tsv
// at build time: one record per lunar year, from the last month of lunar year -1 (the data's
// year 0, which began in 1 BC) to lunar year 1899.

#include "lunar/detail/YearRecord.h"

namespace lunar::detail {

constexpr int kHistoricalYearCount = 1900;
// First day of the table (0001-01-14, month 12 of lunar year -1) and the day after its last
// one (1900-01-31, lunar new year of 1900).
constexpr int kHistoricalFirstDay = 1721437;
constexpr int kHistoricalEndDay = 2415051;

// Index 0 is lunar year -1, index y the lunar year y.
extern const YearRecord kHistoricalYears[kHistoricalYearCount];

} // namespace lunar::detail
