#pragma once

#include "store/NotePlace.h"
#include "store/StoreError.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class QSqlDatabase;
class QSqlQuery;

// The 42 cell texts of a month page, cell k (0-based) of the month grid at index k, each the
// RTF document of the cell's editor (empty when never filled).
using MonthCells = std::array<QByteArray, 42>;

// The month page as loaded or saved in one go: its 42 cells and the day plan of one day.
struct MonthPage {
    MonthCells cells;
    QByteArray dayPlan; // RTF of the day-plan editor, empty when the day has no plan
    // On writing: cells (and the day plan) whose flag is set keep their stored value.
    std::array<bool, 42> keep{};
    bool keepDayPlan = false;
};

// The twelve month notes of the annual page, January at index 0, each an RTF document.
using YearNotes = std::array<QByteArray, 12>;

// A ruled sheet of 42 one-line notes (general notes page, calendar notes page): line k+1 at
// index k, with its text colour as 0x00BBGGRR (0 is black; a colour never stored, null or out of
// that range reads as 0).
struct SheetNotes {
    std::array<QString, 42> texts;
    std::array<int, 42> colors{};
};

// The eleven memo lines of the side panel, line k+1 at index k (never written reads as empty).
using MemoLines = std::array<QString, 11>;

// The note database, DB3/CalendarD.db, an SQLite file reached through Qt SQL (QSQLITE).
//
// Tables (key column first, the key is the PRIMARY KEY, other columns at fixed positions):
//   TailiNew      YearMonth TEXT, redt1..redt42 BLOB        month page cells (RTF)
//   TailiNew_day  daydate TEXT, daycontent BLOB               day plans (RTF)
//   YearJishi     year INTEGER, Month1..Month12 BLOB          annual notes (RTF)
//   edtText       edtYearMonth TEXT, line1..line42 TEXT       general notes texts
//   edtTextColor  edtYearMonth TEXT, color1..color42 INTEGER  general notes colours
//   RiliJishi     edtYearMonth TEXT, line1..line42 TEXT       calendar notes texts ("rili2011")
//   RiliColor     edtYearMonth TEXT, color1..color42 INTEGER  calendar notes colours
//   Beiwanglu     memkey TEXT, line1..line11 TEXT             memo list (one row, "bwl")
//
// Search index (since version 2; brought up to date after the save since version 4), derived
// from the notes and rebuilt from them whenever in doubt:
//   NoteText         kind, key, slot (the NotePlace), sortkey, text (plain), folded (textfold),
//                    aligned (folded units sit at the same indexes as the text's)
//   NoteTextIndex    FTS5 (trigram) over ifnull(NoteText.folded, NoteText.text), contentless
//   NoteTextPending  rowid, indexed: NoteText rows changed since the FTS index last saw them,
//                    with the text the index holds for the row (NULL: none); written by
//                    triggers on NoteText, emptied by updateTextIndex()
//   NoteTextState    a row "stale" while the index misses rich-text notes written without
//                    a PlainText function
// Every write of a note updates its NoteText row in the same transaction; an empty note has no
// row. The FTS index takes the changed rows later, in updateTextIndex()'s own transactions, so
// that a save does not pay for tokenising; a search reads the pending rows besides the index's
// matches and is exact at every moment. Opening a file of an older version (a restored backup,
// too) indexes every note in the transaction that brings it up to date.
//
// Errors: every operation that touches the database throws StoreError carrying the database's
// message; nothing is reported silently. Every write runs in one transaction: when it fails the
// stored rows are exactly as before the call (no half-filled or empty new row is left behind).
// Reads of a key without a row give empty values. All parameters are bound.
//
// Each instance owns its own named connection, so several stores (and tests) can coexist.
// Not thread-safe: use an instance from one thread.
class NoteStore {
public:
    static constexpr int CellCount = 42;
    static constexpr int MonthCount = 12;
    static constexpr int SheetLineCount = 42;
    static constexpr int MemoLineCount = 11;
    // PRAGMA user_version of a current database. Version 3 lays out months before 1582-10-15 in
    // the lunar engine's calendar (MonthGrid); older files kept their cells on QDate's proleptic
    // Gregorian grid. Version 4 brings the full-text index up to date after the save
    // (NoteTextPending).
    static constexpr int SchemaVersion = 4;

    // How a stored rich-text note becomes the plain text the search index keeps; the store
    // reads no RTF itself. Without one, writes of rich text mark the index stale and the next
    // open (or search) with one indexes every note again.
    using PlainText = std::function<QString(const QByteArray &note)>;
    // Told while every note is indexed (an upgrade, a rebuild), every few hundred notes.
    using IndexProgress = std::function<void(int done, int total)>;
    // Told when saved notes wait for the full-text index: after a write that changed a plain
    // copy, and after a writable open that finds such notes. updateTextIndex() takes them in.
    using IndexPending = std::function<void()>;
    // One stored rich-text note holding `first` followed by `second` (paragraphs kept): for
    // the upgrade that moves month cells, when two notes come to one cell. Without one, such a
    // rich-text note goes to the nearest empty cell instead; plain-text notes are joined by a
    // line break.
    using NoteJoin = std::function<QByteArray(const QByteArray &first, const QByteArray &second)>;

    enum class OpenMode {
        OpenExisting,    // a missing file is an error (the data folder is laid out at first run)
        CreateIfMissing, // create the file and its tables
        ReadOnly,        // read only (the data folder is in use by another program)
    };

    // The two one-line-note sheets.
    enum class Sheet {
        General,  // edtText + edtTextColor, keyed by year-month
        Calendar, // RiliJishi + RiliColor, keyed by CalendarSheetKey
    };

    NoteStore();
    ~NoteStore();
    void setPlainText(PlainText plainText) { m_plainText = std::move(plainText); }
    void setIndexProgress(IndexProgress progress) { m_indexProgress = std::move(progress); }
    void setNoteJoin(NoteJoin join) { m_noteJoin = std::move(join); }
    const PlainText &plainText() const { return m_plainText; }
    const NoteJoin &noteJoin() const { return m_noteJoin; }
    void setIndexPending(IndexPending pending) { m_indexPending = std::move(pending); }
    NoteStore(const NoteStore &) = delete;
    NoteStore &operator=(const NoteStore &) = delete;

    // Opens `databaseFile`; creates missing tables and brings an older schema up to date inside
    // one transaction. Throws StoreError (the store is then closed). A file that can be read
    // but not written (read-only file, folder or mount, a full disk on which the WAL index
    // cannot be made) is opened read-only: isReadOnly(), readOnlyReason() says why. Tables of
    // another shape are listed in shapeProblems() and refused by the writes.
    void open(const QString &databaseFile, OpenMode mode = OpenMode::OpenExisting);
    // Called on every change of the picker's date: opens the same file name again when the
    // store is not open or the name now points at another file than the open one (replaced by
    // another program); keeps the open connection, its cache and prepared statements otherwise.
    void reconnect();
    void close();
    bool isOpen() const;
    QString databaseFile() const { return m_file; }
    // Writes throw StoreError while read-only.
    bool isReadOnly() const { return m_readOnly; }
    // Why a file opened for writing is only read (the database's or system's text); empty
    // when writable or when OpenMode::ReadOnly was asked for.
    QString readOnlyReason() const { return m_readOnlyReason; }
    // One message per table whose columns are not those of this version (naming the table).
    QStringList shapeProblems() const { return m_shapeProblems; }
    // False when the file lacks tables: a read-only open then cannot read every page's notes (a
    // writable open adds what is missing). A read-only open of an older version reads them all,
    // the month cells where the upgrade puts them.
    bool isComplete() const { return m_complete; }
    // A writable open of the open file would have to bring it up to date: the file is of an
    // older version, or its search index is missing or stale. Such an open takes seconds for
    // decades of notes; upgrade() does the same work for a store on a thread of its own.
    bool needsUpgrade() const;
    // The same for `databaseFile`, read through a read-only store of its own; false when the
    // file cannot be read so (a writable open tells why).
    static bool needsUpgrade(const QString &databaseFile);
    // Opens `databaseFile` for writing and brings it up to date as open() does (the pending
    // schema steps in one transaction, then the index), on this store's own connection; meant
    // for a store made for the purpose on a worker thread. Unlike open() it never falls back to
    // reading: a file that cannot be written or brought up to date throws StoreError with the
    // cause, the store closed. Once *cancel turns true the work stops at its next step and
    // throws, rolled back: the file stays as it was.
    void upgrade(const QString &databaseFile, const std::atomic<bool> *cancel = nullptr);
    // The name now points at another file than the open one (moved away, or replaced by
    // another program). Writes are refused then: they would go into the old file.
    bool isFileReplaced() const;

    // ---- keys ----
    // Year-month key: year then month, decimal, no leading zeros (June 2010 -> "20106",
    // November 2010 -> "201011"). Years 1..999 are padded to four digits ("0201" + "11") so
    // that they cannot collide with a four-digit year (201/11 vs 2011/1).
    static QString yearMonthKey(int year, int month);
    static QString yearMonthKey(const QDate &date);
    // Day key in the fixed form yyyy-M-d, independent of the user's locale (2010-6-1).
    static QString dayKey(const QDate &date);
    static QString dayKey(int year, int month, int day);
    static inline const QString CalendarSheetKey = QStringLiteral("rili2011");
    static inline const QString MemoKey = QStringLiteral("bwl");

    // ---- desktop month page (TailiNew, TailiNew_day) ----
    MonthCells readMonth(const QString &yearMonth) const;
    void writeMonth(const QString &yearMonth, const MonthCells &cells);
    QByteArray readDayPlan(const QString &dayKey) const;
    void writeDayPlan(const QString &dayKey, const QByteArray &rtf);
    // Month cells and one day plan read in one transaction (consistent snapshot).
    MonthPage readMonthPage(const QString &yearMonth, const QString &dayKey) const;
    // Month cells and one day plan written in one transaction: both or neither are stored.
    void writeMonthPage(const QString &yearMonth, const MonthPage &page, const QString &dayKey);

    // ---- annual notes page (YearJishi) ----
    YearNotes readYearNotes(int year) const;
    // Months whose `keep` flag is set keep their stored value.
    void writeYearNotes(int year, const YearNotes &notes, const std::array<bool, 12> &keep = {});

    // ---- general notes and calendar notes pages ----
    // Texts and colours come from the sheet's two tables; both tables are written in one
    // transaction. For Sheet::Calendar pass CalendarSheetKey.
    SheetNotes readSheet(Sheet sheet, const QString &key) const;
    void writeSheet(Sheet sheet, const QString &key, const SheetNotes &notes);

    // ---- memo list (Beiwanglu, row "bwl") ----
    MemoLines readMemoLines() const;
    // Stores `text` as memo line `line` (1..11), creating the row when needed, only when it
    // differs from the stored text (a null counts as empty). Returns true when it wrote.
    // Other lines are untouched. Throws StoreError; std::out_of_range for a bad line number.
    bool writeMemoLine(int line, const QString &text);

    // ---- search index ----
    // The index is there and holds every note (false for an older file opened read-only).
    bool hasTextIndex() const;
    // Indexes every note again in one transaction; the notes are only read.
    void rebuildTextIndex();
    // Notes saved since the full-text index last took them in (searches find them all the same).
    bool textIndexPending() const;
    // Takes up to `maxRows` (at least one) of those notes into the full-text index, in a
    // transaction of its own; true when more remain. Does nothing on a read-only store. An index
    // too damaged to take them is marked stale, so the next search or open makes it again from
    // the notes. Throws StoreError when the file cannot be written at all.
    bool updateTextIndex(int maxRows);
    struct FoundText {
        static constexpr int Context = 24;
        // Aligned: the folded text's units sit where the text's do; note.text is the part of the
        // note from excerptStart on, up to Context characters each side of the first match,
        // which is at `position` in it. Else note.text is the whole note and `folded` its folded
        // text, in which the caller finds the match.
        NoteText note;
        bool aligned = true;
        int excerptStart = 0;
        int position = -1;
        QString folded;
    };
    // Notes whose folded text contains `folded` (a folded query), newest first (sortKey()).
    // A stale index is rebuilt first, a damaged one rebuilt and asked again.
    std::vector<FoundText> findFolded(const QString &folded);
    // The place of a note with its date, from the key and slot of its row.
    static NotePlace placeOf(NotePlace::Kind kind, const QString &key, int slot);

    // ---- diagnostics ----
    QString journalMode() const; // "wal" normally
    int userVersion() const;

private:
    class Transaction;
    QSqlDatabase database() const;
    QSqlQuery &prepared(const QString &sql) const;
    void exec(QSqlQuery &query) const;
    void execSql(const QString &sql) const;
    void reset(const QString &databaseFile, OpenMode mode);
    void openConnection(const QString &name, const QString &options);
    void openReadOnly();
    bool isCancelled() const { return m_cancel && m_cancel->load(); }
    void configure();
    void migrate();
    // The cells of month `yearMonth` as stored before version 3 moved to the engine's grid
    // (unchanged for a month from November 1582 on). No note is dropped: notes meeting in one
    // cell are joined (NoteJoin), or one goes to the nearest empty cell.
    MonthCells onEngineGrid(const QString &yearMonth, const MonthCells &cells) const;
    void moveOldMonthCells();
    bool hasTextIndexTables() const;
    bool hasTable(const QString &name) const;
    void installPendingTriggers();
    void tellIndexPending();
    void checkVersion(int version) const;
    void checkShapes();
    void checkWritable(const char *table) const;
    void checkSameFile() const;
    void ensureTextIndex();
    void fillTextIndex();
    void indexText(const NotePlace &place, const QString &text);
    void indexNote(const NotePlace &place, const QByteArray &note);
    // The cells of a month page, each at its day of the page's grid (laid out once), except
    // those `keep` marks.
    void indexMonth(const QString &yearMonth, const MonthCells &cells,
                    const std::array<bool, 42> &keep = {});
    // PRAGMA data_version while writes of month cells are indexed, else -1.
    qint64 indexVersion() const;
    std::array<bool, 42> unchangedCells(const QString &yearMonth, const MonthCells &cells,
                                        qint64 version) const;
    void rememberWrittenMonth(const QString &yearMonth, const MonthCells &cells,
                              const std::array<bool, 42> &keep, qint64 version);
    std::vector<FoundText> queryFolded(const QString &folded) const;
    [[noreturn]] void fail(const QString &what, const QString &dbMessage) const;

    // Which file a name points at; equal identities are the same file.
    struct FileIdentity {
        quint64 device = 0;
        quint64 inode = 0;
        bool operator==(const FileIdentity &o) const {
            return device == o.device && inode == o.inode;
        }
    };
    static std::optional<FileIdentity> identityOf(const QString &file);

    QString m_connection;
    QString m_file;
    // The file open now, as seen when it was opened (the open connection keeps it alive, so its
    // inode cannot be reused); empty when closed or unknown.
    std::optional<FileIdentity> m_openIdentity;
    OpenMode m_mode = OpenMode::OpenExisting;
    bool m_readOnly = false;
    QString m_readOnlyReason;
    QStringList m_shapeProblems;
    bool m_complete = true;
    std::set<QString> m_badTables;
    bool m_textIndex = false; // the index tables exist on the open connection
    // NoteTextPending exists too (version 4): its rows are searched besides the index's matches.
    bool m_pendingTable = false;
    bool m_plainCopyChanged = false; // a write changed a NoteText row (not told yet)
    bool m_repairingIndex = false;
    PlainText m_plainText;
    IndexProgress m_indexProgress;
    NoteJoin m_noteJoin;
    IndexPending m_indexPending;
    // A file of a version before 3 opened read-only: its month cells of old months are moved
    // on reading as the upgrade would move them.
    bool m_oldMonthLayout = false;
    // Set while upgrade() runs: its statements and transactions stop once it turns true.
    const std::atomic<bool> *m_cancel = nullptr;
    struct Cache;
    std::unique_ptr<Cache> m_cache; // prepared statements of the open connection
};
