#pragma once

#include "pages/LastSelection.h"
#include "pages/MonthGridModel.h"
#include "pages/NotePage.h"
#include "pages/PageFlags.h"

#include <QDate>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>

class CellMenu;
class DayRichEdit;
class MonthGridView;
class NoteStore;
class QLabel;
class QTimer;

// The desktop month page, `pnlTaiLi` (the store's MonthPage is its stored form): the month grid
// `JvTFMonths1` with the 42 day editors `RichEdit1` .. `RichEdit42` laid over its cells, and the
// day plan `memday` on the panel `pnlRijishi`, which the main window places in its side panel (see
// sidePanel()).
//
// The page stores through NoteStore: the 42 cells of the month it shows as one record under the
// year-month key, the day plan under the key of the day it was read for, all as RTF. Loads and
// saves follow the rules of NotePage.
//
// Saving follows the focus: every day editor and memday saves the page when it loses the keyboard
// focus, before a mouse release selects the new day, so a day plan is always written under the day
// it was typed for.
class DesktopMonthPage : public NotePage {
    Q_OBJECT
public:
    static constexpr int EditorCount = 42;
    static constexpr int MaxCellLength = 200;
    static constexpr int ShowTimerInterval = 500;

    // `flags` and `lastSelection` belong to the main window and must outlive the page.
    DesktopMonthPage(NoteStore &store, PageFlags &flags, LastSelection &lastSelection,
                     QWidget *parent = nullptr);
    ~DesktopMonthPage() override;

    // --- NotePage ------------------------------------------------------------------------------

    // Picker shown and enabled, font lists shown, the day plan in the side panel.
    SideControls sideControls() const override;
    // The panel `pnlRijishi` (colour RGB(234,242,250), label "日安排" and memday at 8,40,
    // 185 x 291, anchored on all sides). Deleted with the page when nobody reparented it.
    QWidget *sidePanel() const override;
    int cellCount() const override { return EditorCount; }
    QString cellText(int index) const override;
    // The month the grid shows, which after a failed load may differ from the picker's.
    std::optional<ExportDocument> exportDocument() const override;
    bool hasUnsavedChanges() const override;
    // Modified day cells ("桌面月历", the cell's date) and the day plan ("日安排", its day).
    QList<UnsavedCell> unsavedCells() const override;
    void layoutPage() override { LayoutMonthPage(); }
    // Adds today's cell to the selection and loads.
    void firstShow() override;
    // Saves and hides the editors; the show timer brings them back after a restore.
    void windowMinimised() override;
    void windowRestored() override;
    // memday when it has the focus, otherwise the focused day editor.
    QWidget *focusedCell() const override;
    // From the last selection record: memday (the chosen attribute only) or the day editor of
    // its tab order (face and size together).
    FontTarget fontTarget() const override;

    // --- parts -------------------------------------------------------------------------------

    QWidget *dayPlanPanel() const { return sidePanel(); }
    DayRichEdit *memday() const { return m_memday.data(); }
    // Day editor i, 1..42 (`RichEdit1` .. `RichEdit42`).
    DayRichEdit *richEdit(int i) const;
    MonthGridView *gridView() const { return m_gridView; }
    // The context menu of the day editors and memday.
    CellMenu *cellMenu() const { return m_cellMenu; }
    // The grid's dates, day texts and selection (also read by the wallpaper capture and export).
    // Its display date is the loaded date: the cells hold its month.
    const MonthGridModel &grid() const { return m_grid; }

    // --- page operations -----------------------------------------------------------------------

    // Places and formats the 42 editors over the grid for its current size.
    void LayoutMonthPage();
    // load(): moves the grid to the picker's month and reads its record and the selected day's
    // plan into the editors.
    void LoadMonthPage() { load(); }
    // save(): the 42 editors under the loaded month's key and memday under its day, in one
    // transaction. A failure shows "系统出现异常,请重新保存!" once.
    bool SaveMonthPage() { return save(); }
    // Selects the cell of the focused day editor alone and shows its day plan.
    void SelectFocusedDay();
    // Reads the plan of the selected day into memday.
    void ShowDayPlan();

    // Clears the grid's selection and selects `date` alone.
    void selectDateAlone(const QDate &date);

    // Hides the 42 editors (creation, resize, minimise).
    void hideEditors();
    // Arms the show timer `Timer1` (creation, resize, restore): every 500 ms, once this page is
    // active, it stops, shows the 42 editors and reloads the page.
    void armShowTimer();
    bool editorsVisible() const { return m_editorsVisible; }

    // True when cell `i` (1..42; 0 for memday) holds a stored note too large for an editor
    // (richtext::MaxEditorNoteSize): the editor shows a notice, is read-only, and saves leave
    // the stored note as it is.
    bool isTooLarge(int i) const;

    static QString saveFailedMessage() { return QStringLiteral("系统出现异常,请重新保存!"); }

protected:
    void resizeEvent(QResizeEvent *event) override;
    void readCells(const QDate &date) override;
    void writeCells(const QDate &date) override;
    void setUnmodified(bool clearUndo) override;
    // Lays out, selects today's cell alone and clears the last selection record.
    void prepareOpen() override;
    PageMessage saveFailureMessage(const QString &error) const override;
    void applyReadOnly(bool readOnly) override;

private:
    void RichEdit1Exit();
    void RichEdit1MouseUp(DayRichEdit *editor, Qt::MouseButton button);
    void memdayMouseUp(Qt::MouseButton button);
    void JvTFMonths1CellPressed(int cell, Qt::KeyboardModifiers modifiers);
    void JvTFMonths1Click();
    void Timer1Timer();

    void recordSelection(const DayRichEdit *editor, bool isMemday);
    // The record follows every selection change of the focused editor, keyboard ones too.
    void followSelection(DayRichEdit *editor, bool isMemday);
    void setDayPlan(const QDate &day, const QByteArray &rtf);
    // After a failed save, memday keeps its text and its day until a save succeeds.
    bool dayPlanPinned() const;

    LastSelection &m_lastSelection;

    MonthGridModel m_grid;
    MonthGridView *m_gridView = nullptr;              // JvTFMonths1
    std::array<DayRichEdit *, EditorCount> m_edits{}; // RichEdit1 .. RichEdit42
    QPointer<QWidget> m_dayPlanPanel;                 // pnlRijishi
    QLabel *m_dayPlanLabel = nullptr;                 // Label1
    QPointer<DayRichEdit> m_memday; // lives in the day plan panel, which may go first
    QDate m_dayPlanDate;            // the day memday was read for
    QTimer *m_showTimer = nullptr;  // Timer1
    CellMenu *m_cellMenu = nullptr; // pmDeskTopMonCal
    bool m_editorsVisible = false;
    std::array<bool, EditorCount> m_tooLarge{};
    bool m_dayPlanTooLarge = false;
};
