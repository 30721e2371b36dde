// Month page save and load and a memo line write on a database holding 100 years of months
// and day plans, with the journal and sync settings the program uses.
#include "CoreBenchMain.h"
#include "store/NoteStore.h"

#include <QDate>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

#include <unistd.h>

namespace {

// About 300 bytes of RTF, as a rich-text cell with a line or two of Chinese text writes it.
QByteArray cellRtf(int seed) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}}{\\colortbl ;\\red255\\green0\\blue0;}"
                     "\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ";
    while (rtf.size() < 290) rtf += "\\u24320?\\u20250? " + QByteArray::number(seed++) + ' ';
    return rtf + "\\par}";
}

MonthPage samplePage(int seed) {
    MonthPage page;
    for (int i = 0; i < NoteStore::CellCount; ++i) page.cells[i] = cellRtf(seed + i);
    page.dayPlan = cellRtf(seed) + cellRtf(seed + 1);
    return page;
}

struct Fixture {
    QTemporaryDir dir;
    NoteStore store;
    Fixture() {
        const QString file = dir.filePath("CalendarD.db");
        store.open(file, NoteStore::OpenMode::CreateIfMissing);
        store.close();
        fill(file);
        store.open(file);
    }

    // 100 years: every month page and the day plan of every day, written in one transaction
    // through a plain connection (row by row through the store would cost a disk flush each).
    static void fill(const QString &file) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-fill");
            db.setDatabaseName(file);
            if (!db.open()) qFatal("cannot open %s", qPrintable(file));
            QSqlQuery begin(db);
            begin.exec("BEGIN");
            QSqlQuery month(db), day(db);
            month.prepare("INSERT INTO TailiNew VALUES (?" + QString(",?").repeated(42) + ")");
            day.prepare("INSERT INTO TailiNew_day VALUES (?, ?)");
            for (int year = 1950; year < 2050; ++year) {
                for (int m = 1; m <= 12; ++m) {
                    const MonthPage page = samplePage(year + m);
                    month.addBindValue(NoteStore::yearMonthKey(year, m));
                    for (const QByteArray &cell : page.cells) month.addBindValue(cell);
                    if (!month.exec()) qFatal("fill failed");
                    for (int d = 1; d <= QDate(year, m, 1).daysInMonth(); ++d) {
                        day.addBindValue(NoteStore::dayKey(year, m, d));
                        day.addBindValue(page.dayPlan);
                        if (!day.exec()) qFatal("fill failed");
                    }
                }
            }
            QSqlQuery commit(db);
            commit.exec("COMMIT");
        }
        QSqlDatabase::removeDatabase("bench-fill");
    }
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void BM_MonthPageSave(benchmark::State &state) {
    NoteStore &store = fixture().store;
    int i = 0;
    for (auto _ : state) {
        const int month = 1 + i % 12;
        store.writeMonthPage(NoteStore::yearMonthKey(2010, month), samplePage(i),
                             NoteStore::dayKey(2010, month, 5));
        ++i;
    }
}
BENCHMARK(BM_MonthPageSave)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_MonthPageLoad(benchmark::State &state) {
    NoteStore &store = fixture().store;
    int i = 0;
    for (auto _ : state) {
        const int year = 1950 + (i * 37) % 100;
        const int month = 1 + i % 12;
        MonthPage page = store.readMonthPage(NoteStore::yearMonthKey(year, month),
                                             NoteStore::dayKey(year, month, 9));
        benchmark::DoNotOptimize(page);
        ++i;
    }
}
BENCHMARK(BM_MonthPageLoad)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// What a change of the picker's date asks of the store: the reconnect, then the month's load.
void BM_DateChange(benchmark::State &state) {
    NoteStore &store = fixture().store;
    int i = 0;
    for (auto _ : state) {
        const int month = 1 + i % 12;
        store.reconnect();
        MonthPage page = store.readMonthPage(NoteStore::yearMonthKey(2010, month),
                                             NoteStore::dayKey(2010, month, 9));
        benchmark::DoNotOptimize(page);
        ++i;
    }
}
BENCHMARK(BM_DateChange)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

void BM_MemoLineWrite(benchmark::State &state) {
    NoteStore &store = fixture().store;
    int i = 0;
    for (auto _ : state) {
        // Each keystroke makes the line different from what is stored.
        store.writeMemoLine(1 + i % 11, QStringLiteral("买菜 %1").arg(i));
        ++i;
    }
}
BENCHMARK(BM_MemoLineWrite)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

// The floor under every durable save: one 4 KiB write and flush to the same disk.
void BM_DiskFlushFloor(benchmark::State &state) {
    QFile file(fixture().dir.filePath("flush-probe"));
    if (!file.open(QIODevice::ReadWrite)) qFatal("cannot create the flush probe");
    const QByteArray page(4096, 'x');
    for (auto _ : state) {
        file.seek(0);
        file.write(page);
        file.flush();
        ::fdatasync(file.handle());
    }
}
BENCHMARK(BM_DiskFlushFloor)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly();

} // namespace

int main(int argc, char **argv) {
    return runCoreBenchmarks(argc, argv, [] { fixture(); });
}
