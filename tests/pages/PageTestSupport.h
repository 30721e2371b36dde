#pragma once

// Helpers of the page tests: notes as the editors store them, and a second connection that
// changes the database behind the program's back.
#include "richtext/RichText.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QTextDocument>

namespace PageTestSupport {

inline QByteArray rtfOf(const QString &plain) {
    QTextDocument doc;
    doc.setPlainText(plain);
    return richtext::toRtf(doc);
}

inline QString plainOf(const QByteArray &stored) {
    QTextDocument doc;
    richtext::loadInto(doc, stored);
    return doc.toPlainText();
}

// Runs `sql` on the database file through a connection of its own (a failed statement fails the
// calling test).
inline void alterDatabase(const QString &databaseFile, const QString &sql) {
    const QString name = QStringLiteral("saboteur");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databaseFile);
        QVERIFY2(db.open(), qPrintable(db.lastError().text()));
        QSqlQuery q(db);
        QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
    }
    QSqlDatabase::removeDatabase(name);
}

// The first value of the first row of `sql` run through a connection of its own; the error text
// when the statement fails, nothing when it gives no row.
inline QVariant queryDatabase(const QString &databaseFile, const QString &sql) {
    const QString name = QStringLiteral("inspector");
    QVariant result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(databaseFile);
        if (!db.open()) return db.lastError().text();
        QSqlQuery q(db);
        if (!q.exec(sql))
            result = q.lastError().text();
        else if (q.next())
            result = q.value(0);
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

inline void renameTable(const QString &databaseFile, const QString &from, const QString &to) {
    alterDatabase(databaseFile, QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(from, to));
}

} // namespace PageTestSupport
