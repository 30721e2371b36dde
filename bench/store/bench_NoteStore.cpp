// Month page save and load and a memo line write on a database holding 100 years of months
// and day plans, with the journal and sync settings the program uses.
#include "NoteStore.h"

#include <QCoreApplication>
#include <QDate>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

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
        store.open(dir.filePath("CalendarD.db"), NoteStore::OpenMode::CreateIfMissing);
        // 100 years: every month page and the day plan of every day.
        for (int year = 1950; year < 2050; ++year) {
            for (int month = 1; month <= 12; ++month) {
                MonthPage page = samplePage(year + month);
                const QDate first(year, month, 1);
                for (int d = 1; d <= first.daysInMonth(); ++d)
                    store.writeDayPlan(NoteStore::dayKey(year, month, d), page.dayPlan);
                store.writeMonth(NoteStore::yearMonthKey(year, month), page.cells);
            }
        }
        store.reconnect();
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

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    fixture();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
