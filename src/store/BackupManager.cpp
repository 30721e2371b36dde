#include "store/BackupManager.h"

#include "base/AtomicFile.h"
#include "base/OwnerOnly.h"
#include "store/BackupLock.h"
#include "store/BackupRotation.h"
#include "store/CopyCancelled.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>
#include <unistd.h>

namespace {

std::atomic<int> connectionCounter{0};

// When a copy made for a thread of its own stops: its own flag was set, or the window's thread
// waits to change the backup folder.
struct StopRequest {
    const std::atomic<bool> *cancel = nullptr;
    const BackupLock *lock = nullptr;
    bool operator()() const {
        return cancel != nullptr && (cancel->load() || (lock && lock->isWantedUrgently()));
    }
};

// SQLite asks every so many virtual machine instructions of a statement (VACUUM INTO and
// quick_check run millions); a yes ends the statement with SQLITE_INTERRUPT. A thousand
// instructions take microseconds, so a stop is seen at once and the asking costs nothing.
constexpr int kProgressInstructions = 1000;

int stopWhenAsked(void *request) {
    return (*static_cast<const StopRequest *>(request))() ? 1 : 0;
}

int sqliteCode(const QSqlError &e) {
    return e.nativeErrorCode().toInt() & 0xff;
}

// A connection of its own for one operation, removed again when it goes out of scope.
class Connection {
public:
    Connection(const QString &file, bool readOnly)
        : m_name(QStringLiteral("kestrova-backup-%1").arg(++connectionCounter)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        db.setConnectOptions(readOnly
                                 ? QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=3000")
                                 : QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        if (!db.open()) m_error = db.lastError().text();
    }
    ~Connection() {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    QString openError() const { return m_error; }
    QSqlDatabase database() const { return QSqlDatabase::database(m_name, false); }

    // The statements of this connection end at their next step once `stop` says so; `stop`
    // outlives the connection. The driver's handle is the SQLite library this one links (the
    // system's), so the handler is set on the very connection Qt uses.
    void stopWhen(const StopRequest *stop) const {
        if (stop == nullptr || stop->cancel == nullptr) return;
        const QVariant handle = database().driver()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return;
        sqlite3 *db = *static_cast<sqlite3 *const *>(handle.constData());
        if (db != nullptr)
            sqlite3_progress_handler(db, kProgressInstructions, stopWhenAsked,
                                     const_cast<StopRequest *>(stop));
    }

private:
    QString m_name;
    QString m_error;
};

bool isDigits(QStringView text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The kind and day of a backup from its file name: "CalendarD-2025-03-02.db" (daily),
// "CalendarD-2025-03-02-080005-before-restore.db" or "CalendarD-2025-03-02-pinned-20250310-
// 091500.db"; false for any other file. Read by hand: a pattern would load the regular
// expression engine at every start for this one list.
bool parseBackupName(QStringView name, BackupInfo &info) {
    const QStringView prefix = u"CalendarD-";
    if (!name.startsWith(prefix)) return false;
    const QStringView day = name.mid(prefix.size(), 10);
    if (day.size() != 10 || day[4] != u'-' || day[7] != u'-' || !isDigits(day.mid(0, 4)) ||
        !isDigits(day.mid(5, 2)) || !isDigits(day.mid(8, 2)))
        return false;
    const QStringView rest = name.mid(prefix.size() + 10);
    const QStringView beforeRestore = u"-before-restore.db";
    const QStringView pinned = u"-pinned-";
    if (rest == u".db") {
        info.kind = BackupInfo::Kind::Daily;
    } else if (rest.size() == 7 + beforeRestore.size() && rest[0] == u'-' &&
               isDigits(rest.mid(1, 6)) && rest.mid(7) == beforeRestore) {
        info.kind = BackupInfo::Kind::BeforeRestore;
    } else if (rest.size() == pinned.size() + 18 && rest.startsWith(pinned) &&
               isDigits(rest.mid(pinned.size(), 8)) && rest[pinned.size() + 8] == u'-' &&
               isDigits(rest.mid(pinned.size() + 9, 6)) && rest.endsWith(u".db")) {
        info.kind = BackupInfo::Kind::Pinned;
    } else {
        return false;
    }
    info.date = QDate::fromString(day.toString(), QStringLiteral("yyyy-MM-dd"));
    return info.date.isValid();
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The data of a freshly written file reaches the disk before it is renamed into place.
bool syncFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && ::fsync(f.handle()) == 0;
}

// rename(2) replaces an existing target in one step; QFile::rename refuses to.
bool replaceFile(const QString &from, const QString &to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

const char *const kLogSuffixes[] = {"-wal", "-shm", "-journal"};

// What a copy writes before it is checked and renamed into place.
const char *const kPartSuffixes[] = {".part", ".part-journal"};

QString pinnedFileName(const QDate &day, const QDateTime &when) {
    return QStringLiteral("CalendarD-%1-pinned-%2.db")
        .arg(day.toString(QStringLiteral("yyyy-MM-dd")),
             when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

// PRAGMA quick_check, as BackupManager::quickCheck() describes it; `interrupted` tells that
// `stop` ended it before a verdict.
QString checkFile(const QString &file, bool *busy, const StopRequest &stop, bool *interrupted) {
    if (busy) *busy = false;
    *interrupted = false;
    if (!QFileInfo(file).isFile()) return QStringLiteral("文件不存在");
    const Connection c(file, true);
    if (!c.openError().isEmpty()) {
        if (busy) *busy = true; // SQLite reads nothing on opening: no verdict
        return c.openError();
    }
    c.stopWhen(&stop);
    QSqlQuery q(c.database());
    // The check reads every page once: a cache would only hold on to memory, which a thread's
    // heap keeps after the thread has ended.
    q.exec(QStringLiteral("PRAGMA cache_size = -64"));
    // Only SQLITE_CORRUPT (11) and SQLITE_NOTADB (26) speak of the file; a lock held by another
    // program (5, 6), a read-only folder or a full disk (8, 10, 13, 14), or a check stopped
    // on request (9) say nothing about it.
    const auto noteBusy = [&](const QSqlError &e) {
        const int code = sqliteCode(e);
        if (code == SQLITE_INTERRUPT) *interrupted = true;
        if (busy && code != SQLITE_CORRUPT && code != SQLITE_NOTADB) *busy = true;
        return e.text();
    };
    if (!q.exec(QStringLiteral("PRAGMA quick_check"))) return noteBusy(q.lastError());
    QStringList problems;
    while (q.next()) problems << q.value(0).toString();
    if (q.lastError().isValid()) problems << noteBusy(q.lastError());
    if (problems == QStringList{QStringLiteral("ok")}) return QString();
    return problems.isEmpty() ? QStringLiteral("无法检查数据库") : problems.join(QLatin1Char('\n'));
}

} // namespace

BackupManager::BackupManager(const QString &databaseFile, const QString &backupDir)
    : m_databaseFile(QDir::cleanPath(QFileInfo(databaseFile).absoluteFilePath())),
      m_backupDir(QDir::cleanPath(QDir(backupDir).absolutePath())),
      m_lock(std::make_shared<BackupLock>()) {}

QString BackupManager::dailyFileName(const QDate &day) {
    return QStringLiteral("CalendarD-%1.db").arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

QString BackupManager::quickCheck(const QString &file, bool *busy,
                                  const std::atomic<bool> *cancel) {
    bool interrupted = false;
    const QString problem = checkFile(file, busy, StopRequest{cancel, nullptr}, &interrupted);
    return interrupted ? QStringLiteral("检查已中止") : problem;
}

void BackupManager::checkpoint(const QString &file) {
    if (!QFileInfo(file).isFile()) return;
    const Connection c(file, false);
    if (!c.openError().isEmpty())
        throw StoreError(QStringLiteral("无法打开数据库 %1: %2").arg(file, c.openError()));
    QSqlQuery q(c.database());
    if (!q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) || !q.next())
        throw StoreError(
            QStringLiteral("无法整理数据库日志 %1: %2").arg(file, q.lastError().text()));
    if (q.value(0).toInt() != 0)
        throw StoreError(QStringLiteral("无法整理数据库日志 %1: 数据库正被使用").arg(file));
}

QList<BackupInfo> BackupManager::backups() const {
    QList<BackupInfo> list;
    for (const QFileInfo &fi : QDir(m_backupDir).entryInfoList(QDir::Files)) {
        BackupInfo info;
        if (!parseBackupName(fi.fileName(), info)) continue;
        info.file = fi.absoluteFilePath();
        info.written = fi.lastModified();
        info.size = fi.size();
        list.append(info);
    }
    std::sort(list.begin(), list.end(), [](const BackupInfo &a, const BackupInfo &b) {
        return a.date != b.date ? a.date > b.date : a.written > b.written;
    });
    return list;
}

std::optional<BackupInfo> BackupManager::newestSoundBackup() const {
    for (const BackupInfo &b : backups())
        if (quickCheck(b.file).isEmpty()) return b;
    return std::nullopt;
}

std::optional<BackupInfo> BackupManager::dailyBackupOf(const QDate &day) const {
    for (const BackupInfo &b : backups())
        if (b.kind == BackupInfo::Kind::Daily && b.date == day) return b;
    return std::nullopt;
}

bool BackupManager::changedSinceBackupOf(const QDate &day) const {
    const std::optional<BackupInfo> copy = dailyBackupOf(day);
    if (!copy) return true;
    const QFileInfo db(m_databaseFile);
    if (db.exists() && db.lastModified() > copy->written) return true;
    // A checkpoint touches an empty log without changing anything.
    const QFileInfo log(m_databaseFile + QStringLiteral("-wal"));
    return log.size() > 0 && log.lastModified() > copy->written;
}

void BackupManager::copyInto(const QString &target, const std::atomic<bool> *cancel) {
    const StopRequest stop{cancel, m_lock.get()};
    if (!OwnerOnly::makeFolder(m_backupDir))
        throw StoreError(QStringLiteral("无法创建文件夹 %1").arg(m_backupDir));
    const QString part = target + QStringLiteral(".part");
    const auto removePart = [&] {
        for (const char *suffix : kPartSuffixes) QFile::remove(target + QLatin1String(suffix));
    };
    removePart();
    const auto fail = [&](const QString &why) {
        removePart();
        throw StoreError(QStringLiteral("无法备份数据库到 %1: %2").arg(target, why));
    };
    const auto stopHereIfAsked = [&] {
        if (!stop()) return;
        removePart();
        throw CopyCancelled(QStringLiteral("备份 %1 已中止").arg(target));
    };
    stopHereIfAsked();
    if (!QFileInfo(m_databaseFile).isFile()) fail(QStringLiteral("数据库文件不存在"));
    // VACUUM INTO fills an empty file as it finds it: made first, the copy is the user's alone.
    if (!OwnerOnly::createFile(part)) fail(systemError());
    QString copyError;
    {
        const Connection c(m_databaseFile, true);
        if (!c.openError().isEmpty()) fail(c.openError());
        c.stopWhen(&stop);
        QSqlQuery q(c.database());
        // Each page is copied once: a small cache keeps the copy's memory small beside the
        // running program.
        q.exec(QStringLiteral("PRAGMA cache_size = -512"));
        q.prepare(QStringLiteral("VACUUM INTO ?"));
        q.addBindValue(part);
        if (!q.exec()) copyError = q.lastError().text();
    }
    stopHereIfAsked(); // a statement ended by the request fails with "interrupted"
    if (!copyError.isEmpty()) fail(copyError);
    if (!syncFile(part)) fail(systemError());
    stopHereIfAsked();
    bool interrupted = false;
    const QString problem = checkFile(part, nullptr, stop, &interrupted);
    stopHereIfAsked();
    if (!problem.isEmpty()) fail(QStringLiteral("副本检查未通过: ") + problem);
    if (!replaceFile(part, target)) fail(systemError());
}

void BackupManager::removeLeftovers() const {
    // Only while the lock is held: then no copy of this program is writing one.
    for (const QFileInfo &fi : QDir(m_backupDir).entryInfoList(QDir::Files)) {
        for (const char *suffix : kPartSuffixes) {
            const QString name = fi.fileName();
            BackupInfo info;
            if (name.endsWith(QLatin1String(suffix)) &&
                parseBackupName(QStringView(name).chopped(int(std::strlen(suffix))), info))
                QFile::remove(fi.absoluteFilePath());
        }
    }
}

BackupInfo BackupManager::backupNow(const QDate &day, const std::atomic<bool> *cancel) {
    const BackupLock::Holder held = m_lock->acquire(cancel == nullptr);
    const QString target = QDir(m_backupDir).filePath(dailyFileName(day));
    copyInto(target, cancel);
    rotate();
    const std::optional<BackupInfo> made = dailyBackupOf(day);
    if (!made) throw StoreError(QStringLiteral("无法备份数据库到 %1").arg(target));
    return *made;
}

QStringList BackupManager::rotate() {
    const BackupLock::Holder held = m_lock->acquire(true);
    removeLeftovers();
    QList<QDate> dailyDates;
    const QList<BackupInfo> all = backups();
    for (const BackupInfo &b : all)
        if (b.kind == BackupInfo::Kind::Daily) dailyDates.append(b.date);
    const QList<QDate> dropped = BackupRotation::remove(dailyDates);
    QStringList removed;
    int beforeRestoreSeen = 0; // the list is newest first
    for (const BackupInfo &b : all) {
        bool drop = false;
        switch (b.kind) {
        case BackupInfo::Kind::Daily:
            drop = dropped.contains(b.date);
            break;
        case BackupInfo::Kind::BeforeRestore:
            drop = ++beforeRestoreSeen > KeptBeforeRestore;
            break;
        case BackupInfo::Kind::Pinned:
            break;
        }
        if (drop && QFile::remove(b.file)) removed << b.file;
    }
    return removed;
}

QList<BackupInfo> BackupManager::pinCopies(const QDateTime &now) {
    const BackupLock::Holder held = m_lock->acquire(true);
    QList<BackupInfo> pinned;
    const QDir dir(m_backupDir);
    for (BackupInfo b : backups()) {
        if (b.kind != BackupInfo::Kind::Daily) continue;
        // A second pinning within the same second finds the name taken: the next second.
        QString target;
        for (int s = 0; s < 60; ++s) {
            target = dir.filePath(pinnedFileName(b.date, now.addSecs(s)));
            if (!QFileInfo::exists(target)) break;
        }
        if (!QFile::rename(b.file, target)) continue; // never over an existing file
        b.file = target;
        b.kind = BackupInfo::Kind::Pinned;
        pinned << b;
    }
    return pinned;
}

BackupInfo BackupManager::restore(const BackupInfo &backup, const QDateTime &now) {
    const BackupLock::Holder held = m_lock->acquire(true);
    const QString problem = quickCheck(backup.file);
    if (!problem.isEmpty())
        throw StoreError(QStringLiteral("备份 %1 已损坏: %2").arg(backup.file, problem));

    const QString kept = QDir(m_backupDir)
                             .filePath(QStringLiteral("CalendarD-%1-before-restore.db")
                                           .arg(now.toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
    const QString keptLog = kept + QStringLiteral("-wal");
    const QString log = m_databaseFile + QStringLiteral("-wal");
    bool moved = false;
    if (QFileInfo(m_databaseFile).isFile()) {
        try {
            copyInto(kept, nullptr);
        } catch (const StoreError &) {
            // A file SQLite cannot copy (damaged, or no room for a copy) is kept as it is,
            // with its log.
            if (!OwnerOnly::makeFolder(m_backupDir) || !replaceFile(m_databaseFile, kept))
                throw StoreError(
                    QStringLiteral("无法保留当前数据库 %1: %2").arg(m_databaseFile, systemError()));
            replaceFile(log, keptLog);
            moved = true;
        }
    }
    try {
        installCopyOf(backup.file);
    } catch (const StoreError &) {
        if (moved) { // the current file goes back where it was
            replaceFile(kept, m_databaseFile);
            replaceFile(keptLog, log);
        }
        throw;
    }
    // What was there before the restore stays, whatever is copied after it.
    pinCopies(now);
    rotate();
    for (const BackupInfo &b : backups())
        if (b.file == QFileInfo(kept).absoluteFilePath()) return b;
    BackupInfo info;
    info.file = kept;
    info.kind = BackupInfo::Kind::BeforeRestore;
    info.date = now.date();
    return info;
}

QString BackupManager::damagedKeepPath(const QDateTime &now) const {
    const QFileInfo db(m_databaseFile);
    const QString stamp = now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString target;
    for (int n = 1;; ++n) {
        target =
            db.absoluteDir().filePath(QStringLiteral("%1.damaged-%2%3.db")
                                          .arg(db.completeBaseName(), stamp,
                                               n == 1 ? QString() : QStringLiteral("-%1").arg(n)));
        if (!QFileInfo::exists(target)) return target;
    }
}

QString BackupManager::setAsideDamaged(const QDateTime &now) {
    const QString target = damagedKeepPath(now);
    if (!QFile::rename(m_databaseFile, target))
        throw StoreError(
            QStringLiteral("无法保留损坏的数据库 %1: %2").arg(m_databaseFile, systemError()));
    // The log belongs to the damaged file and goes with it; the index is rebuilt from the log.
    QFile::rename(m_databaseFile + QStringLiteral("-wal"), target + QStringLiteral("-wal"));
    QFile::rename(m_databaseFile + QStringLiteral("-journal"), target + QStringLiteral("-journal"));
    QFile::remove(m_databaseFile + QStringLiteral("-shm"));
    return target;
}

void BackupManager::installCopyOf(const QString &backupFile) {
    const auto fail = [&](const QString &why) {
        throw StoreError(QStringLiteral("无法从 %1 恢复数据库: %2").arg(backupFile, why));
    };
    const QString problem = quickCheck(backupFile);
    if (!problem.isEmpty()) fail(problem);
    QFile source(backupFile);
    if (!source.open(QIODevice::ReadOnly)) fail(source.errorString());
    const QByteArray content = source.readAll();
    if (content.size() != source.size()) fail(source.errorString());
    // A log left by the replaced file would be replayed into the new one.
    for (const char *suffix : kLogSuffixes) {
        const QString log = m_databaseFile + QLatin1String(suffix);
        if (QFileInfo::exists(log) && !QFile::remove(log)) fail(systemError());
    }
    QString error;
    if (!AtomicFile::write(m_databaseFile, content, &error, AtomicFile::Access::OwnerOnly))
        fail(error);
}
