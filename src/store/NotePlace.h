#pragma once

#include <QDate>
#include <QString>
#include <QtGlobal>

// Where one note is kept: a month page cell, a day plan, an annual note, a line of one of the two
// ruled sheets or a memo line, with the store key of its row.
struct NotePlace {
    enum class Kind {
        MonthCell = 1, // key: year-month of the page, slot: grid cell 0..41, date: the cell's day
        DayPlan,       // key: day key, date: the day
        YearNote,      // key: the year, slot: month 0..11, date: the 1st of the month
        GeneralLine,   // key: year-month, slot: line 0..41, date: the 1st of the month
        CalendarLine,  // key: the calendar sheet's key, slot: line 0..41
        MemoLine,      // key: the memo key, slot: line 0..10
    };

    Kind kind = Kind::MonthCell;
    QString key;
    int slot = 0;
    QDate date;

    bool operator==(const NotePlace &o) const {
        return kind == o.kind && key == o.key && slot == o.slot;
    }
    bool operator!=(const NotePlace &o) const { return !(*this == o); }

    // Larger is newer: by the day or month the note is about, a day's cell before its plan,
    // a month's annual note before its general lines, lower lines first. The memo and the
    // calendar sheet belong to no date and come before all others.
    qint64 sortKey() const {
        const qint64 line = 99 - slot;
        switch (kind) {
        case Kind::MemoLine:
            return Q_INT64_C(900000000000000) + 2 * 100 + line;
        case Kind::CalendarLine:
            return Q_INT64_C(900000000000000) + 1 * 100 + line;
        default:
            break;
        }
        const bool daily = kind == Kind::MonthCell || kind == Kind::DayPlan;
        const qint64 day = date.isValid() ? (qint64(date.year()) * 100 + date.month()) * 100 +
                                                (daily ? date.day() : 0)
                                          : 0;
        const int rank = kind == Kind::MonthCell  ? 4
                         : kind == Kind::DayPlan  ? 3
                         : kind == Kind::YearNote ? 2
                                                  : 1;
        return (day * 10 + rank) * 100 + line;
    }
};

// The plain text of the note at a place.
struct NoteText {
    NotePlace place;
    QString text;
};
