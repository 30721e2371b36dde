// Search of 30 years of daily notes: queries of one, two and four Chinese characters through
// NoteSearch, the upgrade that indexes such a file, the cost the index adds to a month save and
// the later update of the full-text index.
#include "CoreBenchMain.h"
#include "richtext/RichText.h"
#include "store/NoteSearch.h"
#include "store/NoteStore.h"

#include <QDate>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int Years = 30;
constexpr int FirstYear = 1995;

// About 200 Chinese characters from a pool of words, different for every seed; one note in
// twenty holds "项目会议".
QString noteText(int seed) {
    static const char16_t *const words[] = {
        u"今天", u"开会", u"天气", u"晴朗", u"买菜", u"读书", u"写信", u"朋友", u"吃饭",
        u"散步", u"打扫", u"电话", u"医院", u"学校", u"作业", u"上班", u"下雨", u"公园",
        u"火车", u"飞机", u"银行", u"超市", u"生日", u"礼物", u"电影", u"音乐", u"跑步",
        u"游泳", u"早餐", u"午饭", u"晚饭", u"水果", u"蔬菜", u"报纸", u"杂志", u"邮件"};
    constexpr unsigned count = sizeof(words) / sizeof(words[0]);
    QString text;
    unsigned x = unsigned(seed) * 2654435761u + 1;
    if (seed % 20 == 0) text += QStringLiteral("项目会议");
    while (text.size() < 200) {
        x = x * 1103515245u + 12345u;
        text += QString::fromUtf16(words[(x >> 16) % count]);
    }
    return text;
}

QByteArray rtfOf(const QString &text) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ";
    for (const QChar c : text) rtf += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    return rtf + "\\par}";
}

// A file of the version before the index: a note in the month cell of every day.
struct Fixture {
    QTemporaryDir dir;
    QString older = dir.filePath("older.db");
    QString current = dir.filePath("CalendarD.db");
    int notes = 0;

    Fixture() {
        {
            NoteStore store;
            store.open(older, NoteStore::OpenMode::CreateIfMissing);
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-search-fill");
            db.setDatabaseName(older);
            if (!db.open()) qFatal("cannot open %s", qPrintable(older));
            QSqlQuery q(db);
            for (const char *sql : {"DROP TABLE NoteTextIndex", "DROP TABLE NoteText",
                                    "DROP TABLE NoteTextState", "PRAGMA user_version = 1"})
                if (!q.exec(QString::fromLatin1(sql))) qFatal("%s failed", sql);
            q.exec("BEGIN");
            QSqlQuery month(db);
            month.prepare("INSERT INTO TailiNew VALUES (?" + QString(",?").repeated(42) + ")");
            for (int year = FirstYear; year < FirstYear + Years; ++year) {
                for (int m = 1; m <= 12; ++m) {
                    const QDate first(year, m, 1);
                    const int lead = first.dayOfWeek() % 7;
                    month.addBindValue(NoteStore::yearMonthKey(year, m));
                    for (int i = 0; i < NoteStore::CellCount; ++i) {
                        const int day = i - lead + 1;
                        if (day >= 1 && day <= first.daysInMonth()) {
                            month.addBindValue(rtfOf(noteText(year * 400 + m * 32 + day)));
                            ++notes;
                        } else {
                            month.addBindValue(QByteArray(""));
                        }
                    }
                    if (!month.exec()) qFatal("fill failed");
                }
            }
            q.exec("COMMIT");
        }
        QSqlDatabase::removeDatabase("bench-search-fill");
        QFile::copy(older, current);
    }
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void BM_IndexOlderFile(benchmark::State &state) {
    for (auto _ : state) {
        state.PauseTiming();
        const QString file = fixture().dir.filePath("upgrade.db");
        QFile::remove(file);
        QFile::copy(fixture().older, file);
        NoteStore store;
        store.setPlainText(&richtext::plainText);
        state.ResumeTiming();
        store.open(file);
        state.PauseTiming();
        if (!store.hasTextIndex()) state.SkipWithError("not indexed");
        store.close();
        state.ResumeTiming();
    }
    state.counters["notes"] = fixture().notes;
}
BENCHMARK(BM_IndexOlderFile)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

struct Searching {
    NoteStore store;
    Searching() {
        store.setPlainText(&richtext::plainText);
        store.open(fixture().current);
    }
};

Searching &searching() {
    static Searching s;
    return s;
}

void BM_Find(benchmark::State &state) {
    static const QString queries[] = {QStringLiteral("会"), QStringLiteral("开会"),
                                      QStringLiteral("项目会议")};
    const QString &query = queries[state.range(0)];
    NoteSearch search(searching().store);
    size_t hits = 0;
    for (auto _ : state) hits = search.find(query).size();
    state.counters["hits"] = double(hits);
}
BENCHMARK(BM_Find)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// A month save with the index (the program's store) and without it (a store without a
// PlainText function keeps no plain copies): the usual save after an edit of one cell, and one
// in which all 42 cells and the day plan changed. The full-text index takes the changed notes
// between two saves (untimed), as the program's idle update does.
void BM_MonthSave(benchmark::State &state) {
    const bool indexed = state.range(0) != 0;
    const bool allChanged = state.range(1) != 0;
    NoteStore store;
    if (indexed) store.setPlainText(&richtext::plainText);
    store.open(fixture().current);
    MonthPage page;
    for (int i = 0; i < NoteStore::CellCount; ++i) page.cells[i] = rtfOf(noteText(i));
    page.dayPlan = rtfOf(noteText(99));
    int seed = 1000;
    for (auto _ : state) {
        state.PauseTiming();
        if (allChanged) {
            for (int i = 0; i < NoteStore::CellCount; ++i) page.cells[i] = rtfOf(noteText(++seed));
            page.dayPlan = rtfOf(noteText(++seed));
        } else {
            page.cells[10] = rtfOf(noteText(++seed));
        }
        while (store.updateTextIndex(1000)) {
        }
        state.ResumeTiming();
        store.writeMonthPage(NoteStore::yearMonthKey(2030, 1), page, NoteStore::dayKey(2030, 1, 1));
    }
    state.SetLabel(QStringLiteral("%1, %2")
                       .arg(indexed ? "with index" : "without index",
                            allChanged ? "every cell changed" : "one cell changed")
                       .toStdString());
}
BENCHMARK(BM_MonthSave)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

// What the save no longer pays: the full-text index taking the notes of a month save in which
// all 42 cells and the day plan changed, in batches of `range(0)` rows (the program's idle
// update takes 100 at a time), each in its own transaction.
void BM_IndexUpdate(benchmark::State &state) {
    const int batch = int(state.range(0));
    NoteStore store;
    store.setPlainText(&richtext::plainText);
    store.open(fixture().current);
    MonthPage page;
    int seed = 5000;
    int batches = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < NoteStore::CellCount; ++i) page.cells[i] = rtfOf(noteText(++seed));
        page.dayPlan = rtfOf(noteText(++seed));
        store.writeMonthPage(NoteStore::yearMonthKey(2031, 1), page, NoteStore::dayKey(2031, 1, 1));
        state.ResumeTiming();
        batches = 1;
        while (store.updateTextIndex(batch)) ++batches;
    }
    state.counters["batches"] = batches;
}
BENCHMARK(BM_IndexUpdate)
    ->Arg(100)
    ->Arg(10)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly();

} // namespace

int main(int argc, char **argv) {
    return runCoreBenchmarks(argc, argv, [] { fixture(); });
}
