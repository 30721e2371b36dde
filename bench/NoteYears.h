#pragma once

#include "store/NoteStore.h"

#include <QDate>
#include <QSqlDatabase>
#include <QSqlQuery>

// Fills an existing note database with `years` years of notes ending last year: every month
// page (42 cells of about 300 bytes of RTF) and a day plan for every day, in one transaction
// through a plain connection (row by row through the store would cost a disk flush each).
namespace benchdata {

inline QByteArray cellRtf(int seed) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ";
    while (rtf.size() < 290) rtf += "\\u24320?\\u20250? " + QByteArray::number(seed++) + ' ';
    return rtf + "\\par}";
}

inline void fillYears(const QString &file, int years) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-fill-years");
        db.setDatabaseName(file);
        if (!db.open()) qFatal("cannot open %s", qPrintable(file));
        QSqlQuery(db).exec("BEGIN");
        QSqlQuery month(db), day(db);
        month.prepare("INSERT OR REPLACE INTO TailiNew VALUES (?" + QString(",?").repeated(42) +
                      ")");
        day.prepare("INSERT OR REPLACE INTO TailiNew_day VALUES (?, ?)");
        const int last = QDate::currentDate().year() - 1;
        for (int year = last - years + 1; year <= last; ++year) {
            for (int m = 1; m <= 12; ++m) {
                month.addBindValue(NoteStore::yearMonthKey(year, m));
                for (int i = 0; i < NoteStore::CellCount; ++i)
                    month.addBindValue(cellRtf(year + m + i));
                if (!month.exec()) qFatal("fill failed");
                for (int d = 1; d <= QDate(year, m, 1).daysInMonth(); ++d) {
                    day.addBindValue(NoteStore::dayKey(year, m, d));
                    day.addBindValue(cellRtf(d) + cellRtf(m));
                    if (!day.exec()) qFatal("fill failed");
                }
            }
        }
        QSqlQuery(db).exec("COMMIT");
    }
    QSqlDatabase::removeDatabase("bench-fill-years");
}

} // namespace benchdata
