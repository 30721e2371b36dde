#include "calendar_control/LunarCaptions.h"

#include "lunar/CivilDate.h"
#include "lunar/DateInfo.h"

LunarCaptions::LunarCaptions(const LunarCalendarMonth::Colors &colors)
    : m_info(std::make_unique<lunar::DateInfo>()), m_colors(colors) {}

LunarCaptions::~LunarCaptions() = default;

LunarCalendarMonth::Caption LunarCaptions::caption(const QDate &date) {
    if (!date.isValid()) return {};
    return caption(date.year(), date.month(), date.day());
}

LunarCalendarMonth::Caption LunarCaptions::caption(int year, int month, int day) {
    // The record keeps its old texts for a date it cannot take: nothing rather than those.
    // The years are the control's.
    if (year < 1 || year > 2100 || !lunar::IsValidCivilDate(year, month, day)) return {};
    if (!m_info->SetCivilDate(year, month, day)) return {};
    return LunarCalendarMonth::captionOf(*m_info, m_colors);
}
