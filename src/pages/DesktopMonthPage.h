#pragma once

#include "LastSelection.h"
#include "MonthGridModel.h"
#include "PageFlags.h"

#include <QDate>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class DayRichEdit;
class MonthGridView;
class NoteStore;
class QLabel;
class QTimer;

// The desktop month page, `pnlTaiLi` (the store's MonthPage is its stored form): the month grid
// `JvTFMonths1` with the 42 day editors `RichEdit1` .. `RichEdit42` laid over its cells, and the
// day plan `memday` on the panel `pnlRijishi`, which the main window places in its side panel (see
// dayPlanPanel()).
//
// The page reads its month from a date source (the main window's picker `ChnCalendar1`) and stores
// through NoteStore: the 42 cells of a month as one record under the year-month key, the day plan
// of the selected day under its day key, all as RTF.
//
// Saving follows the focus: every day editor and memday saves the page when it loses the keyboard
// focus, before a mouse release selects the new day, so a day plan is always written under the day
// it was typed for. Reloads (date change, page button, show timer) first save a page whose editors
// hold unsaved changes; when that save fails the reload is skipped and the text stays.
class DesktopMonthPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int EditorCount = 42;
    static constexpr int MaxCellLength = 200;
    static constexpr int ShowTimerInterval = 500;

    // `flags` and `lastSelection` belong to the main window and must outlive the page.
    DesktopMonthPage(NoteStore &store, PageFlags &flags, LastSelection &lastSelection,
                     QWidget *parent = nullptr);
    ~DesktopMonthPage() override;

    // --- wiring by the main window -------------------------------------------------------------

    // The picker's current date; read by every load. Default: today.
    void setDateSource(std::function<QDate()> source);
    // Shows an error text to the user. Default: the save failure in an information box, read
    // failures in an error box, both captioned with the application name. Tests replace it to
    // count messages.
    void setMessageSink(std::function<void(const QString &)> sink);
    // Tells the page whether it is the active page of the main window; the show timer only acts
    // while it is.
    void setActive(bool active);
    bool isActive() const { return m_active; }

    // The panel `pnlRijishi` (colour RGB(234,242,250), label "日安排" and memday at 8,40,
    // 185 x 291, anchored on all sides). Created by the page without a parent; the main window
    // reparents it into its side panel and shows it only while this page is active. Deleted with
    // the page when nobody reparented it.
    QWidget *dayPlanPanel() const;
    DayRichEdit *memday() const { return m_memday.data(); }
    // Day editor i, 1..42 (`RichEdit1` .. `RichEdit42`).
    DayRichEdit *richEdit(int i) const;
    MonthGridView *gridView() const { return m_gridView; }
    // The grid's dates, day texts and selection (also read by the wallpaper capture and export).
    const MonthGridModel &grid() const { return m_grid; }

    // --- page operations -----------------------------------------------------------------------

    // Places and formats the 42 editors over the grid for its current size.
    void LayoutMonthPage();
    // Reads the month record of the picker's month and the selected day's plan into the editors,
    // moving the grid to the picker's date first. When the editors hold unsaved changes of the
    // month shown so far, saves them first; when that save fails nothing is reloaded. Sets the
    // loading flag while it runs. A read failure is shown through the message sink.
    void LoadMonthPage();
    // Writes the 42 editors under the key of the month shown and memday under the selected day,
    // both in one transaction. Does nothing (returns true) while saving is disabled. On a failure,
    // and before any month was loaded into the editors, shows "系统出现异常,请重新保存!" once,
    // keeps the editors' text and returns false.
    bool SaveMonthPage();
    // Selects the cell of the focused day editor alone and shows its day plan.
    void SelectFocusedDay();
    // Reads the plan of the selected day into memday.
    void ShowDayPlan();

    // The picker's change notification while this page is active: after the main window has
    // reconnected the store, moves the grid to the picker's date and reloads (saving unsaved
    // changes first, see LoadMonthPage()).
    void ChnCalendar1Change();
    // The month page button's share of the switch, after the picker was set to today: saves
    // unsaved changes, lays out, selects today's cell alone, loads, clears the last selection.
    void OpenPage();
    // First show of the main window: moves the grid to the picker's date, adds today's cell to
    // the selection and loads. The main window enables saving afterwards.
    void FirstShow();

    // Clears the grid's selection and selects `date` alone.
    void selectDateAlone(const QDate &date);

    // Hides the 42 editors (creation, resize, minimise).
    void hideEditors();
    // Arms the show timer `Timer1` (creation, resize, restore): every 500 ms, once this page is
    // active, it stops, shows the 42 editors and reloads the page.
    void armShowTimer();
    bool editorsVisible() const { return m_editorsVisible; }

    // True when an editor or memday holds text not yet written to the store.
    bool hasUnsavedChanges() const;

    static QString saveFailedMessage() { return QStringLiteral("系统出现异常,请重新保存!"); }

signals:
    // After a load finished (also after a failed one).
    void monthLoaded();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void RichEdit1Exit();
    void RichEdit1MouseUp(DayRichEdit *editor, Qt::MouseButton button);
    void memdayMouseUp(Qt::MouseButton button);
    void JvTFMonths1CellPressed(int cell, Qt::KeyboardModifiers modifiers);
    void JvTFMonths1Click();
    void Timer1Timer();

    // Saves before a reload when the editors hold unsaved changes; false when that save failed.
    bool saveUnsavedChanges();
    void recordSelection(const DayRichEdit *editor, bool isMemday);
    void setDayPlan(const QByteArray &rtf);
    // After a failed save, memday keeps its text and its day until a save succeeds.
    bool dayPlanPinned() const;
    void markSaved();
    void showMessage(const QString &text);
    void showError(const QString &text);

    NoteStore &m_store;
    PageFlags &m_flags;
    LastSelection &m_lastSelection;
    std::function<QDate()> m_dateSource;
    std::function<void(const QString &)> m_messageSink;

    MonthGridModel m_grid;
    MonthGridView *m_gridView = nullptr;              // JvTFMonths1
    std::array<DayRichEdit *, EditorCount> m_edits{}; // RichEdit1 .. RichEdit42
    QPointer<QWidget> m_dayPlanPanel;                 // pnlRijishi
    QLabel *m_dayPlanLabel = nullptr;                 // Label1
    QPointer<DayRichEdit> m_memday; // lives in the day plan panel, which may go first
    QTimer *m_showTimer = nullptr;  // Timer1

    bool m_active = false;
    bool m_loaded = false;         // the editors hold a month read from the store
    bool m_lastSaveFailed = false; // memday keeps its day while its text is unsaved
    bool m_editorsVisible = false;
    bool m_saving = false; // a failure message box must not start a second save
};
