#pragma once

#include "store/BackupManager.h"
#include "store/NoteStore.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTimer>

#include <functional>

// Note databases for the backup tests: filled, damaged on purpose, compared.
namespace testfiles {

inline QByteArray fileHash(const QString &path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Overwrites `pages` 4 KiB pages in the middle of `file` with random bytes, as a disk fault
// would. False when the file is too small for that.
inline bool damage(const QString &file, int pages) {
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite)) return false;
    const qint64 pageSize = 4096;
    const qint64 count = f.size() / pageSize;
    if (count <= pages * 2 + 2) return false;
    QRandomGenerator random(1234);
    for (int p = 0; p < pages; ++p) {
        QByteArray noise(pageSize, Qt::Uninitialized);
        for (char &c : noise) c = char(random.bounded(256));
        if (!f.seek((count / 3 + p * 2) * pageSize) || f.write(noise) != pageSize) return false;
    }
    return f.flush();
}

inline QByteArray cellText(int month, int cell, int round = 0) {
    return QByteArray("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 SimSun;}}\\f0 note ") +
           QByteArray::number(month) + '/' + QByteArray::number(cell) + " round " +
           QByteArray::number(round) + " " + QByteArray(200, 'x') + "\\par}";
}

// A database with `months` months of notes, a day plan for each month and a memo line.
inline void fillDatabase(const QString &file, int months) {
    NoteStore store;
    store.open(file, NoteStore::OpenMode::CreateIfMissing);
    for (int m = 0; m < months; ++m) {
        MonthCells cells;
        for (int i = 0; i < NoteStore::CellCount; ++i) cells[i] = cellText(m, i);
        store.writeMonth(NoteStore::yearMonthKey(2000 + m / 12, m % 12 + 1), cells);
        store.writeDayPlan(NoteStore::dayKey(2000 + m / 12, m % 12 + 1, 1), cellText(m, -1));
    }
    store.writeMemoLine(1, QStringLiteral("买菜"));
}

// True when `file` holds exactly the notes fillDatabase(months) wrote.
inline bool holdsNotes(const QString &file, int months) {
    NoteStore store;
    store.open(file);
    for (int m = 0; m < months; ++m) {
        const MonthCells cells =
            store.readMonth(NoteStore::yearMonthKey(2000 + m / 12, m % 12 + 1));
        for (int i = 0; i < NoteStore::CellCount; ++i)
            if (cells[i] != cellText(m, i)) return false;
        if (store.readDayPlan(NoteStore::dayKey(2000 + m / 12, m % 12 + 1, 1)) != cellText(m, -1))
            return false;
    }
    return store.readMemoLines()[0] == QStringLiteral("买菜");
}

// Adds about `mebibytes` MiB of day plans (days from 1900 on) to the database, in one
// transaction: a file large enough that copying it takes a while.
inline bool addBulk(const QString &file, int mebibytes) {
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bulk");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec("BEGIN") && q.prepare("INSERT OR REPLACE INTO TailiNew_day VALUES (?, ?)");
            const int rows = mebibytes * 256; // 4 KiB a row
            QDate day(1900, 1, 1);
            for (int i = 0; ok && i < rows; ++i, day = day.addDays(1)) {
                q.addBindValue(NoteStore::dayKey(day));
                q.addBindValue(cellText(day.month(), day.day(), i).leftJustified(4000, 'y'));
                ok = q.exec();
            }
            ok = ok && QSqlQuery(db).exec("COMMIT");
        }
    }
    QSqlDatabase::removeDatabase("bulk");
    return ok;
}

// The files of the backup folder that are not sound, complete backups: temporary files, and
// copies that fail their check.
inline QStringList unsoundBackupFiles(const BackupManager &manager) {
    QStringList listed;
    QStringList problems;
    for (const BackupInfo &b : manager.backups()) {
        listed << QFileInfo(b.file).fileName();
        if (!BackupManager::quickCheck(b.file).isEmpty()) problems << b.file;
    }
    for (const QString &name : QDir(manager.backupDir()).entryList(QDir::Files))
        if (!listed.contains(name)) problems << name;
    return problems;
}

// Ticks every millisecond on the event loop; counts the ticks while `file` exists (a copy
// being written) and runs `action` once when it has grown past `bytes`.
class CopyWatch : public QObject {
public:
    CopyWatch(QString file, qint64 bytes, std::function<void()> action = {})
        : m_file(std::move(file)), m_bytes(bytes), m_action(std::move(action)) {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const QFileInfo part(m_file);
            if (!part.exists()) return;
            ++m_ticksWhileWritten;
            if (m_fired || part.size() <= m_bytes) return;
            m_fired = true;
            if (m_action) m_action();
        });
        m_timer.start(1);
    }
    int ticksWhileWritten() const { return m_ticksWhileWritten; }
    bool fired() const { return m_fired; }

private:
    QString m_file;
    qint64 m_bytes;
    std::function<void()> m_action;
    QTimer m_timer;
    int m_ticksWhileWritten = 0;
    bool m_fired = false;
};

constexpr qint64 kMiB = 1024 * 1024;

} // namespace testfiles
