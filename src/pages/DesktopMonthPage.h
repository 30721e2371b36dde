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

// The desktop month page, showing a MonthNotesDocument: the month grid with the 42 day editors
// laid over its cells, and the day plan editor on a panel of its own, which the main window
// places in its side panel (see sidePanel()). The editors show the document's QTextDocuments.
//
// Saving follows the focus: every day editor and the day plan editor save the document when they
// lose the keyboard focus, before a mouse release or the keyboard focus (Tab) selects the new day,
// so a day plan is always written under the day it was typed for.
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

    // Picker shown and enabled, font lists shown, the day plan in the side panel.
    SideControls sideControls() const override;
    // The day plan panel (colour RGB(234,242,250), label "日安排" and the day plan editor at
    // 8,40, 185 x 291, anchored on all sides). Deleted with the page when nobody reparented it.
    QWidget *sidePanel() const override;
    // Places and formats the 42 editors over the grid for its current size.
    void layoutPage() override;
    // Opens the page as its button does: lays out, selects today's cell alone and loads.
    void firstShow() override;
    // Saves and hides the editors; the show timer brings them back after a restore.
    // Marks them in the grid's title strips.
    void setHolidays(std::shared_ptr<const HolidayTable> holidays) override;
    void windowMinimised() override;
    void windowRestored() override;
    // The day plan editor when it has the focus, otherwise the focused day editor.
    QWidget *focusedCell() const override;
    // From the last selection record: the day plan editor (the chosen attribute only) or the day
    // editor of its tab order (face and size together).
    FontTarget fontTarget() const override;

    QWidget *dayPlanPanel() const { return sidePanel(); }
    DayRichEdit *dayPlanEditor() const { return m_dayPlanEditor.data(); }
    // Day editor i, 1..42, in grid order.
    DayRichEdit *dayEditor(int i) const;
    MonthGridView *gridView() const { return m_gridView; }
    // The context menu of the day editors and the day plan editor.
    CellMenu *cellMenu() const { return m_cellMenu; }
    // The document's grid: dates, day texts and selection; its display date is the loaded date.
    const MonthGridModel &grid() const { return document()->grid(); }

    // Selects the cell of the focused day editor alone and shows its day plan.
    void selectFocusedDay();
    // Reads the plan of the selected day into the day plan editor.
    void showDayPlan() { document()->showDayPlan(); }

    // Clears the grid's selection and selects `date` alone.
    void selectDateAlone(const QDate &date) { document()->selectDateAlone(date); }

    // Hides the 42 editors (creation, resize, minimise).
    void hideEditors();
    // Arms the show timer (creation, resize, restore): every 500 ms, once this page is active,
    // it stops, shows the 42 editors and reloads the page, unless the page was loaded while the
    // editors were hidden and nothing was typed since.
    void armShowTimer();
    bool editorsVisible() const { return m_editorsVisible; }

    // True when cell `i` (1..42; 0 for the day plan) holds a stored note too large for an
    // editor: the editor shows a notice and is read-only.
    bool isTooLarge(int i) const { return document()->isTooLarge(i); }

    static QString saveFailedMessage() { return MonthNotesDocument::saveFailedMessage(); }

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Lays out, selects today's cell alone and clears the last selection record.
    void prepareOpen() override;
    void applyReadOnly(bool readOnly) override;

private:
    // A day editor or the day plan editor lost the focus.
    void onEditorLeft();
    void onDayEditorReleased(DayRichEdit *editor, Qt::MouseButton button);
    // A day editor that gets the focus other than by the mouse selects its day as a release does.
    void onDayEditorEntered(DayRichEdit *editor, Qt::FocusReason reason);
    void onDayPlanReleased(Qt::MouseButton button);
    void onGridCellPressed(int cell, Qt::KeyboardModifiers modifiers);
    // The show timer's tick: once the page is active, the editors come back showing what the
    // store holds.
    void showEditorsAgain();

    void recordSelection(const DayRichEdit *editor, bool isDayPlan);
    // The record follows every selection change of the focused editor, keyboard ones too.
    void followSelection(DayRichEdit *editor, bool isDayPlan);
    // The day plan editor's share of a new day plan: its caret and whether it takes typing.
    void dayPlanAboutToBeReplaced();
    void dayPlanReplaced(bool fromStore);

    MonthGridView *m_gridView = nullptr;
    std::array<DayRichEdit *, EditorCount> m_dayEditors{};
    QPointer<QWidget> m_dayPlanPanel;
    QLabel *m_dayPlanLabel = nullptr;
    QPointer<DayRichEdit> m_dayPlanEditor; // lives in the day plan panel, which may go first
    QTextCharFormat m_dayPlanTyping; // the day plan editor's caret format before a new plan came
    QTimer *m_showTimer = nullptr;
    CellMenu *m_cellMenu = nullptr;
    bool m_editorsVisible = false;
    // hideEditors() runs: the focus passes on from editor to editor as they hide, selecting none.
    bool m_hidingEditors = false;
    bool m_readWhileHidden = false; // a load since the editors were last visible
};
