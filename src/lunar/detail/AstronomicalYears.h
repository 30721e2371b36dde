#pragma once

// The computed lunar calendar before lunar year 1900: the months run from new moon to new
// moon of the engine's series, named in order backwards from lunar new year 1900 with the
// leap months of the leap table. Built once, on first use, shared by all threads.

#include "lunar/detail/YearRecord.h"

namespace lunar::detail {

// From the lunar year that contains -849-01-01 to lunar year 1899 (ending 1900-01-30).
const YearTable &AstronomicalYears();

} // namespace lunar::detail
