// The printout of a full month as a PDF file (the work of "导出 PDF…" and of every page the
// print preview draws): 42 cells of about 200 characters with formatting, each too long for its
// box, the lunar captions and the official days off; and of a full year, on two pages.
#include "FatalPrompts.h"
#include "base/HolidayTable.h"
#include "pages/AnnualNotesDocument.h"
#include "pages/LastSelection.h"
#include "pages/MonthNotesDocument.h"
#include "pages/PageContext.h"
#include "pages/PagePainter.h"
#include "pages/SaveGate.h"
#include "store/NoteStore.h"

#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

QString fullNote(int seed) {
    QString html = QStringLiteral("<b>%1</b> ").arg(seed);
    while (html.size() < 260)
        html += QStringLiteral("项目会议，与张三讨论 <span style='color:red'>下午三点</span>；"
                               "<i>记得带资料</i>。<br>");
    return html;
}

struct Fixture {
    QTemporaryDir dir;
    NoteStore store;
    SaveGate saving;
    FatalPrompts prompts;
    LastSelection lastSelection;
    PageContext context{store, saving, prompts, lastSelection};
    MonthNotesDocument month{context};
    AnnualNotesDocument year{context};
    std::shared_ptr<const HolidayTable> holidays;

    Fixture() {
        store.open(dir.filePath(QStringLiteral("CalendarD.db")),
                   NoteStore::OpenMode::CreateIfMissing);
        saving.open();
        const QDate october(2026, 10, 1);
        month.load(october);
        year.load(october);
        for (int k = 0; k < MonthNotesDocument::CellCount; ++k) month.cell(k)->setHtml(fullNote(k));
        for (int m = 1; m <= AnnualNotesDocument::Months; ++m)
            year.month(m)->setHtml(fullNote(m) + fullNote(m) + fullNote(m));
        const std::optional<HolidayTable> table = HolidayTable::readFile(
            QStringLiteral(KESTROVA_SOURCE_DIR "/resources/holidays/cn_public_holidays.tsv"));
        if (!table) qFatal("no holiday list");
        holidays = std::make_shared<HolidayTable>(*table);
    }
};

// Goal: under 200 ms.
void BM_MonthPdf(benchmark::State &state) {
    Fixture f;
    const PagePainter printout = *PagePainter::forDocument(f.month, f.holidays);
    for (auto _ : state) benchmark::DoNotOptimize(printout.pdf());
    state.counters["bytes"] = double(printout.pdf().size());
}
BENCHMARK(BM_MonthPdf)->Unit(benchmark::kMillisecond);

void BM_YearPdf(benchmark::State &state) {
    Fixture f;
    const PagePainter printout = *PagePainter::forDocument(f.year);
    for (auto _ : state) benchmark::DoNotOptimize(printout.pdf());
    state.counters["pages"] = printout.pageCount(PagePainter::designArea(printout.pageLayout()));
}
BENCHMARK(BM_YearPdf)->Unit(benchmark::kMillisecond);

} // namespace
