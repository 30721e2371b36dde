#include "pages/MonthGridModel.h"

#include <algorithm>

MonthGridModel::MonthGridModel(const QDate &displayDate) {
    setDisplayDate(displayDate);
}

void MonthGridModel::setDisplayDate(const QDate &date) {
    if (!date.isValid()) return;
    m_display = date;
    m_grid = MonthGrid(date);
}

int MonthGridModel::cellOf(const QDate &date) const {
    return m_grid.cellOf(date);
}

bool MonthGridModel::inDisplayedMonth(int cell) const {
    const CivilDay d = cellDay(cell);
    return d.year == m_display.year() && d.month == m_display.month();
}

QString MonthGridModel::dayText(int cell, const QLocale &locale) const {
    const CivilDay d = cellDay(cell);
    if (!inDisplayedMonth(cell) && (d.day == 1 || cell == 0))
        return locale.monthName(d.month, QLocale::ShortFormat) + QLatin1Char(' ') +
               QString::number(d.day);
    return QString::number(d.day);
}

QColor MonthGridModel::dayColor(int cell) const {
    if (isCellSelected(cell)) return QColor(0, 0, 0);
    if (!inDisplayedMonth(cell)) return QColor(210, 210, 210);
    const int column = cell % Columns;
    if (column == 0 || column == Columns - 1) return QColor(0, 0, 128);
    return QColor(0, 0, 0);
}

void MonthGridModel::clearSelection() {
    m_selection.clear();
}

void MonthGridModel::addToSelection(const QDate &date) {
    if (date.isValid()) m_selection.insert(date);
}

void MonthGridModel::selectAlone(int cell) {
    m_selection.clear();
    m_selection.insert(cellDate(cell));
    m_anchor = cellDate(cell);
}

void MonthGridModel::toggle(int cell) {
    const QDate d = cellDate(cell);
    if (!m_selection.remove(d)) m_selection.insert(d);
}

void MonthGridModel::selectRange(int cell) {
    // An anchor from another month is not shown; the range then starts at the pressed cell.
    const int shownAnchor = cellOf(m_anchor);
    const int anchor = shownAnchor >= 0 ? shownAnchor : cell;
    m_selection.clear();
    for (int k = std::min(anchor, cell); k <= std::max(anchor, cell); ++k)
        m_selection.insert(cellDate(k));
    if (shownAnchor < 0) m_anchor = cellDate(cell);
}

void MonthGridModel::press(int cell, bool ctrl, bool shift) {
    if (cell < 0 || cell >= CellCount || !cellDate(cell).isValid()) return;
    if (ctrl)
        toggle(cell);
    else if (shift)
        selectRange(cell);
    else
        selectAlone(cell);
}

QDate MonthGridModel::selectedDay() const {
    for (int k = CellCount - 1; k >= 0; --k)
        if (isCellSelected(k)) return cellDate(k);
    return firstCellDate();
}
