#include "../TestMounts.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <cstdio>

namespace {

// A second, independent connection to the same file, as another reader would see it.
class Inspector {
public:
    explicit Inspector(const QString &file) : m_name(QStringLiteral("inspect-%1").arg(++s_count)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        db.open();
    }
    ~Inspector() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    QSqlQuery run(const QString &sql) {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        if (!q.exec(sql)) qWarning() << sql << q.lastError().text();
        return q;
    }
    bool exec(const QString &sql) {
        QSqlQuery q(QSqlDatabase::database(m_name, false));
        return q.exec(sql);
    }
    // Every row of every table, in key order: equal dumps mean an unchanged file.
    QString dump() {
        QString out;
        QSqlQuery tables = run("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
        QStringList names;
        while (tables.next()) names << tables.value(0).toString();
        for (const QString &t : names) {
            QSqlQuery q = run(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(t));
            out += t + '\n';
            while (q.next()) {
                for (int i = 0; i < q.record().count(); ++i)
                    out +=
                        (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString()) +
                        '|';
                out += '\n';
            }
        }
        return out;
    }
    int count(const QString &table, const QString &where = QString()) {
        QSqlQuery q = run(QStringLiteral("SELECT COUNT(*) FROM %1 %2").arg(table, where));
        return q.next() ? q.value(0).toInt() : -1;
    }

private:
    static inline int s_count = 0;
    QString m_name;
};

MonthCells sampleCells(const QByteArray &tag) {
    MonthCells cells;
    for (int i = 0; i < NoteStore::CellCount; ++i)
        cells[i] = "{\\rtf1 " + tag + ' ' + QByteArray::number(i + 1) + "}";
    return cells;
}

SheetNotes sampleSheet(const QString &tag) {
    SheetNotes notes;
    for (int i = 0; i < NoteStore::SheetLineCount; ++i) {
        notes.texts[i] = QStringLiteral("%1 第%2行").arg(tag).arg(i + 1);
        notes.colors[i] = 0x0000FF + i;
    }
    return notes;
}

} // namespace

class TestNoteStore : public QObject {
    Q_OBJECT

private:
    enum Save {
        MonthPageSameKeys,
        MonthPageNewDay,
        MonthPageNewKeys,
        MonthOnly,
        DayOnly,
        SheetSameKey,
        SheetNewKey,
        CalendarSheet,
        YearSame,
        YearNew,
        Memo
    };
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_file;
    std::unique_ptr<NoteStore> m_store;

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_file = m_dir->filePath(QStringLiteral("CalendarD.db"));
        m_store = std::make_unique<NoteStore>();
        m_store->open(m_file, NoteStore::OpenMode::CreateIfMissing);
    }
    void cleanup() {
        m_store.reset();
        m_dir.reset();
    }

    void keys_data() {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("monthKey");
        QTest::addColumn<QString>("dayKey");
        QTest::newRow("June 2010") << 2010 << 6 << 1 << "20106"
                                   << "2010-6-1";
        QTest::newRow("November 2010") << 2010 << 11 << 30 << "201011"
                                       << "2010-11-30";
        QTest::newRow("January 2011") << 2011 << 1 << 9 << "20111"
                                      << "2011-1-9";
        QTest::newRow("November 201") << 201 << 11 << 5 << "020111"
                                      << "201-11-5";
        QTest::newRow("year 9") << 9 << 12 << 31 << "000912"
                                << "9-12-31";
    }
    void keys() {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(QString, monthKey);
        QFETCH(QString, dayKey);
        QCOMPARE(NoteStore::yearMonthKey(year, month), monthKey);
        QCOMPARE(NoteStore::yearMonthKey(QDate(year, month, day)), monthKey);
        QCOMPARE(NoteStore::dayKey(QDate(year, month, day)), dayKey);
        QCOMPARE(NoteStore::dayKey(year, month, day), dayKey);
    }

    void tableColumns_data() {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QStringList>("types");
        auto numbered = [](const QString &key, const QString &prefix, int n) {
            QStringList l{key};
            for (int i = 1; i <= n; ++i) l << prefix + QString::number(i);
            return l;
        };
        auto typed = [](const QString &key, const QString &value, int n) {
            QStringList l{key};
            for (int i = 0; i < n; ++i) l << value;
            return l;
        };
        QTest::newRow("TailiNew") << "TailiNew" << numbered("YearMonth", "redt", 42)
                                  << typed("TEXT", "BLOB", 42);
        QTest::newRow("TailiNew_day")
            << "TailiNew_day" << QStringList{"daydate", "daycontent"} << typed("TEXT", "BLOB", 1);
        QTest::newRow("YearJishi")
            << "YearJishi" << numbered("year", "Month", 12) << typed("INTEGER", "BLOB", 12);
        QTest::newRow("edtText") << "edtText" << numbered("edtYearMonth", "line", 42)
                                 << typed("TEXT", "TEXT", 42);
        QTest::newRow("edtTextColor") << "edtTextColor" << numbered("edtYearMonth", "color", 42)
                                      << typed("TEXT", "INTEGER", 42);
        QTest::newRow("RiliJishi")
            << "RiliJishi" << numbered("edtYearMonth", "line", 42) << typed("TEXT", "TEXT", 42);
        QTest::newRow("RiliColor")
            << "RiliColor" << numbered("edtYearMonth", "color", 42) << typed("TEXT", "INTEGER", 42);
        QTest::newRow("Beiwanglu")
            << "Beiwanglu" << numbered("memkey", "line", 11) << typed("TEXT", "TEXT", 11);
    }
    void tableColumns() {
        QFETCH(QString, table);
        QFETCH(QStringList, columns);
        QFETCH(QStringList, types);
        Inspector db(m_file);
        QSqlQuery q = db.run(QStringLiteral("PRAGMA table_info(%1)").arg(table));
        QStringList names, actualTypes;
        while (q.next()) {
            QCOMPARE(q.value(0).toInt(), names.size()); // cid = position
            names << q.value(1).toString();
            actualTypes << q.value(2).toString();
            // Only the key column (position 0) is the primary key.
            QCOMPARE(q.value(5).toInt(), names.size() == 1 ? 1 : 0);
        }
        QCOMPARE(names, columns);
        QCOMPARE(actualTypes, types);
    }

    void schemaVersionAndJournal() {
        QCOMPARE(m_store->userVersion(), NoteStore::SchemaVersion);
        QCOMPARE(m_store->journalMode(), QStringLiteral("wal"));
    }

    void firstMonthSaveInsertsSecondUpdates() {
        Inspector db(m_file);
        QCOMPARE(db.count("TailiNew"), 0);
        QCOMPARE(m_store->readMonth("20106"), MonthCells{}); // no row: 42 empty cells

        const MonthCells first = sampleCells("first");
        m_store->writeMonth("20106", first);
        QCOMPARE(db.count("TailiNew"), 1);
        QCOMPARE(m_store->readMonth("20106"), first);

        MonthCells second = sampleCells("second");
        second[41] = QByteArray(); // an emptied cell is stored as empty, not left as before
        m_store->writeMonth("20106", second);
        QCOMPARE(db.count("TailiNew"), 1);
        QCOMPARE(m_store->readMonth("20106"), second);

        {
            // Cell k lives in column k+1, addressed by position.
            QSqlQuery q = db.run("SELECT * FROM TailiNew WHERE YearMonth = '20106'");
            QVERIFY(q.next());
            for (int i = 0; i < 41; ++i) QCOMPARE(q.value(i + 1).toByteArray(), second[i]);
        } // a finished query ends the inspector's read snapshot

        // Another month is its own row; the first one is untouched.
        m_store->writeMonth("201011", first);
        QCOMPARE(db.count("TailiNew"), 2);
        QCOMPARE(m_store->readMonth("20106"), second);
    }

    void dayPlanRoundTrip_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'c4\\'e3\\'ba\\'c3\\par}");
        QTest::newRow("utf8 text") << QStringLiteral("开会 √ × 🎉").toUtf8();
        QTest::newRow("binary") << QByteArray("\x00\x01\xff\x00zz", 6);
        QTest::newRow("large") << QByteArray(2 * 1024 * 1024, 'x');
    }
    void dayPlanRoundTrip() {
        QFETCH(QByteArray, content);
        const QString key = NoteStore::dayKey(QDate(2010, 6, 1));
        QCOMPARE(m_store->readDayPlan(key), QByteArray());
        m_store->writeDayPlan(key, "old");
        m_store->writeDayPlan(key, content);
        QCOMPARE(m_store->readDayPlan(key), content);
        QCOMPARE(m_store->readDayPlan("2010-6-2"), QByteArray());
        m_store->reconnect();
        QCOMPARE(m_store->readDayPlan(key), content);
        Inspector db(m_file);
        QCOMPARE(db.count("TailiNew_day"), 1);
    }

    void monthPageTogether() {
        MonthPage page;
        page.cells = sampleCells("page");
        page.dayPlan = "{\\rtf1 plan}";
        m_store->writeMonthPage("20106", page, "2010-6-5");
        const MonthPage back = m_store->readMonthPage("20106", "2010-6-5");
        QCOMPARE(back.cells, page.cells);
        QCOMPARE(back.dayPlan, page.dayPlan);
        QCOMPARE(m_store->readMonthPage("20107", "2010-7-5").dayPlan, QByteArray());
    }

    void yearNotesByMonth() {
        YearNotes notes;
        for (int m = 0; m < 12; ++m) notes[m] = "{\\rtf1 month " + QByteArray::number(m + 1) + "}";
        QCOMPARE(m_store->readYearNotes(2010), YearNotes{});
        m_store->writeYearNotes(2010, notes);
        notes[0] = "{\\rtf1 January again}";
        m_store->writeYearNotes(2010, notes);
        QCOMPARE(m_store->readYearNotes(2010), notes);
        QCOMPARE(m_store->readYearNotes(2011), YearNotes{});
        Inspector db(m_file);
        QCOMPARE(db.count("YearJishi"), 1);
        QSqlQuery q = db.run("SELECT Month1, Month12 FROM YearJishi WHERE year = 2010");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toByteArray(), notes[0]);
        QCOMPARE(q.value(1).toByteArray(), QByteArray("{\\rtf1 month 12}"));
    }

    void sheets_data() {
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("textTable");
        QTest::addColumn<QString>("colorTable");
        QTest::newRow("general") << int(NoteStore::Sheet::General) << "20116"
                                 << "edtText"
                                 << "edtTextColor";
        QTest::newRow("calendar") << int(NoteStore::Sheet::Calendar) << NoteStore::CalendarSheetKey
                                  << "RiliJishi"
                                  << "RiliColor";
    }
    void sheets() {
        QFETCH(int, sheet);
        QFETCH(QString, key);
        QFETCH(QString, textTable);
        QFETCH(QString, colorTable);
        const auto s = NoteStore::Sheet(sheet);
        const SheetNotes empty = m_store->readSheet(s, key);
        for (int i = 0; i < 42; ++i) {
            QVERIFY(empty.texts[i].isEmpty());
            QCOMPARE(empty.colors[i], 0);
        }
        m_store->writeSheet(s, key, sampleSheet("a"));
        SheetNotes b = sampleSheet("b");
        b.texts[3].clear();
        m_store->writeSheet(s, key, b);
        const SheetNotes back = m_store->readSheet(s, key);
        QCOMPARE(back.texts, b.texts);
        QCOMPARE(back.colors, b.colors);

        Inspector db(m_file);
        QCOMPARE(db.count(textTable), 1);
        QCOMPARE(db.count(colorTable), 1);
        QSqlQuery q = db.run(QStringLiteral("SELECT * FROM %1").arg(colorTable));
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), key);
        QCOMPARE(q.value(42).toInt(), b.colors[41]);
    }

    void sheetNullColorsReadBlack() {
        Inspector db(m_file);
        QVERIFY(db.exec("INSERT INTO edtTextColor(edtYearMonth, color2) VALUES('20115', 255)"));
        const SheetNotes notes = m_store->readSheet(NoteStore::Sheet::General, "20115");
        QCOMPARE(notes.colors[0], 0);
        QCOMPARE(notes.colors[1], 255);
        QVERIFY(notes.texts[1].isEmpty());
    }

    void sheetsAreSeparate() {
        m_store->writeSheet(NoteStore::Sheet::General, NoteStore::CalendarSheetKey,
                            sampleSheet("g"));
        QVERIFY(m_store->readSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey)
                    .texts[0]
                    .isEmpty());
    }

    void memoLines() {
        QCOMPARE(m_store->readMemoLines(), MemoLines{});
        // Nothing typed: no row is created.
        QVERIFY(!m_store->writeMemoLine(3, QString()));
        Inspector db(m_file);
        QCOMPARE(db.count("Beiwanglu"), 0);

        QVERIFY(m_store->writeMemoLine(3, "x"));
        QCOMPARE(db.count("Beiwanglu", "WHERE memkey = 'bwl'"), 1);
        QVERIFY(m_store->writeMemoLine(7, QStringLiteral("买菜")));
        QVERIFY(!m_store->writeMemoLine(7, QStringLiteral("买菜"))); // unchanged: no write
        QVERIFY(m_store->writeMemoLine(7, QStringLiteral("买菜 √")));

        MemoLines expected;
        expected[2] = "x";
        expected[6] = QStringLiteral("买菜 √");
        QCOMPARE(m_store->readMemoLines(), expected);
        QCOMPARE(db.count("Beiwanglu"), 1);
        // Lines never written stay null and do not hide the ones after them.
        QSqlQuery q = db.run("SELECT * FROM Beiwanglu");
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("bwl"));
        QVERIFY(q.value(1).isNull());
        QCOMPARE(q.value(3).toString(), QStringLiteral("x"));
        QCOMPARE(q.value(7).toString(), QStringLiteral("买菜 √"));

        QVERIFY(m_store->writeMemoLine(3, QString()));
        QVERIFY(m_store->readMemoLines()[2].isEmpty());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_store->writeMemoLine(0, "a"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, m_store->writeMemoLine(12, "a"));
    }

    // Saving the same key twice, through every write, never makes a second row.
    void sameKeyNeverTwoRows() {
        for (int round = 0; round < 2; ++round) {
            const QByteArray tag = QByteArray::number(round);
            m_store->writeMonth("20106", sampleCells(tag));
            m_store->writeDayPlan("2010-6-1", tag);
            m_store->writeMonthPage("20106", MonthPage{sampleCells(tag), tag}, "2010-6-1");
            m_store->writeYearNotes(2010, YearNotes{tag});
            m_store->writeSheet(NoteStore::Sheet::General, "20106", sampleSheet(tag));
            m_store->writeSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey,
                                sampleSheet(tag));
            m_store->writeMemoLine(1, tag);
        }
        Inspector db(m_file);
        for (const char *t : {"TailiNew", "TailiNew_day", "YearJishi", "edtText", "edtTextColor",
                              "RiliJishi", "RiliColor", "Beiwanglu"})
            QCOMPARE(db.count(t), 1);
        // The key is the primary key: a duplicate cannot even be inserted from outside.
        QVERIFY(!db.exec("INSERT INTO TailiNew(YearMonth) VALUES('20106')"));
        QVERIFY(!db.exec("INSERT INTO TailiNew_day(daydate) VALUES('2010-6-1')"));
    }

    // A save that fails part way leaves the whole file as it was: no row changed, no
    // half-filled new row. The fault is raised by a trigger at the chosen step.
    void failedSaveKeepsPrevious_data() {
        QTest::addColumn<QString>("trigger");
        QTest::addColumn<int>("save");
        QTest::newRow("month page: day plan update fails after the cells")
            << "BEFORE UPDATE ON TailiNew_day" << int(MonthPageSameKeys);
        QTest::newRow("month page: new day row fails after the cells")
            << "BEFORE INSERT ON TailiNew_day" << int(MonthPageNewDay);
        QTest::newRow("month page: new month row fails")
            << "AFTER INSERT ON TailiNew" << int(MonthPageNewKeys);
        QTest::newRow("month page: new month row, then the day plan fails")
            << "BEFORE INSERT ON TailiNew_day" << int(MonthPageNewKeys);
        QTest::newRow("month row update fails") << "AFTER UPDATE ON TailiNew" << int(MonthOnly);
        QTest::newRow("day plan update fails") << "AFTER UPDATE ON TailiNew_day" << int(DayOnly);
        QTest::newRow("sheet: colour update fails after the texts")
            << "BEFORE UPDATE ON edtTextColor" << int(SheetSameKey);
        QTest::newRow("sheet: new colour row fails after the texts")
            << "BEFORE INSERT ON edtTextColor" << int(SheetNewKey);
        QTest::newRow("calendar sheet: new colour row fails")
            << "BEFORE INSERT ON RiliColor" << int(CalendarSheet);
        QTest::newRow("year row update fails") << "AFTER UPDATE ON YearJishi" << int(YearSame);
        QTest::newRow("new year row fails") << "AFTER INSERT ON YearJishi" << int(YearNew);
        QTest::newRow("memo update fails") << "AFTER UPDATE ON Beiwanglu" << int(Memo);
    }
    void failedSaveKeepsPrevious() {
        QFETCH(QString, trigger);
        QFETCH(int, save);
        m_store->writeMonthPage("20106", MonthPage{sampleCells("before"), "plan"}, "2010-6-1");
        m_store->writeSheet(NoteStore::Sheet::General, "20106", sampleSheet("before"));
        m_store->writeYearNotes(2010, YearNotes{"jan before"});
        m_store->writeMemoLine(2, "memo before");

        Inspector db(m_file);
        const QString before = db.dump();
        QVERIFY(db.exec(QStringLiteral("CREATE TRIGGER simulated_fault %1 BEGIN "
                                       "SELECT RAISE(ABORT, 'simulated disk fault'); END")
                            .arg(trigger)));
        const MonthPage after{sampleCells("after"), "plan after"};
        try {
            switch (save) {
            case MonthPageSameKeys:
                m_store->writeMonthPage("20106", after, "2010-6-1");
                break;
            case MonthPageNewDay:
                m_store->writeMonthPage("20106", after, "2010-6-2");
                break;
            case MonthPageNewKeys:
                m_store->writeMonthPage("20107", after, "2010-7-1");
                break;
            case MonthOnly:
                m_store->writeMonth("20106", after.cells);
                break;
            case DayOnly:
                m_store->writeDayPlan("2010-6-1", "x");
                break;
            case SheetSameKey:
                m_store->writeSheet(NoteStore::Sheet::General, "20106", sampleSheet("x"));
                break;
            case SheetNewKey:
                m_store->writeSheet(NoteStore::Sheet::General, "20107", sampleSheet("x"));
                break;
            case CalendarSheet:
                m_store->writeSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey,
                                    sampleSheet("x"));
                break;
            case YearSame:
                m_store->writeYearNotes(2010, YearNotes{"jan after"});
                break;
            case YearNew:
                m_store->writeYearNotes(2011, YearNotes{"jan after"});
                break;
            case Memo:
                m_store->writeMemoLine(2, "memo after");
                break;
            }
            QFAIL("the save must fail");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains("simulated disk fault"), qPrintable(e.message()));
        }
        QVERIFY(db.exec("DROP TRIGGER simulated_fault"));
        QCOMPARE(db.dump(), before);

        // The store is usable again once the fault is gone.
        m_store->writeMonthPage("20106", after, "2010-6-1");
        QCOMPARE(m_store->readMonthPage("20106", "2010-6-1").dayPlan, after.dayPlan);
    }

    void readOnlyFileKeepsPrevious() {
        m_store->writeMonth("20106", sampleCells("before"));
        m_store->close();
        QVERIFY(QFile::setPermissions(m_file, QFile::ReadOwner | QFile::ReadGroup));
        {
            QFile probe(m_file);
            if (probe.open(QIODevice::ReadWrite)) {
                QFile::setPermissions(m_file, QFile::ReadOwner | QFile::WriteOwner);
                QSKIP("permission bits do not stop this user from writing (root)");
            }
        }
        m_store->open(m_file);
        QVERIFY_THROWS_EXCEPTION(StoreError, m_store->writeMonth("20106", sampleCells("after")));
        QVERIFY_THROWS_EXCEPTION(StoreError, m_store->writeMonth("20107", sampleCells("after")));
        QCOMPARE(m_store->readMonth("20106"), sampleCells("before"));
        QCOMPARE(m_store->readMonth("20107"), MonthCells{});
        QFile::setPermissions(m_file, QFile::ReadOwner | QFile::WriteOwner);
    }

    void openFailures() {
        NoteStore store;
        try {
            store.open(m_dir->filePath("missing.db"));
            QFAIL("a missing file must not be opened");
        } catch (const StoreError &e) {
            QVERIFY(e.message().contains("missing.db"));
        }
        QVERIFY(!QFile::exists(m_dir->filePath("missing.db")));
        QVERIFY(!store.isOpen());
        QVERIFY_THROWS_EXCEPTION(StoreError, store.readMonth("20106"));
        QVERIFY_THROWS_EXCEPTION(StoreError, store.writeMonth("20106", MonthCells{}));

        const QString junk = m_dir->filePath("junk.db");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray garbage(8192, 'G');
        f.write(garbage);
        f.close();
        QVERIFY_THROWS_EXCEPTION(StoreError, store.open(junk));
        QVERIFY(!store.isOpen());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), garbage); // never "repaired" into an empty database
    }

    void newerSchemaRefused() {
        m_store->close();
        {
            Inspector db(m_file);
            QVERIFY(db.exec("PRAGMA user_version = 99"));
        }
        QVERIFY_THROWS_EXCEPTION(StoreError, m_store->open(m_file));
    }

    void olderFileIsMigrated() {
        m_store->close();
        const QString old = m_dir->filePath("old.db");
        {
            Inspector db(old);
            QStringList cols{"YearMonth TEXT"};
            for (int i = 1; i <= 42; ++i) cols << QStringLiteral("redt%1 BLOB").arg(i);
            QVERIFY(db.exec(QStringLiteral("CREATE TABLE TailiNew (%1)").arg(cols.join(','))));
            QVERIFY(db.exec("INSERT INTO TailiNew(YearMonth, redt1) VALUES('20106', 'kept')"));
        }
        m_store->open(old);
        QCOMPARE(m_store->userVersion(), NoteStore::SchemaVersion);
        QCOMPARE(m_store->readMonth("20106")[0], QByteArray("kept"));
        m_store->writeMemoLine(1, "new table works");
        QCOMPARE(m_store->readMemoLines()[0], QStringLiteral("new table works"));
    }

    // A folder nobody can write (root included) or a full disk on which the WAL index cannot be
    // made: the notes are read and every write is refused.
    void unwritableDatabaseOpensReadOnly_data() {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("read-only mount") << false;
        QTest::newRow("full disk") << true;
    }
    void unwritableDatabaseOpensReadOnly() {
        QFETCH(bool, fullDisk);
        const QString dir = m_dir->filePath("mnt");
        QVERIFY(QDir().mkpath(dir));
        std::unique_ptr<TestMount> disk;
        if (fullDisk) {
            disk = TestMount::tmpfs(dir, "512k");
            if (!disk->ok()) QSKIP("cannot mount a small tmpfs here (not root?)");
        }
        const QString file = dir + "/CalendarD.db";
        {
            NoteStore writer;
            writer.open(file, NoteStore::OpenMode::CreateIfMissing);
            writer.writeMonthPage("20106", MonthPage{sampleCells("kept"), "plan", {}, false},
                                  "2010-6-1");
        }
        std::unique_ptr<TestMount> readOnly;
        if (fullDisk) {
            disk->fill();
        } else {
            readOnly = TestMount::readOnly(dir);
            if (!readOnly->ok()) QSKIP("cannot mount read-only here (not root?)");
        }
        NoteStore store;
        store.open(file);
        QVERIFY(store.isOpen());
        QVERIFY(store.isReadOnly());
        QVERIFY(!store.readOnlyReason().isEmpty());
        QCOMPARE(store.readMonth("20106"), sampleCells("kept"));
        QCOMPARE(store.readMonthPage("20106", "2010-6-1").dayPlan, QByteArray("plan"));
        try {
            store.writeMonth("20106", sampleCells("lost"));
            QFAIL("a read-only store must refuse writes");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(file), qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(StoreError, store.writeMemoLine(1, "x"));
        store.reconnect();
        QVERIFY(store.isReadOnly());
        QCOMPARE(store.readMonth("20106"), sampleCells("kept"));
    }

    // Another program holds the data folder: this one reads what that one writes, and writes
    // nothing itself.
    void readOnlyModeSeesTheOtherWriter() {
        NoteStore reader;
        reader.open(m_file, NoteStore::OpenMode::ReadOnly);
        QVERIFY(reader.isReadOnly());
        QVERIFY(reader.readOnlyReason().isEmpty());
        m_store->writeMonth("20106", sampleCells("other"));
        QCOMPARE(reader.readMonth("20106"), sampleCells("other"));
        QVERIFY_THROWS_EXCEPTION(StoreError, reader.writeMonth("20106", sampleCells("mine")));
        QCOMPARE(m_store->readMonth("20106"), sampleCells("other"));
    }

    // A column too many right after the key used to move every note one day on at each run.
    void tableOfAnotherShapeIsNotWritten() {
        m_store->close();
        {
            Inspector db(m_file);
            QStringList cols{"YearMonth TEXT PRIMARY KEY", "extra TEXT"};
            for (int i = 1; i <= 42; ++i) cols << QStringLiteral("redt%1 BLOB").arg(i);
            QVERIFY(db.exec("DROP TABLE TailiNew"));
            QVERIFY(db.exec(QStringLiteral("CREATE TABLE TailiNew (%1)").arg(cols.join(','))));
            QVERIFY(db.exec("INSERT INTO TailiNew(YearMonth, extra, redt1, redt42) "
                            "VALUES('20106', 'x', 'first', 'last')"));
        }
        m_store->open(m_file);
        QVERIFY(!m_store->isReadOnly());
        QCOMPARE(m_store->shapeProblems().size(), 1);
        QVERIFY(m_store->shapeProblems().at(0).contains("TailiNew"));
        const MonthCells cells = m_store->readMonth("20106");
        QCOMPARE(cells[0], QByteArray("first"));
        QCOMPARE(cells[41], QByteArray("last"));
        try {
            m_store->writeMonth("20106", sampleCells("moved"));
            QFAIL("a table of another shape must not be written");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains("TailiNew"), qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(StoreError, m_store->writeMonthPage("20106", MonthPage{}, "d"));
        QCOMPARE(m_store->readMonth("20106")[0], QByteArray("first"));
        m_store->writeDayPlan("2010-6-1", "other tables still work");
        QCOMPARE(m_store->readDayPlan("2010-6-1"), QByteArray("other tables still work"));
    }

    void missingTableIsMadeAgain() {
        m_store->writeMonth("20106", sampleCells("kept"));
        m_store->close();
        {
            Inspector db(m_file);
            QVERIFY(db.exec("DROP TABLE TailiNew_day"));
        }
        m_store->open(m_file);
        QVERIFY(m_store->shapeProblems().isEmpty());
        m_store->writeMonthPage("20106", MonthPage{sampleCells("new"), "plan", {}, false},
                                "2010-6-1");
        QCOMPARE(m_store->readDayPlan("2010-6-1"), QByteArray("plan"));
    }

    // Cells too large for an editor are written back as they are: not at all.
    void keptCellsKeepTheirStoredValue() {
        MonthPage page{sampleCells("old"), "old plan", {}, false};
        m_store->writeMonthPage("20106", page, "2010-6-1");
        page.cells = sampleCells("new");
        page.cells[4].clear();
        page.keep[4] = true;
        page.dayPlan.clear();
        page.keepDayPlan = true;
        m_store->writeMonthPage("20106", page, "2010-6-1");
        MonthCells expected = sampleCells("new");
        expected[4] = sampleCells("old")[4];
        QCOMPARE(m_store->readMonth("20106"), expected);
        QCOMPARE(m_store->readDayPlan("2010-6-1"), QByteArray("old plan"));
    }

    void storesCoexist() {
        NoteStore other;
        other.open(m_dir->filePath("other.db"), NoteStore::OpenMode::CreateIfMissing);
        NoteStore same;
        same.open(m_file);
        m_store->writeDayPlan("2010-6-1", "mine");
        other.writeDayPlan("2010-6-1", "other");
        QCOMPARE(same.readDayPlan("2010-6-1"), QByteArray("mine"));
        QCOMPARE(other.readDayPlan("2010-6-1"), QByteArray("other"));
        other.close();
        QCOMPARE(m_store->readDayPlan("2010-6-1"), QByteArray("mine"));
    }

    void reconnectKeepsWorking() {
        m_store->writeMonth("20106", sampleCells("a"));
        for (int i = 0; i < 3; ++i) m_store->reconnect();
        QVERIFY(m_store->isOpen());
        QCOMPARE(m_store->readMonth("20106"), sampleCells("a"));
        m_store->writeMonth("20106", sampleCells("b"));
        QCOMPARE(m_store->readMonth("20106"), sampleCells("b"));
    }

    void reconnectReopensOnlyAnotherFile_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("same file") << false;
        QTest::newRow("replaced by another program") << true;
    }
    void reconnectReopensOnlyAnotherFile() {
        QFETCH(bool, replace);
        m_store->writeMonth("20106", sampleCells("open"));
        const QString wal = m_file + QStringLiteral("-wal");
        // The write sits in the log until a checkpoint, which closing the connection runs.
        QVERIFY(QFileInfo(wal).size() > 0);
        if (replace) {
            const QString other = m_dir->filePath(QStringLiteral("other.db"));
            {
                NoteStore writer;
                writer.open(other, NoteStore::OpenMode::CreateIfMissing);
                writer.writeMonth("20106", sampleCells("replacement"));
            }
            QVERIFY(::rename(QFile::encodeName(other), QFile::encodeName(m_file)) == 0);
        }
        m_store->reconnect();
        QVERIFY(m_store->isOpen());
        if (replace) {
            QCOMPARE(m_store->readMonth("20106"), sampleCells("replacement"));
        } else {
            QVERIFY(QFileInfo(wal).size() > 0); // no checkpoint: the same connection
            QCOMPARE(m_store->readMonth("20106"), sampleCells("open"));
        }
        m_store->writeMonth("20107", sampleCells("after"));
        QCOMPARE(Inspector(m_file).count("TailiNew", "WHERE YearMonth = '20107'"), 1);
    }

    // A write after another program put a file in place of the open one would go into the old,
    // unlinked file: it is refused, saying why, and neither file changes.
    void writeIntoAReplacedFileIsRefused_data() {
        QTest::addColumn<bool>("sound");
        QTest::newRow("sound replacement") << true;
        QTest::newRow("malformed replacement") << false;
    }
    void writeIntoAReplacedFileIsRefused() {
        QFETCH(bool, sound);
        m_store->writeMonth("20106", sampleCells("open"));
        const QString other = m_dir->filePath(QStringLiteral("other.db"));
        if (sound) {
            NoteStore writer;
            writer.open(other, NoteStore::OpenMode::CreateIfMissing);
            writer.writeMonth("20106", sampleCells("replacement"));
        } else {
            QFile file(other);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray("SQLite format 3") + QByteArray(8177, '\x5a'));
        }
        QVERIFY(::rename(QFile::encodeName(other), QFile::encodeName(m_file)) == 0);
        QFile replacement(m_file);
        QVERIFY(replacement.open(QIODevice::ReadOnly));
        const QByteArray before = replacement.readAll();
        QVERIFY(m_store->isFileReplaced());
        try {
            m_store->writeMonth("20106", sampleCells("lost"));
            QFAIL("the write into the old file succeeded");
        } catch (const StoreError &e) {
            QVERIFY2(e.message().contains(m_file), qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(StoreError, m_store->writeMemoLine(1, QStringLiteral("x")));
        m_store.reset();
        replacement.seek(0);
        QCOMPARE(replacement.readAll(), before);
    }

    void reconnectRetriesAFailedOpen() {
        const QString file = m_dir->filePath(QStringLiteral("later.db"));
        NoteStore store;
        QVERIFY_THROWS_EXCEPTION(StoreError, store.open(file));
        QVERIFY_THROWS_EXCEPTION(StoreError, store.reconnect());
        QVERIFY(!store.isOpen());
        {
            NoteStore writer;
            writer.open(file, NoteStore::OpenMode::CreateIfMissing);
            writer.writeDayPlan("2010-6-1", "there now");
        }
        store.reconnect();
        QVERIFY(store.isOpen());
        QCOMPARE(store.readDayPlan("2010-6-1"), QByteArray("there now"));
    }
};

QTEST_GUILESS_MAIN(TestNoteStore)
#include "tst_NoteStore.moc"
