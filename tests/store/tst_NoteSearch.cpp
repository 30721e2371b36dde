#include "richtext/RichText.h"
#include "store/NoteSearch.h"
#include "store/NoteStore.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

QByteArray rtf(const QByteArray &body) {
    return "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}"
           "\\uc1\\pard\\f0\\fs18 " +
           body + "\\par}";
}

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
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "older");
            db.setDatabaseName(file());
            QVERIFY(db.open());
            QSqlQuery q(db);
            for (const char *sql : {"DROP TABLE NoteTextIndex", "DROP TABLE NoteText",
                                    "DROP TABLE NoteTextState", "PRAGMA user_version = 1"})
                QVERIFY2(q.exec(QString::fromLatin1(sql)), sql);
        }
        QSqlDatabase::removeDatabase(QStringLiteral("older"));

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
};

QTEST_GUILESS_MAIN(TestNoteSearch)
#include "tst_NoteSearch.moc"
