#pragma once

#include "calendar_control/LunarCalendarMonth.h"

#include <QDate>

#include <memory>

namespace lunar {
class DateInfo;
}

// The captions the calendar control shows under its days, for other grids: one
// date-information record walked from day to day, so that the year-level texts are built once
// a lunar year. Fastest in date order.
class LunarCaptions {
public:
    explicit LunarCaptions(
        const LunarCalendarMonth::Colors &colors = LunarCalendarMonth::defaultColors());
    ~LunarCaptions();
    LunarCaptions(const LunarCaptions &) = delete;
    LunarCaptions &operator=(const LunarCaptions &) = delete;

    // Empty for a date the engine cannot convert. The year, month and day are read in the
    // engine's calendar (Julian before 1582-10-15), as the grids lay them out.
    LunarCalendarMonth::Caption caption(const QDate &date);
    // The same for a day QDate may lack (the 29 February of a Julian leap year such as 100).
    LunarCalendarMonth::Caption caption(int year, int month, int day);

private:
    std::unique_ptr<lunar::DateInfo> m_info;
    LunarCalendarMonth::Colors m_colors;
};
