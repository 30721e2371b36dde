// The month page's load of a month with 42 filled cells and a day plan, its save and its layout,
// through a real database in a temporary folder; the filling of its title strips.
#include "FatalPrompts.h"
#include "base/HolidayTable.h"
#include "base/MonthGrid.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/LastSelection.h"
#include "pages/MonthPageLayout.h"
#include "pages/MonthStrips.h"
#include "pages/PageContext.h"
#include "pages/SaveGate.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

enum class Faces { One, Mixed };

// A cell with a line or two of Chinese text and some formatting, written as the editors write it:
// in the editors' default face only, or mixed with a Latin face that also holds Chinese text.
QByteArray cellRtf(int seed, Faces faces = Faces::One) {
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("宋体")));
    if (faces == Faces::One) {
        doc.setHtml(
            QStringLiteral("<b>%1</b> 项目会议 与张三讨论 <span style='color:red'>%2</span>")
                .arg(seed)
                .arg(QStringLiteral("下午三点")));
    } else {
        doc.setHtml(QStringLiteral("<b>%1</b> 项目会议 <span style='font-family:Arial'>Review "
                                   "与张三讨论 café</span> <span style='color:red'>%2</span>")
                        .arg(seed)
                        .arg(QStringLiteral("下午三点")));
    }
    return richtext::toRtf(doc);
}

struct Fixture {
    QTemporaryDir dir;
    NoteStore store;
    SaveGate saving;
    FatalPrompts prompts;
    LastSelection lastSelection;
    PageContext context{store, saving, prompts, lastSelection};
    QDate date{2010, 6, 1};
    std::unique_ptr<DesktopMonthPage> page;

    explicit Fixture(Faces faces = Faces::One) {
        store.open(dir.filePath(QStringLiteral("CalendarD.db")),
                   NoteStore::OpenMode::CreateIfMissing);
        for (int month = 1; month <= 12; ++month) {
            MonthCells cells;
            for (int i = 0; i < NoteStore::CellCount; ++i)
                cells[i] = cellRtf(month * 100 + i, faces);
            store.writeMonth(NoteStore::yearMonthKey(2010, month), cells);
        }
        store.writeDayPlan(NoteStore::dayKey(QDate(2010, 5, 30)),
                           cellRtf(1, faces) + cellRtf(2, faces));
        page = std::make_unique<DesktopMonthPage>(context);
        page->resize(786, 556);
        page->setDateSource([this] { return date; });
        page->load();
        saving.open();
    }
};

void BM_LoadMonthPage(benchmark::State &state) {
    Fixture f;
    int month = 0;
    for (auto _ : state) {
        f.date = QDate(2010, 1 + month++ % 12, 1);
        f.page->load();
    }
}
BENCHMARK(BM_LoadMonthPage)->Unit(benchmark::kMillisecond);

// 42 cells and the day plan to RTF, written through the store with its durable commit. The
// argument says whether the notes mix faces (0: the default face only, 1: mixed).
void BM_SaveMonthPage(benchmark::State &state) {
    Fixture f(state.range(0) ? Faces::Mixed : Faces::One);
    for (auto _ : state) benchmark::DoNotOptimize(f.page->document()->save());
}
BENCHMARK(BM_SaveMonthPage)->ArgName("mixed_faces")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_LayoutMonthPage(benchmark::State &state) {
    Fixture f;
    for (auto _ : state) f.page->layoutPage();
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

// The 42 title strips of a month change: the lunar captions and the official marks, filled once
// per month (a new month each round, so nothing is reused from the last one).
void BM_FillMonthStrips(benchmark::State &state) {
    auto table = HolidayTable::readFile(
        QStringLiteral(KESTROVA_SOURCE_DIR "/resources/holidays/cn_public_holidays.tsv"));
    if (!table) {
        state.SkipWithError("no holiday list");
        return;
    }
    const auto holidays = std::make_shared<const HolidayTable>(std::move(*table));
    MonthStrips strips;
    QDate month(2007, 1, 1);
    for (auto _ : state) {
        strips.fill(MonthGrid(month), holidays);
        benchmark::DoNotOptimize(strips.strip(41).caption.size());
        month = month.year() < 2026 ? month.addMonths(1) : QDate(2007, 1, 1);
    }
}
BENCHMARK(BM_FillMonthStrips)->Unit(benchmark::kMicrosecond);

} // namespace
