// The desktop month's notes without widgets: the grid and its selection, the day plan that follows
// the selected day (and stays on its day after a failed save), the notes too large for a cell, and
// what the document gives the recovery file, the export and the wallpaper.
#include "ContextFixture.h"
#include "DocumentTestMain.h"
#include "PageTestSupport.h"
#include "pages/MonthNotesDocument.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

using PageTestSupport::plainOf;
using PageTestSupport::rtfOf;

const QDate June(2010, 6, 1);

struct Fixture : ContextFixture {
    MonthNotesDocument document{context};

    Fixture() { saving.open(); }

    int cellOf(const QDate &date) const { return document.grid().cellOf(date); }
    QTextDocument *cellFor(const QDate &date) const { return document.cell(cellOf(date)); }
    static void type(QTextDocument *doc, const QString &text) {
        QTextCursor c(doc);
        c.movePosition(QTextCursor::End);
        c.insertText(text);
    }
    QString storedCell(const QString &month, int cell) {
        return plainOf(store.readMonth(month)[cell]);
    }
    QString storedPlan(const QString &day) { return plainOf(store.readDayPlan(day)); }

    void breakTable(const QString &table) {
        PageTestSupport::renameTable(file(), table, table + QStringLiteral("_off"));
    }
    void repairTable(const QString &table) {
        PageTestSupport::renameTable(file(), table + QStringLiteral("_off"), table);
    }
};

} // namespace

class TestMonthNotesDocument : public QObject {
    Q_OBJECT
private slots:
    void loadShowsStoredMonthAndDayPlan();
    void formattingSurvivesSaveAndReload();
    void selectingADayReadsItsPlanAlone();
    void pressesFollowTheModifierKeys();
    void failedSaveKeepsTheDayPlanOnItsDay();
    void failedPlanReadIsToldAndKeepsThePlan();
    void monthWithoutSelectedDayUsesCellZero();
    void trailingCellTextBelongsToItsMonth();
    void failingLoadKeepsTheShownMonth();
    void closedReadOnlyStoreReadsNoPlan();
    void tooLargeNotesAreNotLoadedAndKeptAsStored();
    void unsavedCellsForTheRecoveryFile();
    void dayPlanReplacementIsAnnounced();
    void exportLabelsFollowTheGrid_data();
    void exportLabelsFollowTheGrid();
    void wallpaperTakesTheCellsAsTheyStand();
};

void TestMonthNotesDocument::loadShowsStoredMonthAndDayPlan() {
    Fixture f;
    MonthCells cells;
    cells[2] = rtfOf(QStringLiteral("first of June"));
    cells[41] = QByteArray("plain old note"); // not RTF: taken as plain text
    f.store.writeMonth(QStringLiteral("20106"), cells);
    f.store.writeDayPlan(NoteStore::dayKey(QDate(2010, 5, 30)), rtfOf(QStringLiteral("plan")));
    int gridChanges = 0;
    connect(&f.document, &MonthNotesDocument::gridChanged, this, [&] { ++gridChanges; });
    QVERIFY(f.document.load(QDate(2010, 6, 15)));

    QCOMPARE(f.document.grid().displayDate(), QDate(2010, 6, 15));
    QVERIFY(gridChanges > 0);
    QCOMPARE(f.document.cellText(2), QStringLiteral("first of June"));
    QCOMPARE(f.document.cellText(41), QStringLiteral("plain old note"));
    QCOMPARE(f.document.cellText(0), QString());
    // Nothing selected: the plan of cell 0 (30 May) shows.
    QCOMPARE(f.document.dayPlanDate(), QDate(2010, 5, 30));
    QCOMPARE(f.document.dayPlan()->toPlainText(), QStringLiteral("plan"));
    QVERIFY(!f.document.isModified());
    QCOMPARE(f.document.cell(0)->defaultFont().pointSize(), 9);
    QCOMPARE(f.document.dayPlan()->defaultFont().pixelSize(), 12);
}

void TestMonthNotesDocument::formattingSurvivesSaveAndReload() {
    Fixture f;
    QVERIFY(f.document.load(June));
    QTextDocument *cell = f.document.cell(9);
    cell->setPlainText(QStringLiteral("会议 10:00"));
    QTextCursor c(cell);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 2);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold);
    f.document.dayPlan()->setPlainText(QStringLiteral("整理房间"));
    QVERIFY(f.document.save());
    QCOMPARE(f.storedCell(QStringLiteral("20106"), 9), QStringLiteral("会议 10:00"));
    QCOMPARE(f.storedPlan(QStringLiteral("2010-5-30")), QStringLiteral("整理房间"));

    QVERIFY(f.document.load(QDate(2010, 7, 1)));
    QCOMPARE(f.document.cellText(9), QString());
    QVERIFY(f.document.load(QDate(2010, 6, 15)));
    QCOMPARE(f.document.cellText(9), QStringLiteral("会议 10:00"));
    QTextCursor r(f.document.cell(9));
    r.setPosition(1);
    QCOMPARE(r.charFormat().fontWeight(), int(QFont::Bold));
    r.setPosition(4);
    QCOMPARE(r.charFormat().fontWeight(), int(QFont::Normal));
    QCOMPARE(f.document.dayPlan()->toPlainText(), QStringLiteral("整理房间"));
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestMonthNotesDocument::selectingADayReadsItsPlanAlone() {
    Fixture f;
    f.store.writeDayPlan(QStringLiteral("2010-6-5"), rtfOf(QStringLiteral("plan of the fifth")));
    QVERIFY(f.document.load(June));
    Fixture::type(f.cellFor(QDate(2010, 6, 3)), QStringLiteral("typed, not saved"));
    QList<bool> loadingWhileReplaced;
    connect(&f.document, &MonthNotesDocument::dayPlanReplaced, this,
            [&] { loadingWhileReplaced << f.document.isLoading(); });

    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 5)));
    QCOMPARE(f.document.grid().selection().size(), 1);
    QCOMPARE(f.document.grid().selectedDay(), QDate(2010, 6, 5));
    QCOMPARE(f.document.dayPlanDate(), QDate(2010, 6, 5));
    QCOMPARE(f.document.dayPlan()->toPlainText(), QStringLiteral("plan of the fifth"));
    QCOMPARE(loadingWhileReplaced, QList<bool>{true});
    QVERIFY(!f.document.isLoading());
    // Only the plan was read: the cells keep what was typed.
    QCOMPARE(f.document.cellText(f.cellOf(QDate(2010, 6, 3))), QStringLiteral("typed, not saved"));
    QVERIFY(f.document.isModified());
}

void TestMonthNotesDocument::pressesFollowTheModifierKeys() {
    Fixture f;
    QVERIFY(f.document.load(June));
    f.document.pressCell(f.cellOf(QDate(2010, 6, 8)), false, false);
    f.document.showDayPlan();
    QCOMPARE(f.document.grid().selectedDay(), QDate(2010, 6, 8));
    QCOMPARE(f.document.dayPlanDate(), QDate(2010, 6, 8));
    // Ctrl adds 10 June; the plan shown is that of the highest selected cell.
    f.document.pressCell(f.cellOf(QDate(2010, 6, 10)), true, false);
    f.document.showDayPlan();
    QCOMPARE(f.document.grid().selection().size(), 2);
    QCOMPARE(f.document.dayPlanDate(), QDate(2010, 6, 10));
    // Shift: the range from the anchor.
    f.document.pressCell(f.cellOf(QDate(2010, 6, 12)), false, true);
    QCOMPARE(f.document.grid().selection().size(), 5);
    f.document.selectDateAlone(QDate(2010, 6, 20));
    QCOMPARE(f.document.grid().selection().size(), 1);
    f.document.addToSelection(QDate(2010, 6, 21));
    QCOMPARE(f.document.grid().selectedDay(), QDate(2010, 6, 21));
}

void TestMonthNotesDocument::failedSaveKeepsTheDayPlanOnItsDay() {
    Fixture f;
    QVERIFY(f.document.load(June));
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 3)));
    Fixture::type(f.document.dayPlan(), QStringLiteral("keep me"));
    f.breakTable(QStringLiteral("TailiNew_day"));
    QVERIFY(!f.document.save());
    QCOMPARE(f.prompts.messages, QStringList{MonthNotesDocument::saveFailedMessage()});
    QCOMPARE(f.prompts.shown.at(0).kind, PageMessage::Kind::Information);
    QVERIFY(f.document.isDayPlanPinned());

    // The plan was not written, so it stays, on its day, and so does the selection.
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 5)));
    f.document.pressCell(f.cellOf(QDate(2010, 6, 6)), false, false);
    f.document.showDayPlan();
    QCOMPARE(f.document.dayPlan()->toPlainText(), QStringLiteral("keep me"));
    QCOMPARE(f.document.dayPlanDate(), QDate(2010, 6, 3));
    QCOMPARE(f.document.grid().selectedDay(), QDate(2010, 6, 3));

    // Once the database works again the next save puts it under 3 June.
    f.repairTable(QStringLiteral("TailiNew_day"));
    QVERIFY(f.document.save());
    QVERIFY(!f.document.isDayPlanPinned());
    QCOMPARE(f.storedPlan(QStringLiteral("2010-6-3")), QStringLiteral("keep me"));
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 5)));
    QCOMPARE(f.document.grid().selectedDay(), QDate(2010, 6, 5));
    QCOMPARE(f.document.dayPlan()->toPlainText(), QString());
}

void TestMonthNotesDocument::failedPlanReadIsToldAndKeepsThePlan() {
    Fixture f;
    f.store.writeDayPlan(QStringLiteral("2010-6-3"), rtfOf(QStringLiteral("third")));
    QVERIFY(f.document.load(June));
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 3)));
    f.breakTable(QStringLiteral("TailiNew_day"));
    QList<bool> loadingWhileTold;
    f.prompts.whileShown = [&](const PageMessage &) { loadingWhileTold << f.document.isLoading(); };
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 5)));
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.shown.at(0).kind, PageMessage::Kind::Error);
    QCOMPARE(loadingWhileTold, QList<bool>{true});
    QVERIFY(!f.document.isLoading());
    QCOMPARE(f.document.dayPlan()->toPlainText(), QStringLiteral("third"));
    QCOMPARE(f.document.dayPlanDate(), QDate(2010, 6, 3));
    // A read asked for by a click on the grid tells its failure outside a load.
    f.document.showDayPlan();
    QCOMPARE(loadingWhileTold, (QList<bool>{true, false}));
}

void TestMonthNotesDocument::monthWithoutSelectedDayUsesCellZero() {
    Fixture f;
    f.store.writeDayPlan(QStringLiteral("2010-8-29"), rtfOf(QStringLiteral("end of August")));
    QVERIFY(f.document.load(June));
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 3)));
    QVERIFY(f.document.load(QDate(2010, 9, 10))); // 3 June is not shown in September
    QCOMPARE(f.document.grid().selectedDay(), QDate(2010, 8, 29));
    QCOMPARE(f.document.dayPlan()->toPlainText(), QStringLiteral("end of August"));
    f.document.dayPlan()->setPlainText(QStringLiteral("changed"));
    QVERIFY(f.document.save());
    QCOMPARE(f.storedPlan(QStringLiteral("2010-8-29")), QStringLiteral("changed"));
    QCOMPARE(f.storedPlan(QStringLiteral("2010-6-3")), QString());
}

void TestMonthNotesDocument::trailingCellTextBelongsToItsMonth() {
    Fixture f;
    QVERIFY(f.document.load(QDate(2010, 5, 1)));
    QCOMPARE(f.cellOf(QDate(2010, 6, 1)), 37);
    Fixture::type(f.cellFor(QDate(2010, 6, 1)), QStringLiteral("from May"));
    QVERIFY(f.document.save());
    QVERIFY(f.document.load(June));
    QCOMPARE(f.document.cellText(f.cellOf(QDate(2010, 6, 1))), QString());
    QCOMPARE(f.storedCell(QStringLiteral("20105"), 37), QStringLiteral("from May"));
}

void TestMonthNotesDocument::failingLoadKeepsTheShownMonth() {
    Fixture f;
    MonthCells cells;
    cells[4] = rtfOf(QStringLiteral("June text"));
    f.store.writeMonth(QStringLiteral("20106"), cells);
    QVERIFY(f.document.load(June));
    f.breakTable(QStringLiteral("TailiNew"));
    QVERIFY(!f.document.load(QDate(2010, 7, 1)));
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages.first() != MonthNotesDocument::saveFailedMessage());
    // The cells still hold June, and so does the grid: a save would write June's key.
    QCOMPARE(f.document.grid().displayDate().month(), 6);
    QCOMPARE(f.document.cellText(4), QStringLiteral("June text"));
}

void TestMonthNotesDocument::closedReadOnlyStoreReadsNoPlan() {
    Fixture f;
    QVERIFY(f.document.load(June));
    f.document.setReadOnly(true);
    f.store.close();
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 9)));
    QCOMPARE(f.document.grid().selectedDay(), QDate(2010, 6, 9));
    QCOMPARE(f.document.dayPlanDate(), QDate(2010, 5, 30));
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestMonthNotesDocument::tooLargeNotesAreNotLoadedAndKeptAsStored() {
    Fixture f;
    const QByteArray huge =
        "{\\rtf1 " + QByteArray(int(richtext::MaxEditorNoteSize) + 10, 'x') + "}";
    MonthCells cells;
    cells[6] = huge;
    f.store.writeMonth(QStringLiteral("20106"), cells);
    f.store.writeDayPlan(QStringLiteral("2010-5-30"), huge);
    QVERIFY(f.document.load(June));
    QVERIFY(f.document.isTooLarge(7));
    QVERIFY(f.document.isTooLarge(0));
    QVERIFY(!f.document.isTooLarge(8));
    QVERIFY(!f.document.isTooLarge(43));
    QVERIFY(f.document.cellText(6).contains(QStringLiteral("太大")));
    Fixture::type(f.document.cell(6), QStringLiteral("lost"));
    Fixture::type(f.document.dayPlan(), QStringLiteral("lost"));
    Fixture::type(f.document.cell(7), QStringLiteral("kept"));
    QCOMPARE(f.document.unsavedCells().size(), 1);
    QVERIFY(f.document.save());
    QCOMPARE(f.store.readMonth(QStringLiteral("20106"))[6], huge);
    QCOMPARE(f.store.readDayPlan(QStringLiteral("2010-5-30")), huge);
    QCOMPARE(f.storedCell(QStringLiteral("20106"), 7), QStringLiteral("kept"));
}

void TestMonthNotesDocument::unsavedCellsForTheRecoveryFile() {
    Fixture f;
    QVERIFY(f.document.load(June));
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 3)));
    Fixture::type(f.cellFor(QDate(2010, 6, 5)), QStringLiteral("fifth"));
    Fixture::type(f.document.dayPlan(), QStringLiteral("plan"));
    const QList<UnsavedCell> cells = f.document.unsavedCells();
    QCOMPARE(cells.size(), 2);
    QCOMPARE(cells.at(0).page, QStringLiteral("桌面月历"));
    QCOMPARE(cells.at(0).date, QDate(2010, 6, 5));
    QCOMPARE(cells.at(0).place, QStringLiteral("第 %1 格").arg(f.cellOf(QDate(2010, 6, 5)) + 1));
    QCOMPARE(cells.at(0).text, QStringLiteral("fifth"));
    QCOMPARE(plainOf(cells.at(0).rtf), QStringLiteral("fifth"));
    QCOMPARE(cells.at(1).page, QStringLiteral("日安排"));
    QCOMPARE(cells.at(1).date, QDate(2010, 6, 3));
    QCOMPARE(cells.at(1).text, QStringLiteral("plan"));
    QVERIFY(f.document.save());
    QVERIFY(f.document.unsavedCells().isEmpty());
}

void TestMonthNotesDocument::dayPlanReplacementIsAnnounced() {
    Fixture f;
    f.store.writeDayPlan(QStringLiteral("2010-6-5"), rtfOf(QStringLiteral("fifth")));
    QVERIFY(f.document.load(June));
    QStringList events;
    connect(&f.document, &MonthNotesDocument::dayPlanAboutToBeReplaced, this,
            [&] { events << QStringLiteral("about to: ") + f.document.dayPlan()->toPlainText(); });
    connect(&f.document, &MonthNotesDocument::dayPlanReplaced, this, [&](bool fromStore) {
        events << QStringLiteral("replaced %1: ").arg(fromStore) +
                      f.document.dayPlan()->toPlainText();
    });
    f.document.dayPlan()->setPlainText(QStringLiteral("old"));
    QVERIFY(f.document.save());
    f.lastSelection.record(QTextCursor(f.document.dayPlan()), 0, true);
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 5)));
    // The record of a selection in the plan that is gone is forgotten.
    QVERIFY(!f.lastSelection.isDayPlan);
    f.document.selectCellAlone(f.cellOf(QDate(2010, 6, 6)));
    QCOMPARE(events, (QStringList{"about to: old", "replaced 1: fifth", "about to: fifth",
                                  "replaced 0: "}));
    QVERIFY(!f.document.dayPlan()->isUndoAvailable());
    QVERIFY(!f.document.isModified());
}

void TestMonthNotesDocument::exportLabelsFollowTheGrid_data() {
    QTest::addColumn<QDate>("month");
    QTest::newRow("June 2010, starts on a Tuesday") << QDate(2010, 6, 1);
    QTest::newRow("February 2015, starts on a Sunday") << QDate(2015, 2, 1);
    QTest::newRow("May 2010, starts on a Saturday") << QDate(2010, 5, 1);
}

// Every line of the export is labelled with the date of the cell it comes from, and carries the
// text of that cell as it stands.
void TestMonthNotesDocument::exportLabelsFollowTheGrid() {
    QFETCH(QDate, month);
    Fixture f;
    QVERIFY(f.document.load(month));
    for (int k = 0; k < MonthNotesDocument::CellCount; ++k)
        f.document.cell(k)->setPlainText(QStringLiteral("c%1").arg(k));
    const std::optional<ExportDocument> doc = f.document.exportDocument();
    QVERIFY(doc);
    const QStringList lines = doc->text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 1 + MonthNotesDocument::CellCount + 1);
    for (int k = 0; k < MonthNotesDocument::CellCount; ++k) {
        const QDate d = f.document.grid().cellDate(k);
        const QString label = f.document.grid().inDisplayedMonth(k)
                                  ? QStringLiteral("%1月%2号：").arg(d.month()).arg(d.day())
                                  : QStringLiteral("记录：");
        QCOMPARE(lines[1 + k], label + QStringLiteral("c%1").arg(k));
    }
}

void TestMonthNotesDocument::wallpaperTakesTheCellsAsTheyStand() {
    Fixture f;
    QVERIFY(f.document.load(QDate(2010, 5, 1)));
    f.document.cell(3)->setPlainText(QStringLiteral("two\nlines"));
    // After a failed load the grid and the cells still show May.
    f.breakTable(QStringLiteral("TailiNew"));
    QVERIFY(!f.document.load(June));
    const std::optional<WallpaperNotes> notes = f.document.wallpaperNotes();
    QVERIFY(notes);
    QCOMPARE(notes->layout, WallpaperNotes::Layout::MonthGrid);
    QCOMPARE(notes->month, 5);
    QCOMPARE(notes->texts.size(), 42);
    QCOMPARE(notes->texts.at(3), QStringLiteral("two\r\nlines"));
    QCOMPARE(notes->texts.at(4), QString());
    QCOMPARE(int(notes->dates.size()), 42);
    QCOMPARE(notes->dates.front(), QDate(2010, 4, 25));
    QCOMPARE(notes->dates.back(), QDate(2010, 6, 5));
}

KESTROVA_DOCUMENT_TEST_MAIN(TestMonthNotesDocument)
#include "tst_MonthNotesDocument.moc"
