#pragma once

#include "NoteStore.h"
#include "PageFlags.h"
#include "SheetLayout.h"
#include "SheetState.h"

#include <QDate>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class NoteLineEdit;
class RuledPaper;
class TChnCalendar;

// A ruled sheet of 42 one-line notes with a colour each, in two columns of 21 lines: line 2k+1 on
// the left and 2k+2 on the right of row k. One class serves two pages:
//   general notes  `pnlJishi`: `DrawGrid1`, `Edit1`..`Edit42`, `pnlHide`; one sheet per month,
//                  keyed by the year-month of the date it is loaded for; lines of at most 200
//                  bytes (code page 936)
//   calendar notes `pnlRili`: `drwgrd1`, `edtr1`..`edtr42`, `pnlSplit` and the calendar
//                  `chnRili` in the middle; one fixed sheet "rili2011" whatever the date; no line
//                  limit; a line whose text becomes empty turns black
// The lines mirror a SheetState, which loads and saves through the store. A layout only places
// the widgets; it never reloads, so text typed since the last save stays.
class SheetPage : public QWidget {
    Q_OBJECT
public:
    struct Config {
        QString panelName;
        QString paperName;
        QString linePrefix;
        QString splitName;
        NoteStore::Sheet sheet = NoteStore::Sheet::General;
        SheetLayout::Variant variant = SheetLayout::Variant::General;
        int maxLineBytes = 0;
        bool emptiedLineTurnsBlack = false;
        bool keyedByMonth = false;

        static Config general();
        static Config calendar();
    };

    static constexpr int LineCount = SheetState::LineCount;
    static constexpr int GeneralLineBytes = 200;
    static inline const QSize CalendarSize{313, 253};

    // `flags` belongs to the main window and must outlive the page.
    SheetPage(const Config &config, NoteStore &store, PageFlags &flags, QWidget *parent = nullptr);
    ~SheetPage() override;

    // Shows an error text to the user. Default: the save failure in a box titled "Kestrova月历",
    // a read failure in an error box, both owned by this page's window.
    void setMessageSink(std::function<void(const QString &)> sink);

    // The key the sheet is stored under when loaded for `date`.
    QString keyFor(const QDate &date) const;

    // LayoutGeneralPage / LayoutCalendarPage: places the paper, the lines, the split panel and
    // the calendar for the page's size.
    void layoutPage();
    // LoadGeneralNotes / LoadCalendarNotes for `date`. Unsaved lines are saved first; when that
    // save fails nothing is reloaded. A failed read leaves the lines as they were and is told.
    // Returns true when the lines now hold the sheet of `date`.
    bool load(const QDate &date);
    // SaveGeneralNotes / SaveCalendarNotes: writes the lines under the key they were loaded for.
    // Does nothing (true) while saving is disabled. A failure is told once ("保存失败!请重试"),
    // the lines keep their text and the result is false; no second save starts meanwhile.
    bool save();
    bool hasUnsavedChanges() const { return m_state.isModified(); }

    // The calendar page opens with chnRili on today; the general page does nothing.
    void showToday();

    // Changes the whole text colour of line n (1..42), as 0x00BBGGRR.
    void setLineColor(int line, int color);

    const Config &config() const { return m_config; }
    const SheetState &state() const { return m_state; }
    NoteLineEdit *line(int n) const { return m_lines[n - 1]; }
    RuledPaper *paper() const { return m_paper; }
    QWidget *splitPanel() const { return m_split; }
    // chnRili; null on the general notes page.
    TChnCalendar *calendar() const { return m_calendar; }

    static QString saveFailedMessage() { return QStringLiteral("保存失败!请重试"); }
    static QString saveFailedCaption() { return QStringLiteral("Kestrova月历"); }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void lineChanged(NoteLineEdit *edit, const QString &text);
    void fillLines();
    void showMessage(const QString &text, bool saveFailure);

    Config m_config;
    PageFlags &m_flags;
    SheetState m_state;
    std::function<void(const QString &)> m_messageSink;
    RuledPaper *m_paper = nullptr;
    std::array<NoteLineEdit *, LineCount> m_lines{};
    QWidget *m_split = nullptr;
    TChnCalendar *m_calendar = nullptr;
    bool m_filling = false;
    bool m_saving = false;
};
