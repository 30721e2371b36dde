#include "base/MonthGrid.h"

#include "lunar/CivilDate.h"

#include <algorithm>

namespace {

int previousYear(int year) {
    return year == 1 ? -1 : year - 1;
}

int nextYear(int year) {
    return year == -1 ? 1 : year + 1;
}

} // namespace

MonthGrid::MonthGrid(int year, int month) : m_year(year), m_month(month) {
    if (year == 0 || month < 1 || month > 12) return;
    m_firstWeekday = weekday(year, month, 1);
    if (m_firstWeekday < 0) return;
    m_lastDay = lunar::DaysInCivilMonth(year, month);
    m_dayCount = existingDays(year, month);
    m_previousDayCount =
        month == 1 ? existingDays(previousYear(year), 12) : existingDays(year, month - 1);
    // The first cell, then day after day in the engine's calendar.
    CivilDay day = firstWeekday() == 0
                       ? CivilDay{year, month, 1}
                       : nthDay(month == 1 ? previousYear(year) : year, month == 1 ? 12 : month - 1,
                                m_previousDayCount + 1 - m_firstWeekday);
    for (CivilDay &cell : m_cells) {
        cell = day;
        lunar::NextCivilDay(day.year, day.month, day.day);
    }
}

MonthGrid::MonthGrid(const QDate &date) : MonthGrid(date.year(), date.month()) {}

bool MonthGrid::hasDay(int day) const {
    return isValid() && lunar::IsValidCivilDate(m_year, m_month, day);
}

int MonthGrid::existingDays(int year, int month, int upTo) {
    int count = 0;
    const int last = std::min(upTo, lunar::DaysInCivilMonth(year, month));
    for (int d = 1; d <= last; ++d)
        if (lunar::IsValidCivilDate(year, month, d)) ++count;
    return count;
}

QDate CivilDay::gregorian() const {
    const int dayNumber = lunar::JulianDayOf(year, month, day);
    return dayNumber == 0 ? QDate() : QDate::fromJulianDay(dayNumber);
}

CivilDay MonthGrid::nthDay(int year, int month, int n) {
    for (int d = 1, last = lunar::DaysInCivilMonth(year, month); d <= last; ++d)
        if (lunar::IsValidCivilDate(year, month, d) && --n == 0) return {year, month, d};
    return {};
}

int MonthGrid::cellOfDay(int day) const {
    return cellOf(m_year, m_month, day);
}

int MonthGrid::nearestCellOfDay(int day) const {
    if (!isValid() || day < 1) return -1;
    if (day > m_lastDay) return cellOfDay(m_lastDay);
    if (hasDay(day)) return cellOfDay(day);
    // A dropped day: the existing day nearest to it, the earlier one on a tie.
    int before = day;
    while (before >= 1 && !hasDay(before)) --before;
    int after = day;
    while (after <= m_lastDay && !hasDay(after)) ++after;
    if (before < 1) return cellOfDay(after);
    if (after > m_lastDay || day - before <= after - day) return cellOfDay(before);
    return cellOfDay(after);
}

CivilDay MonthGrid::cellDay(int cell) const {
    if (!isValid() || cell < 0 || cell >= CellCount) return {};
    return m_cells[size_t(cell)];
}

int MonthGrid::cellOf(int year, int month, int day) const {
    if (!isValid() || !lunar::IsValidCivilDate(year, month, day)) return -1;
    // Counted in existing days, so that a grid reaching into October 1582 skips its gap.
    const int n = existingDays(year, month, day);
    int cell = -1;
    if (year == m_year && month == m_month) {
        cell = m_firstWeekday + n - 1;
    } else if (month == (m_month == 1 ? 12 : m_month - 1) &&
               year == (m_month == 1 ? previousYear(m_year) : m_year)) {
        cell = m_firstWeekday - (m_previousDayCount - n + 1);
    } else if (month == (m_month == 12 ? 1 : m_month + 1) &&
               year == (m_month == 12 ? nextYear(m_year) : m_year)) {
        cell = m_firstWeekday + m_dayCount + n - 1;
    }
    return cell >= 0 && cell < CellCount ? cell : -1;
}

int MonthGrid::cellOf(const QDate &date) const {
    return date.isValid() ? cellOf(date.year(), date.month(), date.day()) : -1;
}

int MonthGrid::weekday(int year, int month, int day) {
    const int fromMonday = lunar::CivilWeekday(year, month, day); // 1 = Monday .. 7 = Sunday
    return fromMonday == 0 ? -1 : fromMonday % 7;
}

int MonthGrid::weekNumber(int year, int month, int day) {
    const int dayNumber = lunar::JulianDayOf(year, month, day);
    if (dayNumber == 0) return 0;
    // The week is counted in the year its Thursday falls in.
    const int thursday = dayNumber - (lunar::CivilWeekday(year, month, day) - 1) + 3;
    int weekYear = nextYear(year);
    while (lunar::JulianDayOf(weekYear, 1, 1) > thursday) weekYear = previousYear(weekYear);
    return (thursday - lunar::JulianDayOf(weekYear, 1, 1)) / 7 + 1;
}
