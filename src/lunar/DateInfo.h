#pragma once

// The date-information record of the calendar control: every text shown for one date
// (lunar month and day, festivals, solar term, sexagenary names, animal, star sign,
// reign era), with the costly year-level texts kept between calls.
//
// Texts are UTF-8. A "Date" is the toolkit's date value (days since 1899-12-30, the time of
// day as fraction), decoded with DateToCivil of CivilDate.h.

#include "lunar/LunarDate.h"

#include <string>

namespace lunar {

class DateInfo {
public:
    // The calendar the lunar texts come from; the historical one unless set otherwise.
    // Changing it makes the next fill rebuild every text.
    void SetCalendar(LunarCalendar calendar);
    LunarCalendar Calendar() const { return m_calendar; }

    // Fills the record for a Date. A date the engine cannot convert (civil year outside
    // -849..2100, or a Date that does not decode) only updates DateValue: every text keeps
    // its previous value. The weekday rules of the civil festivals use the Date's own
    // (proleptic Gregorian) weekday, that of the column a month grid shows the day in.
    // The ten days 1582-10-05 .. 10-14, which Dates have and the engine's calendar has
    // not, get empty lunar texts (see FillDroppedDay).
    void SetDate(double date);
    // The same for a civil date given directly (years before 1 are counted without a
    // year 0, -1 being the year before 1); festival weekdays are those of the engine's
    // calendar. DateValue is set to the Date of that day when it has one and left as it
    // was otherwise. Returns false when nothing was filled; a day of 1582-10-05 .. 10-14
    // is filled as by SetDate.
    bool SetCivilDate(int year, int month, int day);

    // Lunar year of the last year-level build; 0 before the first.
    int CachedLunarYear = 0;
    // Signed lunar month (negative for a leap month) of the last month-level build.
    int CachedLunarMonth = 0;
    double DateValue = 0.0;
    std::string TermName;
    std::string CivilFestival;
    std::string MonthName;
    std::string DayPillar;
    std::string YearPillar;
    std::string MonthPillar;
    std::string LunarFestival;
    std::string LunarYearName;
    std::string DayName;
    std::string Animal;
    std::string StarSign;
    // The reign era and its year, counted from the lunar new year as the eras were.
    std::string Era;

    // Lunar date of the last successful conversion (not part of the texts, but handy for
    // callers that want the numbers behind MonthName and DayName). HasLunarDate is false
    // after one of the ten dropped days of 1582, which has no lunar month and day.
    bool HasLunarDate = false;
    int LunarYear = 0;
    int LunarMonth = 0;
    int LunarDay = 0;
    bool LunarLeap = false;

private:
    void FillYear(int y, int m, int d, int ly);
    void Fill(int y, int m, int d, int ly, int lm, int ld, bool leap, std::string lunarFestival,
              std::string civilFestival);
    // 1582-10-05 .. 10-14: days of the month grid that the engine's calendar skips. They
    // get no lunar month, day, festival, solar term or day and month names, never those of
    // another day; the year texts (lunar year 1582), star sign and civil festival are
    // theirs all the same.
    void FillDroppedDay(int y, int m, int d, std::string civilFestival);

    // Lunar year 0 (January of year 1) must not pass for "nothing built yet".
    bool m_yearBuilt = false;
    bool m_monthBuilt = false;
    LunarCalendar m_calendar = LunarCalendar::InForce;
};

} // namespace lunar
