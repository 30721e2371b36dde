#include "lunar/DateInfo.h"

#include "lunar/CivilDate.h"
#include "lunar/Cycles.h"
#include "lunar/EraTable.h"
#include "lunar/Festivals.h"
#include "lunar/LunarDate.h"
#include "lunar/SolarTerms.h"

namespace lunar {

namespace {

// The era table numbers the years before 1 astronomically (1 BC = 0).
int eraTableYear(int lunarYear) {
    return lunarYear < 0 ? lunarYear + 1 : lunarYear;
}

} // namespace

void DateInfo::SetCalendar(LunarCalendar calendar) {
    if (calendar == m_calendar) return;
    m_calendar = calendar;
    m_yearBuilt = false;
    m_monthBuilt = false;
}

void DateInfo::SetDate(double date) {
    DateValue = date;
    int y = 0, m = 0, d = 0;
    if (!DateToCivil(date, y, m, d)) return;
    // Festival weekdays follow the Date, whose calendar is the grid's: before 1582 it differs
    // from the engine's Julian one.
    std::string festival = CivilFestivalText(d, date);
    if (IsDroppedDay(y, m, d)) {
        FillDroppedDay(y, m, d, std::move(festival));
        return;
    }
    int ly = 0, lm = 0, ld = 0;
    bool leap = false;
    if (!CivilToLunar(y, m, d, ly, lm, ld, leap, m_calendar)) return;
    std::string lunarFestival = m_calendar == LunarCalendar::InForce
                                    ? LunarFestivalText(lm, ld, date)
                                    : LunarFestivalTextOf(lm, ld, y, m, d, m_calendar);
    Fill(y, m, d, ly, lm, ld, leap, std::move(lunarFestival), std::move(festival));
}

bool DateInfo::SetCivilDate(int year, int month, int day) {
    const bool dropped = IsDroppedDay(year, month, day);
    if (!dropped && !IsValidCivilDate(year, month, day)) return false;
    double date = 0.0;
    if (CivilToDate(year, month, day, date)) DateValue = date;
    if (dropped) {
        FillDroppedDay(year, month, day, CivilFestivalTextOf(year, month, day));
        return true;
    }
    int ly = 0, lm = 0, ld = 0;
    bool leap = false;
    if (!CivilToLunar(year, month, day, ly, lm, ld, leap, m_calendar)) return false;
    Fill(year, month, day, ly, lm, ld, leap,
         LunarFestivalTextOf(lm, ld, year, month, day, m_calendar),
         CivilFestivalTextOf(year, month, day));
    return true;
}

void DateInfo::FillYear(int y, int m, int d, int ly) {
    // The year name turns at 立春, yet it is only rebuilt when the lunar year changes: that
    // is what keeps a month walk cheap. Eras counted their years from the lunar new year.
    if (m_yearBuilt && ly == CachedLunarYear) return;
    m_yearBuilt = true;
    CachedLunarYear = ly;
    LunarYearName = std::to_string(ly);
    YearPillar = PillarName(YearPillarOf(y, m, d));
    Animal = ZodiacName(ZodiacOf(ly));
    Era = EraTextOf(eraTableYear(ly));
    m_monthBuilt = false;
}

void DateInfo::Fill(int y, int m, int d, int ly, int lm, int ld, bool leap,
                    std::string lunarFestival, std::string civilFestival) {
    HasLunarDate = true;
    LunarYear = ly;
    LunarMonth = lm;
    LunarDay = ld;
    LunarLeap = leap;
    FillYear(y, m, d, ly);

    const int signedMonth = leap ? -lm : lm;
    if (!m_monthBuilt || signedMonth != CachedLunarMonth) {
        m_monthBuilt = true;
        CachedLunarMonth = signedMonth;
        MonthName = LunarMonthText(lm, leap);
        MonthPillar = PillarName(MonthPillarOf(y, m, d));
    }

    DayName = LunarDayText(ld);
    DayPillar = PillarName(DayPillarOf(y, m, d));
    StarSign = StarSignName(StarSignOf(m, d));
    CivilFestival = std::move(civilFestival);
    LunarFestival = std::move(lunarFestival);
    TermName = SolarTermText(y, m, d);
}

void DateInfo::FillDroppedDay(int y, int m, int d, std::string civilFestival) {
    // No lunar day falls on these dates, so the lunar texts stay empty; they lie well inside
    // lunar year 1582, whose year texts apply, and the star sign and festival follow the
    // civil date alone.
    HasLunarDate = false;
    LunarYear = y;
    LunarMonth = 0;
    LunarDay = 0;
    LunarLeap = false;
    FillYear(y, m, d, y);
    m_monthBuilt = false;
    CachedLunarMonth = 0;
    MonthName.clear();
    MonthPillar.clear();
    DayName.clear();
    DayPillar.clear();
    TermName.clear();
    LunarFestival.clear();
    StarSign = StarSignName(StarSignOf(m, d));
    CivilFestival = std::move(civilFestival);
}

} // namespace lunar
