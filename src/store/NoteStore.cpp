#include "store/NoteStore.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <QUrl>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>
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

} // namespace

struct NoteStore::Cache {
    std::map<QString, std::unique_ptr<QSqlQuery>> queries;
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

void NoteStore::open(const QString &databaseFile, OpenMode mode) {
    close();
    m_file = databaseFile;
    m_mode = mode;
    m_readOnly = false;
    m_readOnlyReason.clear();
    m_shapeProblems.clear();
    m_badTables.clear();
    m_complete = true;
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
        try {
            openConnection(databaseFile, QStringLiteral("QSQLITE_BUSY_TIMEOUT=3000"));
            configure();
            migrate();
            checkShapes();
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
            const int version = userVersion();
            checkVersion(version);
            m_complete = version == SchemaVersion;
            checkShapes();
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
    m_cache->queries.clear();
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

MonthCells NoteStore::readMonth(const QString &yearMonth) const {
    QSqlQuery &q = prepared(selectSql(MonthTable));
    q.bindValue(QStringLiteral(":key"), yearMonth);
    exec(q);
    MonthCells cells;
    readRow(q, cells, toBytes);
    return cells;
}

void NoteStore::writeMonth(const QString &yearMonth, const MonthCells &cells) {
    checkWritable(MonthTable.table);
    Transaction tx(*this, true);
    QSqlQuery &q = prepared(upsertSql(MonthTable));
    bindRow(q, yearMonth, cells, bytesOrEmpty);
    exec(q);
    tx.commit();
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
    tx.commit();
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
    QSqlQuery &q =
        prepared(upsertSql(MonthTable, std::vector<bool>(page.keep.begin(), page.keep.end())));
    bindRow(q, yearMonth, page.cells, bytesOrEmpty);
    exec(q);
    if (!page.keepDayPlan) {
        QSqlQuery &d = prepared(upsertSql(DayTable));
        bindRow(d, dayKey, std::array<QByteArray, 1>{page.dayPlan}, bytesOrEmpty);
        exec(d);
    }
    tx.commit();
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
    tx.commit();
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
    QSqlQuery &c = prepared(upsertSql(colors));
    bindRow(c, key, notes.colors, [](int color) { return color; });
    exec(c);
    tx.commit();
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
    tx.commit();
    return true;
}
