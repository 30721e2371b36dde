// The daily copy of a database holding 30 years of notes (every month page and a day plan for
// every day): the copy itself (VACUUM INTO, sync, quick_check, rename) and the check at start.
// Target: a copy in under a second.
#include "BackupManager.h"
#include "NoteStore.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// About 300 bytes of RTF, as a rich-text cell with a line or two of Chinese text writes it.
QByteArray cellRtf(int seed) {
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 "
                     "\\'cb\\'ce\\'cc\\'e5;}}\\viewkind4\\uc1\\pard\\lang2052\\f0\\fs18 ";
    while (rtf.size() < 290) rtf += "\\u24320?\\u20250? " + QByteArray::number(seed++) + ' ';
    return rtf + "\\par}";
}

struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath("DB3/CalendarD.db");
    Fixture() {
        QDir().mkpath(dir.filePath("DB3"));
        {
            NoteStore store;
            store.open(file, NoteStore::OpenMode::CreateIfMissing);
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-fill");
            db.setDatabaseName(file);
            if (!db.open()) qFatal("cannot open %s", qPrintable(file));
            QSqlQuery(db).exec("BEGIN");
            QSqlQuery month(db), day(db);
            month.prepare("INSERT INTO TailiNew VALUES (?" + QString(",?").repeated(42) + ")");
            day.prepare("INSERT INTO TailiNew_day VALUES (?, ?)");
            for (int year = 1996; year < 2026; ++year) {
                for (int m = 1; m <= 12; ++m) {
                    month.addBindValue(NoteStore::yearMonthKey(year, m));
                    for (int i = 0; i < NoteStore::CellCount; ++i)
                        month.addBindValue(cellRtf(year + m + i));
                    if (!month.exec()) qFatal("fill failed");
                    for (int d = 1; d <= QDate(year, m, 1).daysInMonth(); ++d) {
                        day.addBindValue(NoteStore::dayKey(year, m, d));
                        day.addBindValue(cellRtf(d) + cellRtf(m));
                        if (!day.exec()) qFatal("fill failed");
                    }
                }
            }
            QSqlQuery(db).exec("COMMIT");
        }
        QSqlDatabase::removeDatabase("bench-fill");
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
