#include "UpgradeFixtures.h"
#include "richtext/RichText.h"
#include "store/NoteSearch.h"
#include "store/NoteStore.h"
#include "store/TextFold.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <map>
#include <memory>

namespace {

using testfiles::rtf;

// RTF \uN escapes for a text, so fixtures need no code page.
QByteArray escaped(const QString &text) {
    QByteArray out;
    for (const QChar c : text)
        out += c.unicode() < 0x80 ? QByteArray(1, char(c.unicode()))
                                  : "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    return out;
}

const QString March = NoteStore::yearMonthKey(2024, 3); // grid from Sunday 2024-02-25
constexpr int March5Cell = 9;

QStringList placesOf(const std::vector<SearchHit> &hits) {
    QStringList out;
    for (const SearchHit &h : hits) out << NoteSearch::placeName(h.note.place);
    return out;
}

// The rows of a query on the file, through a connection of its own (what is committed), each
// row's columns joined by '|'.
QStringList rowsOf(const QString &file, const QString &sql) {
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "side");
        db.setDatabaseName(file);
        if (!db.open()) qFatal("cannot open %s", qPrintable(file));
        QSqlQuery q(db);
        if (!q.exec(sql)) qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
        while (q.next()) {
            QStringList columns;
            for (int i = 0; i < q.record().count(); ++i) columns << q.value(i).toString();
            rows << columns.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("side"));
    return rows;
}

// The FTS index's own rows for a phrase, without the pending rows or the store's exact check.
QStringList indexMatches(const QString &file, const QString &phrase) {
    QStringList rows =
        rowsOf(file, QStringLiteral("SELECT rowid FROM NoteTextIndex WHERE NoteTextIndex MATCH "
                                    "'\"%1\"'")
                         .arg(textfold::fold(phrase)));
    rows.sort();
    return rows;
}

// The rows whose plain copy holds `query`, read one by one.
QStringList scannedRows(const QString &file, const QString &query) {
    QStringList rows;
    const QString folded = textfold::fold(query);
    for (const QString &row : rowsOf(file, QStringLiteral("SELECT rowid, ifnull(folded, text) "
                                                          "FROM NoteText"))) {
        const int bar = int(row.indexOf(QLatin1Char('|')));
        if (row.mid(bar + 1).contains(folded)) rows << row.left(bar);
    }
    rows.sort();
    return rows;
}

// Runs a statement on the file through a connection of its own; the database's message on failure.
QString rowidOf(const QString &file, const NotePlace &place) {
    return rowsOf(file, QStringLiteral("SELECT rowid FROM NoteText WHERE kind = %1 AND key = '%2' "
                                       "AND slot = %3")
                            .arg(int(place.kind))
                            .arg(place.key)
                            .arg(place.slot))
        .value(0);
}

} // namespace

class TestNoteSearch : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<NoteStore> m_store;

    QString file() const { return m_dir->filePath(QStringLiteral("CalendarD.db")); }

    void openStore() {
        m_store = std::make_unique<NoteStore>();
        m_store->setPlainText(&richtext::plainText);
        m_store->open(file(), NoteStore::OpenMode::CreateIfMissing);
    }

    // A note in every kind of place; "开" in bold in the March cell, so "开会" runs across two
    // formatting runs.
    void fill() {
        MonthCells march;
        march[March5Cell] =
            rtf(escaped(QStringLiteral("今天")) + "{\\b " + escaped(QStringLiteral("开")) + "}" +
                escaped(QStringLiteral("会讨论 Kestrova 项目")));
        m_store->writeMonth(March, march);
        MonthCells january;
        january[10] = rtf(escaped(QStringLiteral("年初开会")));
        m_store->writeMonth(NoteStore::yearMonthKey(2023, 1), january);
        m_store->writeDayPlan(NoteStore::dayKey(2024, 3, 5),
                              rtf(escaped(QStringLiteral("买菜 ５月２０日 交电费"))));
        YearNotes year;
        year[2] = rtf(escaped(QStringLiteral("春季 Spring Plan")));
        m_store->writeYearNotes(2024, year);
        SheetNotes general;
        general.texts[6] = QStringLiteral("第七行 开会记录");
        m_store->writeSheet(NoteStore::Sheet::General, March, general);
        SheetNotes calendar;
        calendar.texts[11] = QStringLiteral("日历 会议");
        m_store->writeSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey, calendar);
        m_store->writeMemoLine(3, QStringLiteral("备忘 开会"));
    }

    QStringList find(const QString &query, const std::vector<NoteText> &unsaved = {}) {
        return placesOf(NoteSearch(*m_store).find(query, unsaved));
    }

    void updateWholeIndex() {
        while (m_store->updateTextIndex(100)) {
        }
        QVERIFY(!m_store->textIndexPending());
    }

    enum Edit { ChangedNote, RemovedNote, ReusedRowid, ReusedRowidAfterAnUpdate };

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        openStore();
        fill();
    }
    void cleanup() {
        m_store.reset();
        m_dir.reset();
    }

    void queries_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("places");
        const QString memo = QStringLiteral("备忘录 第3行");
        const QString calendar = QStringLiteral("日历记事 第12行");
        const QString cell = QStringLiteral("2024年3月5日 · 月历");
        const QString general = QStringLiteral("2024年3月 · 一般记事 第7行");
        const QString january = QStringLiteral("2023年1月11日 · 月历");
        QTest::newRow("one Chinese character")
            << QStringLiteral("会") << QStringList{memo, calendar, cell, general, january};
        QTest::newRow("two characters across formatting runs")
            << QStringLiteral("开会") << QStringList{memo, cell, general, january};
        QTest::newRow("four characters") << QStringLiteral("开会讨论") << QStringList{cell};
        QTest::newRow("three characters, two places")
            << QStringLiteral("开会记") << QStringList{general};
        QTest::newRow("Latin, other case")
            << QStringLiteral("SPRING plan") << QStringList{QStringLiteral("2024年 · 三月份")};
        QTest::newRow("full-width Latin")
            << QStringLiteral("ｋｅｓｔｒｏｖａ") << QStringList{cell};
        QTest::newRow("half-width digits find full-width ones")
            << QStringLiteral("5月20") << QStringList{QStringLiteral("日安排 2024年3月5日")};
        QTest::newRow("full-width digit, one character")
            << QStringLiteral("５") << QStringList{QStringLiteral("日安排 2024年3月5日")};
        QTest::newRow("Chinese is exact") << QStringLiteral("會議") << QStringList{};
        QTest::newRow("nothing") << QStringLiteral("不存在") << QStringList{};
        QTest::newRow("blank") << QStringLiteral("  ") << QStringList{};
    }
    void queries() {
        QFETCH(QString, query);
        QFETCH(QStringList, places);
        QCOMPARE(find(query), places);
    }

    void matchIsLocatedInTheText() {
        const std::vector<SearchHit> hits = NoteSearch(*m_store).find(QStringLiteral("ＫＥＳ"));
        QCOMPARE(hits.size(), size_t(1));
        QCOMPARE(hits[0].note.text.mid(hits[0].start, hits[0].length), QStringLiteral("Kes"));
        const NoteSearch::Snippet s = NoteSearch::snippet(hits[0], 3);
        QCOMPARE(s.text, QStringLiteral("…讨论 Kestro…"));
        QCOMPARE(s.text.mid(s.start, s.length), QStringLiteral("Kes"));
        // Positions in a text whose folded form is longer than itself.
        const auto [start, length] = NoteSearch::locate(QStringLiteral("㍻ab１２"), "B12");
        QCOMPARE(start, 2);
        QCOMPARE(length, 3);
    }

    void indexFollowsSaves() {
        MonthCells march = m_store->readMonth(March);
        march[March5Cell] = rtf(escaped(QStringLiteral("苹果派")));
        m_store->writeMonth(March, march);
        QCOMPARE(find(QStringLiteral("开会讨论")), QStringList{});
        QCOMPARE(find(QStringLiteral("苹果派")),
                 QStringList{QStringLiteral("2024年3月5日 · 月历")});
        MonthPage page;
        page.cells = march;
        page.cells[March5Cell].clear();
        page.dayPlan = rtf(escaped(QStringLiteral("苹果派")));
        m_store->writeMonthPage(March, page, NoteStore::dayKey(2024, 3, 6));
        QCOMPARE(find(QStringLiteral("苹果")), QStringList{QStringLiteral("日安排 2024年3月6日")});
        // Kept cells keep their index entries.
        page.keep.fill(true);
        page.keepDayPlan = true;
        page.cells[0] = rtf(escaped(QStringLiteral("苹果")));
        m_store->writeMonthPage(March, page, NoteStore::dayKey(2024, 3, 6));
        QCOMPARE(find(QStringLiteral("苹果")), QStringList{QStringLiteral("日安排 2024年3月6日")});

        m_store->writeMemoLine(3, QStringLiteral("备忘"));
        SheetNotes general;
        m_store->writeSheet(NoteStore::Sheet::General, March, general);
        QCOMPARE(find(QStringLiteral("开会")), QStringList{QStringLiteral("2023年1月11日 · 月历")});
        m_store->writeYearNotes(2024, YearNotes{});
        QCOMPARE(find(QStringLiteral("spring")), QStringList{});

        // A reopen finds the same.
        openStore();
        QCOMPARE(find(QStringLiteral("苹果")), QStringList{QStringLiteral("日安排 2024年3月6日")});
    }

    void editsAreFoundBeforeAndAfterTheIndexUpdate_data() {
        QTest::addColumn<int>("edit");
        QTest::addColumn<QString>("oldText");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QStringList>("newPlaces");
        const QStringList memo5{QStringLiteral("备忘录 第5行")};
        QTest::newRow("changed note")
            << int(ChangedNote) << QStringLiteral("开会讨论") << QStringLiteral("苹果派的做法")
            << QStringList{QStringLiteral("2024年3月5日 · 月历")};
        QTest::newRow("removed note")
            << int(RemovedNote) << QStringLiteral("备忘 开会") << QString() << QStringList{};
        QTest::newRow("new note under a removed note's rowid")
            << int(ReusedRowid) << QStringLiteral("备忘 开会") << QStringLiteral("重用的行号")
            << memo5;
        QTest::newRow("rowid reused after the index took the removal")
            << int(ReusedRowidAfterAnUpdate) << QStringLiteral("备忘 开会")
            << QStringLiteral("重用的行号") << memo5;
    }
    // Saves leave the full-text index behind until it is updated; searches are exact all along:
    // the index's matches of an old text are dropped, the new text is found among the pending
    // rows. A removed row's rowid is given to the next new row while the index may still hold
    // the removed text under it.
    void editsAreFoundBeforeAndAfterTheIndexUpdate() {
        QFETCH(int, edit);
        QFETCH(QString, oldText);
        QFETCH(QString, newText);
        QFETCH(QStringList, newPlaces);
        updateWholeIndex();
        QCOMPARE(indexMatches(file(), oldText).size(), 1);
        // The memo line was written last: its row has the largest rowid.
        const NotePlace memo3 =
            NoteStore::placeOf(NotePlace::Kind::MemoLine, NoteStore::MemoKey, 2);
        const NotePlace memo5 =
            NoteStore::placeOf(NotePlace::Kind::MemoLine, NoteStore::MemoKey, 4);
        const QString memo3Row = rowidOf(file(), memo3);
        if (edit == ChangedNote) {
            MonthCells march = m_store->readMonth(March);
            march[March5Cell] = rtf(escaped(newText));
            m_store->writeMonth(March, march);
        } else {
            QVERIFY(m_store->writeMemoLine(3, QString()));
            if (edit == ReusedRowidAfterAnUpdate) updateWholeIndex();
            if (edit != RemovedNote) {
                QVERIFY(m_store->writeMemoLine(5, newText));
                QCOMPARE(rowidOf(file(), memo5), memo3Row);
            }
        }
        QVERIFY(m_store->textIndexPending());
        for (const bool updated : {false, true}) {
            if (updated) {
                // One row at a time, each in its own transaction.
                while (m_store->updateTextIndex(1)) {
                }
                QVERIFY(!m_store->textIndexPending());
            }
            QCOMPARE(find(oldText), QStringList{});
            if (!newText.isEmpty()) QCOMPARE(find(newText), newPlaces);
        }
        QCOMPARE(indexMatches(file(), oldText), QStringList{});
        if (!newText.isEmpty()) QCOMPARE(indexMatches(file(), newText).size(), 1);
    }

    void randomEditsMatchAScanOfThePlainCopies_data() {
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : {1u, 2u, 3u, 4u}) QTest::addRow("seed %u", seed) << seed;
    }
    // Saves, edits and removals in many places with index updates of random size at random
    // moments: every three-character query finds exactly the notes whose plain copy holds it,
    // and once the index is up to date, the index alone holds exactly those.
    void randomEditsMatchAScanOfThePlainCopies() {
        QFETCH(quint32, seed);
        QRandomGenerator random(seed);
        // "A" folds to "a": such rows keep a folded text of their own.
        const QStringList letters{QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙"),
                                  QStringLiteral("a"), QStringLiteral("A")};
        const auto randomText = [&] {
            QString text;
            for (int n = random.bounded(0, 10); n > 0; --n) text += letters[random.bounded(5)];
            return text;
        };
        QStringList queries;
        for (const QString &a : letters.mid(0, 4))
            for (const QString &b : letters.mid(0, 4))
                for (const QString &c : letters.mid(0, 4)) queries << a + b + c;
        const auto placeKey = [](const NotePlace &p) {
            return QStringLiteral("%1|%2|%3").arg(int(p.kind)).arg(p.key).arg(p.slot);
        };
        const auto check = [&](int step) {
            const QStringList rows = rowsOf(
                file(),
                QStringLiteral("SELECT kind, key, slot, ifnull(folded, text) FROM NoteText"));
            for (const QString &query : queries) {
                QStringList scanned;
                for (const QString &row : rows)
                    if (row.section(QLatin1Char('|'), 3).contains(textfold::fold(query)))
                        scanned << row.section(QLatin1Char('|'), 0, 2);
                QStringList found;
                for (const SearchHit &hit : NoteSearch(*m_store).find(query))
                    found << placeKey(hit.note.place);
                scanned.sort();
                found.sort();
                if (found != scanned)
                    return QStringLiteral("step %1, query %2: found %3, plain copies %4")
                        .arg(step)
                        .arg(query, found.join(QLatin1Char(' ')), scanned.join(QLatin1Char(' ')));
            }
            return QString();
        };
        const QString months[] = {NoteStore::yearMonthKey(2024, 4),
                                  NoteStore::yearMonthKey(2024, 5)};
        SheetNotes sheet;
        for (int step = 0; step < 200; ++step) {
            switch (random.bounded(6)) {
            case 0:
            case 1:
                m_store->writeMemoLine(random.bounded(1, 12), randomText());
                break;
            case 2:
                for (int k = random.bounded(1, 4); k > 0; --k)
                    sheet.texts[size_t(random.bounded(6))] = randomText();
                m_store->writeSheet(NoteStore::Sheet::General, months[0], sheet);
                break;
            case 3:
            case 4: {
                const QString &month = months[random.bounded(2)];
                MonthCells cells = m_store->readMonth(month);
                const QString text = randomText();
                cells[size_t(random.bounded(8))] =
                    text.isEmpty() ? QByteArray() : rtf(escaped(text));
                m_store->writeMonth(month, cells);
                break;
            }
            default:
                m_store->updateTextIndex(random.bounded(1, 6));
                break;
            }
            if (step % 10 == 9) {
                const QString mismatch = check(step);
                QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
            }
        }
        updateWholeIndex();
        const QString mismatch = check(-1);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        for (const QString &query : queries)
            QCOMPARE(indexMatches(file(), query), scannedRows(file(), query));
        // For a contentless table this checks the index's own structure only.
        QCOMPARE(testfiles::alter(file(),
                                  {QStringLiteral("INSERT INTO NoteTextIndex (NoteTextIndex, rank) "
                                                  "VALUES ('integrity-check', 0)")}),
                 QString());
    }

    // A store is told when saved notes wait for the index: after a write that changed a plain
    // copy (not after one that changed none), and when it opens a file with such notes.
    void pendingNotesAreTold() {
        updateWholeIndex();
        int told = 0;
        m_store->setIndexPending([&told] { ++told; });
        QVERIFY(!m_store->writeMemoLine(3, QStringLiteral("备忘 开会")));
        SheetNotes general;
        general.texts[6] = QStringLiteral("第七行 开会记录");
        m_store->writeSheet(NoteStore::Sheet::General, March, general);
        QCOMPARE(told, 0);
        QVERIFY(!m_store->textIndexPending());
        general.texts[7] = QStringLiteral("第八行");
        m_store->writeSheet(NoteStore::Sheet::General, March, general);
        QCOMPARE(told, 1);
        m_store.reset();
        NoteStore store;
        store.setPlainText(&richtext::plainText);
        store.setIndexPending([&told] { ++told; });
        store.open(file());
        QCOMPARE(told, 2);
        QVERIFY(!store.updateTextIndex(1));
        store.open(file());
        QCOMPARE(told, 2);
        // A read-only store leaves the index alone.
        store.writeMemoLine(4, QStringLiteral("新的一行"));
        store.open(file(), NoteStore::OpenMode::ReadOnly);
        QVERIFY(store.textIndexPending());
        QVERIFY(!store.updateTextIndex(100));
        QVERIFY(store.textIndexPending());
        QCOMPARE(told, 3);
        QCOMPARE(placesOf(NoteSearch(store).find(QStringLiteral("新的一"))),
                 QStringList{QStringLiteral("备忘录 第4行")});
    }

    // A month written again keeps the plain copies of its unchanged cells; a cell another
    // connection changed since this one read the month is not taken for unchanged.
    void cellsChangedByAnotherConnectionAreIndexed() {
        const QString cell = QStringLiteral("2024年3月5日 · 月历");
        const MonthCells march = m_store->readMonth(March);
        NoteStore other;
        other.setPlainText(&richtext::plainText);
        other.open(file());
        MonthCells changed = march;
        changed[March5Cell] = rtf(escaped(QStringLiteral("别人写的")));
        other.writeMonth(March, changed);
        QCOMPARE(find(QStringLiteral("别人写的")), QStringList{cell});
        m_store->writeMonth(March, march);
        for (const bool updated : {false, true}) {
            if (updated) updateWholeIndex();
            QCOMPARE(find(QStringLiteral("别人写的")), QStringList{});
            QCOMPARE(find(QStringLiteral("开会讨论")), QStringList{cell});
        }
    }

    // A cell kept by a month page save still holds its stored note: writing the text it was
    // given then is a change.
    void keptCellWrittenLaterIsIndexed() {
        const MonthCells before = m_store->readMonth(March);
        MonthPage page;
        page.keep.fill(true);
        page.keepDayPlan = true;
        page.cells[0] = rtf(escaped(QStringLiteral("苹果")));
        m_store->writeMonthPage(March, page, NoteStore::dayKey(2024, 3, 6));
        MonthCells march = before;
        march[0] = page.cells[0];
        m_store->writeMonth(March, march);
        QCOMPARE(find(QStringLiteral("苹果")), QStringList{QStringLiteral("2024年2月25日 · 月历")});
    }

    void unsavedTextTakesThePlaceOfTheStored() {
        const NotePlace cell = NoteStore::placeOf(NotePlace::Kind::MonthCell, March, March5Cell);
        const NotePlace other =
            NoteStore::placeOf(NotePlace::Kind::MonthCell, NoteStore::yearMonthKey(2024, 1), 20);
        const std::vector<NoteText> unsaved{{cell, QStringLiteral("改掉了")},
                                            {other, QStringLiteral("新的开会")}};
        QCOMPARE(find(QStringLiteral("开会"), unsaved),
                 (QStringList{QStringLiteral("备忘录 第3行"),
                              QStringLiteral("2024年3月 · 一般记事 第7行"),
                              QStringLiteral("2024年1月20日 · 月历"),
                              QStringLiteral("2023年1月11日 · 月历")}));
    }

    // A file of the version before the index (a restored backup has that too) is indexed once
    // when opened, in the transaction of the upgrade; the notes stay as they were.
    void olderFileIsIndexedWhenOpened() {
        const MonthCells before = m_store->readMonth(March);
        m_store.reset();
        QCOMPARE(testfiles::makeVersionOne(file()), QString());

        NoteStore readOnly;
        readOnly.open(file(), NoteStore::OpenMode::ReadOnly);
        QVERIFY(!readOnly.hasTextIndex());
        QVERIFY_THROWS_EXCEPTION(StoreError, NoteSearch(readOnly).find(QStringLiteral("开会")));
        readOnly.close();

        m_store = std::make_unique<NoteStore>();
        m_store->setPlainText(&richtext::plainText);
        int lastDone = -1, lastTotal = -1;
        m_store->setIndexProgress([&](int done, int total) {
            lastDone = done;
            lastTotal = total;
        });
        m_store->open(file());
        QCOMPARE(m_store->userVersion(), NoteStore::SchemaVersion);
        QVERIFY(m_store->hasTextIndex());
        QVERIFY(lastTotal > 0);
        QCOMPARE(lastDone, lastTotal);
        QCOMPARE(find(QStringLiteral("开会")).size(), 4);
        QCOMPARE(find(QStringLiteral("开会讨论")),
                 QStringList{QStringLiteral("2024年3月5日 · 月历")});
        QCOMPARE(m_store->readMonth(March), before);
    }

    // Rich text written by a store without a PlainText function leaves the index stale, and the
    // next store that has one indexes everything again.
    void staleIndexIsRebuilt() {
        m_store.reset();
        {
            NoteStore bare;
            bare.open(file());
            MonthCells cells;
            cells[0] = rtf(escaped(QStringLiteral("无人知晓的笔记")));
            bare.writeMonth(NoteStore::yearMonthKey(2025, 6), cells);
            QVERIFY(!bare.hasTextIndex());
        }
        openStore();
        QVERIFY(m_store->hasTextIndex());
        QCOMPARE(find(QStringLiteral("无人知晓")),
                 QStringList{QStringLiteral("2025年6月1日 · 月历")});
    }

    // A file of version 3 had its index kept by triggers that wrote it in the save: it opens
    // read-only with the same results, and the upgrade keeps its index and finds as before.
    void versionThreeFileKeepsFinding() {
        const QStringList probes{QStringLiteral("会"),       QStringLiteral("开会"),
                                 QStringLiteral("开会讨论"), QStringLiteral("开会记"),
                                 QStringLiteral("SPRING"),   QStringLiteral("5月20")};
        updateWholeIndex();
        std::map<QString, QStringList> before;
        for (const QString &q : probes) before[q] = find(q);
        m_store.reset();
        QCOMPARE(testfiles::alter(
                     file(),
                     {QStringLiteral("DROP TRIGGER NoteTextAdded"),
                      QStringLiteral("DROP TRIGGER NoteTextRemoved"),
                      QStringLiteral("DROP TRIGGER NoteTextChanged"),
                      QStringLiteral("DROP TABLE NoteTextPending"),
                      QStringLiteral("CREATE TRIGGER NoteTextAdded AFTER INSERT ON NoteText BEGIN "
                                     "INSERT INTO NoteTextIndex (rowid, folded) VALUES (new.rowid, "
                                     "ifnull(new.folded, new.text)); END"),
                      QStringLiteral("CREATE TRIGGER NoteTextRemoved AFTER DELETE ON NoteText "
                                     "BEGIN INSERT INTO NoteTextIndex (NoteTextIndex, rowid, "
                                     "folded) VALUES ('delete', old.rowid, ifnull(old.folded, "
                                     "old.text)); END"),
                      QStringLiteral(
                          "CREATE TRIGGER NoteTextChanged AFTER UPDATE ON NoteText BEGIN "
                          "INSERT INTO NoteTextIndex (NoteTextIndex, rowid, folded) VALUES "
                          "('delete', old.rowid, ifnull(old.folded, old.text)); INSERT INTO "
                          "NoteTextIndex (rowid, folded) VALUES (new.rowid, ifnull(new.folded, "
                          "new.text)); END"),
                      QStringLiteral("PRAGMA user_version = 3")}),
                 QString());

        NoteStore readOnly;
        readOnly.setPlainText(&richtext::plainText);
        readOnly.open(file(), NoteStore::OpenMode::ReadOnly);
        QVERIFY(readOnly.hasTextIndex());
        for (const QString &q : probes) QCOMPARE(placesOf(NoteSearch(readOnly).find(q)), before[q]);
        readOnly.close();

        openStore();
        QCOMPARE(m_store->userVersion(), 4);
        QVERIFY(!m_store->textIndexPending());
        QCOMPARE(indexMatches(file(), QStringLiteral("开会讨论")).size(), 1);
        for (const QString &q : probes) QCOMPARE(find(q), before[q]);
        MonthCells march = m_store->readMonth(March);
        march[March5Cell] = rtf(escaped(QStringLiteral("苹果派")));
        m_store->writeMonth(March, march);
        QVERIFY(m_store->textIndexPending());
        QCOMPARE(find(QStringLiteral("开会讨论")), QStringList{});
        QCOMPARE(find(QStringLiteral("苹果派")),
                 QStringList{QStringLiteral("2024年3月5日 · 月历")});
        updateWholeIndex();
        QCOMPARE(find(QStringLiteral("开会讨论")), QStringList{});
        QCOMPARE(find(QStringLiteral("苹果派")),
                 QStringList{QStringLiteral("2024年3月5日 · 月历")});
        QCOMPARE(indexMatches(file(), QStringLiteral("开会讨论")), QStringList{});
    }

    void damagedIndexIsRebuilt() {
        const MonthCells before = m_store->readMonth(March);
        m_store.reset();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "damage");
            db.setDatabaseName(file());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("UPDATE NoteTextIndex_data SET block = x'ffffffffffffffff'"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("damage"));
        openStore();
        QCOMPARE(find(QStringLiteral("开会讨论")),
                 QStringList{QStringLiteral("2024年3月5日 · 月历")});
        QCOMPARE(find(QStringLiteral("开会记录")),
                 QStringList{QStringLiteral("2024年3月 · 一般记事 第7行")});
        QCOMPARE(m_store->readMonth(March), before);
        QCOMPARE(m_store->readMemoLines()[2], QStringLiteral("备忘 开会"));
    }

    // An index that cannot take the pending rows is marked stale by the update, which does not
    // fail; the next search makes it again from the notes, which stay as they were.
    void damagedIndexFoundByTheUpdateIsRebuilt() {
        const MonthCells before = m_store->readMonth(March);
        QVERIFY(m_store->textIndexPending());
        m_store.reset();
        QCOMPARE(testfiles::alter(
                     file(),
                     {QStringLiteral("UPDATE NoteTextIndex_data SET block = x'ffffffffffffffff'")}),
                 QString());
        openStore();
        QVERIFY(m_store->hasTextIndex());
        QVERIFY(!m_store->updateTextIndex(100));
        QVERIFY(!m_store->hasTextIndex());
        QCOMPARE(find(QStringLiteral("开会讨论")),
                 QStringList{QStringLiteral("2024年3月5日 · 月历")});
        QVERIFY(m_store->hasTextIndex());
        QVERIFY(!m_store->textIndexPending());
        QCOMPARE(indexMatches(file(), QStringLiteral("开会记录")).size(), 1);
        QCOMPARE(m_store->readMonth(March), before);
        QCOMPARE(m_store->readMemoLines()[2], QStringLiteral("备忘 开会"));
    }
};

QTEST_GUILESS_MAIN(TestNoteSearch)
#include "tst_NoteSearch.moc"
