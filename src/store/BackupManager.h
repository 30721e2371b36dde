#pragma once

#include "store/StoreError.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// One copy of the note database in the backup folder.
struct BackupInfo {
    enum class Kind {
        Daily,         // CalendarD-yyyy-MM-dd.db: the day's copy, thinned out by BackupRotation
        BeforeRestore, // CalendarD-yyyy-MM-dd-HHmmss-before-restore.db: the file a restore replaced
    };
    QString file; // absolute path
    Kind kind = Kind::Daily;
    QDate date;        // from the name
    QDateTime written; // the file's modification time
    qint64 size = 0;
};

// Backups of the note database in DB3/backup/, and the repair of a damaged database file.
//
// Copies are made with SQLite's VACUUM INTO over a read-only connection, so a copy is a
// consistent snapshot even while another connection writes, and the live file is never written.
// Each copy is written under a temporary name, synced, checked with PRAGMA quick_check and only
// then renamed into place; a failed copy is removed and never replaces a good one.
// Failures throw StoreError with the system's or the database's text.
class BackupManager {
public:
    static constexpr int KeptBeforeRestore = 5; // newest copies of replaced files kept

    BackupManager(const QString &databaseFile, const QString &backupDir);

    QString databaseFile() const { return m_databaseFile; }
    QString backupDir() const { return m_backupDir; }

    static QString dailyFileName(const QDate &day);

    // PRAGMA quick_check through a read-only connection: an empty text when the file is sound,
    // else what SQLite found. Never writes into the file. `busy` (when given) tells whether the
    // check could not look at the file at all: another program holds it locked, or the folder
    // cannot be written or the disk is full, so the WAL index cannot be made. Only a file
    // SQLite finds corrupt or not a database, or problems the check lists, are a verdict.
    static QString quickCheck(const QString &file, bool *busy = nullptr);
    // Copies the write-ahead log into the database file and empties the log, so the single
    // .db file is complete. Throws StoreError when SQLite cannot (for example a reader is busy).
    static void checkpoint(const QString &file);

    // Every copy in the backup folder, newest first (by date, then by write time).
    QList<BackupInfo> backups() const;
    // The newest copy that passes quick_check.
    std::optional<BackupInfo> newestSoundBackup() const;
    std::optional<BackupInfo> dailyBackupOf(const QDate &day) const;
    // True when the database (or its log) was written after the daily copy of `day`, or when
    // `day` has no copy.
    bool changedSinceBackupOf(const QDate &day) const;

    // Makes the daily copy of `day` (replacing an older copy of the same day), then thins out
    // the daily copies (BackupRotation). Returns the new copy.
    BackupInfo backupNow(const QDate &day);
    // Removes the daily copies BackupRotation drops and all but the newest KeptBeforeRestore
    // copies of replaced files. Returns the removed files.
    QStringList rotate();

    // Replaces the database with a copy of `backup`. The current file is first kept in the
    // backup folder as a BeforeRestore copy, so the restore can be undone. Every connection to
    // the database must be closed. Returns the kept copy.
    BackupInfo restore(const BackupInfo &backup, const QDateTime &now);
    // Where setAsideDamaged(now) would keep the damaged file.
    QString damagedKeepPath(const QDateTime &now) const;
    // Moves a damaged database file and its log aside, beside the original, under a name that
    // says when; nothing is written into them. Returns the new path of the file.
    QString setAsideDamaged(const QDateTime &now);
    // Puts a copy of `backupFile`, checked first, in place of the database (which must be
    // closed, or missing after setAsideDamaged), through AtomicFile: a failed write leaves the
    // file that was there.
    void installCopyOf(const QString &backupFile);

private:
    void copyInto(const QString &target); // VACUUM INTO target.part, check, rename
    QString m_databaseFile;
    QString m_backupDir;
};
