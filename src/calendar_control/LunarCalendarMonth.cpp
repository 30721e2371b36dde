#include "calendar_control/LunarCalendarMonth.h"

#include "calendar_control/LunarCalendarGeometry.h"
#include "lunar/CivilDate.h"
#include "lunar/DateInfo.h"

#include <QDate>

namespace {

const QColor Red(255, 0, 0);

QString Text(const std::string &utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

const CalendarCell &LunarCalendarMonth::Cell(int i) const {
    static const CalendarCell none;
    if (i < 1 || i > 42) return none;
    return FCells[std::size_t(i - 1)];
}

CalendarCell &LunarCalendarMonth::Cell(int i) {
    return FCells.at(std::size_t(i - 1));
}

void LunarCalendarMonth::SetTitles(const QString &yearPillar, const QString &animal) {
    for (int i = 40; i <= 42; ++i) Cell(i).Valid = true;
    Cell(41).DayText = yearPillar;
    Cell(42).DayText = animal + QStringLiteral("年");
}

void LunarCalendarMonth::Clear(const QColor &dateColor) {
    for (QString &week : FWeekNumbers) week.clear();
    for (int i = 1; i <= 37; ++i) {
        CalendarCell &cell = Cell(i);
        cell.Valid = false;
        cell.LunarMonth.clear();
        cell.LunarDay.clear();
        cell.Caption.clear();
        cell.DateColor = (i % 7 == 1 || i % 7 == 0) ? Red : dateColor;
    }
}

int LunarCalendarMonth::Fill(lunar::DateInfo &info, int y, int m, int d, const Colors &colors) {
    const QDate first(y, m, 1);
    if (!first.isValid()) return 0;
    const int w = LunarCalendarGeometry::SundayBasedWeekday(first);
    const int n = first.daysInMonth();
    int selected = 0;
    int lastWeek = -1;
    std::size_t weekSlot = 0;
    for (int k = 1; k <= n; ++k) {
        const int i = LunarCalendarGeometry::CellOfDay(k, w);
        // The record takes the toolkit's Date, whose calendar is the grid's: festival weekdays
        // then match the columns, and the days dropped in 1582 get their own (empty) texts.
        double date = 0.0;
        if (lunar::CivilToDate(y, m, k, date)) info.SetDate(date);

        const int week = QDate(y, m, k).weekNumber();
        if (week != lastWeek && weekSlot < FWeekNumbers.size()) {
            FWeekNumbers[weekSlot++] = QString::number(week);
            lastWeek = week;
        }

        CalendarCell &cell = Cell(i);
        cell.Day = k;
        cell.DayText = QString::number(k);
        cell.LunarMonth = Text(info.MonthName);
        cell.LunarDay = Text(info.DayName);

        // Later captions outrank earlier ones: lunar day, civil festival, solar term,
        // lunar festival.
        if (info.DayName == "初一") {
            cell.Caption = cell.LunarMonth;
            cell.CaptionColor = Red;
        } else {
            cell.Caption = cell.LunarDay;
            cell.CaptionColor = colors.cnDate;
        }
        if (!info.CivilFestival.empty()) {
            cell.Caption = Text(info.CivilFestival);
            cell.CaptionColor = colors.holiday;
        }
        if (!info.TermName.empty()) {
            cell.Caption = Text(info.TermName);
            cell.CaptionColor = colors.lunarHoliday;
        }
        if (!info.LunarFestival.empty()) {
            cell.Caption = Text(info.LunarFestival);
            cell.CaptionColor = colors.cnHoliday;
        }

        if (k == d) {
            Cell(40).DayText = Text(info.StarSign);
            selected = i;
        }
        cell.Valid = true;
    }
    return selected;
}
