// The gate's check of a stored password and the settings dialog's making of a new hash.
// Both should take about 0.1-0.3 s: slow for someone guessing, quick enough for the user.
#include "lock/GateCheck.h"
#include "lock/PasswordHash.h"

#include <QString>
#include <benchmark/benchmark.h>

static void BM_Verify(benchmark::State &state) {
    QString line, error;
    if (!PasswordHash::hash(QStringLiteral("geheim7"), line, error)) {
        state.SkipWithError("hash failed");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(GateCheck::matches(line, QStringLiteral("geheim7")));
}
BENCHMARK(BM_Verify)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

static void BM_Hash(benchmark::State &state) {
    for (auto _ : state) {
        QString line, error;
        benchmark::DoNotOptimize(PasswordHash::hash(QStringLiteral("geheim7"), line, error));
    }
}
BENCHMARK(BM_Hash)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

BENCHMARK_MAIN();
