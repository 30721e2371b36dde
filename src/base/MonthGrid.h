#pragma once

#include <QDate>

#include <array>
#include <climits>

// A civil date as the lunar engine counts it: Julian up to 1582-10-04, Gregorian from
// 1582-10-15, no year 0. Kept apart from QDate, whose calendar is proleptic Gregorian and which
// has no 29 February in Julian leap years such as 100 or 1500.
struct CivilDay {
    int year = 0;
    int month = 0;
    int day = 0;

    // The same year, month and day as a QDate; invalid where QDate has no such day.
    QDate date() const { return QDate(year, month, day); }
    // The same day in the Gregorian calendar that other programs (iCalendar) count in: ten
    // days on for 1500-03-01. Invalid for a day the engine's calendar has not.
    QDate gregorian() const;
    bool operator==(const CivilDay &other) const {
        return year == other.year && month == other.month && day == other.day;
    }
};

// One month laid out in six weeks from Sunday, in the calendar the lunar engine converts: every
// grid that shows a month (the calendar control, the month page, its notes, exports and search)
// takes its cells from here, so a cell's column, its lunar text and its festivals belong to
// one day. October 1582 goes from Thursday the 4th straight to Friday the 15th.
class MonthGrid {
public:
    static constexpr int CellCount = 42;
    static constexpr int Columns = 7;

    // An invalid grid for a month outside 1..12 or for year 0.
    MonthGrid(int year, int month);
    // The month of `date`'s year and month.
    explicit MonthGrid(const QDate &date);

    bool isValid() const { return m_dayCount > 0; }
    int year() const { return m_year; }
    int month() const { return m_month; }
    // Column of the 1st: 0 = Sunday .. 6 = Saturday.
    int firstWeekday() const { return m_firstWeekday; }
    // Days the month has: 21 in October 1582, 29 in February of every Julian leap year.
    int dayCount() const { return m_dayCount; }
    // Number of its last day (31 in October 1582).
    int lastDay() const { return m_lastDay; }
    // True for a day number of this month that exists (not 1582-10-05 .. 14).
    bool hasDay(int day) const;

    // Cell 0..41 of day `day` of this month; -1 for a day the month lacks.
    int cellOfDay(int day) const;
    // The day shown in cell 0..41: cell 0 is the Sunday on or before the 1st, the cells run on
    // day by day into the months around. A cell outside 0..41 gives a zero day.
    CivilDay cellDay(int cell) const;
    QDate cellDate(int cell) const { return cellDay(cell).date(); }
    // The cell showing the day, or -1.
    int cellOf(int year, int month, int day) const;
    int cellOf(const QDate &date) const;
    // The cell of this month's day `day`, or of the nearest day it has: the day of 1582-10-05 ..
    // 14 goes to the 4th (up to the 9th) or the 15th, a day beyond the month's end to its last
    // day; -1 for a day below 1.
    int nearestCellOfDay(int day) const;

    // Weekday of a day of the engine's calendar: 0 = Sunday .. 6 = Saturday; -1 for a day the
    // engine's calendar has not.
    static int weekday(int year, int month, int day);
    // Week number (weeks from Monday, week 1 holding the year's first Thursday) in the engine's
    // calendar; equal to QDate::weekNumber() from 1583-01-03 on. 0 for an invalid day.
    static int weekNumber(int year, int month, int day);

private:
    // The n-th existing day (1-based) of a month.
    static CivilDay nthDay(int year, int month, int n);
    // Existing days of a month up to day `upTo`.
    static int existingDays(int year, int month, int upTo = INT_MAX);

    int m_year = 0;
    int m_month = 0;
    int m_firstWeekday = 0;
    int m_dayCount = 0;
    int m_lastDay = 0;
    int m_previousDayCount = 0;
    // The days of the cells, worked out once: grids ask for them at every paint.
    std::array<CivilDay, CellCount> m_cells{};
};
