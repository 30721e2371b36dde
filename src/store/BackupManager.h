#pragma once

#include "store/StoreError.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class BackupLock;

// One copy of the note database in the backup folder.
struct BackupInfo {
    enum class Kind {
        Daily,         // CalendarD-yyyy-MM-dd.db: the day's copy, thinned out by BackupRotation
        BeforeRestore, // CalendarD-yyyy-MM-dd-HHmmss-before-restore.db: the file a restore replaced
        // CalendarD-yyyy-MM-dd-pinned-yyyyMMdd-HHmmss.db: a daily copy (of the first date) that
        // existed when a restore was made or the database was found damaged (the second stamp);
        // kept until the user removes it.
        Pinned,
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
//
// Copies of a BackupManager share one BackupLock, so they may work from several threads: one
// change to the folder at a time, and a copy made for a thread of its own (given a cancel flag)
// gives way to the window's thread at its next step.
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
    // With `cancel`, a long check stops soon after *cancel turns true, as busy (no verdict).
    static QString quickCheck(const QString &file, bool *busy = nullptr,
                              const std::atomic<bool> *cancel = nullptr);
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

    // Makes the daily copy of `day` (replacing an older daily copy of the same day, never a
    // pinned one), then thins out the daily copies (BackupRotation). Returns the new copy.
    // With `cancel` the copy is made for a thread of its own: it stops at its next step (a few
    // thousand SQLite instructions, or between writing, syncing and checking) once *cancel is
    // true or a caller without a cancel flag waits to change the folder, removes what it wrote
    // and throws CopyCancelled. Without it, such a copy in progress is stopped first.
    BackupInfo backupNow(const QDate &day, const std::atomic<bool> *cancel = nullptr);
    // Removes the daily copies BackupRotation drops and all but the newest KeptBeforeRestore
    // copies of replaced files; pinned copies stay. Also removes temporary files a copy cut off
    // by a crash left. Returns the removed backups.
    QStringList rotate();

    // Every daily copy there is now becomes a Pinned copy (renamed, its day kept, `now` added
    // to its name): no later copy of the same day replaces it and the rotation never removes
    // it. Pinned copies are all kept, whatever their number; each pinning adds at most the
    // daily copies made since the one before. Call it when the database is found damaged,
    // before the copies are listed for the user (the files get new names). Returns the pinned
    // copies; a copy that cannot be renamed stays a daily copy.
    QList<BackupInfo> pinCopies(const QDateTime &now);

    // Replaces the database with a copy of `backup`. The current file is first kept in the
    // backup folder as a BeforeRestore copy, so the restore can be undone; then the daily
    // copies are pinned (pinCopies), so the copies made after the restore never replace
    // them. Every connection to the database must be closed. Returns the kept copy.
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
    // VACUUM INTO target.part, check, rename; `cancel` as for backupNow().
    void copyInto(const QString &target, const std::atomic<bool> *cancel);
    void removeLeftovers() const;

    QString m_databaseFile;
    QString m_backupDir;
    std::shared_ptr<BackupLock> m_lock;
};
