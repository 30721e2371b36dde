#pragma once

#include "calendar_control/CalendarCell.h"

#include <QColor>
#include <QDate>
#include <QString>

#include <array>

class HolidayTable;

namespace lunar {
class DateInfo;
}

// The month model of the calendar control: the 42 cells (37 day positions, two empty ones
// and the three title cells) and the week numbers of the six rows, filled from the
// date-information record one day at a time.
class LunarCalendarMonth {
public:
    struct Colors {
        QColor date;          // day numbers of weekdays (weekends are red)
        QColor lunarDay;      // plain lunar day
        QColor civilFestival; // civil festival
        QColor solarTerm;     // solar term
        QColor lunarFestival; // lunar festival
    };

    // The control's own colours.
    static Colors defaultColors();
    struct Caption {
        QString text;
        QColor color;
    };
    // What the grid shows under the day `info` was last filled for, and in which colour.
    static Caption captionOf(const lunar::DateInfo &info, const Colors &colors);
    // The official mark of `date`; a day off also turns the day number red.
    static void markHoliday(CalendarCell &cell, const QDate &date, const HolidayTable *holidays);

    // Cell i = 1..42; anything else gives an empty invalid cell.
    const CalendarCell &cell(int i) const;
    CalendarCell &cell(int i);
    const std::array<QString, 6> &weekNumbers() const { return m_weekNumbers; }

    // Marks the title cells valid: 41 the year name, 42 the zodiac year.
    void setTitles(const QString &yearPillar, const QString &animal);
    // Empties cells 1..37 and the week numbers; day numbers red in the weekend columns.
    void clear(const QColor &dateColor);
    // Fills the days of month m of year y into cells 1..37 (clear() first), laid out by
    // MonthGrid in the engine's calendar: Julian before 1582-10-15, without 1582-10-05 .. 14.
    // The title cell 40 gets the star sign of day d. Returns the cell of day d, 0 when the
    // month has no such day. `info` is walked through the month in date order. Days off and
    // make-up working days of `holidays` (when given) get their marks.
    int fill(lunar::DateInfo &info, int y, int m, int d, const Colors &colors,
             const HolidayTable *holidays = nullptr);

private:
    std::array<CalendarCell, 42> m_cells;
    std::array<QString, 6> m_weekNumbers;
};
