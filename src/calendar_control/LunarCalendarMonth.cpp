#include "calendar_control/LunarCalendarMonth.h"

#include "base/HolidayTable.h"
#include "base/MonthGrid.h"
#include "calendar_control/LunarCalendarDrawing.h"
#include "lunar/DateInfo.h"
#include "lunar/DayCaption.h"

#include <QDate>

namespace {

const QColor kRed(255, 0, 0);

QString toQString(const std::string &utf8) {
    return QString::fromStdString(utf8);
}

QColor captionColor(lunar::DayCaption::Kind source, const LunarCalendarMonth::Colors &colors) {
    switch (source) {
    case lunar::DayCaption::Kind::MonthStart:
        return kRed;
    case lunar::DayCaption::Kind::CivilFestival:
        return colors.civilFestival;
    case lunar::DayCaption::Kind::SolarTerm:
        return colors.solarTerm;
    case lunar::DayCaption::Kind::LunarFestival:
        return colors.lunarFestival;
    case lunar::DayCaption::Kind::LunarDay:
        break;
    }
    return colors.lunarDay;
}

} // namespace

LunarCalendarMonth::Colors LunarCalendarMonth::defaultColors() {
    using Drawing = LunarCalendarDrawing;
    return {Drawing::colorFromBgr(5197647), Drawing::colorFromBgr(32768),
            Drawing::colorFromBgr(33023), Drawing::colorFromBgr(16733011),
            Drawing::colorFromBgr(33023)};
}

LunarCalendarMonth::Caption LunarCalendarMonth::captionOf(const lunar::DateInfo &info,
                                                          const Colors &colors) {
    const lunar::DayCaption caption = lunar::CaptionOf(info);
    return {toQString(caption.Text), captionColor(caption.Source, colors)};
}

void LunarCalendarMonth::markHoliday(CalendarCell &cell, const QDate &date,
                                     const HolidayTable *holidays) {
    cell.holiday = CalendarCell::Holiday::None;
    cell.holidayName.clear();
    if (!holidays) return;
    const HolidayTable::Day day = holidays->day(date);
    if (day.kind == HolidayTable::Kind::Ordinary) return;
    cell.holidayName = day.name;
    if (day.kind == HolidayTable::Kind::DayOff) {
        cell.holiday = CalendarCell::Holiday::DayOff;
        cell.dateColor = kRed;
    } else {
        cell.holiday = CalendarCell::Holiday::WorkingDay;
    }
}

const CalendarCell &LunarCalendarMonth::cell(int i) const {
    static const CalendarCell none;
    if (i < 1 || i > 42) return none;
    return m_cells[std::size_t(i - 1)];
}

CalendarCell &LunarCalendarMonth::cell(int i) {
    return m_cells.at(std::size_t(i - 1));
}

void LunarCalendarMonth::setTitles(const QString &yearPillar, const QString &animal) {
    for (int i = 40; i <= 42; ++i) cell(i).valid = true;
    cell(41).dayText = yearPillar;
    cell(42).dayText = animal + QStringLiteral("年");
}

void LunarCalendarMonth::clear(const QColor &dateColor) {
    for (QString &week : m_weekNumbers) week.clear();
    for (int i = 1; i <= 37; ++i) {
        CalendarCell &dayCell = cell(i);
        dayCell.valid = false;
        dayCell.lunarMonth.clear();
        dayCell.lunarDay.clear();
        dayCell.caption.clear();
        dayCell.holiday = CalendarCell::Holiday::None;
        dayCell.holidayName.clear();
        dayCell.dateColor = (i % 7 == 1 || i % 7 == 0) ? kRed : dateColor;
    }
}

int LunarCalendarMonth::fill(lunar::DateInfo &info, int y, int m, int d, const Colors &colors,
                             const HolidayTable *holidays) {
    // The engine's own calendar lays out the grid and names the days, so that a cell's column,
    // lunar text and festivals (母亲节 on the second Sunday shown) belong to one day.
    const MonthGrid grid(y, m);
    if (!grid.isValid()) return 0;
    int selected = 0;
    int lastWeek = -1;
    std::size_t weekSlot = 0;
    for (int k = 1; k <= grid.lastDay(); ++k) {
        if (!grid.hasDay(k)) continue;
        const int i = grid.cellOfDay(k) + 1;
        info.SetCivilDate(y, m, k);

        const int week = MonthGrid::weekNumber(y, m, k);
        if (week != lastWeek && weekSlot < m_weekNumbers.size()) {
            m_weekNumbers[weekSlot++] = QString::number(week);
            lastWeek = week;
        }

        CalendarCell &dayCell = cell(i);
        dayCell.day = k;
        dayCell.dayText = QString::number(k);
        dayCell.lunarMonth = toQString(info.MonthName);
        dayCell.lunarDay = toQString(info.DayName);

        const Caption caption = captionOf(info, colors);
        dayCell.caption = caption.text;
        dayCell.captionColor = caption.color;
        markHoliday(dayCell, QDate(y, m, k), holidays);

        if (k == d) {
            cell(40).dayText = toQString(info.StarSign);
            selected = i;
        }
        dayCell.valid = true;
    }
    return selected;
}
