// The daily copy of a database holding 30 years of notes (every month page and a day plan for
// every day): the copy itself (VACUUM INTO, sync, quick_check, rename) and the check at start.
// Target: a copy in under a second.
#include "NoteYears.h"
#include "store/BackupManager.h"
#include "store/NoteStore.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath("DB3/CalendarD.db");
    Fixture() {
        QDir().mkpath(dir.filePath("DB3"));
        {
            NoteStore store;
            store.open(file, NoteStore::OpenMode::CreateIfMissing);
        }
        benchdata::fillYears(file, 30);
        BackupManager::checkpoint(file);
    }
};

Fixture &fixture() {
    static Fixture f;
    return f;
}

void BM_DailyBackup30Years(benchmark::State &state) {
    BackupManager manager(fixture().file, fixture().dir.filePath("DB3/backup"));
    for (auto _ : state) manager.backupNow(QDate(2025, 6, 1));
    state.counters["MiB"] = double(QFileInfo(fixture().file).size()) / (1024 * 1024);
}
BENCHMARK(BM_DailyBackup30Years)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_QuickCheck30Years(benchmark::State &state) {
    for (auto _ : state) benchmark::DoNotOptimize(BackupManager::quickCheck(fixture().file));
}
BENCHMARK(BM_QuickCheck30Years)->Unit(benchmark::kMillisecond)->Iterations(5);

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
