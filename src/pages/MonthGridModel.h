#pragma once

#include "base/MonthGrid.h"

#include <QColor>
#include <QDate>
#include <QLocale>
#include <QSet>
#include <QString>

// The month grid: 42 cells, 6 rows of 7 columns from Sunday to Saturday, laid out by MonthGrid in
// the lunar engine's calendar (Julian before 1582-10-15, without 1582-10-05 .. 14). Cell 0 is the
// Sunday on or before the first day of the displayed month, cell k the k-th day after it. Also
// holds the set of selected dates, which survives a change of the displayed month.
class MonthGridModel {
public:
    static constexpr int CellCount = 42;
    static constexpr int Columns = 7;

    explicit MonthGridModel(const QDate &displayDate = QDate::currentDate());

    // Moves the grid to the month of `date`; the selection is kept.
    void setDisplayDate(const QDate &date);
    QDate displayDate() const { return m_display; }

    const MonthGrid &monthGrid() const { return m_grid; }
    QDate firstCellDate() const { return m_grid.cellDate(0); }
    // Invalid for the 29 February of a Julian leap year (such as 100), which QDate lacks.
    QDate cellDate(int cell) const { return m_grid.cellDate(cell); }
    CivilDay cellDay(int cell) const { return m_grid.cellDay(cell); }
    // The cell showing `date`, or -1.
    int cellOf(const QDate &date) const;
    // The cell belongs to the displayed month (not a leading or trailing cell).
    bool inDisplayedMonth(int cell) const;

    // "d", or the short month name and the day ("mmm d") for a leading or trailing cell on the
    // first of a month and for cell 0 when it is a leading cell.
    QString dayText(int cell, const QLocale &locale = QLocale()) const;
    // Day-number colour: light grey for leading and trailing cells, navy for Saturdays and
    // Sundays of the month, black otherwise; black for a selected cell.
    QColor dayColor(int cell) const;

    // Selection.
    bool isSelected(const QDate &date) const { return m_selection.contains(date); }
    bool isCellSelected(int cell) const { return isSelected(cellDate(cell)); }
    const QSet<QDate> &selection() const { return m_selection; }
    void clearSelection();
    void addToSelection(const QDate &date);
    // Clears the selection and selects `cell`; it becomes the anchor of a later range.
    void selectAlone(int cell);
    // Ctrl with a press: removes the cell's date when selected, adds it otherwise.
    void toggle(int cell);
    // Shift with a press: the selection becomes the cells from the anchor (the cell last
    // selected alone, or cell `cell` itself without one) to `cell`, inclusive.
    void selectRange(int cell);
    // Applies a press on `cell` with the given modifier keys (Ctrl, Shift, or neither); none on a
    // cell without a QDate.
    void press(int cell, bool ctrl, bool shift);

    // The date of the selected cell with the highest number; cell 0's date when no shown cell is
    // selected.
    QDate selectedDay() const;

private:
    QDate m_display;
    MonthGrid m_grid{0, 0};
    QSet<QDate> m_selection;
    QDate m_anchor;
};
