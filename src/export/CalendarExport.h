#pragma once

#include "export/IcsWriter.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

class NoteStore;

// The day notes of a range of months as an iCalendar file: one all-day event for every day with
// a note, holding the notes of the month-page cells that show the day and its day plan.
//
// A cell's day is the day the month grid shows in it, so a leading or trailing cell of a page
// holds a note of a day of the month before or after, and a day can have two cell notes (its own
// month's first). Dates are the grid's, which counts every year as the Gregorian calendar does,
// as iCalendar does: they are written unchanged, before 1582 too.
class CalendarExport {
public:
    // The first and the last month of an export; only their year and month count.
    struct Months {
        QDate first;
        QDate last;
    };
    static Months yearOf(const QDate &day);

    // The event of `day`: the summary is the first line of the first note, the description the
    // cell notes, then "日安排：" and the day plan, separated by an empty line. Nothing when all
    // of them are empty. The texts are taken as the text export takes them (objects dropped,
    // blanks trimmed from both ends).
    static std::optional<IcsWriter::AllDayEvent>
    dayEvent(const QDate &day, const QStringList &cellNotes, const QString &dayPlan);
    // Stable across exports: the day and the kind of event ("20261211-day@kestrova").
    static QString uid(const QDate &day);

    // The file of the notes of `months` (the later month may come first), read from `store`
    // and turned into plain text. Throws StoreError.
    static QByteArray calendar(const NoteStore &store, const Months &months,
                               const QDateTime &stamp);

    // The name the save dialog proposes: "日历记事 2026年1月-2026年12月".
    static QString proposedName(const Months &months);
};
