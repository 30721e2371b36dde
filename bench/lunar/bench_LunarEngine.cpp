#include "lunar/CivilDate.h"
#include "lunar/LunarDate.h"
#include "lunar/SolarTerms.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace lunar;

namespace {

std::vector<CivilDate> daysOfYears(int first, int last) {
    std::vector<CivilDate> days;
    const int end = CivilDayNumber(last, 12, 31);
    for (int n = CivilDayNumber(first, 1, 1); n <= end; ++n) {
        CivilDate c;
        CivilDateOfDayNumber(n, c.year, c.month, c.day);
        days.push_back(c);
    }
    return days;
}

std::vector<CivilDate> daysOf1900To2100() {
    return daysOfYears(1900, 2100);
}

// Years 1-1899 convert through another path than 1900-2100, so they are timed on their own.
const std::vector<CivilDate> &daysOf1To1899() {
    static const std::vector<CivilDate> days = daysOfYears(1, 1899);
    return days;
}

std::vector<LunarDate> lunarDatesOf(const std::vector<CivilDate> &days) {
    std::vector<LunarDate> all;
    for (const CivilDate &c : days) {
        LunarDate l;
        if (CivilToLunar(c, l)) all.push_back(l);
    }
    return all;
}

void convertBack(benchmark::State &state, const std::vector<LunarDate> &lunar) {
    for (auto _ : state) {
        for (const LunarDate &l : lunar) {
            CivilDate c;
            benchmark::DoNotOptimize(LunarToCivil(l, c));
            benchmark::DoNotOptimize(c);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lunar.size()));
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
    static const std::vector<LunarDate> lunar = lunarDatesOf(daysOf1900To2100());
    convertBack(state, lunar);
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

// After the first-use run, which needs years nobody has converted yet.
void BM_CivilToLunarYears1To1899(benchmark::State &state) {
    convertAll(state, daysOf1To1899());
}
BENCHMARK(BM_CivilToLunarYears1To1899)->Unit(benchmark::kMillisecond);

void BM_LunarToCivilYears1To1899(benchmark::State &state) {
    static const std::vector<LunarDate> lunar = lunarDatesOf(daysOf1To1899());
    convertBack(state, lunar);
}
BENCHMARK(BM_LunarToCivilYears1To1899)->Unit(benchmark::kMillisecond);

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
