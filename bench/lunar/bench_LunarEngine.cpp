#include "lunar/CivilDate.h"
#include "lunar/LunarDate.h"
#include "lunar/SolarTerms.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace lunar;

namespace {

std::vector<CivilDate> daysOf1900To2100() {
    std::vector<CivilDate> days;
    const int last = CivilDayNumber(2100, 12, 31);
    for (int n = CivilDayNumber(1900, 1, 1); n <= last; ++n) {
        CivilDate c;
        CivilDateOfDayNumber(n, c.year, c.month, c.day);
        days.push_back(c);
    }
    return days;
}

void convertAll(benchmark::State &state, const std::vector<CivilDate> &days) {
    for (auto _ : state) {
        for (const CivilDate &c : days) {
            LunarDate l;
            benchmark::DoNotOptimize(CivilToLunar(c, l));
            benchmark::DoNotOptimize(l);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(days.size()));
}

void BM_CivilToLunarInDateOrder(benchmark::State &state) {
    static const std::vector<CivilDate> days = daysOf1900To2100();
    convertAll(state, days);
}
BENCHMARK(BM_CivilToLunarInDateOrder)->Unit(benchmark::kMillisecond);

void BM_CivilToLunarShuffled(benchmark::State &state) {
    static const std::vector<CivilDate> days = [] {
        std::vector<CivilDate> all = daysOf1900To2100();
        std::shuffle(all.begin(), all.end(), std::mt19937(20240210));
        return all;
    }();
    convertAll(state, days);
}
BENCHMARK(BM_CivilToLunarShuffled)->Unit(benchmark::kMillisecond);

void BM_LunarToCivil(benchmark::State &state) {
    static const std::vector<LunarDate> lunar = [] {
        std::vector<LunarDate> all;
        for (const CivilDate &c : daysOf1900To2100()) {
            LunarDate l;
            if (CivilToLunar(c, l)) all.push_back(l);
        }
        return all;
    }();
    for (auto _ : state) {
        for (const LunarDate &l : lunar) {
            CivilDate c;
            benchmark::DoNotOptimize(LunarToCivil(l, c));
            benchmark::DoNotOptimize(c);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lunar.size()));
}
BENCHMARK(BM_LunarToCivil)->Unit(benchmark::kMillisecond);

// A first conversion in a year pays for building that year's values; every run takes
// years not used before in the process.
void BM_CivilToLunarFirstUseOfYear(benchmark::State &state) {
    static int y = 1;
    for (auto _ : state) {
        if (y > 1899) {
            state.SkipWithError("ran out of fresh years");
            break;
        }
        LunarDate l;
        benchmark::DoNotOptimize(CivilToLunar(CivilDate{y, 6, 15}, l));
        y += 2;
    }
}
BENCHMARK(BM_CivilToLunarFirstUseOfYear)->Iterations(250);

void BM_SolarTermText(benchmark::State &state) {
    int n = CivilDayNumber(2024, 1, 1);
    for (auto _ : state) {
        CivilDate c;
        CivilDateOfDayNumber(n, c.year, c.month, c.day);
        benchmark::DoNotOptimize(SolarTermText(c.year, c.month, c.day));
        if (++n > CivilDayNumber(2024, 12, 31)) n = CivilDayNumber(2024, 1, 1);
    }
}
BENCHMARK(BM_SolarTermText);

} // namespace

BENCHMARK_MAIN();
