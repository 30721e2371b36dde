#include "store/NoteStore.h"

#include "base/MonthGrid.h"
#include "base/OwnerOnly.h"
#include "store/TextFold.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <QUrl>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sqlite3.h>
#include <stdexcept>
#include <tuple>
#include <unistd.h>
#include <vector>

#include <sys/stat.h>

namespace {

struct TableShape {
    const char *table;
    const char *key;
    const char *keyType;
    const char *prefix; // value columns are prefix1 .. prefixN
    const char *valueType;
    int count;
};

// Column order is part of the file format: readers address value columns by position.
const TableShape MonthTable{"TailiNew", "YearMonth", "TEXT", "redt", "BLOB", 42};
const TableShape DayTable{"TailiNew_day", "daydate", "TEXT", nullptr, "BLOB", 1};
const TableShape YearTable{"YearJishi", "year", "INTEGER", "Month", "BLOB", 12};
const TableShape GeneralTextTable{"edtText", "edtYearMonth", "TEXT", "line", "TEXT", 42};
const TableShape GeneralColorTable{"edtTextColor", "edtYearMonth", "TEXT", "color", "INTEGER", 42};
const TableShape CalendarTextTable{"RiliJishi", "edtYearMonth", "TEXT", "line", "TEXT", 42};
const TableShape CalendarColorTable{"RiliColor", "edtYearMonth", "TEXT", "color", "INTEGER", 42};
const TableShape MemoTable{"Beiwanglu", "memkey", "TEXT", "line", "TEXT", 11};

const TableShape *const AllTables[] = {&MonthTable,         &DayTable,          &YearTable,
                                       &GeneralTextTable,   &GeneralColorTable, &CalendarTextTable,
                                       &CalendarColorTable, &MemoTable};

QString valueColumn(const TableShape &t, int i) {
    if (!t.prefix) return QStringLiteral("daycontent");
    return QString::fromLatin1(t.prefix) + QString::number(i + 1);
}

QString createSql(const TableShape &t) {
    QStringList cols;
    cols << QStringLiteral("%1 %2 NOT NULL PRIMARY KEY").arg(t.key, t.keyType);
    for (int i = 0; i < t.count; ++i)
        cols << valueColumn(t, i) + QLatin1Char(' ') + QString::fromLatin1(t.valueType);
    return QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(t.table, cols.join(", "));
}

QStringList columnNames(const TableShape &t) {
    QStringList cols{QString::fromLatin1(t.key)};
    for (int i = 0; i < t.count; ++i) cols << valueColumn(t, i);
    return cols;
}

// Columns by name, so a table with a column too many is still read cell by cell.
QString selectSql(const TableShape &t) {
    return QStringLiteral("SELECT %1 FROM %2 WHERE %3 = :key")
        .arg(columnNames(t).join(", "), t.table, t.key);
}

// Keyed save as one statement: the row with the key is updated, or created already filled.
// Value columns whose `keep` flag is set are not changed in an existing row.
QString upsertSql(const TableShape &t, const std::vector<bool> &keep = {}) {
    QStringList cols, params, sets;
    for (int i = 0; i < t.count; ++i) {
        const QString c = valueColumn(t, i);
        cols << c;
        params << QStringLiteral(":v%1").arg(i);
        if (i >= int(keep.size()) || !keep[size_t(i)])
            sets << QStringLiteral("%1 = excluded.%1").arg(c);
    }
    const QString onConflict = sets.isEmpty() ? QStringLiteral("DO NOTHING")
                                              : QStringLiteral("DO UPDATE SET ") + sets.join(", ");
    return QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (:key, %4) ON CONFLICT(%2) %5")
        .arg(t.table, t.key, cols.join(", "), params.join(", "), onConflict);
}

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QString textOrEmpty(const QString &s) {
    return s.isNull() ? QStringLiteral("") : s;
}
QByteArray bytesOrEmpty(const QByteArray &b) {
    return b.isNull() ? QByteArray("") : b;
}

std::atomic<int> connectionCounter{0};

// A year-month key back to its month: four-digit years are the rule, so "202411" is 2024-11.
QDate monthOfKey(const QString &key) {
    bool ok = false;
    if (key.size() >= 5) {
        for (const int monthDigits : {key.size() == 5 ? 1 : 2, 1}) {
            const int year = key.left(key.size() - monthDigits).toInt(&ok);
            if (!ok) continue;
            const int month = key.right(monthDigits).toInt(&ok);
            if (ok && month >= 1 && month <= 12 && year >= 1) return QDate(year, month, 1);
        }
    }
    return {};
}

// Files before version 3 laid out every month with QDate's proleptic Gregorian weekdays; the
// grid now follows the lunar engine's calendar, which differs up to October 1582.
bool movedToEngineGrid(const QDate &month) {
    return month.isValid() && month < QDate(1582, 11, 1);
}

// The cell of the engine's grid for the note in `cell` of the old grid: the cell of the note's
// day (exact), or where the grid does not show that day, of the nearest day it shows (a day
// dropped in October 1582 goes to the 4th or the 15th, a day before or after the 42 cells to the
// first or the last).
std::pair<int, bool> engineCellOfOldCell(const MonthGrid &grid, const QDate &oldCell0, int cell) {
    const QDate day = oldCell0.addDays(cell);
    const int found = grid.cellOf(day);
    if (found >= 0) return {found, true};
    if (day.year() == grid.year() && day.month() == grid.month())
        return {grid.nearestCellOfDay(day.day()), false};
    const CivilDay first = grid.cellDay(0);
    const bool before = std::make_tuple(day.year(), day.month(), day.day()) <
                        std::make_tuple(first.year, first.month, first.day);
    return {before ? 0 : MonthGrid::CellCount - 1, false};
}

bool isRtf(const QByteArray &note) {
    return note.startsWith("{\\rtf");
}

// SQLite asks every so many virtual machine instructions of a statement (an index fill or a
// table rewrite runs millions); a yes ends the statement with SQLITE_INTERRUPT. A thousand
// instructions take microseconds, so a cancel is seen at once and the asking costs nothing.
constexpr int kProgressInstructions = 1000;

int stopWhenSet(void *flag) {
    return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0;
}

// Statements of `db` end at their next step once *flag is true; a null flag takes the handler
// away. The driver's handle is the SQLite library this one links (the system's), so the
// handler is set on the very connection Qt uses.
void stopWhen(const QSqlDatabase &db, const std::atomic<bool> *flag) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return;
    sqlite3 *connection = *static_cast<sqlite3 *const *>(handle.constData());
    if (connection == nullptr) return;
    if (flag)
        sqlite3_progress_handler(connection, kProgressInstructions, stopWhenSet,
                                 const_cast<std::atomic<bool> *>(flag));
    else
        sqlite3_progress_handler(connection, 0, nullptr, nullptr);
}

} // namespace

struct NoteStore::Cache {
    std::map<QString, std::unique_ptr<QSqlQuery>> queries;
    // The cells of the month last read or written here as they were stored then, with the
    // database's data_version at that moment: while no other connection has committed since,
    // they are still what is stored.
    struct Month {
        QString key;
        MonthCells cells;
        qint64 dataVersion = -1;
    };
    std::optional<Month> month;
};

// BEGIN IMMEDIATE for writes takes the write lock up front, so a write never fails half way
// for lack of a lock; the destructor rolls back whatever was not committed.
class NoteStore::Transaction {
public:
    Transaction(const NoteStore &store, bool write) : m_store(store) {
        if (!m_store.isOpen()) throw StoreError(QStringLiteral("数据库未打开"));
        if (write) m_store.checkSameFile();
        m_store.execSql(write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
    }
    ~Transaction() {
        if (!m_done) {
            QSqlQuery q(m_store.database());
            q.exec(QStringLiteral("ROLLBACK"));
        }
    }
    void commit() {
        // A cancelled upgrade commits nothing, whichever of its steps saw the cancel.
        if (m_store.isCancelled())
            throw StoreError(QStringLiteral("数据库 %1 的升级已取消").arg(m_store.m_file));
        m_store.execSql(QStringLiteral("COMMIT"));
        m_done = true;
    }

private:
    const NoteStore &m_store;
    bool m_done = false;
};

NoteStore::NoteStore()
    : m_connection(QStringLiteral("kestrova-store-%1").arg(++connectionCounter)),
      m_cache(std::make_unique<Cache>()) {}

NoteStore::~NoteStore() {
    close();
}

QSqlDatabase NoteStore::database() const {
    return QSqlDatabase::database(m_connection, false);
}

bool NoteStore::isOpen() const {
    return QSqlDatabase::contains(m_connection) && database().isOpen();
}

void NoteStore::fail(const QString &what, const QString &dbMessage) const {
    throw StoreError(what + QStringLiteral(": ") + dbMessage.trimmed());
}

void NoteStore::reset(const QString &databaseFile, OpenMode mode) {
    close();
    m_file = databaseFile;
    m_mode = mode;
    m_readOnly = false;
    m_oldMonthLayout = false;
    m_readOnlyReason.clear();
    m_shapeProblems.clear();
    m_badTables.clear();
    m_complete = true;
}

void NoteStore::open(const QString &databaseFile, OpenMode mode) {
    reset(databaseFile, mode);
    if (mode != OpenMode::CreateIfMissing && !QFileInfo(databaseFile).isFile())
        fail(QStringLiteral("无法打开数据库 %1").arg(databaseFile), QStringLiteral("文件不存在"));
    if (mode == OpenMode::ReadOnly) {
        openReadOnly();
    } else if (QFileInfo(databaseFile).isFile() &&
               ::access(QFile::encodeName(databaseFile).constData(), W_OK) != 0) {
        // Permission bits and read-only mounts: SQLite would open such a file and fail each save.
        const QString reason = systemError(errno);
        openReadOnly();
        m_readOnlyReason = reason;
    } else {
        // The notes are the user's alone; SQLite gives the log and its index the file's mode.
        if (mode == OpenMode::CreateIfMissing && !QFileInfo::exists(databaseFile))
            OwnerOnly::createFile(databaseFile);
        try {
            openConnection(databaseFile, QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
            configure();
            migrate();
            checkShapes();
            ensureTextIndex();
        } catch (const StoreError &e) {
            close();
            if (mode == OpenMode::CreateIfMissing) throw;
            // A folder that cannot be written or a full disk (the WAL index cannot be made)
            // still lets the notes be read; a damaged file fails the read-only open too and is
            // reported with the first cause.
            try {
                openReadOnly();
            } catch (const StoreError &) {
                throw e;
            }
            m_readOnlyReason = e.message();
        }
    }
    m_openIdentity = identityOf(databaseFile);
    m_plainCopyChanged = false;
    if (!m_readOnly && m_indexPending && textIndexPending()) m_indexPending();
}

void NoteStore::upgrade(const QString &databaseFile, const std::atomic<bool> *cancel) {
    reset(databaseFile, OpenMode::OpenExisting);
    if (!QFileInfo(databaseFile).isFile())
        fail(QStringLiteral("无法打开数据库 %1").arg(databaseFile), QStringLiteral("文件不存在"));
    if (::access(QFile::encodeName(databaseFile).constData(), W_OK) != 0)
        fail(QStringLiteral("无法写入数据库 %1").arg(databaseFile), systemError(errno));
    // Converting a note and telling the progress run no statement: a cancel is seen there too.
    const PlainText plainText = m_plainText;
    const IndexProgress progress = m_indexProgress;
    const auto stopIfCancelled = [this] {
        if (isCancelled()) throw StoreError(QStringLiteral("数据库 %1 的升级已取消").arg(m_file));
    };
    if (plainText)
        m_plainText = [plainText, stopIfCancelled](const QByteArray &note) {
            stopIfCancelled();
            return plainText(note);
        };
    m_indexProgress = [progress, stopIfCancelled](int done, int total) {
        stopIfCancelled();
        if (progress) progress(done, total);
    };
    m_cancel = cancel;
    const auto restore = [&] {
        if (isOpen()) stopWhen(database(), nullptr);
        m_cancel = nullptr;
        m_plainText = plainText;
        m_indexProgress = progress;
    };
    try {
        stopIfCancelled();
        openConnection(databaseFile, QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
        configure();
        migrate();
        checkShapes();
        ensureTextIndex();
        // The repair of a damaged index opens the file again (open()), which reads a file it
        // cannot write.
        if (m_readOnly)
            fail(QStringLiteral("无法写入数据库 %1").arg(databaseFile), m_readOnlyReason);
    } catch (...) {
        restore();
        close();
        throw;
    }
    restore();
    m_openIdentity = identityOf(databaseFile);
}

bool NoteStore::needsUpgrade() const {
    return isOpen() && (userVersion() < SchemaVersion || !hasTextIndex());
}

bool NoteStore::needsUpgrade(const QString &databaseFile) {
    try {
        NoteStore probe;
        probe.open(databaseFile, OpenMode::ReadOnly);
        return probe.needsUpgrade();
    } catch (const StoreError &) {
        return false;
    }
}

std::optional<NoteStore::FileIdentity> NoteStore::identityOf(const QString &file) {
    struct stat st {};
    if (::stat(QFile::encodeName(file).constData(), &st) != 0) return std::nullopt;
    return FileIdentity{static_cast<quint64>(st.st_dev), static_cast<quint64>(st.st_ino)};
}

void NoteStore::openConnection(const QString &name, const QString &options) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(name);
    db.setConnectOptions(options);
    if (!db.open()) {
        const QString msg = db.lastError().text();
        db = QSqlDatabase();
        close();
        fail(QStringLiteral("无法打开数据库 %1").arg(m_file), msg);
    }
    if (m_cancel) stopWhen(db, m_cancel);
}

// Read-only, sharing the WAL index with other programs when it can be used ("mode=ro"), else
// as an unchanging file ("immutable": no WAL index, no lock files), which a read-only folder
// or a full disk still allows.
void NoteStore::openReadOnly() {
    const QString uri = QUrl::fromLocalFile(m_file).toString(QUrl::FullyEncoded);
    const QString options =
        QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=3000");
    QString firstError;
    for (const QString &query : {QStringLiteral("?mode=ro"), QStringLiteral("?immutable=1")}) {
        try {
            openConnection(uri + query, options);
            m_readOnly = true;
            m_complete = true;
            const int version = userVersion();
            checkVersion(version);
            m_oldMonthLayout = version < 3;
            checkShapes();
            ensureTextIndex();
            return;
        } catch (const StoreError &e) {
            close();
            m_readOnly = false;
            if (firstError.isEmpty()) firstError = e.message();
        }
    }
    throw StoreError(firstError);
}

void NoteStore::checkVersion(int version) const {
    if (version > SchemaVersion)
        fail(QStringLiteral("无法打开数据库 %1").arg(m_file),
             QStringLiteral("数据库版本 %1 高于本程序支持的版本 %2")
                 .arg(version)
                 .arg(SchemaVersion));
}

// Every table must have the columns of this version, by name and in order: cells are stored by
// position, so a table of another shape would put notes under the wrong day. Such a table is
// read by column name and never written. A missing table is made again when the file can be
// written.
void NoteStore::checkShapes() {
    std::vector<const TableShape *> missing;
    for (const TableShape *t : AllTables) {
        QSqlQuery q(database());
        if (!q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(t->table)))
            fail(QStringLiteral("无法读取数据库 %1").arg(m_file), q.lastError().text());
        QStringList found;
        while (q.next()) found << q.value(1).toString().toLower();
        if (found.isEmpty()) {
            m_complete = false;
            missing.push_back(t);
            continue;
        }
        QStringList expected = columnNames(*t);
        for (QString &c : expected) c = c.toLower();
        if (found != expected) {
            m_badTables.insert(QString::fromLatin1(t->table));
            m_shapeProblems << QStringLiteral("数据库 %1 中的表 %2 的列与本程序不符（应为 %3 …），"
                                              "该表不会被写入。")
                                   .arg(m_file, QString::fromLatin1(t->table),
                                        expected.mid(0, 3).join(", "));
        }
    }
    if (missing.empty() || m_readOnly) return;
    Transaction tx(*this, true);
    for (const TableShape *t : missing) execSql(createSql(*t));
    tx.commit();
    m_complete = true;
}

void NoteStore::checkWritable(const char *table) const {
    if (m_readOnly)
        throw StoreError(QStringLiteral("数据库 %1 以只读方式打开，不能保存").arg(m_file));
    if (m_badTables.count(QString::fromLatin1(table)))
        throw StoreError(QStringLiteral("数据库 %1 中的表 %2 的列与本程序不符，不能写入")
                             .arg(m_file, QString::fromLatin1(table)));
}

bool NoteStore::isFileReplaced() const {
    return isOpen() && m_openIdentity && !(identityOf(m_file) == m_openIdentity);
}

// A file moved away or put in place of the open one (a sync tool writing a new copy) would take
// the write into the old, unlinked file, where no one finds it again.
void NoteStore::checkSameFile() const {
    if (isFileReplaced())
        throw StoreError(
            QStringLiteral("数据库文件 %1 已被另一个程序替换或移走，笔记没有写入。").arg(m_file));
}

void NoteStore::reconnect() {
    const QString file = m_file;
    if (file.isEmpty()) throw StoreError(QStringLiteral("数据库尚未打开"));
    // A reopen costs a WAL checkpoint and every prepared statement: only a file that failed to
    // open, or one another program put in the place of the open one, needs it.
    if (isOpen()) {
        if (m_openIdentity && identityOf(file) == m_openIdentity) return;
        // SQLite neither checkpoints nor removes the log of a file that was moved away, and the
        // next file under the name would read that log as its own: empty it into the old file.
        QSqlQuery q(database());
        q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    open(file, m_mode);
}

void NoteStore::close() {
    m_openIdentity.reset();
    m_textIndex = false;
    m_pendingTable = false;
    m_cache->queries.clear();
    m_cache->month.reset();
    if (QSqlDatabase::contains(m_connection)) {
        {
            QSqlDatabase db = database();
            db.close();
        }
        QSqlDatabase::removeDatabase(m_connection);
    }
}

// WAL with synchronous=FULL: a commit returns only after the log is on disk, so a committed
// save survives a power cut, and a torn write only ever affects an uncommitted tail of the log,
// which recovery ignores; the database file itself is rewritten only by checkpoints.
void NoteStore::configure() {
    // Reading the header first turns "not a database" into an error here, not on the first save.
    userVersion();
    QSqlQuery q(database());
    q.exec(QStringLiteral("PRAGMA journal_mode = WAL")); // best effort: e.g. read-only media
    execSql(QStringLiteral("PRAGMA synchronous = FULL"));
    // A search of one or two characters reads every plain copy: decades of notes stay cached.
    execSql(QStringLiteral("PRAGMA cache_size = -16384"));
}

void NoteStore::migrate() {
    const int version = userVersion();
    checkVersion(version);
    if (version == SchemaVersion) return;
    Transaction tx(*this, true);
    // Version 0 -> 1: all tables. Later versions add their steps after this one.
    if (version < 1) {
        for (const TableShape *t : AllTables) execSql(createSql(*t));
    }
    // 1 -> 2: the search index, filled from every note.
    if (version < 2) {
        m_textIndex = false;
        fillTextIndex();
    }
    // 2 -> 3: months up to October 1582 are laid out in the engine's calendar; their notes move
    // to the cells of the days they were written for.
    if (version < 3) moveOldMonthCells();
    // 3 -> 4: the full-text index takes changed notes after the save: the triggers only note
    // them (the index of version 3 holds every row, nothing is pending).
    if (version < 4 && hasTable(QStringLiteral("NoteText"))) installPendingTriggers();
    execSql(QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion));
    tx.commit();
}

int NoteStore::userVersion() const {
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        fail(QStringLiteral("无法读取数据库 %1").arg(m_file), q.lastError().text());
    return q.value(0).toInt();
}

QString NoteStore::journalMode() const {
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("PRAGMA journal_mode")) || !q.next())
        fail(QStringLiteral("无法读取数据库 %1").arg(m_file), q.lastError().text());
    return q.value(0).toString().toLower();
}

void NoteStore::execSql(const QString &sql) const {
    QSqlQuery q(database());
    if (!q.exec(sql)) fail(QStringLiteral("数据库操作失败"), q.lastError().text());
}

QSqlQuery &NoteStore::prepared(const QString &sql) const {
    if (!isOpen()) throw StoreError(QStringLiteral("数据库未打开"));
    auto it = m_cache->queries.find(sql);
    if (it == m_cache->queries.end()) {
        auto q = std::make_unique<QSqlQuery>(database());
        if (!q->prepare(sql)) fail(QStringLiteral("数据库操作失败"), q->lastError().text());
        it = m_cache->queries.emplace(sql, std::move(q)).first;
    }
    return *it->second;
}

void NoteStore::exec(QSqlQuery &query) const {
    if (!query.exec()) {
        const QString msg = query.lastError().text();
        query.finish();
        fail(QStringLiteral("数据库操作失败"), msg);
    }
}

// ---- keys ----

QString NoteStore::yearMonthKey(int year, int month) {
    const QString y = (year >= 1 && year <= 999)
                          ? QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'))
                          : QString::number(year);
    return y + QString::number(month);
}

QString NoteStore::yearMonthKey(const QDate &date) {
    return yearMonthKey(date.year(), date.month());
}

QString NoteStore::dayKey(const QDate &date) {
    return dayKey(date.year(), date.month(), date.day());
}

QString NoteStore::dayKey(int year, int month, int day) {
    return QStringLiteral("%1-%2-%3").arg(year).arg(month).arg(day);
}

// ---- generic keyed rows ----

namespace {

template <typename Array, typename Convert>
void readRow(QSqlQuery &q, Array &out, Convert convert) {
    if (q.next()) {
        for (int i = 0; i < int(out.size()); ++i) out[i] = convert(q.value(i + 1));
    }
    q.finish();
}

// Binds the key and the values :v0.. of an upsertSql() statement.
template <typename Array, typename Convert>
void bindRow(QSqlQuery &q, const QVariant &key, const Array &values, Convert convert) {
    q.bindValue(QStringLiteral(":key"), key);
    for (int i = 0; i < int(values.size()); ++i)
        q.bindValue(QStringLiteral(":v%1").arg(i), convert(values[i]));
}

QByteArray toBytes(const QVariant &v) {
    return v.isNull() ? QByteArray() : v.toByteArray();
}
QString toText(const QVariant &v) {
    return v.isNull() ? QString() : v.toString();
}
// A colour is 0x00BBGGRR; anything else (null, negative, wider) reads as black.
int toColor(const QVariant &v) {
    const qlonglong color = v.isNull() ? 0 : v.toLongLong();
    return color < 0 || color > 0xFFFFFF ? 0 : int(color);
}

} // namespace

MonthCells NoteStore::onEngineGrid(const QString &yearMonth, const MonthCells &cells) const {
    const QDate month = monthOfKey(yearMonth);
    if (!movedToEngineGrid(month)) return cells;
    const MonthGrid grid(month);
    const QDate oldCell0 = month.addDays(-(month.dayOfWeek() % 7));
    MonthCells moved;
    // Every note of a day the grid shows goes to its day's cell; no two meet there.
    for (int k = 0; k < CellCount; ++k) {
        const auto [target, exact] = engineCellOfOldCell(grid, oldCell0, k);
        if (exact) moved[size_t(target)] = cells[size_t(k)];
    }
    // The others (days that do not exist or are not shown) are appended to the note of the
    // nearest day shown, in date order. One that cannot be joined to it is placed last, so
    // that it takes no cell another note needs.
    std::vector<std::pair<int, QByteArray>> displaced;
    for (int k = 0; k < CellCount; ++k) {
        const QByteArray &note = cells[size_t(k)];
        const auto [target, exact] = engineCellOfOldCell(grid, oldCell0, k);
        if (exact || note.isEmpty()) continue;
        QByteArray &there = moved[size_t(target)];
        if (there.isEmpty())
            there = note;
        else if (m_noteJoin)
            there = m_noteJoin(there, note);
        else if (!isRtf(there) && !isRtf(note))
            there += "\r\n" + note;
        else
            displaced.emplace_back(target, note);
    }
    for (const auto &[target, note] : displaced) {
        // The nearest empty cell, the earlier one first; 42 notes on at most 41 cells leave one.
        for (int distance = 1; distance < CellCount; ++distance) {
            const int earlier = target - distance;
            const int later = target + distance;
            if (earlier >= 0 && moved[size_t(earlier)].isEmpty()) {
                moved[size_t(earlier)] = note;
                break;
            }
            if (later < CellCount && moved[size_t(later)].isEmpty()) {
                moved[size_t(later)] = note;
                break;
            }
        }
    }
    return moved;
}

// Runs inside the upgrade's transaction. Rows are read by column name, as the index fill reads
// them; a table that cannot be read so is left as it is.
void NoteStore::moveOldMonthCells() {
    std::vector<std::pair<QString, MonthCells>> changed;
    {
        QSqlQuery q(database());
        q.setForwardOnly(true);
        if (!q.exec(QStringLiteral("SELECT %1 FROM %2")
                        .arg(columnNames(MonthTable).join(", "), MonthTable.table)))
            return;
        while (q.next()) {
            const QString key = q.value(0).toString();
            if (!movedToEngineGrid(monthOfKey(key))) continue;
            MonthCells cells;
            for (int i = 0; i < CellCount; ++i) cells[size_t(i)] = toBytes(q.value(i + 1));
            MonthCells moved = onEngineGrid(key, cells);
            bool same = true;
            for (int i = 0; same && i < CellCount; ++i)
                same = moved[size_t(i)].isEmpty() ? cells[size_t(i)].isEmpty()
                                                  : moved[size_t(i)] == cells[size_t(i)];
            if (!same) changed.emplace_back(key, std::move(moved));
        }
    }
    if (changed.empty()) return;
    for (const auto &[key, cells] : changed) {
        QSqlQuery &q = prepared(upsertSql(MonthTable));
        bindRow(q, key, cells, bytesOrEmpty);
        exec(q);
    }
    if (!m_textIndex && !hasTextIndexTables()) return;
    // The plain copies of the search index follow their notes. A damaged index must not stop
    // the upgrade: it is marked stale instead, and the open makes it again.
    const bool wasIndexed = m_textIndex;
    m_textIndex = true;
    execSql(QStringLiteral("SAVEPOINT moved_cells_index"));
    try {
        for (const auto &[key, cells] : changed) indexMonth(key, cells);
    } catch (const StoreError &) {
        execSql(QStringLiteral("ROLLBACK TO moved_cells_index"));
        execSql(QStringLiteral("INSERT OR IGNORE INTO NoteTextState (name) VALUES ('stale')"));
    }
    execSql(QStringLiteral("RELEASE moved_cells_index"));
    m_textIndex = wasIndexed;
}

bool NoteStore::hasTextIndexTables() const {
    QSqlQuery q(database());
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name IN "
                               "('NoteText', 'NoteTextIndex', 'NoteTextState')")) ||
        !q.next())
        fail(QStringLiteral("无法读取数据库 %1").arg(m_file), q.lastError().text());
    return q.value(0).toInt() == 3;
}

bool NoteStore::hasTable(const QString &name) const {
    QSqlQuery q(database());
    q.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"));
    q.addBindValue(name);
    if (!q.exec()) fail(QStringLiteral("无法读取数据库 %1").arg(m_file), q.lastError().text());
    return q.next();
}

MonthCells NoteStore::readMonth(const QString &yearMonth) const {
    // Taken before the row is read: a commit by another connection in between only makes the
    // remembered cells count as out of date.
    const qint64 version = indexVersion();
    QSqlQuery &q = prepared(selectSql(MonthTable));
    q.bindValue(QStringLiteral(":key"), yearMonth);
    exec(q);
    MonthCells cells;
    readRow(q, cells, toBytes);
    if (version >= 0) m_cache->month = Cache::Month{yearMonth, cells, version};
    // A read-only file of an older version shows its notes where the upgrade will put them.
    return m_oldMonthLayout ? onEngineGrid(yearMonth, cells) : cells;
}

void NoteStore::writeMonth(const QString &yearMonth, const MonthCells &cells) {
    checkWritable(MonthTable.table);
    Transaction tx(*this, true);
    const qint64 version = indexVersion();
    const std::array<bool, 42> same = unchangedCells(yearMonth, cells, version);
    QSqlQuery &q = prepared(upsertSql(MonthTable));
    bindRow(q, yearMonth, cells, bytesOrEmpty);
    exec(q);
    indexMonth(yearMonth, cells, same);
    tx.commit();
    rememberWrittenMonth(yearMonth, cells, {}, version);
    tellIndexPending();
}

QByteArray NoteStore::readDayPlan(const QString &dayKey) const {
    QSqlQuery &q = prepared(selectSql(DayTable));
    q.bindValue(QStringLiteral(":key"), dayKey);
    exec(q);
    std::array<QByteArray, 1> plan;
    readRow(q, plan, toBytes);
    return plan[0];
}

void NoteStore::writeDayPlan(const QString &dayKey, const QByteArray &rtf) {
    checkWritable(DayTable.table);
    Transaction tx(*this, true);
    QSqlQuery &q = prepared(upsertSql(DayTable));
    bindRow(q, dayKey, std::array<QByteArray, 1>{rtf}, bytesOrEmpty);
    exec(q);
    indexNote(placeOf(NotePlace::Kind::DayPlan, dayKey, 0), rtf);
    tx.commit();
    tellIndexPending();
}

MonthPage NoteStore::readMonthPage(const QString &yearMonth, const QString &dayKey) const {
    Transaction tx(*this, false);
    MonthPage page;
    page.cells = readMonth(yearMonth);
    page.dayPlan = readDayPlan(dayKey);
    tx.commit();
    return page;
}

void NoteStore::writeMonthPage(const QString &yearMonth, const MonthPage &page,
                               const QString &dayKey) {
    checkWritable(MonthTable.table);
    if (!page.keepDayPlan) checkWritable(DayTable.table);
    Transaction tx(*this, true);
    const qint64 version = indexVersion();
    std::array<bool, 42> same = unchangedCells(yearMonth, page.cells, version);
    for (int i = 0; i < CellCount; ++i) same[size_t(i)] = same[size_t(i)] || page.keep[size_t(i)];
    QSqlQuery &q =
        prepared(upsertSql(MonthTable, std::vector<bool>(page.keep.begin(), page.keep.end())));
    bindRow(q, yearMonth, page.cells, bytesOrEmpty);
    exec(q);
    indexMonth(yearMonth, page.cells, same);
    if (!page.keepDayPlan) {
        QSqlQuery &d = prepared(upsertSql(DayTable));
        bindRow(d, dayKey, std::array<QByteArray, 1>{page.dayPlan}, bytesOrEmpty);
        exec(d);
        indexNote(placeOf(NotePlace::Kind::DayPlan, dayKey, 0), page.dayPlan);
    }
    tx.commit();
    rememberWrittenMonth(yearMonth, page.cells, page.keep, version);
    tellIndexPending();
}

YearNotes NoteStore::readYearNotes(int year) const {
    QSqlQuery &q = prepared(selectSql(YearTable));
    q.bindValue(QStringLiteral(":key"), year);
    exec(q);
    YearNotes notes;
    readRow(q, notes, toBytes);
    return notes;
}

void NoteStore::writeYearNotes(int year, const YearNotes &notes, const std::array<bool, 12> &keep) {
    checkWritable(YearTable.table);
    Transaction tx(*this, true);
    QSqlQuery &q = prepared(upsertSql(YearTable, std::vector<bool>(keep.begin(), keep.end())));
    bindRow(q, year, notes, bytesOrEmpty);
    exec(q);
    for (int i = 0; i < MonthCount; ++i)
        if (!keep[size_t(i)])
            indexNote(placeOf(NotePlace::Kind::YearNote, QString::number(year), i),
                      notes[size_t(i)]);
    tx.commit();
    tellIndexPending();
}

SheetNotes NoteStore::readSheet(Sheet sheet, const QString &key) const {
    const TableShape &texts = sheet == Sheet::General ? GeneralTextTable : CalendarTextTable;
    const TableShape &colors = sheet == Sheet::General ? GeneralColorTable : CalendarColorTable;
    Transaction tx(*this, false);
    SheetNotes notes;
    QSqlQuery &t = prepared(selectSql(texts));
    t.bindValue(QStringLiteral(":key"), key);
    exec(t);
    readRow(t, notes.texts, toText);
    QSqlQuery &c = prepared(selectSql(colors));
    c.bindValue(QStringLiteral(":key"), key);
    exec(c);
    readRow(c, notes.colors, toColor);
    tx.commit();
    return notes;
}

void NoteStore::writeSheet(Sheet sheet, const QString &key, const SheetNotes &notes) {
    const TableShape &texts = sheet == Sheet::General ? GeneralTextTable : CalendarTextTable;
    const TableShape &colors = sheet == Sheet::General ? GeneralColorTable : CalendarColorTable;
    checkWritable(texts.table);
    checkWritable(colors.table);
    Transaction tx(*this, true);
    QSqlQuery &t = prepared(upsertSql(texts));
    bindRow(t, key, notes.texts, textOrEmpty);
    exec(t);
    const NotePlace::Kind kind =
        sheet == Sheet::General ? NotePlace::Kind::GeneralLine : NotePlace::Kind::CalendarLine;
    for (int i = 0; i < SheetLineCount; ++i)
        indexText(placeOf(kind, key, i), notes.texts[size_t(i)]);
    QSqlQuery &c = prepared(upsertSql(colors));
    bindRow(c, key, notes.colors, [](int color) { return color; });
    exec(c);
    tx.commit();
    tellIndexPending();
}

MemoLines NoteStore::readMemoLines() const {
    QSqlQuery &q = prepared(selectSql(MemoTable));
    q.bindValue(QStringLiteral(":key"), MemoKey);
    exec(q);
    MemoLines lines;
    readRow(q, lines, toText);
    for (QString &l : lines) l = textOrEmpty(l);
    return lines;
}

bool NoteStore::writeMemoLine(int line, const QString &text) {
    if (line < 1 || line > MemoLineCount) throw std::out_of_range("memo line number out of range");
    const QString column = valueColumn(MemoTable, line - 1);
    checkWritable(MemoTable.table);
    Transaction tx(*this, true);
    QSqlQuery &s =
        prepared(QStringLiteral("SELECT %1 FROM Beiwanglu WHERE memkey = :key").arg(column));
    s.bindValue(QStringLiteral(":key"), MemoKey);
    exec(s);
    const QString stored = s.next() ? toText(s.value(0)) : QString();
    s.finish();
    if (textOrEmpty(stored) == textOrEmpty(text)) {
        tx.commit();
        return false;
    }
    QSqlQuery &u =
        prepared(QStringLiteral("INSERT INTO Beiwanglu (memkey, %1) VALUES (:key, :text) "
                                "ON CONFLICT(memkey) DO UPDATE SET %1 = excluded.%1")
                     .arg(column));
    u.bindValue(QStringLiteral(":key"), MemoKey);
    u.bindValue(QStringLiteral(":text"), textOrEmpty(text));
    exec(u);
    indexText(placeOf(NotePlace::Kind::MemoLine, MemoKey, line - 1), text);
    tx.commit();
    tellIndexPending();
    return true;
}

// ---- search index ----

namespace {

const char *const TextIndexSql[] = {
    "CREATE TABLE NoteText (kind INTEGER NOT NULL, key TEXT NOT NULL, slot INTEGER NOT NULL, "
    "sortkey INTEGER NOT NULL, text TEXT NOT NULL, folded TEXT, "
    "aligned INTEGER NOT NULL, PRIMARY KEY (kind, key, slot))",
    "CREATE INDEX NoteTextOrder ON NoteText (sortkey)",
    "CREATE VIRTUAL TABLE NoteTextIndex USING fts5(folded, content='', tokenize='trigram')",
    "CREATE TABLE NoteTextState (name TEXT NOT NULL PRIMARY KEY)",
};

// The contentless index can only drop a row's terms given the exact text it took, so a changed
// or removed row is noted with that text. The first note of a row wins: the index still holds
// what it took before all later changes. A row added under the rowid of a removed one that is
// still pending keeps the removed text, which the index must drop. (An upsert, not INSERT OR
// IGNORE: the conflict policy of the statement that fires a trigger overrides its OR clause.)
const char *const PendingTriggerSql[] = {
    "CREATE TRIGGER NoteTextAdded AFTER INSERT ON NoteText BEGIN "
    "INSERT INTO NoteTextPending (rowid, indexed) VALUES (new.rowid, NULL) "
    "ON CONFLICT DO NOTHING; END",
    "CREATE TRIGGER NoteTextRemoved AFTER DELETE ON NoteText BEGIN "
    "INSERT INTO NoteTextPending (rowid, indexed) VALUES (old.rowid, ifnull(old.folded, old.text)) "
    "ON CONFLICT DO NOTHING; END",
    "CREATE TRIGGER NoteTextChanged AFTER UPDATE ON NoteText BEGIN "
    "INSERT INTO NoteTextPending (rowid, indexed) VALUES (old.rowid, ifnull(old.folded, old.text)) "
    "ON CONFLICT DO NOTHING; "
    "INSERT INTO NoteTextPending (rowid, indexed) VALUES (new.rowid, NULL) "
    "ON CONFLICT DO NOTHING; END",
};

const char *const PendingTriggerNames[] = {"NoteTextAdded", "NoteTextRemoved", "NoteTextChanged"};

const char *const TextIndexDrops[] = {
    "DROP TABLE IF EXISTS NoteTextIndex",        "DROP TABLE IF EXISTS NoteTextIndex_data",
    "DROP TABLE IF EXISTS NoteTextIndex_idx",    "DROP TABLE IF EXISTS NoteTextIndex_docsize",
    "DROP TABLE IF EXISTS NoteTextIndex_config", "DROP TABLE IF EXISTS NoteText",
    "DROP TABLE IF EXISTS NoteTextState",        "DROP TABLE IF EXISTS NoteTextPending",
};

} // namespace

NotePlace NoteStore::placeOf(NotePlace::Kind kind, const QString &key, int slot) {
    NotePlace place{kind, key, slot, {}};
    switch (kind) {
    case NotePlace::Kind::MonthCell: {
        const QDate first = monthOfKey(key);
        // The cell's day on the month page's grid.
        if (first.isValid()) place.date = MonthGrid(first).cellDate(slot);
        break;
    }
    case NotePlace::Kind::DayPlan: {
        const QStringList parts = key.split(QLatin1Char('-'));
        if (parts.size() == 3)
            place.date = QDate(parts[0].toInt(), parts[1].toInt(), parts[2].toInt());
        break;
    }
    case NotePlace::Kind::YearNote:
        place.date = QDate(key.toInt(), slot + 1, 1);
        break;
    case NotePlace::Kind::GeneralLine:
        place.date = monthOfKey(key);
        break;
    default:
        break;
    }
    return place;
}

bool NoteStore::hasTextIndex() const {
    if (!m_textIndex) return false;
    QSqlQuery q(database());
    return q.exec(QStringLiteral("SELECT 1 FROM NoteTextState")) && !q.next();
}

void NoteStore::indexText(const NotePlace &place, const QString &text) {
    if (!m_textIndex) return;
    if (text.isEmpty()) {
        QSqlQuery &d = prepared(QStringLiteral(
            "DELETE FROM NoteText WHERE kind = :kind AND key = :key AND slot = :slot"));
        d.bindValue(QStringLiteral(":kind"), int(place.kind));
        d.bindValue(QStringLiteral(":key"), place.key);
        d.bindValue(QStringLiteral(":slot"), place.slot);
        exec(d);
        if (d.numRowsAffected() > 0) m_plainCopyChanged = true;
        return;
    }
    std::vector<int> map;
    const QString folded = textfold::fold(text, &map);
    bool aligned = folded.size() == text.size();
    for (size_t i = 0; aligned && i < map.size(); ++i) aligned = map[i] == int(i);
    // Chinese text folds to itself: the row then keeps one copy (a NULL folded column).
    const QVariant foldedValue =
        folded == text ? QVariant(QMetaType(QMetaType::QString)) : QVariant(folded);
    // An unchanged note leaves its row, and the full-text index, alone.
    QSqlQuery &u = prepared(
        QStringLiteral("INSERT INTO NoteText (kind, key, slot, sortkey, text, folded, aligned) "
                       "VALUES (:kind, :key, :slot, :sortkey, :text, :folded, :aligned) "
                       "ON CONFLICT (kind, key, slot) DO UPDATE SET sortkey = excluded.sortkey, "
                       "text = excluded.text, folded = excluded.folded, aligned = excluded.aligned "
                       "WHERE NoteText.text IS NOT excluded.text"));
    u.bindValue(QStringLiteral(":kind"), int(place.kind));
    u.bindValue(QStringLiteral(":key"), place.key);
    u.bindValue(QStringLiteral(":slot"), place.slot);
    u.bindValue(QStringLiteral(":sortkey"), place.sortKey());
    u.bindValue(QStringLiteral(":text"), text);
    u.bindValue(QStringLiteral(":folded"), foldedValue);
    u.bindValue(QStringLiteral(":aligned"), aligned ? 1 : 0);
    exec(u);
    if (u.numRowsAffected() > 0) m_plainCopyChanged = true;
}

void NoteStore::indexNote(const NotePlace &place, const QByteArray &note) {
    if (!m_textIndex) return;
    if (note.isEmpty()) {
        indexText(place, QString());
    } else if (m_plainText) {
        indexText(place, m_plainText(note));
    } else {
        execSql(QStringLiteral("INSERT OR IGNORE INTO NoteTextState (name) VALUES ('stale')"));
    }
}

qint64 NoteStore::indexVersion() const {
    if (m_readOnly || m_oldMonthLayout || !m_textIndex || !m_plainText) return -1;
    QSqlQuery &q = prepared(QStringLiteral("PRAGMA data_version"));
    exec(q);
    const qint64 version = q.next() ? q.value(0).toLongLong() : -1;
    q.finish();
    return version;
}

// The cells of a month about to be written that hold the very note stored now: they keep their
// plain copies, and their text is not made again. Compared with the cells this connection
// last read or wrote when no other has committed since, else in the database, so that no
// stored note is copied out; a cell that cannot be compared counts as changed.
std::array<bool, 42> NoteStore::unchangedCells(const QString &yearMonth, const MonthCells &cells,
                                               qint64 version) const {
    std::array<bool, 42> same{};
    if (version < 0) return same;
    const std::optional<Cache::Month> &month = m_cache->month;
    if (month && month->key == yearMonth && month->dataVersion == version) {
        for (int i = 0; i < CellCount; ++i) {
            const QByteArray &stored = month->cells[size_t(i)];
            same[size_t(i)] =
                cells[size_t(i)].isEmpty() ? stored.isEmpty() : cells[size_t(i)] == stored;
        }
        return same;
    }
    QStringList columns;
    for (int i = 0; i < CellCount; ++i)
        columns << QStringLiteral("%1 IS ?").arg(valueColumn(MonthTable, i));
    QSqlQuery &q = prepared(QStringLiteral("SELECT %1 FROM TailiNew WHERE YearMonth = ?")
                                .arg(columns.join(QStringLiteral(", "))));
    for (int i = 0; i < CellCount; ++i) q.bindValue(i, bytesOrEmpty(cells[size_t(i)]));
    q.bindValue(CellCount, yearMonth);
    exec(q);
    if (q.next())
        for (int i = 0; i < CellCount; ++i) same[size_t(i)] = q.value(i).toInt() == 1;
    q.finish();
    return same;
}

// After a committed write of a month; `version` is the data_version the write saw.
void NoteStore::rememberWrittenMonth(const QString &yearMonth, const MonthCells &cells,
                                     const std::array<bool, 42> &keep, qint64 version) {
    std::optional<Cache::Month> &month = m_cache->month;
    const bool known = month && month->key == yearMonth && month->dataVersion == version;
    Cache::Month written{yearMonth, {}, version};
    for (int i = 0; i < CellCount && version >= 0; ++i) {
        if (!keep[size_t(i)])
            written.cells[size_t(i)] = bytesOrEmpty(cells[size_t(i)]);
        else if (known)
            written.cells[size_t(i)] = month->cells[size_t(i)];
        else
            version = -1; // a kept cell of unknown value
    }
    if (version >= 0)
        month = std::move(written);
    else
        month.reset();
}

void NoteStore::indexMonth(const QString &yearMonth, const MonthCells &cells,
                           const std::array<bool, 42> &keep) {
    if (!m_textIndex) return;
    const QDate first = monthOfKey(yearMonth);
    const std::optional<MonthGrid> grid =
        first.isValid() ? std::optional<MonthGrid>(MonthGrid(first)) : std::nullopt;
    for (int i = 0; i < CellCount; ++i) {
        if (keep[size_t(i)]) continue;
        const QDate day = grid ? grid->cellDate(i) : QDate();
        indexNote(NotePlace{NotePlace::Kind::MonthCell, yearMonth, i, day}, cells[size_t(i)]);
    }
}

// Runs inside the caller's transaction: the index tables made anew and every note indexed. The
// plain copies are written first and the full-text index filled from them in one go; the
// triggers that note later changes come last.
void NoteStore::fillTextIndex() {
    m_textIndex = false;
    m_pendingTable = false;
    for (const char *sql : TextIndexDrops) execSql(QString::fromLatin1(sql));
    for (const char *sql : TextIndexSql) execSql(QString::fromLatin1(sql));
    m_textIndex = true;

    struct Source {
        const TableShape &table;
        NotePlace::Kind kind;
        bool rich;
    };
    const Source sources[] = {
        {MonthTable, NotePlace::Kind::MonthCell, true},
        {DayTable, NotePlace::Kind::DayPlan, true},
        {YearTable, NotePlace::Kind::YearNote, true},
        {GeneralTextTable, NotePlace::Kind::GeneralLine, false},
        {CalendarTextTable, NotePlace::Kind::CalendarLine, false},
        {MemoTable, NotePlace::Kind::MemoLine, false},
    };
    int total = 0;
    for (const Source &source : sources) {
        QSqlQuery q(database());
        if (q.exec(QStringLiteral("SELECT count(*) FROM %1").arg(source.table.table)) && q.next())
            total += q.value(0).toInt() * source.table.count;
    }
    int done = 0;
    int told = 0;
    for (const Source &source : sources) {
        QSqlQuery q(database());
        q.setForwardOnly(true);
        // A table of another shape (or none) is left out rather than failing the whole index.
        if (!q.exec(QStringLiteral("SELECT %1 FROM %2")
                        .arg(columnNames(source.table).join(", "), source.table.table)))
            continue;
        while (q.next()) {
            const QString key = q.value(0).toString();
            for (int i = 0; i < source.table.count; ++i) {
                const NotePlace place = placeOf(source.kind, key, i);
                const QVariant value = q.value(i + 1);
                if (!value.isNull()) {
                    if (source.rich)
                        indexNote(place, value.toByteArray());
                    else
                        indexText(place, value.toString());
                }
                ++done;
            }
            if (m_indexProgress && done - told >= 500) {
                told = done;
                m_indexProgress(done, total);
            }
        }
    }
    execSql(QStringLiteral("INSERT INTO NoteTextIndex (rowid, folded) "
                           "SELECT rowid, ifnull(folded, text) FROM NoteText"));
    installPendingTriggers();
    m_plainCopyChanged = false;
    if (m_indexProgress) m_indexProgress(total, total);
}

void NoteStore::installPendingTriggers() {
    execSql(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS NoteTextPending (rowid INTEGER PRIMARY KEY, indexed TEXT)"));
    for (const char *name : PendingTriggerNames)
        execSql(QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(QLatin1String(name)));
    for (const char *sql : PendingTriggerSql) execSql(QString::fromLatin1(sql));
    m_pendingTable = true;
}

void NoteStore::ensureTextIndex() {
    m_textIndex = hasTextIndexTables();
    // A read-only file of version 3 has no pending rows: its triggers kept the index itself.
    m_pendingTable = m_textIndex && hasTable(QStringLiteral("NoteTextPending"));
    if (m_readOnly || (m_pendingTable && (hasTextIndex() || !m_plainText))) return;
    rebuildTextIndex();
}

void NoteStore::rebuildTextIndex() {
    if (m_readOnly)
        throw StoreError(QStringLiteral("数据库 %1 以只读方式打开，不能建立搜索索引").arg(m_file));
    // Prepared statements may refer to the tables dropped here.
    m_cache->queries.clear();
    try {
        Transaction tx(*this, true);
        fillTextIndex();
        tx.commit();
    } catch (const StoreError &) {
        // A cancelled upgrade leaves even a damaged index as it is.
        if (m_repairingIndex || isCancelled()) throw;
        // A full-text table too damaged to be opened cannot be dropped either: its schema entry
        // is removed (the notes' tables are not touched), and the file opened again so that the
        // schema is read anew; the open makes the index again.
        m_repairingIndex = true;
        try {
            {
                Transaction tx(*this, true);
                execSql(QStringLiteral("PRAGMA writable_schema = ON"));
                execSql(QStringLiteral("DELETE FROM sqlite_master WHERE name = 'NoteTextIndex'"));
                execSql(QStringLiteral("PRAGMA writable_schema = OFF"));
                tx.commit();
            }
            open(m_file, m_mode);
        } catch (...) {
            m_repairingIndex = false;
            throw;
        }
        m_repairingIndex = false;
    }
}

bool NoteStore::textIndexPending() const {
    if (!isOpen() || !m_pendingTable) return false;
    QSqlQuery &q = prepared(QStringLiteral("SELECT 1 FROM NoteTextPending LIMIT 1"));
    exec(q);
    const bool pending = q.next();
    q.finish();
    return pending;
}

bool NoteStore::updateTextIndex(int maxRows) {
    // A file put in the place of the open one is left to the next open.
    if (!isOpen() || m_readOnly || !m_pendingTable || isFileReplaced()) return false;
    try {
        Transaction tx(*this, true);
        // The batch is the pending rows up to the rowid of its last one (all when fewer remain).
        QSqlQuery &last = prepared(
            QStringLiteral("SELECT ifnull((SELECT rowid FROM NoteTextPending ORDER BY rowid "
                           "LIMIT 1 OFFSET :skip), 9223372036854775807)"));
        last.bindValue(QStringLiteral(":skip"), std::max(1, maxRows) - 1);
        exec(last);
        last.next();
        const qint64 upTo = last.value(0).toLongLong();
        last.finish();
        const QString statements[] = {
            QStringLiteral("INSERT INTO NoteTextIndex (NoteTextIndex, rowid, folded) "
                           "SELECT 'delete', rowid, indexed FROM NoteTextPending "
                           "WHERE rowid <= :upTo AND indexed IS NOT NULL"),
            QStringLiteral("INSERT INTO NoteTextIndex (rowid, folded) "
                           "SELECT n.rowid, ifnull(n.folded, n.text) FROM NoteTextPending p "
                           "JOIN NoteText n ON n.rowid = p.rowid WHERE p.rowid <= :upTo"),
            QStringLiteral("DELETE FROM NoteTextPending WHERE rowid <= :upTo"),
        };
        for (const QString &sql : statements) {
            QSqlQuery &q = prepared(sql);
            q.bindValue(QStringLiteral(":upTo"), upTo);
            exec(q);
        }
        const bool more = textIndexPending();
        tx.commit();
        return more;
    } catch (const StoreError &e) {
        // The notes and their plain copies are untouched by a failure here; an index that cannot
        // take the rows is made again from them by the next search or open.
        try {
            Transaction tx(*this, true);
            execSql(QStringLiteral("INSERT OR IGNORE INTO NoteTextState (name) VALUES ('stale')"));
            tx.commit();
        } catch (const StoreError &) {
            throw e;
        }
        return false;
    }
}

void NoteStore::tellIndexPending() {
    const bool changed = m_plainCopyChanged;
    m_plainCopyChanged = false;
    if (changed && m_pendingTable && m_indexPending) m_indexPending();
}

std::vector<NoteStore::FoundText> NoteStore::queryFolded(const QString &folded) const {
    // The trigram index needs three characters; shorter queries read the plain copies through.
    // instr() counts characters, which are UTF-16 units in an aligned text (no surrogates): such
    // a row brings only the part of its text around the match; the others their whole text and
    // folded text. instr() also keeps exact matches only, where the trigram index may match
    // more loosely, and drops the index's matches of a pending row's old text; the pending rows
    // are all read, as the index may not hold their text yet.
    const bool indexed = textfold::codePointCount(folded) >= 3;
    const QString sql =
        QStringLiteral("SELECT kind, key, slot, p, CASE WHEN aligned THEN max(1, p - %1) END, "
                       "CASE WHEN aligned THEN substr(text, max(1, p - %1), %2) ELSE text END, "
                       "CASE WHEN aligned THEN NULL ELSE ifnull(folded, text) END FROM "
                       "(SELECT kind, key, slot, sortkey, text, folded, aligned, "
                       "instr(ifnull(folded, text), :q) AS p FROM NoteText")
            .arg(FoundText::Context)
            .arg(2 * FoundText::Context + folded.size()) +
        (indexed
             ? QStringLiteral(" WHERE rowid IN (SELECT rowid FROM NoteTextIndex WHERE "
                              "NoteTextIndex MATCH :phrase") +
                   (m_pendingTable ? QStringLiteral(" UNION ALL SELECT rowid FROM NoteTextPending)")
                                   : QStringLiteral(")"))
             : QString()) +
        QStringLiteral(") WHERE p > 0 ORDER BY sortkey DESC");
    QSqlQuery &q = prepared(sql);
    q.setForwardOnly(true);
    q.bindValue(QStringLiteral(":q"), folded);
    if (indexed) {
        QString phrase = folded;
        phrase.replace(QLatin1Char('"'), QLatin1String("\"\""));
        q.bindValue(QStringLiteral(":phrase"), QLatin1Char('"') + phrase + QLatin1Char('"'));
    }
    if (!q.exec()) {
        const QString msg = q.lastError().text();
        q.finish();
        fail(QStringLiteral("搜索失败"), msg);
    }
    std::vector<FoundText> found;
    while (q.next()) {
        FoundText f;
        f.note.place =
            placeOf(NotePlace::Kind(q.value(0).toInt()), q.value(1).toString(), q.value(2).toInt());
        f.note.text = q.value(5).toString();
        const QVariant unaligned = q.value(6);
        f.aligned = unaligned.isNull();
        if (f.aligned) {
            f.excerptStart = q.value(4).toInt() - 1;
            f.position = q.value(3).toInt() - 1 - f.excerptStart;
        } else {
            f.folded = unaligned.toString();
        }
        found.push_back(std::move(f));
    }
    const QSqlError error = q.lastError();
    q.finish();
    if (error.isValid()) fail(QStringLiteral("搜索失败"), error.text());
    return found;
}

std::vector<NoteStore::FoundText> NoteStore::findFolded(const QString &folded) {
    if (folded.isEmpty() || !isOpen()) return {};
    if (!m_readOnly && m_plainText && !hasTextIndex()) rebuildTextIndex();
    if (!m_textIndex)
        throw StoreError(
            QStringLiteral("数据库 %1 还没有搜索索引（只读打开的旧版本文件），不能搜索")
                .arg(m_file));
    try {
        return queryFolded(folded);
    } catch (const StoreError &) {
        // A damaged index is made again from the notes, which it never changes.
        if (m_readOnly || !m_plainText) throw;
        rebuildTextIndex();
        return queryFolded(folded);
    }
}
