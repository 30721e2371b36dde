// The month page's load of a month with 42 filled cells and a day plan, its save and its layout,
// through a real database in a temporary folder.
#include "DayRichEdit.h"
#include "DesktopMonthPage.h"
#include "MonthPageLayout.h"
#include "NoteStore.h"
#include "RichText.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

// A cell with a line or two of Chinese text and some formatting, written as the editors write it.
QByteArray cellRtf(int seed) {
    QTextDocument doc;
    doc.setHtml(QStringLiteral("<b>%1</b> 项目会议 与张三讨论 <span style='color:red'>%2</span>")
                    .arg(seed)
                    .arg(QStringLiteral("下午三点")));
    return richtext::toRtf(doc);
}

struct Fixture {
    QTemporaryDir dir;
    NoteStore store;
    PageFlags flags;
    LastSelection lastSelection;
    QDate date{2010, 6, 1};
    std::unique_ptr<DesktopMonthPage> page;

    Fixture() {
        store.open(dir.filePath(QStringLiteral("CalendarD.db")),
                   NoteStore::OpenMode::CreateIfMissing);
        for (int month = 1; month <= 12; ++month) {
            MonthCells cells;
            for (int i = 0; i < NoteStore::CellCount; ++i) cells[i] = cellRtf(month * 100 + i);
            store.writeMonth(NoteStore::yearMonthKey(2010, month), cells);
        }
        store.writeDayPlan(NoteStore::dayKey(QDate(2010, 5, 30)), cellRtf(1) + cellRtf(2));
        page = std::make_unique<DesktopMonthPage>(store, flags, lastSelection);
        page->resize(786, 556);
        page->setDateSource([this] { return date; });
        page->setMessageSink([](const QString &text) { qFatal("%s", qPrintable(text)); });
        page->LoadMonthPage();
        flags.savingEnabled = true;
    }
};

void BM_LoadMonthPage(benchmark::State &state) {
    Fixture f;
    int month = 0;
    for (auto _ : state) {
        f.date = QDate(2010, 1 + month++ % 12, 1);
        f.page->LoadMonthPage();
    }
}
BENCHMARK(BM_LoadMonthPage)->Unit(benchmark::kMillisecond);

void BM_SaveMonthPage(benchmark::State &state) {
    Fixture f;
    for (auto _ : state) benchmark::DoNotOptimize(f.page->SaveMonthPage());
}
BENCHMARK(BM_SaveMonthPage)->Unit(benchmark::kMillisecond);

void BM_LayoutMonthPage(benchmark::State &state) {
    Fixture f;
    for (auto _ : state) f.page->LayoutMonthPage();
}
BENCHMARK(BM_LayoutMonthPage)->Unit(benchmark::kMicrosecond);

void BM_LayoutArithmetic(benchmark::State &state) {
    int w = 700;
    for (auto _ : state) {
        const MonthPageLayout layout(w++ % 1500 + 300, 556);
        benchmark::DoNotOptimize(layout.editorRect(42));
    }
}
BENCHMARK(BM_LayoutArithmetic);

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
