#pragma once

#include "pages/MonthGridModel.h"
#include "pages/NoteDocument.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <array>
#include <memory>

class QTextDocument;

// The desktop month's notes (the store's MonthPage is their stored form): the month grid with its
// display month and selection, the 42 day notes of the month it shows and the day plan of the
// selected day, all rich text.
//
// The 42 cells are stored as one record under the year-month key, the day plan under the key of
// the day it was read for (dayPlanDate()), both in one transaction. The grid's display month is
// the loaded month: the cells hold it. The day plan is the plan of the grid's selected day
// (MonthGridModel::selectedDay()); selecting another day reads its plan alone. After a failed
// save a modified day plan is pinned: it keeps its text and its day, and the selection does not
// change, until a save succeeds.
class MonthNotesDocument : public NoteDocument {
    Q_OBJECT
public:
    static constexpr int CellCount = 42;

    // Empty cells in "宋体" 9 pt, an empty day plan in "宋体" with 12-pixel characters; the grid
    // shows today's month.
    explicit MonthNotesDocument(PageContext &context, QObject *parent = nullptr);
    ~MonthNotesDocument() override;

    // Day cell `index` (0..41, in grid order) and the day plan.
    QTextDocument *cell(int index) const { return m_cells[index].get(); }
    QTextDocument *dayPlan() const { return m_dayPlan.get(); }
    // The day the day plan was read for.
    QDate dayPlanDate() const { return m_dayPlanDate; }
    const MonthGridModel &grid() const { return m_grid; }

    // True when cell `i` (1..42; 0 for the day plan) holds a stored note too large for an editor
    // (richtext::MaxEditorNoteSize): it shows a notice, takes no typing, and saves leave the stored
    // note as it is.
    bool isTooLarge(int i) const;
    // A save failed while the day plan had changes: it stays on its day until a save succeeds.
    bool isDayPlanPinned() const;

    // A press on grid cell `cell` with Ctrl or Shift or neither (nothing while the plan is pinned).
    void pressCell(int cell, bool ctrl, bool shift);
    // Selects cell `cell` alone and reads its day's plan (nothing while the plan is pinned); a
    // partial load: isLoading() is set meanwhile, also while a failure is told.
    void selectCellAlone(int cell);
    // Clears the selection and selects `date` alone.
    void selectDateAlone(const QDate &date);
    void addToSelection(const QDate &date);
    // Reads the plan of the selected day into the day plan (nothing while it is pinned, nothing
    // and no message from a read-only store that is not open). A failed read shows its error and
    // leaves the plan as it was.
    void showDayPlan();

    bool isModified() const override;
    int cellCount() const override { return CellCount; }
    QString cellText(int index) const override;
    // Modified day cells ("桌面月历", the cell's date) and the day plan ("日安排", its day).
    QList<UnsavedCell> unsavedCells() const override;
    // The month the grid shows, which after a failed load may differ from the one asked for.
    std::optional<ExportDocument> exportDocument() const override;
    // The 42 cells with CR LF line breaks, their dates and the month the grid shows.
    std::optional<WallpaperNotes> wallpaperNotes() const override;

    static QString saveFailedMessage() { return QStringLiteral("系统出现异常,请重新保存!"); }

signals:
    // The grid's display month or selection changed.
    void gridChanged();
    // The day plan is about to take another day's plan, and has taken it; `fromStore` is false
    // when that day has no stored plan (the plan was only emptied).
    void dayPlanAboutToBeReplaced();
    void dayPlanReplaced(bool fromStore);

protected:
    // Moves the grid to `date`'s month and reads its record and the selected day's plan.
    void readCells(const QDate &date) override;
    // The 42 cells under the loaded month's key and the day plan under its day.
    void writeCells(const QDate &date) override;
    void setUnmodified(bool clearUndo) override;
    // "系统出现异常,请重新保存!" as information, whatever the cause.
    PageMessage saveFailureMessage(const QString &error) const override;

private:
    void replaceDayPlan(const QDate &day, const QByteArray &rtf);

    MonthGridModel m_grid;
    std::array<std::unique_ptr<QTextDocument>, CellCount> m_cells;
    std::unique_ptr<QTextDocument> m_dayPlan;
    QDate m_dayPlanDate;
    std::array<bool, CellCount> m_tooLarge{};
    bool m_dayPlanTooLarge = false;
};
