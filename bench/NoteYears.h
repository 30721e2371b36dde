#pragma once

#include "CommonCharacters.h"
#include "store/NoteStore.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <functional>

// Note databases of many years for the benchmarks, written straight into the tables (row by row
// through the store would cost a disk flush each).
namespace benchdata {

inline QByteArray cellRtf(int seed) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ";
    while (rtf.size() < 290) rtf += "\\u24320?\\u20250? " + QByteArray::number(seed++) + ' ';
    return rtf + "\\par}";
}

// Writes the month page of every month from `first` to `last` (their first days) and the day
// plan of each of their days, in one transaction through a plain connection.
inline void writeMonths(const QString &file, const QDate &first, const QDate &last,
                        const std::function<QByteArray(const QDate &month, int cell)> &cellOf,
                        const std::function<QByteArray(const QDate &day)> &planOf) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-fill-months");
        db.setDatabaseName(file);
        if (!db.open()) qFatal("cannot open %s", qPrintable(file));
        QSqlQuery(db).exec("BEGIN");
        QSqlQuery month(db), day(db);
        month.prepare("INSERT OR REPLACE INTO TailiNew VALUES (?" + QString(",?").repeated(42) +
                      ")");
        day.prepare("INSERT OR REPLACE INTO TailiNew_day VALUES (?, ?)");
        for (QDate m = first; m <= last; m = m.addMonths(1)) {
            month.addBindValue(NoteStore::yearMonthKey(m.year(), m.month()));
            for (int i = 0; i < NoteStore::CellCount; ++i) month.addBindValue(cellOf(m, i));
            if (!month.exec()) qFatal("fill failed");
            for (int d = 1; d <= m.daysInMonth(); ++d) {
                day.addBindValue(NoteStore::dayKey(m.year(), m.month(), d));
                day.addBindValue(planOf(QDate(m.year(), m.month(), d)));
                if (!day.exec()) qFatal("fill failed");
            }
        }
        QSqlQuery(db).exec("COMMIT");
    }
    QSqlDatabase::removeDatabase("bench-fill-months");
}

// Fills an existing note database with `years` years of notes ending last year: every month
// page (42 cells of about 300 bytes of RTF) and a day plan for every day.
inline void fillYears(const QString &file, int years) {
    const int last = QDate::currentDate().year() - 1;
    writeMonths(
        file, QDate(last - years + 1, 1, 1), QDate(last, 12, 1),
        [](const QDate &month, int cell) { return cellRtf(month.year() + month.month() + cell); },
        [](const QDate &day) { return cellRtf(day.day()) + cellRtf(day.month()); });
}

// A note of `characters` Chinese characters (common ones, in running order from `seed`, as a
// day's text reads), in the RTF the editors write: about 8 bytes a character.
inline QByteArray chineseNoteRtf(int seed, int characters = 200) {
    const QString &common = commonCharacters();
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ";
    for (int i = 0; i < characters; ++i) {
        rtf += "\\u" + QByteArray::number(common.at((seed + i) % common.size()).unicode()) + '?';
        if (i % 40 == 39) rtf += "\\par ";
    }
    return rtf + "\\par}";
}

// Fills an existing note database with `years` years of daily notes ending with the current
// month: every cell of every month page and the day plan of every day hold `characters` Chinese
// characters.
inline void fillDailyNotes(const QString &file, int years, int characters = 200) {
    const QDate today = QDate::currentDate();
    const QDate current(today.year(), today.month(), 1);
    writeMonths(
        file, current.addYears(-years).addMonths(1), current,
        [characters](const QDate &month, int cell) {
            return chineseNoteRtf(month.month() * 50 + cell * 7, characters);
        },
        [characters](const QDate &day) { return chineseNoteRtf(day.day() * 11, characters); });
}

} // namespace benchdata
