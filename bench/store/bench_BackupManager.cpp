// The daily copy of a database holding 30 years of notes (every month page and a day plan for
// every day): the copy itself (VACUUM INTO, sync, quick_check, rename) and the check at start.
// Target: a copy in under a second. And the event loop while the daily copy of 100 years of
// notes is made on its thread: the longest gap between the ticks of a 1 ms timer (goal: no gap
// over 16 ms, one frame).
#include "CoreBenchMain.h"
#include "NoteYears.h"
#include "store/BackupManager.h"
#include "store/BackupRunner.h"
#include "store/NoteStore.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include <benchmark/benchmark.h>

namespace {

struct Fixture {
    QTemporaryDir dir;
    QString file = dir.filePath("DB3/CalendarD.db");
    explicit Fixture(int years) {
        QDir().mkpath(dir.filePath("DB3"));
        {
            NoteStore store;
            store.open(file, NoteStore::OpenMode::CreateIfMissing);
        }
        benchdata::fillYears(file, years);
        BackupManager::checkpoint(file);
    }
};

Fixture &fixture() {
    static Fixture f(30);
    return f;
}

Fixture &century() {
    static Fixture f(100);
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

// The daily copy as the program makes it after the first show: on the copying thread, while
// the event loop runs a 1 ms timer. Each round copies a new day (rotation as in use).
void BM_EventLoopGapDuringDailyBackup100Years(benchmark::State &state) {
    BackupManager manager(century().file, century().dir.filePath("DB3/backup"));
    BackupRunner runner(manager);
    QDate day(2025, 6, 1);
    qint64 longestGapUs = 0;
    qint64 ticks = 0;
    for (auto _ : state) {
        day = day.addDays(1);
        QEventLoop loop;
        QObject::connect(&runner, &BackupRunner::finished, &loop, &QEventLoop::quit);
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        QElapsedTimer since;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            longestGapUs = std::max(longestGapUs, since.nsecsElapsed() / 1000);
            since.start();
            ++ticks;
        });
        since.start();
        timer.start(1);
        runner.startDaily(day);
        loop.exec();
        longestGapUs = std::max(longestGapUs, since.nsecsElapsed() / 1000);
        runner.wait();
    }
    state.counters["longest_gap_ms"] = double(longestGapUs) / 1000;
    state.counters["ticks"] = double(ticks) / double(state.iterations());
    state.counters["MiB"] = double(QFileInfo(century().file).size()) / (1024 * 1024);
}
BENCHMARK(BM_EventLoopGapDuringDailyBackup100Years)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

// A copy stopped half way (a close or SIGTERM during the daily copy of 100 years of notes): the
// time from the request to the runner's end, against a whole copy in the same run (goal: a
// small fraction, the copy's current step only).
void BM_StopDuringDailyBackup100Years(benchmark::State &state) {
    BackupManager manager(century().file, century().dir.filePath("DB3/backup"));
    QDate day(2030, 6, 1);
    QElapsedTimer whole;
    whole.start();
    manager.backupNow(day);
    const double copyMs = double(whole.nsecsElapsed()) / 1e6;
    double stopMs = 0;
    for (auto _ : state) {
        day = day.addDays(1);
        BackupRunner runner(manager);
        runner.startDaily(day);
        QElapsedTimer started;
        started.start();
        while (started.elapsed() < copyMs / 3) QCoreApplication::processEvents();
        QElapsedTimer stopping;
        stopping.start();
        runner.cancel();
        runner.wait();
        const double ms = double(stopping.nsecsElapsed()) / 1e6;
        state.SetIterationTime(ms / 1000);
        stopMs = std::max(stopMs, ms);
    }
    state.counters["whole_copy_ms"] = copyMs;
    state.counters["longest_stop_ms"] = stopMs;
    state.counters["stop_vs_copy"] = stopMs / copyMs;
}
BENCHMARK(BM_StopDuringDailyBackup100Years)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseManualTime();

// The machine's own noise for the figure above: the same loop and timer for as long, without
// a copy (other programs, the two cores shared).
void BM_EventLoopGapIdle(benchmark::State &state) {
    qint64 longestGapUs = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QTimer timer;
        timer.setTimerType(Qt::PreciseTimer);
        QElapsedTimer since;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            longestGapUs = std::max(longestGapUs, since.nsecsElapsed() / 1000);
            since.start();
        });
        QTimer::singleShot(state.range(0), &loop, &QEventLoop::quit);
        since.start();
        timer.start(1);
        loop.exec();
    }
    state.counters["longest_gap_ms"] = double(longestGapUs) / 1000;
}
BENCHMARK(BM_EventLoopGapIdle)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

// The same copy made on the event loop's own thread, as before: the window's stall is the copy.
void BM_DailyBackup100YearsOnTheLoopThread(benchmark::State &state) {
    BackupManager manager(century().file, century().dir.filePath("DB3/backup-here"));
    QDate day(2025, 6, 1);
    for (auto _ : state) manager.backupNow(day = day.addDays(1));
}
BENCHMARK(BM_DailyBackup100YearsOnTheLoopThread)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv) {
    return runCoreBenchmarks(argc, argv, [] { fixture(); });
}
