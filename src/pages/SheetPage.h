#pragma once

#include "pages/NotePage.h"
#include "pages/SheetDocument.h"
#include "pages/SheetLayout.h"
#include "store/NoteStore.h"

#include <QDate>
#include <QString>

#include <array>

class NoteLineEdit;
class RuledPaper;
class LunarCalendarWidget;

// A ruled sheet of 42 one-line notes with a colour each, in two columns of 21 lines: line 2k+1 on
// the left and 2k+2 on the right of row k, a split panel between the columns. One class serves
// two pages (Config names their widgets):
//   general notes  one sheet per month, keyed by the year-month of the picker's date; lines of
//                  at most 200 bytes (code page 936); the picker is shown and enabled
//   calendar notes a lunar calendar in the middle; one fixed sheet "rili2011" whatever the date;
//                  no line limit; a line whose text becomes empty turns black; the picker is
//                  hidden
// The lines show a SheetDocument, which loads and saves through the store: typing goes into the
// document line by line, a load refills the lines. A layout only places the widgets; it never
// reloads, so text typed since the last save stays.
class SheetPage : public NotePage {
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
        // The document's share: which sheet, how it is keyed, how an emptied line is coloured.
        SheetDocument::Kind documentKind() const;
    };

    static constexpr int LineCount = SheetDocument::LineCount;
    static constexpr int GeneralLineBytes = 200;
    static inline const QSize CalendarSize{313, 253};

    // `context` belongs to the notes session and must outlive the page.
    SheetPage(const Config &config, PageContext &context, QWidget *parent = nullptr);
    ~SheetPage() override;

    SheetDocument *document() const { return static_cast<SheetDocument *>(NotePage::document()); }

    // The key the sheet is stored under when loaded for `date`.
    QString keyFor(const QDate &date) const { return document()->keyFor(date); }

    SideControls sideControls() const override;
    // Places the paper, the lines, the split panel and the calendar for the page's size.
    void layoutPage() override;
    // The general page reloads for the new month; the calendar page only lays out again.
    void pickerDateChanged() override;
    // The focused line.
    QWidget *focusedCell() const override;
    // The whole line's colour, stored with the sheet.
    void setCellColour(QWidget *cell, const QColor &colour) override;

    // Changes the whole text colour of line n (1..42), as 0x00BBGGRR.
    void setLineColor(int line, int color);

    const Config &config() const { return m_config; }
    // The document, as the main window's tests read it (forwarding).
    const SheetDocument &state() const { return *document(); }
    NoteLineEdit *line(int n) const { return m_lines[n - 1]; }
    QWidget *splitPanel() const { return m_split; }
    // The lunar calendar; null on the general notes page.
    // The calendar variant's calendar marks them.
    void setHolidays(std::shared_ptr<const HolidayTable> holidays) override;
    LunarCalendarWidget *calendar() const { return m_calendar; }

    static QString saveFailedMessage() { return SheetDocument::saveFailedMessage(); }
    static QString saveFailedCaption() { return SheetDocument::saveFailedCaption(); }

protected:
    void applyReadOnly(bool readOnly) override;
    // The calendar page is laid out and its calendar set to today before it loads.
    void prepareOpen() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Typing in a line goes into the document.
    void lineEdited(NoteLineEdit *edit, const QString &text);
    // The document's line changed: its colour (and its text, when it came from elsewhere).
    void showLine(int line);
    // A load: every line shows the document's, without undo history, unmodified.
    void fillLines();

    Config m_config;
    RuledPaper *m_paper = nullptr;
    std::array<NoteLineEdit *, LineCount> m_lines{};
    QWidget *m_split = nullptr;
    LunarCalendarWidget *m_calendar = nullptr;
    bool m_filling = false;
};
