#pragma once

#include "pages/DayRichEdit.h"
#include "pages/MonthGridModel.h"
#include "pages/MonthNotesDocument.h"
#include "pages/NotePage.h"

#include <QDate>
#include <QPointer>
#include <QString>
#include <QTextCharFormat>
#include <QWidget>

#include <array>

class CellMenu;

class MonthGridView;
class QLabel;
class QTimer;

// The desktop month page, `pnlTaiLi`, showing a MonthNotesDocument: the month grid `JvTFMonths1`
// with the 42 day editors `RichEdit1` .. `RichEdit42` laid over its cells, and the day plan
// `memday` on the panel `pnlRijishi`, which the main window places in its side panel (see
// sidePanel()). The editors show the document's QTextDocuments.
//
// Saving follows the focus: every day editor and memday saves the document when it loses the
// keyboard focus, before a mouse release selects the new day, so a day plan is always written
// under the day it was typed for.
class DesktopMonthPage : public NotePage {
    Q_OBJECT
public:
    static constexpr int EditorCount = MonthNotesDocument::CellCount;
    static constexpr int MaxCellLength = 200;
    static constexpr int ShowTimerInterval = 500;

    // `context` belongs to the notes session and must outlive the page.
    explicit DesktopMonthPage(PageContext &context, QWidget *parent = nullptr);
    ~DesktopMonthPage() override;

    MonthNotesDocument *document() const {
        return static_cast<MonthNotesDocument *>(NotePage::document());
    }

    // --- NotePage ------------------------------------------------------------------------------

    // Picker shown and enabled, font lists shown, the day plan in the side panel.
    SideControls sideControls() const override;
    // The panel `pnlRijishi` (colour RGB(234,242,250), label "日安排" and memday at 8,40,
    // 185 x 291, anchored on all sides). Deleted with the page when nobody reparented it.
    QWidget *sidePanel() const override;
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
    // The document's grid: dates, day texts and selection; its display date is the loaded date.
    const MonthGridModel &grid() const { return document()->grid(); }

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
    void ShowDayPlan() { document()->showDayPlan(); }

    // Clears the grid's selection and selects `date` alone.
    void selectDateAlone(const QDate &date) { document()->selectDateAlone(date); }

    // Hides the 42 editors (creation, resize, minimise).
    void hideEditors();
    // Arms the show timer `Timer1` (creation, resize, restore): every 500 ms, once this page is
    // active, it stops, shows the 42 editors and reloads the page.
    void armShowTimer();
    bool editorsVisible() const { return m_editorsVisible; }

    // True when cell `i` (1..42; 0 for memday) holds a stored note too large for an editor: the
    // editor shows a notice and is read-only.
    bool isTooLarge(int i) const { return document()->isTooLarge(i); }

    static QString saveFailedMessage() { return MonthNotesDocument::saveFailedMessage(); }

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Lays out, selects today's cell alone and clears the last selection record.
    void prepareOpen() override;
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
    // memday's share of a new day plan: its caret and whether it takes typing.
    void dayPlanAboutToBeReplaced();
    void dayPlanReplaced(bool fromStore);

    MonthGridView *m_gridView = nullptr;              // JvTFMonths1
    std::array<DayRichEdit *, EditorCount> m_edits{}; // RichEdit1 .. RichEdit42
    QPointer<QWidget> m_dayPlanPanel;                 // pnlRijishi
    QLabel *m_dayPlanLabel = nullptr;                 // Label1
    QPointer<DayRichEdit> m_memday; // lives in the day plan panel, which may go first
    QTextCharFormat m_memdayTyping; // memday's caret format before its plan was replaced
    QTimer *m_showTimer = nullptr;  // Timer1
    CellMenu *m_cellMenu = nullptr; // pmDeskTopMonCal
    bool m_editorsVisible = false;
};
