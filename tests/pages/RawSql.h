#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// Runs one SQL statement on a database file through a connection of its own, behind the store's
// back; gives the first value of the first row, the error text on failure, or nothing.
inline QVariant rawSql(const QString &file, const QString &statement) {
    const QString name = QStringLiteral("raw-sql");
    QVariant result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open()) return QStringLiteral("cannot open");
        QSqlQuery q(db);
        if (!q.exec(statement))
            result = q.lastError().text();
        else if (q.next())
            result = q.value(0);
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}
