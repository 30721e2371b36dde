#pragma once

// The one text a month grid shows with a day: its lunar day, or the month name on the first
// day of a lunar month, unless a civil festival, a solar term or a lunar festival (later ones
// winning) takes the place.

#include "lunar/DateInfo.h"

#include <string>

namespace lunar {

struct DayCaption {
    enum class Kind { LunarDay, MonthStart, CivilFestival, SolarTerm, LunarFestival };
    std::string Text;
    Kind Source = Kind::LunarDay;
};

// The caption of the date `info` was last filled for.
DayCaption CaptionOf(const DateInfo &info);

} // namespace lunar
