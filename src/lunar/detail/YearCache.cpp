#include "lunar/detail/YearCache.h"

#include "lunar/LunarDate.h"
#include "lunar/detail/Arithmetic.h"
#include "lunar/detail/LeapMonths.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <mutex>

namespace lunar::detail {

namespace {

constexpr int kCacheFirstYear = kFirstYear - 1;
constexpr int kCacheLastYear = kLastYear + 1;
// Terms 1..25: month 12 of the solar month search looks at term 25.
constexpr int kCachedTerms = 25;
// Marks a day of the year that has no civil date (the dropped days of 1582).
constexpr std::int8_t kNoDay = -128;

struct YearSlot {
    std::atomic<bool> formulasReady{false};
    NewMoonDays newMoonDays{};
    std::array<double, kCachedTerms + 1> termDays{};
    std::array<int, kCachedTerms + 1> termWholeDays{};
    std::array<TermMoment, 24> termMoments{};

    // Lunar day and signed lunar month of each day of the year (index = day of the year).
    std::atomic<bool> daysReady{false};
    std::array<std::int8_t, 367> lunarDays{};
    std::array<std::int8_t, 367> lunarMonths{};

    std::atomic<bool> newYearReady{false};
    bool newYearFound = false;
    CivilDate newYear;
};

class YearCache {
public:
    static YearCache &instance() {
        static YearCache cache;
        return cache;
    }

    static bool covers(int y) { return y >= kCacheFirstYear && y <= kCacheLastYear; }

    const YearSlot &formulas(int y) {
        YearSlot &slot = slotOf(y);
        if (!slot.formulasReady.load(std::memory_order_acquire)) {
            const std::lock_guard<std::mutex> lock(m_formulaMutex);
            if (!slot.formulasReady.load(std::memory_order_relaxed)) {
                slot.newMoonDays = computeNewMoonDays(y);
                for (int n = 1; n <= kCachedTerms; ++n) {
                    slot.termDays[n] = computeSolarTermDayOfYear(y, n);
                    slot.termWholeDays[n] = static_cast<int>(std::floor(slot.termDays[n]));
                }
                for (int t = 0; t < 24; ++t)
                    slot.termMoments[t] = termMomentOf(y, slot.termDays[t + 1]);
                slot.formulasReady.store(true, std::memory_order_release);
            }
        }
        return slot;
    }

    const YearSlot &days(int y) {
        YearSlot &slot = slotOf(y);
        if (!slot.daysReady.load(std::memory_order_acquire)) {
            // Filling reads the formula values and other years, so it runs outside the lock.
            std::array<std::int8_t, 367> lunarDays;
            std::array<std::int8_t, 367> lunarMonths;
            lunarDays.fill(kNoDay);
            lunarMonths.fill(0);
            const NewMoonDays &newMoons = formulas(y).newMoonDays;
            // The counted month changes once a lunation; keep the last one.
            long long lastKey = std::numeric_limits<long long>::min();
            int lastCount = 0;
            for (int m = 1; m <= 12; ++m) {
                for (int d = 1; d <= DaysInCivilMonth(y, m); ++d) {
                    if (CalendarKind(y, m, d) == 0) continue;
                    const int dayNumber = CivilDayNumber(y, m, d);
                    const int day = computeLunarDay(y, m, d, dayNumber, newMoons);
                    const int e = monthRuleDay(day);
                    const long long key = static_cast<long long>(dayNumber) - e;
                    if (key != lastKey) {
                        lastKey = key;
                        lastCount = countedMonth(y, key);
                    }
                    const int doy = DayOfCivilYear(y, m, d);
                    lunarDays[doy] = static_cast<std::int8_t>(day);
                    lunarMonths[doy] =
                        static_cast<std::int8_t>(lunarMonthFromCount(y, m, d, e, lastCount));
                }
            }
            const std::lock_guard<std::mutex> lock(m_daysMutex);
            if (!slot.daysReady.load(std::memory_order_relaxed)) {
                slot.lunarDays = lunarDays;
                slot.lunarMonths = lunarMonths;
                slot.daysReady.store(true, std::memory_order_release);
            }
        }
        return slot;
    }

    // The civil date of lunar new year's day of y, as the reverse search finds it.
    const YearSlot &newYear(int y) {
        YearSlot &slot = slotOf(y);
        if (!slot.newYearReady.load(std::memory_order_acquire)) {
            // The search reads the other per-year values, so it runs outside this lock.
            CivilDate found;
            const bool ok = searchLunarToCivil(y, 1, 1, false, found);
            const std::lock_guard<std::mutex> lock(m_newYearMutex);
            if (!slot.newYearReady.load(std::memory_order_relaxed)) {
                slot.newYearFound = ok;
                slot.newYear = found;
                slot.newYearReady.store(true, std::memory_order_release);
            }
        }
        return slot;
    }

private:
    YearCache() = default;

    YearSlot &slotOf(int y) { return m_slots[static_cast<std::size_t>(y - kCacheFirstYear)]; }

    std::array<YearSlot, kCacheLastYear - kCacheFirstYear + 1> m_slots;
    std::mutex m_formulaMutex;
    std::mutex m_daysMutex;
    std::mutex m_newYearMutex;
};

} // namespace

// From the year's table when the date is a real one, else straight from the formulas.
void lunarDayAndMonth(int y, int m, int d, int &day, int &signedMonth) {
    if (YearCache::covers(y) && m >= 1 && m <= 12 && d >= 1 && d <= DaysInCivilMonth(y, m)) {
        const YearSlot &slot = YearCache::instance().days(y);
        const int doy = DayOfCivilYear(y, m, d);
        if (slot.lunarDays[doy] != kNoDay) {
            day = slot.lunarDays[doy];
            signedMonth = slot.lunarMonths[doy];
            return;
        }
    }
    const int dayNumber = CivilDayNumber(y, m, d);
    const NewMoonDays newMoons = YearCache::covers(y)
                                     ? YearCache::instance().formulas(y).newMoonDays
                                     : computeNewMoonDays(y);
    day = computeLunarDay(y, m, d, dayNumber, newMoons);
    signedMonth = computeLunarMonth(y, m, d, dayNumber, day);
}

int LunarDayOf(int y, int m, int d) {
    if (!saneYear(y)) return -1;
    int day = 0, signedMonth = 0;
    lunarDayAndMonth(y, m, d, day, signedMonth);
    return day;
}

int LunarMonthOf(int y, int m, int d) {
    if (!saneYear(y)) return 0;
    int day = 0, signedMonth = 0;
    lunarDayAndMonth(y, m, d, day, signedMonth);
    return signedMonth;
}

bool CivilToLunarMonthDay(int y, int m, int d, int &lunarMonth, int &lunarDay, bool &leap) {
    if (!inConversionRange(y)) return false;
    int day = 0, signedMonth = 0;
    lunarDayAndMonth(y, m, d, day, signedMonth);
    lunarDay = day;
    leap = signedMonth < 0;
    lunarMonth = signedMonth < 0 ? -signedMonth : signedMonth;
    return true;
}

bool lunarNewYearOf(int y, CivilDate &date) {
    const YearSlot &slot = YearCache::instance().newYear(y);
    if (!slot.newYearFound) return false;
    date = slot.newYear;
    return true;
}

bool searchLunarToCivil(int Y, int M, int Dd, bool leap, CivilDate &out) {
    // No civil date of the convertible range lies in other lunar years.
    if (Y < kFirstYear - 1 || Y > kLastYear) return false;
    if (leap && ClampedLeapMonthOf(Y) != M) return false;
    int lo = CivilDayNumber(Y, 1, 1);
    int hi = CivilDayNumber(Y + 1, 12, 31);
    int p = Y;
    int w = 0;
    enum class Direction { None, Forward, Backward } direction = Direction::None;
    bool tail = false;
    int iterations = 0;
    // A probe that cannot be converted keeps the values of the one before.
    int py = 0, pm0 = 0, pd0 = 0;
    int pm = 0, pd = 0;
    bool pleap = false;
    const LunarDate target{Y, M, Dd, leap};
    while (hi > lo) {
        if (++iterations > 100) return false;
        int mid = (lo + hi) / 2;
        if (tail) mid += 1;
        if (hi - lo == 1) tail = true;
        CivilDateOfDayNumber(mid, py, pm0, pd0);
        CivilToLunarMonthDay(py, pm0, pd0, pm, pd, pleap);
        if (direction == Direction::Forward && pm < w) p += 1;
        if (direction == Direction::Backward && pm > w) p -= 1;
        const int order = CompareLunarDates({p, pm, pd, pleap}, target);
        if (order < 0) {
            lo = mid;
            direction = Direction::Forward;
        } else if (order == 0) {
            out = {py, pm0, pd0};
            return true;
        } else {
            hi = mid;
            direction = Direction::Backward;
        }
        w = pm;
    }
    return false;
}

double SolarTermDayOfYear(int y, int n) {
    if (YearCache::covers(y) && n >= 1 && n <= kCachedTerms)
        return YearCache::instance().formulas(y).termDays[n];
    return computeSolarTermDayOfYear(y, n);
}

int termDay(int y, int n) {
    if (YearCache::covers(y) && n >= 1 && n <= kCachedTerms)
        return YearCache::instance().formulas(y).termWholeDays[n];
    return static_cast<int>(std::floor(SolarTermDayOfYear(y, n)));
}

TermMoment solarTermMoment(int y, int t) {
    return YearCache::covers(y) ? YearCache::instance().formulas(y).termMoments[t]
                                : termMomentOf(y, SolarTermDayOfYear(y, t + 1));
}

} // namespace lunar::detail
