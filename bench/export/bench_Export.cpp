// The export of a full month page: 42 cells at the editors' limit of 200 characters.
#include "export/ExportDocument.h"
#include "export/ExportFile.h"

#include <benchmark/benchmark.h>

namespace {

std::array<QString, ExportDocument::MonthCellCount> fullMonth(const QString &extra) {
    std::array<QString, ExportDocument::MonthCellCount> cells;
    for (auto &cell : cells) {
        while (cell.size() < 190) cell += QStringLiteral("今天开会，记得带资料。\n");
        cell += extra;
    }
    return cells;
}

// Building the text and the GBK bytes when everything fits (the usual case).
void BM_MonthToGbk(benchmark::State &state) {
    const auto cells = fullMonth(QString());
    for (auto _ : state) {
        const ExportDocument doc = ExportDocument::monthNotes(QDate(2010, 6, 1), cells);
        benchmark::DoNotOptimize(ExportFile::fitsGbk(doc.text()));
        benchmark::DoNotOptimize(ExportFile::encode(doc.text(), ExportFile::Encoding::Gbk));
    }
}
BENCHMARK(BM_MonthToGbk)->Unit(benchmark::kMillisecond);

// An emoji in every cell: the check fails and GBK with "?" is chosen.
void BM_MonthToGbkWithQuestionMarks(benchmark::State &state) {
    const auto cells = fullMonth(QStringLiteral("\U0001F600"));
    for (auto _ : state) {
        const ExportDocument doc = ExportDocument::monthNotes(QDate(2010, 6, 1), cells);
        benchmark::DoNotOptimize(ExportFile::fitsGbk(doc.text()));
        benchmark::DoNotOptimize(ExportFile::encode(doc.text(), ExportFile::Encoding::Gbk));
    }
}
BENCHMARK(BM_MonthToGbkWithQuestionMarks)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
