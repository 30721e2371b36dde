#pragma once

// The date-information record of the calendar control: every text shown for one date
// (lunar month and day, festivals, solar term, sexagenary names, animal, star sign,
// reign era), with the costly year-level texts kept between calls.
//
// Texts are UTF-8. A "Date" is the toolkit's date value (days since 1899-12-30, the time of
// day as fraction), decoded with DateToCivil of CivilDate.h.

#include <string>

namespace lunar {

class TChnCal {
public:
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
    bool yearBuilt_ = false;
    bool monthBuilt_ = false;
};

// Civil festival of day `day` in the month of `date` ("元旦节", "母亲节", ...), or empty.
// Weekdays are those of the Date's calendar (proleptic Gregorian).
std::string CivilFestivalText(int day, double date);
// The same for a civil date given directly, with weekdays of the engine's calendar
// (Julian before 1582-10-15).
std::string CivilFestivalTextOf(int year, int month, int day);

// Lunar festival of a lunar month and day ("春节", ..., "除夕"); the leap flag is not
// looked at. `date` is the civil date of that lunar day, needed for "除夕" (the eve of
// the new year, whose lunar day is 29 or 30).
std::string LunarFestivalText(int lunarMonth, int lunarDay, double date);
// The same with the civil date given directly.
std::string LunarFestivalTextOf(int lunarMonth, int lunarDay, int year, int month, int day);

// Reign-era text of a civil year, such as "[明]太祖 朱元璋 洪武元年"; empty outside
// -2069 <= year < 1949. The first row of the era table (in table order) whose years
// contain the year gives the text; the year number counts on from the row's offset.
std::string EraTextOf(int year);

// Field n (1-based) of `text` split at `sep`, trimmed of surrounding blanks; with
// skipEmpty, blank fields are not counted. Empty when there is no such field.
std::string SplitField(const std::string &text, const std::string &sep, int n, bool skipEmpty);

// a when the condition holds, else b.
std::string ChooseText(bool condition, const std::string &a, const std::string &b);

} // namespace lunar
