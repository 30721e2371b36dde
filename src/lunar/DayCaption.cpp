#include "lunar/DayCaption.h"

namespace lunar {

DayCaption CaptionOf(const DateInfo &info) {
    DayCaption caption;
    if (info.DayName == "初一")
        caption = {info.MonthName, DayCaption::Kind::MonthStart};
    else
        caption = {info.DayName, DayCaption::Kind::LunarDay};
    if (!info.CivilFestival.empty())
        caption = {info.CivilFestival, DayCaption::Kind::CivilFestival};
    if (!info.TermName.empty()) caption = {info.TermName, DayCaption::Kind::SolarTerm};
    if (!info.LunarFestival.empty())
        caption = {info.LunarFestival, DayCaption::Kind::LunarFestival};
    return caption;
}

} // namespace lunar
