// The calendar file of 30 years of daily notes: every cell of every month page and the plan of
// every day hold 200 Chinese characters, as the store keeps them (RTF). The time covers reading
// the notes, their plain text and the writing of the file's bytes.
#include "CoreBenchMain.h"
#include "NoteYears.h"
#include "export/CalendarExport.h"
#include "store/NoteStore.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int Years = 30;

struct Fixture {
    QTemporaryDir dir;
    NoteStore store;

    Fixture() {
        const QString file = dir.filePath(QStringLiteral("CalendarD.db"));
        {
            NoteStore created;
            created.open(file, NoteStore::OpenMode::CreateIfMissing);
        }
        benchdata::fillDailyNotes(file, Years);
        store.open(file);
    }
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void BM_ThirtyYearsOfDailyNotes(benchmark::State &state) {
    const QDate today = QDate::currentDate();
    const CalendarExport::Months months{today.addYears(-Years).addMonths(1), today};
    const QDateTime stamp = QDateTime::currentDateTimeUtc();
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray file = CalendarExport::calendar(fixture().store, months, stamp);
        bytes = file.size();
        benchmark::DoNotOptimize(file.constData());
    }
    state.counters["MB"] = double(bytes) / (1024.0 * 1024.0);
}
BENCHMARK(BM_ThirtyYearsOfDailyNotes)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv) {
    return runCoreBenchmarks(argc, argv, [] { fixture(); });
}
