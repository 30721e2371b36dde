#include "calendar_control/LunarCaptions.h"

#include "lunar/CivilDate.h"
#include "lunar/DateInfo.h"

LunarCaptions::LunarCaptions(const LunarCalendarMonth::Colors &colors)
    : m_info(std::make_unique<lunar::DateInfo>()), m_colors(colors) {}

LunarCaptions::~LunarCaptions() = default;

LunarCalendarMonth::Caption LunarCaptions::caption(const QDate &date) {
    double value = 0.0;
    // The record keeps its old texts for a date it cannot take: nothing rather than those.
    // The years are the control's.
    if (!date.isValid() || date.year() < 1 || date.year() > 2100 ||
        !lunar::CivilToDate(date.year(), date.month(), date.day(), value))
        return {};
    m_info->SetDate(value);
    return LunarCalendarMonth::captionOf(*m_info, m_colors);
}
