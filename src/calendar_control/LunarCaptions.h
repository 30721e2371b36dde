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

    // Empty for a date the engine cannot convert.
    LunarCalendarMonth::Caption caption(const QDate &date);

private:
    std::unique_ptr<lunar::DateInfo> m_info;
    LunarCalendarMonth::Colors m_colors;
};
