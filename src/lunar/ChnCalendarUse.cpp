#include "lunar/ChnCalendarUse.h"

#include "lunar/CivilDate.h"
#include "lunar/Cycles.h"
#include "lunar/EraTable.h"
#include "lunar/LunarDate.h"
#include "lunar/SolarTerms.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace lunar {

namespace {

constexpr int kFirstEraYear = -2069;
constexpr int kFirstModernYear = 1949;

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string trimmed(const std::string &text, std::size_t begin, std::size_t end) {
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// A whole field as a decimal integer, 0 when it is not one.
int integerOr0(const std::string &field) {
    if (field.empty()) return 0;
    const char *begin = field.c_str();
    char *end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (end == begin || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return 0;
    return static_cast<int>(value);
}

struct EraRow {
    int start = 0;
    int offset = 0;
    std::string dynasty;
    std::string title;
    std::string name;
    std::string era;
};

// The rows split once; the table is constant, so this is the same as splitting on every
// lookup, only cheaper.
const std::vector<EraRow> &eraRows() {
    static const std::vector<EraRow> rows = [] {
        std::vector<EraRow> parsed;
        parsed.reserve(EraTable::kRowCount);
        for (const char *text : EraTable::Rows()) {
            const std::string row(text);
            EraRow r;
            r.start = integerOr0(SplitField(row, ",", 1, false));
            r.offset = integerOr0(SplitField(row, ",", 3, false));
            r.dynasty = SplitField(row, ",", 4, false);
            r.title = SplitField(row, ",", 5, false);
            r.name = SplitField(row, ",", 6, false);
            r.era = SplitField(row, ",", 7, false);
            parsed.push_back(std::move(r));
        }
        return parsed;
    }();
    return rows;
}

// Sunday = 1 ... Saturday = 7, on the engine's calendar (day numbers are consecutive
// across the 1582 change, and 2000-01-02, a Sunday, has a day number divisible by 7).
int weekdayOf(int y, int m, int d) {
    const int r = CivilDayNumber(y, m, d) % 7;
    return (r < 0 ? r + 7 : r) + 1;
}

// Sunday = 1 ... Saturday = 7 of day `day` in the month of a Date whose day of the month is
// `dateDay`. Dates count proleptic Gregorian days, the calendar of the month grid: Date 0,
// 1899-12-30, was a Saturday.
int weekdayOfDateMonth(double date, int dateDay, int day) {
    const long long n = static_cast<long long>(std::trunc(date)) - dateDay + day + 6;
    return static_cast<int>((n % 7 + 7) % 7) + 1;
}

constexpr int kSunday = 1;
constexpr int kThursday = 5;

// `weekday` is that of (month, day) on the calendar the caller shows its days in.
std::string civilFestival(int month, int day, int weekday) {
    std::string text;
    switch (month) {
    case 1:
        if (day == 1) text = "元旦节";
        break;
    case 2:
        if (day == 14) text = "情人节";
        break;
    case 3:
        if (day == 8) text = "妇女节";
        break;
    case 4:
        if (day == 1) text = "愚人节";
        break;
    case 5:
        if (day == 1) text = "劳动节";
        if (day == 4) text = "青年节";
        if (day >= 1 && weekday == kSunday && (day - 1) / 7 == 1) text = "母亲节";
        break;
    case 6:
        if (day == 1) text = "儿童节";
        if (day >= 1 && weekday == kSunday && (day - 1) / 7 == 2) text = "父亲节";
        break;
    case 7:
        if (day == 1) text = "建党节";
        break;
    case 8:
        if (day == 1) text = "建军节";
        break;
    case 9:
        if (day == 10) text = "教师节";
        break;
    case 10:
        if (day == 1) text = "国庆节";
        if (day == 6) text = "老人节";
        if (day == 31) text = "万圣节";
        break;
    case 11:
        if (day == 8) text = "记者日";
        if (day >= 1 && weekday == kThursday && (day - 1) / 7 == 3) text = "感恩节";
        break;
    case 12:
        if (day == 25) text = "圣诞节";
        break;
    default:
        break;
    }
    return text;
}

} // namespace

// ---- TChnCal

void TChnCal::SetDate(double date) {
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
    if (!CivilToLunar(y, m, d, ly, lm, ld, leap)) return;
    Fill(y, m, d, ly, lm, ld, leap, LunarFestivalText(lm, ld, date), std::move(festival));
}

bool TChnCal::SetCivilDate(int year, int month, int day) {
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
    if (!CivilToLunar(year, month, day, ly, lm, ld, leap)) return false;
    Fill(year, month, day, ly, lm, ld, leap, LunarFestivalTextOf(lm, ld, year, month, day),
         CivilFestivalTextOf(year, month, day));
    return true;
}

void TChnCal::FillYear(int y, int m, int d, int ly) {
    // The year name turns at 立春 and the era follows the civil year, yet both are only
    // rebuilt when the lunar year changes: that is what keeps a month walk cheap.
    if (yearBuilt_ && ly == CachedLunarYear) return;
    yearBuilt_ = true;
    CachedLunarYear = ly;
    LunarYearName = std::to_string(ly);
    YearPillar = PillarName(YearPillarOf(y, m, d));
    Animal = ZodiacName(ZodiacOf(ly));
    Era = EraTextOf(y);
    monthBuilt_ = false;
}

void TChnCal::Fill(int y, int m, int d, int ly, int lm, int ld, bool leap,
                   std::string lunarFestival, std::string civilFestival) {
    HasLunarDate = true;
    LunarYear = ly;
    LunarMonth = lm;
    LunarDay = ld;
    LunarLeap = leap;
    FillYear(y, m, d, ly);

    const int signedMonth = leap ? -lm : lm;
    if (!monthBuilt_ || signedMonth != CachedLunarMonth) {
        monthBuilt_ = true;
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

void TChnCal::FillDroppedDay(int y, int m, int d, std::string civilFestival) {
    // No lunar day falls on these dates, so the lunar texts stay empty; they lie well inside
    // lunar year 1582, whose year texts apply, and the star sign and festival follow the
    // civil date alone.
    HasLunarDate = false;
    LunarYear = y;
    LunarMonth = 0;
    LunarDay = 0;
    LunarLeap = false;
    FillYear(y, m, d, y);
    monthBuilt_ = false;
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

// ---- Conversions and festivals

std::string CivilFestivalText(int day, double date) {
    int y = 0, m = 0, d = 0;
    if (!DateToCivil(date, y, m, d)) return {};
    return civilFestival(m, day, weekdayOfDateMonth(date, d, day));
}

std::string CivilFestivalTextOf(int year, int month, int day) {
    return civilFestival(month, day, weekdayOf(year, month, day));
}

namespace {

// The festivals that depend on the lunar day alone; `eve` tells whether the next day is
// the first day of the first month.
template <typename Eve> std::string lunarFestival(int lunarMonth, int lunarDay, Eve eve) {
    switch (lunarDay) {
    case 1:
        return lunarMonth == 1 ? "春节" : "";
    case 5:
        return lunarMonth == 5 ? "端午节" : "";
    case 7:
        return lunarMonth == 7 ? "七夕节" : "";
    case 8:
        return lunarMonth == 12 ? "腊八节" : "";
    case 9:
        return lunarMonth == 9 ? "重阳节" : "";
    case 15:
        if (lunarMonth == 8) return "中秋节";
        return lunarMonth == 1 ? "元宵节" : "";
    default:
        return lunarMonth == 12 && eve() ? "除夕" : "";
    }
}

} // namespace

std::string LunarFestivalText(int lunarMonth, int lunarDay, double date) {
    return lunarFestival(lunarMonth, lunarDay, [date] {
        int y = 0, m = 0, d = 0;
        bool leap = false;
        return DateToLunar(date + 1, y, m, d, leap) && m == 1 && d == 1;
    });
}

std::string LunarFestivalTextOf(int lunarMonth, int lunarDay, int year, int month, int day) {
    return lunarFestival(lunarMonth, lunarDay, [=] {
        int y = year, m = month, d = day;
        if (!NextCivilDay(y, m, d)) return false;
        int ly = 0, lm = 0, ld = 0;
        bool leap = false;
        return CivilToLunar(y, m, d, ly, lm, ld, leap) && lm == 1 && ld == 1;
    });
}

// ---- Eras and texts

std::string EraTextOf(int year) {
    if (year < kFirstEraYear || year >= kFirstModernYear) return {};
    const std::vector<EraRow> &rows = eraRows();
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        const EraRow &row = rows[i];
        if (row.start > year || year >= rows[i + 1].start) continue;
        // A row that continues an era carries the years already run as its offset.
        const int n = year - row.start + 1 + row.offset;
        return "[" + row.dynasty + "]" + row.title + " " + row.name + " " + row.era +
               (n == 1 ? std::string("元") : std::to_string(n)) + "年";
    }
    return {};
}

std::string SplitField(const std::string &text, const std::string &sep, int n, bool skipEmpty) {
    if (n < 1) return {};
    if (sep.empty()) return n == 1 ? trimmed(text, 0, text.size()) : std::string();
    int count = 0;
    std::size_t begin = 0;
    while (true) {
        const std::size_t found = text.find(sep, begin);
        const std::size_t end = found == std::string::npos ? text.size() : found;
        std::string field = trimmed(text, begin, end);
        if (!(skipEmpty && field.empty())) {
            ++count;
            if (count == n) return field;
        }
        if (found == std::string::npos) return {};
        begin = found + sep.size();
    }
}

std::string ChooseText(bool condition, const std::string &a, const std::string &b) {
    return condition ? a : b;
}

} // namespace lunar
