// Opening the general and calendar notes pages (layout and load of 42 filled lines) and the memo
// list's write per keystroke, through a real database in a temporary folder. The memo write is
// compared with the cheapest durable write SQLite offers for the same row: one UPDATE in
// autocommit on the same file and settings (WAL, synchronous=FULL), timed in the same run.
#include "FatalPrompts.h"
#include "pages/LastSelection.h"
#include "pages/MemoDocument.h"
#include "pages/PageContext.h"
#include "pages/SaveGate.h"
#include "pages/SheetPage.h"
#include "store/NoteStore.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

SheetNotes filledSheet(int seed) {
    SheetNotes notes;
    for (int i = 0; i < NoteStore::SheetLineCount; ++i) {
        notes.texts[i] =
            QStringLiteral("%1 周三下午与李四讨论季度计划 bring the draft").arg(seed + i);
        notes.colors[i] = (seed * 7919 + i * 104729) & 0xffffff;
    }
    return notes;
}

struct Store {
    QTemporaryDir dir;
    NoteStore store;
    SaveGate saving;
    FatalPrompts prompts;
    LastSelection lastSelection;
    PageContext context{store, saving, prompts, lastSelection};
    Store() {
        store.open(file(), NoteStore::OpenMode::CreateIfMissing);
        saving.open();
    }
    QString file() const { return dir.filePath(QStringLiteral("CalendarD.db")); }
};

void BM_OpenSheetPage(benchmark::State &state) {
    const bool calendar = state.range(0) == 1;
    Store s;
    for (int month = 1; month <= 12; ++month)
        s.store.writeSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(2011, month),
                           filledSheet(month));
    s.store.writeSheet(NoteStore::Sheet::Calendar, NoteStore::CalendarSheetKey, filledSheet(99));
    SheetPage page(calendar ? SheetPage::Config::calendar() : SheetPage::Config::general(),
                   s.context);
    page.resize(782, 554);
    int month = 0;
    page.setDateSource([&month] { return QDate(2011, 1 + month % 12, 1); });
    for (auto _ : state) {
        ++month;
        page.layoutPage();
        benchmark::DoNotOptimize(page.load());
    }
    state.SetLabel(calendar ? "calendar notes" : "general notes");
}
BENCHMARK(BM_OpenSheetPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One keystroke's write of the memo list against a bare durable single-row UPDATE, alternating so
// that both see the same disk; reports both times and their ratio.
void BM_MemoKeystrokeVsBareUpdate(benchmark::State &state) {
    Store s;
    MemoDocument memo(s.context);
    if (!memo.load()) qFatal("memo load failed");
    if (!memo.lineChanged(3, QStringLiteral("x"))) qFatal("memo write failed");

    const QString name = QStringLiteral("bench-bare");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(s.file());
        if (!db.open()) qFatal("cannot open");
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode = WAL"));
        pragma.exec(QStringLiteral("PRAGMA synchronous = FULL"));
        QSqlQuery update(db);
        update.prepare(QStringLiteral("UPDATE Beiwanglu SET line4 = :t WHERE memkey = 'bwl'"));

        QString text = QStringLiteral("备忘");
        qint64 memoNs = 0;
        qint64 bareNs = 0;
        QElapsedTimer timer;
        for (auto _ : state) {
            text += QLatin1Char('a' + text.size() % 26);
            if (text.size() > 60) text = QStringLiteral("备忘");
            timer.start();
            if (!memo.lineChanged(3, text)) qFatal("memo write failed");
            memoNs += timer.nsecsElapsed();
            update.bindValue(QStringLiteral(":t"), text);
            timer.start();
            if (!update.exec()) qFatal("bare update failed");
            bareNs += timer.nsecsElapsed();
        }
        const double n = double(state.iterations());
        state.counters["memo_us"] = memoNs / n / 1000.0;
        state.counters["bare_us"] = bareNs / n / 1000.0;
        state.counters["ratio"] = bareNs > 0 ? double(memoNs) / double(bareNs) : 0.0;
    }
    QSqlDatabase::removeDatabase(name);
}
BENCHMARK(BM_MemoKeystrokeVsBareUpdate)->Unit(benchmark::kMillisecond);

} // namespace
