// The general and calendar notes sheets without widgets: their keys, texts and colours, the rows
// they write, and what they give the recovery file and the wallpaper.
#include "ContextFixture.h"
#include "DocumentTestMain.h"
#include "PageTestSupport.h"
#include "pages/SheetDocument.h"
#include "store/NoteStore.h"

#include <QTest>

using Kind = SheetDocument::Kind;
Q_DECLARE_METATYPE(SheetDocument::Kind)

namespace {

const QDate January2011(2011, 1, 15);
const QDate November2011(2011, 11, 3);

struct Fixture : ContextFixture {
    SheetDocument document;

    explicit Fixture(const Kind &kind) : document(context, kind) { saving.open(); }

    QString table() const {
        return document.kind().sheet == NoteStore::Sheet::General ? "edtText" : "RiliJishi";
    }
    QVariant storedText(const QString &key, int line) const {
        return PageTestSupport::queryDatabase(
            file(), QStringLiteral("SELECT line%1 FROM %2 WHERE edtYearMonth = '%3'")
                        .arg(line)
                        .arg(table(), key));
    }
    void rename(const QString &from, const QString &to) {
        PageTestSupport::renameTable(file(), from, to);
    }
};

void addKindColumn() {
    QTest::addColumn<Kind>("kind");
}

} // namespace

class TestSheetDocument : public QObject {
    Q_OBJECT
private slots:
    void keysFollowTheLoadedDate_data();
    void keysFollowTheLoadedDate();
    void coloursSurviveAReload_data();
    void coloursSurviveAReload();
    void emptiedLine_data();
    void emptiedLine();
    void coloursOutOfRangeAreBlack_data();
    void coloursOutOfRangeAreBlack();
    void failedSaveLeavesBothRowsAsTheyWere();
    void failedLoadKeepsTheLines();
    void failedSaveIsToldInTheSheetsWords();
    void unsavedLinesForTheRecoveryFile_data();
    void unsavedLinesForTheRecoveryFile();
    void onlyTheGeneralNotesGiveAWallpaper();
};

void TestSheetDocument::keysFollowTheLoadedDate_data() {
    addKindColumn();
    QTest::addColumn<QString>("januaryKey");
    QTest::addColumn<QString>("novemberKey");
    QTest::newRow("general") << Kind::general() << "20111"
                             << "201111";
    QTest::newRow("calendar") << Kind::calendar() << "rili2011"
                              << "rili2011";
}

void TestSheetDocument::keysFollowTheLoadedDate() {
    QFETCH(Kind, kind);
    QFETCH(QString, januaryKey);
    QFETCH(QString, novemberKey);
    Fixture f(kind);
    QCOMPARE(f.document.keyFor(January2011), januaryKey);
    QCOMPARE(f.document.loadedKey(), QString());
    QVERIFY(f.document.load(January2011));
    QCOMPARE(f.document.loadedKey(), januaryKey);
    f.document.setText(1, QStringLiteral("January"));
    QVERIFY(f.document.load(November2011)); // saves January's first
    QCOMPARE(f.document.loadedKey(), novemberKey);
    QCOMPARE(f.storedText(januaryKey, 1).toString(), QStringLiteral("January"));
    f.document.setText(1, QStringLiteral("November"));
    QVERIFY(f.document.save());
    QCOMPARE(f.storedText(novemberKey, 1).toString(), QStringLiteral("November"));
    QCOMPARE(f.storedText(januaryKey, 1).toString(),
             januaryKey == novemberKey ? QStringLiteral("November") : QStringLiteral("January"));
}

void TestSheetDocument::coloursSurviveAReload_data() {
    addKindColumn();
    QTest::newRow("general") << Kind::general();
    QTest::newRow("calendar") << Kind::calendar();
}

void TestSheetDocument::coloursSurviveAReload() {
    QFETCH(Kind, kind);
    Fixture f(kind);
    QVERIFY(f.document.load(January2011));
    f.document.setColor(5, 0x0000ff);
    f.document.setText(5, QStringLiteral("red"));
    f.document.setColor(42, 0x123456);
    QVERIFY(f.document.save());
    // A second document over the same file: as after a restart.
    SheetDocument again(f.context, kind);
    QVERIFY(again.load(January2011));
    QCOMPARE(again.text(5), QStringLiteral("red"));
    QCOMPARE(again.color(5), 0x0000ff);
    QCOMPARE(again.color(42), 0x123456);
    QCOMPARE(again.color(1), 0);
}

void TestSheetDocument::emptiedLine_data() {
    addKindColumn();
    QTest::addColumn<int>("colorAfterEmptying");
    QTest::newRow("general keeps the colour") << Kind::general() << 0x00ff00;
    QTest::newRow("calendar turns black") << Kind::calendar() << 0;
}

void TestSheetDocument::emptiedLine() {
    QFETCH(Kind, kind);
    QFETCH(int, colorAfterEmptying);
    Fixture f(kind);
    QVERIFY(f.document.load(January2011));
    QList<int> changes;
    connect(&f.document, &SheetDocument::lineChanged, this, [&](int line) { changes << line; });
    QVERIFY(!f.document.setText(3, QStringLiteral("ab")));
    f.document.setColor(3, 0x00ff00);
    QVERIFY(!f.document.setText(3, QStringLiteral("a")));
    QCOMPARE(f.document.color(3), 0x00ff00);
    QCOMPARE(f.document.setText(3, QString()), colorAfterEmptying == 0);
    QCOMPARE(f.document.color(3), colorAfterEmptying);
    QVERIFY(!f.document.setText(3, QStringLiteral("again")));
    QCOMPARE(f.document.color(3), colorAfterEmptying);
    QCOMPARE(changes, (QList<int>{3, 3, 3, 3, 3}));
    QVERIFY(!f.document.setText(3, QStringLiteral("again"))); // no change, nothing told
    QCOMPARE(changes.size(), 5);
    QVERIFY(f.document.load(January2011));
    QCOMPARE(f.document.text(3), QStringLiteral("again"));
    QCOMPARE(f.document.color(3), colorAfterEmptying);
}

void TestSheetDocument::coloursOutOfRangeAreBlack_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("shown");
    QTest::newRow("null") << "NULL" << 0;
    QTest::newRow("negative") << "-16777208" << 0;
    QTest::newRow("wider than 24 bits") << "16777216" << 0;
    QTest::newRow("wider than 32 bits") << "4294967301" << 0;
    QTest::newRow("text") << "'red'" << 0;
    QTest::newRow("white") << "16777215" << 0xffffff;
    QTest::newRow("green") << "65280" << 0x00ff00;
}

void TestSheetDocument::coloursOutOfRangeAreBlack() {
    QFETCH(QString, stored);
    QFETCH(int, shown);
    Fixture f(Kind::general());
    QCOMPARE(PageTestSupport::queryDatabase(
                 f.file(), "INSERT INTO edtTextColor (edtYearMonth, color9) VALUES ('20111', " +
                               stored + ")"),
             QVariant());
    QVERIFY(f.document.load(January2011));
    QCOMPARE(f.document.color(9), shown);
    // A colour set out of range is black as well.
    f.document.setColor(10, -5);
    QCOMPARE(f.document.color(10), 0);
    f.document.setColor(10, 0x1000000);
    QCOMPARE(f.document.color(10), 0);
}

// Texts and colours go in one transaction: the colour table failing leaves the text row alone.
void TestSheetDocument::failedSaveLeavesBothRowsAsTheyWere() {
    Fixture f(Kind::general());
    QVERIFY(f.document.load(January2011));
    f.document.setText(4, QStringLiteral("old"));
    QVERIFY(f.document.save());
    f.document.setText(4, QStringLiteral("new"));
    f.document.setColor(4, 0xff);
    f.rename("edtTextColor", "edtTextColor_off");
    QVERIFY(!f.document.save());
    QVERIFY(f.document.isModified());
    QCOMPARE(f.storedText("20111", 4).toString(), QStringLiteral("old"));
    QCOMPARE(
        PageTestSupport::queryDatabase(f.file(), "SELECT color4 FROM edtTextColor_off").toInt(), 0);
}

void TestSheetDocument::failedLoadKeepsTheLines() {
    Fixture f(Kind::general());
    QVERIFY(f.document.load(January2011));
    f.document.setText(6, QStringLiteral("January text"));
    f.document.setColor(6, 0xff);
    QVERIFY(f.document.save());
    f.store.writeSheet(NoteStore::Sheet::General, "201111", SheetNotes{});
    // The texts can be read, the colours cannot: nothing of November may show.
    f.rename("edtTextColor", "edtTextColor_off");
    QVERIFY(!f.document.load(November2011));
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages[0].contains("edtTextColor"));
    QCOMPARE(f.document.text(6), QStringLiteral("January text"));
    QCOMPARE(f.document.color(6), 0xff);
    QCOMPARE(f.document.loadedKey(), QStringLiteral("20111"));
}

void TestSheetDocument::failedSaveIsToldInTheSheetsWords() {
    Fixture f(Kind::calendar());
    f.document.setText(1, QStringLiteral("typed before the load"));
    QVERIFY(!f.document.save());
    QCOMPARE(f.prompts.messages, QStringList{SheetDocument::saveFailedMessage()});
    QCOMPARE(f.prompts.shown.at(0).kind, PageMessage::Kind::Information);
    QCOMPARE(f.prompts.shown.at(0).caption, QStringLiteral("Kestrova月历"));
    QCOMPARE(PageTestSupport::queryDatabase(f.file(), "SELECT count(*) FROM RiliJishi").toInt(), 0);
}

void TestSheetDocument::unsavedLinesForTheRecoveryFile_data() {
    addKindColumn();
    QTest::addColumn<QString>("page");
    QTest::addColumn<QDate>("date");
    QTest::newRow("general") << Kind::general() << QStringLiteral("一般记事") << QDate(2011, 1, 1);
    QTest::newRow("calendar") << Kind::calendar() << QStringLiteral("日历") << QDate();
}

void TestSheetDocument::unsavedLinesForTheRecoveryFile() {
    QFETCH(Kind, kind);
    QFETCH(QString, page);
    QFETCH(QDate, date);
    Fixture f(kind);
    QVERIFY(f.document.load(January2011));
    f.document.setColor(2, 0xff); // a colour alone is not a line typed in
    QVERIFY(f.document.unsavedCells().isEmpty());
    f.document.setText(7, QStringLiteral("seventh"));
    f.document.setColor(7, 0x00ff00);
    const QList<UnsavedCell> cells = f.document.unsavedCells();
    QCOMPARE(cells.size(), 1);
    QCOMPARE(cells.at(0).page, page);
    QCOMPARE(cells.at(0).date, date);
    QCOMPARE(cells.at(0).place, QStringLiteral("第 7 行"));
    QCOMPARE(cells.at(0).text, QStringLiteral("seventh"));
    QCOMPARE(cells.at(0).rtf, QStringLiteral("颜色 65280: seventh").toUtf8());
    QVERIFY(f.document.isLineModified(7));
    QVERIFY(f.document.save());
    QVERIFY(!f.document.isLineModified(7));
    QVERIFY(f.document.unsavedCells().isEmpty());
}

void TestSheetDocument::onlyTheGeneralNotesGiveAWallpaper() {
    Fixture general(Kind::general());
    QVERIFY(general.document.load(January2011));
    general.document.setText(2, QStringLiteral("second, unsaved"));
    const std::optional<WallpaperNotes> notes = general.document.wallpaperNotes();
    QVERIFY(notes);
    QCOMPARE(notes->layout, WallpaperNotes::Layout::NoteLines);
    QCOMPARE(notes->texts.size(), 42);
    QCOMPARE(notes->texts.at(1), QStringLiteral("second, unsaved"));
    QVERIFY(notes->dates.empty());
    Fixture calendar(Kind::calendar());
    QVERIFY(calendar.document.load(January2011));
    QVERIFY(!calendar.document.wallpaperNotes());
    QVERIFY(!calendar.document.exportDocument());
}

KESTROVA_DOCUMENT_TEST_MAIN(TestSheetDocument)
#include "tst_SheetDocument.moc"
