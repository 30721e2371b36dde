// Files before version 3 kept the month cells of every month on QDate's proleptic Gregorian
// grid; months up to October 1582 are now laid out in the lunar engine's calendar. The notes of
// such months must stay with the days they were written for.
#include "UpgradeFixtures.h"
#include "base/MonthGrid.h"
#include "richtext/RichText.h"
#include "store/NoteSearch.h"
#include "store/NoteStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using testfiles::rtf;

// A note naming the day it was written for.
QByteArray noteOf(const QDate &day) {
    return rtf(day.toString(Qt::ISODate).toLatin1());
}

// The cell the old grid gave a day of the month of `month`.
int oldCell(const QDate &month, const QDate &day) {
    const QDate first(month.year(), month.month(), 1);
    return int(first.addDays(-(first.dayOfWeek() % 7)).daysTo(day));
}

const QDate May3(3, 5, 1);
const QDate October1582(1582, 10, 1);

// Every row of the note tables, in key order: equal dumps mean unchanged notes.
QString dump(const QString &file) {
    QString out;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "dump");
        db.setDatabaseName(file);
        db.open();
        QSqlQuery version(db);
        version.exec(QStringLiteral("PRAGMA user_version"));
        out += QStringLiteral("version %1\n").arg(version.next() ? version.value(0).toInt() : -1);
        for (const char *table : {"TailiNew", "TailiNew_day", "NoteText"}) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2, 3").arg(table));
            while (q.next()) {
                for (int i = 0; i < q.record().count(); ++i)
                    out += q.value(i).toString() + QLatin1Char('|');
                out += QLatin1Char('\n');
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("dump"));
    return out;
}

} // namespace

class TestOldMonthLayout : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file() const { return m_dir.filePath(QStringLiteral("CalendarD.db")); }

    // A file of version 2 with notes written on the old grid: in May of year 3 the 1st, 13th
    // and 31st and the leading 30 April; in October 1582 the 1st, 4th, 15th and 31st, and the
    // 7th and the 12th, which the engine's calendar does not have. A day plan, and a month of
    // 2024 that keeps its layout.
    void writeOldFile() {
        QFile::remove(file());
        {
            NoteStore store;
            store.setPlainText(&richtext::plainText);
            store.open(file(), NoteStore::OpenMode::CreateIfMissing);
            MonthCells may;
            for (const QDate day :
                 {QDate(3, 4, 30), QDate(3, 5, 1), QDate(3, 5, 13), QDate(3, 5, 31)})
                may[size_t(oldCell(May3, day))] = noteOf(day);
            store.writeMonth(NoteStore::yearMonthKey(May3), may);
            MonthCells october;
            for (const int d : {1, 4, 7, 12, 15, 31})
                october[size_t(oldCell(October1582, QDate(1582, 10, d)))] =
                    noteOf(QDate(1582, 10, d));
            store.writeMonth(NoteStore::yearMonthKey(October1582), october);
            MonthCells modern;
            modern[10] = rtf("2024");
            store.writeMonth(NoteStore::yearMonthKey(2024, 5), modern);
            store.writeDayPlan(NoteStore::dayKey(3, 5, 13), rtf("plan"));
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "old");
            db.setDatabaseName(file());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version = 2")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("old"));
    }

    std::unique_ptr<NoteStore>
    openStore(NoteStore::OpenMode mode = NoteStore::OpenMode::OpenExisting, bool join = true) {
        auto store = std::make_unique<NoteStore>();
        store->setPlainText(&richtext::plainText);
        if (join) store->setNoteJoin(&richtext::joined);
        store->open(file(), mode);
        return store;
    }

    // The plain texts of a month's cells.
    static QStringList texts(const NoteStore &store, const QDate &month) {
        const MonthCells cells = store.readMonth(NoteStore::yearMonthKey(month));
        QStringList out;
        for (const QByteArray &cell : cells) out << richtext::plainText(cell);
        return out;
    }

    // What the month's 42 cells must hold after the move.
    static QStringList expected(const QDate &month, const QList<QPair<QDate, QString>> &notes) {
        QStringList out(MonthGrid::CellCount);
        const MonthGrid grid(month);
        for (const auto &[day, text] : notes) out[grid.cellOf(day)] = text;
        return out;
    }

    static QStringList expectedMay() {
        return expected(May3, {{QDate(3, 4, 30), QStringLiteral("0003-04-30")},
                               {QDate(3, 5, 1), QStringLiteral("0003-05-01")},
                               {QDate(3, 5, 13), QStringLiteral("0003-05-13")},
                               {QDate(3, 5, 31), QStringLiteral("0003-05-31")}});
    }

    // The 7th's note is appended to the 4th's, the 12th's to the 15th's: the nearest day.
    static QStringList expectedOctober() {
        return expected(October1582,
                        {{QDate(1582, 10, 1), QStringLiteral("1582-10-01")},
                         {QDate(1582, 10, 4), QStringLiteral("1582-10-04\n1582-10-07")},
                         {QDate(1582, 10, 15), QStringLiteral("1582-10-15\n1582-10-12")},
                         {QDate(1582, 10, 31), QStringLiteral("1582-10-31")}});
    }

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        writeOldFile();
    }

    void notesMoveToTheirDays() {
        // The old grid put 1 May 3 under Thursday; it was a Tuesday.
        QCOMPARE(oldCell(May3, May3), 4);
        QCOMPARE(MonthGrid(May3).cellOfDay(1), 2);
        auto store = openStore();
        QCOMPARE(store->userVersion(), NoteStore::SchemaVersion);
        QCOMPARE(texts(*store, May3), expectedMay());
        QCOMPARE(texts(*store, October1582), expectedOctober());
        QCOMPARE(richtext::plainText(store->readMonth(NoteStore::yearMonthKey(2024, 5))[10]),
                 QStringLiteral("2024"));
        QCOMPARE(richtext::plainText(store->readDayPlan(NoteStore::dayKey(3, 5, 13))),
                 QStringLiteral("plan"));

        // The search finds each note on its day.
        const std::vector<SearchHit> hits = NoteSearch(*store).find(QStringLiteral("0003-05-13"));
        QCOMPARE(hits.size(), size_t(1));
        QCOMPARE(hits[0].note.place.slot, MonthGrid(May3).cellOfDay(13));
        QCOMPARE(hits[0].note.place.date, QDate(3, 5, 13));
        const std::vector<SearchHit> dropped =
            NoteSearch(*store).find(QStringLiteral("1582-10-07"));
        QCOMPARE(dropped.size(), size_t(1));
        QCOMPARE(dropped[0].note.place.date, QDate(1582, 10, 4));
    }

    void secondOpenMovesNothing() {
        openStore().reset();
        const QString migrated = dump(file());
        QVERIFY(migrated.startsWith(QStringLiteral("version %1\n").arg(NoteStore::SchemaVersion)));
        auto store = openStore();
        QCOMPARE(texts(*store, May3), expectedMay());
        QCOMPARE(texts(*store, October1582), expectedOctober());
        store.reset();
        QCOMPARE(dump(file()), migrated);
    }

    void readOnlyOpenShowsTheMoveButWritesNothing() {
        const QString before = dump(file());
        auto store = openStore(NoteStore::OpenMode::ReadOnly);
        QCOMPARE(texts(*store, May3), expectedMay());
        QCOMPARE(texts(*store, October1582), expectedOctober());
        store.reset();
        QCOMPARE(dump(file()), before);
        // The upgrade comes with the first writable open.
        QCOMPARE(texts(*openStore(), October1582), expectedOctober());
    }

    void damagedIndexDoesNotStopTheUpgrade() {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "damage");
            db.setDatabaseName(file());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("UPDATE NoteTextIndex_data SET block = x'ffffffffffffffff'"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("damage"));
        auto store = openStore();
        QVERIFY(!store->isReadOnly());
        QCOMPARE(store->userVersion(), NoteStore::SchemaVersion);
        QCOMPARE(texts(*store, October1582), expectedOctober());
        const std::vector<SearchHit> hits = NoteSearch(*store).find(QStringLiteral("1582-10-12"));
        QCOMPARE(hits.size(), size_t(1));
        QCOMPARE(hits[0].note.place.date, QDate(1582, 10, 15));
    }

    void withoutJoinNoNoteIsLost() {
        // Without a way to join rich text, a note meeting another goes to the nearest empty cell.
        auto store = openStore(NoteStore::OpenMode::OpenExisting, false);
        const QStringList october = texts(*store, October1582);
        const MonthGrid grid(October1582);
        QCOMPARE(october[grid.cellOfDay(4)], QStringLiteral("1582-10-04"));
        QCOMPARE(october[grid.cellOfDay(4) - 1], QStringLiteral("1582-10-07"));
        QCOMPARE(october[grid.cellOfDay(15)], QStringLiteral("1582-10-15"));
        QCOMPARE(october[grid.cellOfDay(15) + 1], QStringLiteral("1582-10-12"));
        QCOMPARE(october.count(QString()), MonthGrid::CellCount - 6);
    }
};

QTEST_MAIN(TestOldMonthLayout)
#include "tst_OldMonthLayout.moc"
