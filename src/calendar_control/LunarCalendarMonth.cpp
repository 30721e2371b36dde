#include "calendar_control/LunarCalendarMonth.h"

#include "calendar_control/LunarCalendarGeometry.h"
#include "lunar/CivilDate.h"
#include "lunar/DateInfo.h"

#include <QDate>

namespace {

const QColor kRed(255, 0, 0);

QString toQString(const std::string &utf8) {
    return QString::fromStdString(utf8);
}

} // namespace

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
        dayCell.dateColor = (i % 7 == 1 || i % 7 == 0) ? kRed : dateColor;
    }
}

int LunarCalendarMonth::fill(lunar::DateInfo &info, int y, int m, int d, const Colors &colors) {
    const QDate first(y, m, 1);
    if (!first.isValid()) return 0;
    const int w = LunarCalendarGeometry::sundayBasedWeekday(first);
    const int n = first.daysInMonth();
    int selected = 0;
    int lastWeek = -1;
    std::size_t weekSlot = 0;
    for (int k = 1; k <= n; ++k) {
        const int i = LunarCalendarGeometry::cellOfDay(k, w);
        // The record takes the toolkit's Date, whose calendar is the grid's: festival weekdays
        // then match the columns, and the days dropped in 1582 get their own (empty) texts.
        double date = 0.0;
        if (lunar::CivilToDate(y, m, k, date)) info.SetDate(date);

        const int week = QDate(y, m, k).weekNumber();
        if (week != lastWeek && weekSlot < m_weekNumbers.size()) {
            m_weekNumbers[weekSlot++] = QString::number(week);
            lastWeek = week;
        }

        CalendarCell &dayCell = cell(i);
        dayCell.day = k;
        dayCell.dayText = QString::number(k);
        dayCell.lunarMonth = toQString(info.MonthName);
        dayCell.lunarDay = toQString(info.DayName);

        // Later captions outrank earlier ones: lunar day, civil festival, solar term,
        // lunar festival.
        if (info.DayName == "初一") {
            dayCell.caption = dayCell.lunarMonth;
            dayCell.captionColor = kRed;
        } else {
            dayCell.caption = dayCell.lunarDay;
            dayCell.captionColor = colors.lunarDay;
        }
        if (!info.CivilFestival.empty()) {
            dayCell.caption = toQString(info.CivilFestival);
            dayCell.captionColor = colors.civilFestival;
        }
        if (!info.TermName.empty()) {
            dayCell.caption = toQString(info.TermName);
            dayCell.captionColor = colors.solarTerm;
        }
        if (!info.LunarFestival.empty()) {
            dayCell.caption = toQString(info.LunarFestival);
            dayCell.captionColor = colors.lunarFestival;
        }

        if (k == d) {
            cell(40).dayText = toQString(info.StarSign);
            selected = i;
        }
        dayCell.valid = true;
    }
    return selected;
}
