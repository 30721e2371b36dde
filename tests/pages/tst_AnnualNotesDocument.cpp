// The annual notes document without widgets: its year's row, its twelve columns, the notes too
// large for a box, and what it gives the recovery file and the export.
#include "ContextFixture.h"
#include "DocumentTestMain.h"
#include "PageTestSupport.h"
#include "pages/AnnualNotesDocument.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

using PageTestSupport::plainOf;
using PageTestSupport::rtfOf;

struct Fixture : ContextFixture {
    AnnualNotesDocument document{context};

    Fixture() { saving.open(); }

    QString stored(int year, int month) { return plainOf(store.readYearNotes(year)[month - 1]); }
    int rowsOf(int year) const {
        return PageTestSupport::queryDatabase(
                   file(), QStringLiteral("SELECT count(*) FROM YearJishi WHERE year = %1 AND "
                                          "Month1 IS NOT NULL AND Month12 IS NOT NULL")
                               .arg(year))
            .toInt();
    }
    void breakTable() { PageTestSupport::renameTable(file(), "YearJishi", "YearJishi_off"); }
    void repairTable() { PageTestSupport::renameTable(file(), "YearJishi_off", "YearJishi"); }
    void type(int month, const QString &text) {
        QTextCursor c(document.month(month));
        c.movePosition(QTextCursor::End);
        c.insertText(text);
    }
};

} // namespace

class TestAnnualNotesDocument : public QObject {
    Q_OBJECT
private slots:
    void emptyDocumentsInTheBoxesFont();
    void yearWithoutRowGivesEmptyMonthsAndFirstSaveCreatesIt();
    void monthsGoToTheirOwnColumns();
    void tooLargeNoteIsNotLoadedAndKeptAsStored();
    void unsavedMonthsForTheRecoveryFile();
    void exportTakesTheLoadedYear();
    void loadForgetsTheSelectionRecord();
    void givesNoWallpaper();
};

void TestAnnualNotesDocument::emptyDocumentsInTheBoxesFont() {
    Fixture f;
    QCOMPARE(f.document.cellCount(), 12);
    for (int m = 1; m <= 12; ++m) {
        QVERIFY(f.document.month(m)->isEmpty());
        QCOMPARE(f.document.month(m)->defaultFont().family(), QStringLiteral("宋体"));
        QCOMPARE(f.document.month(m)->defaultFont().pixelSize(), 12);
    }
    QCOMPARE(AnnualNotesDocument::monthCaption(1), QStringLiteral("一月份"));
    QCOMPARE(AnnualNotesDocument::monthCaption(11), QStringLiteral("十一月份"));
}

void TestAnnualNotesDocument::yearWithoutRowGivesEmptyMonthsAndFirstSaveCreatesIt() {
    Fixture f;
    QVERIFY(f.document.load(QDate(2030, 2, 2)));
    for (int m = 1; m <= 12; ++m) QCOMPARE(f.document.cellText(m - 1), QString());
    QCOMPARE(f.rowsOf(2030), 0);
    f.type(3, QStringLiteral("三月计划"));
    QVERIFY(f.document.save());
    QCOMPARE(f.rowsOf(2030), 1);
    QCOMPARE(f.stored(2030, 3), QStringLiteral("三月计划"));

    AnnualNotesDocument again(f.context);
    QVERIFY(again.load(QDate(2030, 12, 31)));
    QCOMPARE(again.cellText(2), QStringLiteral("三月计划"));
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestAnnualNotesDocument::monthsGoToTheirOwnColumns() {
    Fixture f;
    YearNotes notes;
    for (int m = 1; m <= 12; ++m) notes[m - 1] = rtfOf(QStringLiteral("month %1").arg(m));
    notes[11] = QByteArray("plain December"); // not RTF: taken as plain text
    f.store.writeYearNotes(2010, notes);
    QVERIFY(f.document.load(QDate(2010, 6, 1)));
    for (int m = 1; m <= 11; ++m)
        QCOMPARE(f.document.cellText(m - 1), QStringLiteral("month %1").arg(m));
    QCOMPARE(f.document.cellText(11), QStringLiteral("plain December"));

    f.document.month(7)->setPlainText(QStringLiteral("July changed"));
    QVERIFY(f.document.save());
    for (int m = 1; m <= 12; ++m)
        QCOMPARE(f.stored(2010, m), m == 7    ? QStringLiteral("July changed")
                                    : m == 12 ? QStringLiteral("plain December")
                                              : QStringLiteral("month %1").arg(m));
}

void TestAnnualNotesDocument::tooLargeNoteIsNotLoadedAndKeptAsStored() {
    Fixture f;
    YearNotes notes;
    notes[4] = "{\\rtf1 " + QByteArray(int(richtext::MaxEditorNoteSize) + 10, 'x') + "}";
    f.store.writeYearNotes(2010, notes);
    QVERIFY(f.document.load(QDate(2010, 6, 1)));
    QVERIFY(f.document.isTooLarge(5));
    QVERIFY(!f.document.isTooLarge(6));
    QVERIFY(f.document.cellText(4).contains(QStringLiteral("太大")));
    f.type(6, QStringLiteral("June"));
    QVERIFY(f.document.save());
    QCOMPARE(f.store.readYearNotes(2010)[4], notes[4]);
    QCOMPARE(f.stored(2010, 6), QStringLiteral("June"));
    QVERIFY(f.document.unsavedCells().isEmpty());
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestAnnualNotesDocument::unsavedMonthsForTheRecoveryFile() {
    Fixture f;
    QVERIFY(f.document.load(QDate(2010, 6, 1)));
    f.type(2, QStringLiteral("Feb"));
    const QList<UnsavedCell> cells = f.document.unsavedCells();
    QCOMPARE(cells.size(), 1);
    QCOMPARE(cells.at(0).page, QStringLiteral("年度记事"));
    QCOMPARE(cells.at(0).date, QDate(2010, 2, 1));
    QCOMPARE(cells.at(0).place, QStringLiteral("二月份"));
    QCOMPARE(cells.at(0).text, QStringLiteral("Feb"));
    QCOMPARE(plainOf(cells.at(0).rtf), QStringLiteral("Feb"));
    QVERIFY(f.document.save());
    QVERIFY(f.document.unsavedCells().isEmpty());
}

void TestAnnualNotesDocument::exportTakesTheLoadedYear() {
    Fixture f;
    YearNotes notes;
    notes[0] = rtfOf(QStringLiteral("January"));
    f.store.writeYearNotes(2010, notes);
    // Before a successful load: the year last asked for.
    f.breakTable();
    QVERIFY(!f.document.load(QDate(2012, 3, 1)));
    QVERIFY(f.document.exportDocument()->title().startsWith(QStringLiteral("2012年")));
    f.repairTable();
    QVERIFY(f.document.load(QDate(2010, 6, 1)));
    f.breakTable();
    QVERIFY(!f.document.load(QDate(2011, 1, 1)));
    const std::optional<ExportDocument> doc = f.document.exportDocument();
    QVERIFY(doc);
    QCOMPARE(doc->title(), QStringLiteral("2010年-年度记事"));
    QVERIFY(doc->text().contains(QStringLiteral("January")));
}

void TestAnnualNotesDocument::loadForgetsTheSelectionRecord() {
    Fixture f;
    f.lastSelection.tabOrder = 8;
    f.lastSelection.selStart = 3;
    QVERIFY(f.document.load(QDate(2010, 6, 1)));
    QCOMPARE(f.lastSelection.tabOrder, 0);
    QCOMPARE(f.lastSelection.selStart, 0);
}

void TestAnnualNotesDocument::givesNoWallpaper() {
    Fixture f;
    QVERIFY(f.document.load(QDate(2010, 6, 1)));
    QVERIFY(!f.document.wallpaperNotes());
}

KESTROVA_DOCUMENT_TEST_MAIN(TestAnnualNotesDocument)
#include "tst_AnnualNotesDocument.moc"
