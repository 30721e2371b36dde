// The annual notes page opened by its button (layout and load of twelve notes of about 2 KB of
// RTF each) and saved, through a real database in a temporary folder. Goals: open < 10 ms,
// save < 5 ms.
#include "FatalPrompts.h"
#include "pages/AnnualNotesPage.h"
#include "pages/LastSelection.h"
#include "pages/PageContext.h"
#include "pages/SaveGate.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

// A month note of about 2 KB of RTF: a few formatted lines of Chinese text.
QByteArray monthRtf(int seed) {
    QString html;
    QTextDocument doc;
    for (int line = 0; doc.isEmpty() || richtext::toRtf(doc).size() < 2000; ++line) {
        html += QStringLiteral("<p><b>%1.</b> 项目进度检查 与客户开会 <span style='color:#c00000'>"
                               "提交季度报告</span> <i>家人生日</i></p>")
                    .arg(seed * 100 + line);
        doc.setHtml(html);
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
    std::unique_ptr<AnnualNotesPage> page;

    Fixture() {
        store.open(dir.filePath(QStringLiteral("CalendarD.db")),
                   NoteStore::OpenMode::CreateIfMissing);
        for (int year = 2008; year <= 2012; ++year) {
            YearNotes notes;
            for (int m = 0; m < 12; ++m) notes[m] = monthRtf(year * 12 + m);
            store.writeYearNotes(year, notes);
        }
        page = std::make_unique<AnnualNotesPage>(context);
        page->resize(782, 554);
        page->setDateSource([this] { return date; });
        saving.open();
        page->open();
    }
};

void BM_OpenAnnualPage(benchmark::State &state) {
    Fixture f;
    int year = 0;
    for (auto _ : state) {
        f.date = QDate(2008 + year++ % 5, 1, 1);
        benchmark::DoNotOptimize(f.page->open());
    }
    state.counters["rtf_bytes"] = double(monthRtf(1).size());
}
BENCHMARK(BM_OpenAnnualPage)->Unit(benchmark::kMillisecond);

// The parts of the open: the store's read alone, and the load of a document no editor shows.
void BM_ReadYearNotes(benchmark::State &state) {
    Fixture f;
    int year = 0;
    for (auto _ : state) benchmark::DoNotOptimize(f.store.readYearNotes(2008 + year++ % 5));
}
BENCHMARK(BM_ReadYearNotes)->Unit(benchmark::kMillisecond);

void BM_ReadAnnualNotesWithoutEditors(benchmark::State &state) {
    Fixture f;
    AnnualNotesDocument notes(f.context);
    int year = 0;
    for (auto _ : state) benchmark::DoNotOptimize(notes.load(QDate(2008 + year++ % 5, 1, 1)));
}
BENCHMARK(BM_ReadAnnualNotesWithoutEditors)->Unit(benchmark::kMillisecond);

void BM_SaveAnnualPage(benchmark::State &state) {
    Fixture f;
    for (auto _ : state) benchmark::DoNotOptimize(f.page->document()->save());
}
BENCHMARK(BM_SaveAnnualPage)->Unit(benchmark::kMillisecond);

void BM_LayoutYearPage(benchmark::State &state) {
    Fixture f;
    for (auto _ : state) f.page->layoutPage();
}
BENCHMARK(BM_LayoutYearPage)->Unit(benchmark::kMicrosecond);

} // namespace
