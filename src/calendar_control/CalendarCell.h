#pragma once

#include <QColor>
#include <QString>

// One position of the month grid: a day of the shown month, or one of the three title
// cells of the bottom row (star sign, year name, zodiac year).
struct CalendarCell {
    int day = 0;
    // Only valid cells are drawn and can be selected.
    bool valid = false;
    // The day number in decimal; for a title cell the title text.
    QString dayText;
    QString lunarMonth;
    QString lunarDay;
    // What is shown under the day number: lunar day, month, festival or solar term.
    QString caption;
    // An official day off or make-up working day, with the holiday's name.
    enum class Holiday { None, DayOff, WorkingDay };
    Holiday holiday = Holiday::None;
    QString holidayName;
    QColor dateColor;
    QColor captionColor;
};
