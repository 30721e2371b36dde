#pragma once

// The kinds of notes the shared rules are run over, each as a document and as a page, with the
// stored text of a cell for a date. Two dates of different periods, unless the kind has one period
// whatever the date.
#include "PageTestSupport.h"
#include "pages/AnnualNotesDocument.h"
#include "pages/AnnualNotesPage.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/MonthNotesDocument.h"
#include "pages/SheetDocument.h"
#include "pages/SheetPage.h"
#include "store/NoteStore.h"

#include <QTest>

#include <functional>
#include <vector>

struct NoteKind {
    const char *name;
    const char *table; // the table whose loss makes the kind's reads and writes fail
    QDate date;
    QDate otherDate;
    bool periodFollowsDate;
    std::function<NoteDocument *(PageContext &)> makeDocument;
    std::function<NotePage *(PageContext &)> makePage;
    std::function<QString(NoteStore &, const QDate &, int cell)> stored;
    std::function<void(NoteStore &, const QDate &, int cell, const QString &)> store;
};

inline const std::vector<NoteKind> &noteKinds() {
    using PageTestSupport::plainOf;
    using PageTestSupport::rtfOf;
    static const std::vector<NoteKind> kinds = {
        {"desktop month", "TailiNew", QDate(2010, 6, 1), QDate(2010, 7, 1), true,
         [](PageContext &c) { return new MonthNotesDocument(c); },
         [](PageContext &c) { return new DesktopMonthPage(c); },
         [](NoteStore &s, const QDate &d, int cell) {
             return plainOf(s.readMonth(NoteStore::yearMonthKey(d))[cell]);
         },
         [](NoteStore &s, const QDate &d, int cell, const QString &text) {
             MonthCells cells = s.readMonth(NoteStore::yearMonthKey(d));
             cells[cell] = rtfOf(text);
             s.writeMonth(NoteStore::yearMonthKey(d), cells);
         }},
        {"annual notes", "YearJishi", QDate(2010, 6, 1), QDate(2011, 1, 1), true,
         [](PageContext &c) { return new AnnualNotesDocument(c); },
         [](PageContext &c) { return new AnnualNotesPage(c); },
         [](NoteStore &s, const QDate &d, int cell) {
             return plainOf(s.readYearNotes(d.year())[cell]);
         },
         [](NoteStore &s, const QDate &d, int cell, const QString &text) {
             YearNotes notes = s.readYearNotes(d.year());
             notes[cell] = rtfOf(text);
             s.writeYearNotes(d.year(), notes);
         }},
        {"general notes", "edtText", QDate(2011, 1, 1), QDate(2011, 11, 1), true,
         [](PageContext &c) { return new SheetDocument(c, SheetDocument::Kind::general()); },
         [](PageContext &c) { return new SheetPage(SheetPage::Config::general(), c); },
         [](NoteStore &s, const QDate &d, int cell) {
             return s.readSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(d)).texts[cell];
         },
         [](NoteStore &s, const QDate &d, int cell, const QString &text) {
             SheetNotes notes = s.readSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(d));
             notes.texts[cell] = text;
             s.writeSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(d), notes);
         }},
        // One sheet whatever the date: the two dates give the same period.
        {"calendar notes", "RiliJishi", QDate(2011, 1, 1), QDate(2030, 11, 1), false,
         [](PageContext &c) { return new SheetDocument(c, SheetDocument::Kind::calendar()); },
         [](PageContext &c) { return new SheetPage(SheetPage::Config::calendar(), c); },
         [](NoteStore &s, const QDate &, int cell) {
             return s.readSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey)
                 .texts[cell];
         },
         [](NoteStore &s, const QDate &, int cell, const QString &text) {
             SheetNotes notes =
                 s.readSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey);
             notes.texts[cell] = text;
             s.writeSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey, notes);
         }},
    };
    return kinds;
}

// One row per kind, its index in column "kind".
inline void addNoteKindRows() {
    QTest::addColumn<int>("kind");
    for (int i = 0; i < int(noteKinds().size()); ++i) QTest::newRow(noteKinds()[i].name) << i;
}
