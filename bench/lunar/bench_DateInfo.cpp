#include "lunar/CivilDate.h"
#include "lunar/DateInfo.h"
#include "lunar/EraTable.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace lunar;

namespace {

struct Month {
    int year, month;
    std::vector<double> dates;
};

// Every month of 1900-2100 with the Dates of its days.
const std::vector<Month> &months() {
    static const std::vector<Month> all = [] {
        std::vector<Month> result;
        for (int y = 1900; y <= 2100; ++y)
            for (int m = 1; m <= 12; ++m) {
                Month month{y, m, {}};
                for (int d = 1; d <= DaysInCivilMonth(y, m); ++d) {
                    double date = 0;
                    CivilToDate(y, m, d, date);
                    month.dates.push_back(date);
                }
                result.push_back(std::move(month));
            }
        return result;
    }();
    return all;
}

// The calendar control's month fill: one record per fill, every day of the month in date
// order; each iteration takes the next month of 1900-2100.
void BM_MonthFill(benchmark::State &state) {
    const auto &all = months();
    std::size_t i = 0;
    std::size_t days = 0;
    for (auto _ : state) {
        const Month &month = all[i];
        i = (i + 1) % all.size();
        lunar::DateInfo record;
        for (double date : month.dates) record.SetDate(date);
        benchmark::DoNotOptimize(record.DayName.data());
        days += month.dates.size();
    }
    state.SetItemsProcessed(static_cast<int64_t>(days));
}
BENCHMARK(BM_MonthFill);

// The same walk with the record kept from month to month, as one control keeps it.
void BM_MonthFillKeptRecord(benchmark::State &state) {
    const auto &all = months();
    std::size_t i = 0;
    std::size_t days = 0;
    lunar::DateInfo record;
    for (auto _ : state) {
        const Month &month = all[i];
        i = (i + 1) % all.size();
        for (double date : month.dates) record.SetDate(date);
        benchmark::DoNotOptimize(record.DayName.data());
        days += month.dates.size();
    }
    state.SetItemsProcessed(static_cast<int64_t>(days));
}
BENCHMARK(BM_MonthFillKeptRecord);

// A fresh record per date, as chncal --batch computes each line.
void BM_FreshRecordPerDate(benchmark::State &state) {
    const auto &all = months();
    std::size_t i = 0, d = 0;
    for (auto _ : state) {
        lunar::DateInfo record;
        record.SetDate(all[i].dates[d]);
        benchmark::DoNotOptimize(record.Era.data());
        if (++d == all[i].dates.size()) {
            d = 0;
            i = (i + 1) % all.size();
        }
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FreshRecordPerDate);

void BM_EraTextOf(benchmark::State &state) {
    int y = -2069;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lunar::EraTextOf(y).size());
        y = y == 1948 ? -2069 : y + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EraTextOf);

} // namespace

BENCHMARK_MAIN();
