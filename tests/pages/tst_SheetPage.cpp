#include "PageEnvironment.h"
#include "PageTestSupport.h"
#include "SmallDisk.h"
#include "calendar_control/LunarCalendarWidget.h"
#include "pages/NoteLineEdit.h"
#include "pages/SheetPage.h"
#include "store/NoteStore.h"

#include <QApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Config = SheetPage::Config;
Q_DECLARE_METATYPE(SheetPage::Config)

namespace {
const QDate January2011(2011, 1, 15);
const QDate November2011(2011, 11, 3);

// Loads the page as for a picker showing `date`.
bool loadFor(SheetPage &page, const QDate &date) {
    page.setDateSource([date] { return date; });
    return page.load();
}

// Types into a line the way a user does: focus, keys.
void typeInto(NoteLineEdit *edit, const QString &text) {
    edit->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(edit, text);
}
} // namespace

// One sheet page over a real database in a temporary folder, in a shown window.
struct Fixture : PageEnvironment {
    SheetPage *page = nullptr;
    QWidget *elsewhere = nullptr; // takes the focus away from a line

    explicit Fixture(const Config &config, bool onSmallDisk = false)
        : PageEnvironment(onSmallDisk) {
        window.resize(900, 600);
        page = new SheetPage(config, context, &window);
        page->setGeometry(0, 0, 782, 554);
        elsewhere = new QLineEdit(&window);
        elsewhere->setGeometry(790, 0, 100, 20);
        saving.open();
    }
    bool show() { return showWindow(); }
    void leaveLine() { elsewhere->setFocus(Qt::MouseFocusReason); }
    QVariant storedText(const QString &key, int line) const {
        const QString table =
            page->config().sheet == NoteStore::Sheet::General ? "edtText" : "RiliJishi";
        return PageTestSupport::queryDatabase(
            file(), QStringLiteral("SELECT line%1 FROM %2 WHERE edtYearMonth = '%3'")
                        .arg(line)
                        .arg(table, key));
    }
    int rows(const QString &table) const {
        return PageTestSupport::queryDatabase(file(),
                                              QStringLiteral("SELECT count(*) FROM ") + table)
            .toInt();
    }
};

class TestSheetPage : public QObject {
    Q_OBJECT
private slots:
    void bothPages_data();
    void bothPages();
    void firstLeaveCreatesOneRowPerTable_data();
    void firstLeaveCreatesOneRowPerTable();
    void coloursSurviveAReload_data();
    void coloursSurviveAReload();
    void emptiedLine_data();
    void emptiedLine();
    void monthKeysNeverCollide();
    void calendarNotesDoNotFollowTheCalendar();
    void storedColoursOutOfRangeReadBlack_data();
    void storedColoursOutOfRangeReadBlack();
    void saveBeforeAnyLoadIsRefused();
    void reloadSavesIntoTheMonthShownFirst();
    void failedSaveKeepsTextAndBlocksTheReload();
    void failedSaveLeavesBothRowsAsTheyWere();
    void failedLoadKeepsTheLines();
    void messageWhileSavingStartsNoSecondSave();
    void resizeOnlyLaysOut();
    void generalLinesHoldAtMost200Bytes();
    void fullDiskKeepsTheTextUntilASaveSucceeds();
    void longLineShowsItsBeginningAfterARestart_data();
    void longLineShowsItsBeginningAfterARestart();
};

void TestSheetPage::bothPages_data() {
    QTest::addColumn<Config>("config");
    QTest::addColumn<QString>("line1");
    QTest::addColumn<bool>("hasCalendar");
    QTest::newRow("general") << Config::general() << QStringLiteral("Edit1") << false;
    QTest::newRow("calendar") << Config::calendar() << QStringLiteral("edtr1") << true;
}

void TestSheetPage::bothPages() {
    QFETCH(Config, config);
    QFETCH(QString, line1);
    QFETCH(bool, hasCalendar);
    Fixture f(config);
    QVERIFY(f.show());
    QCOMPARE(f.page->line(1)->objectName(), line1);
    QCOMPARE(f.page->line(1)->geometry().topLeft(), QPoint(2, 6));
    QCOMPARE(f.page->splitPanel()->geometry(), QRect(380, -3, 24, 559));
    QCOMPARE(f.page->calendar() != nullptr, hasCalendar);
    if (hasCalendar) {
        QCOMPARE(f.page->calendar()->geometry(), QRect(234, 156, 313, 253));
        QCOMPARE(f.page->line(13)->geometry(), QRect(4, 162, 221, SheetLayout::LineHeight));
    }
}

void TestSheetPage::firstLeaveCreatesOneRowPerTable_data() {
    QTest::addColumn<Config>("config");
    QTest::addColumn<QString>("texts");
    QTest::addColumn<QString>("colors");
    QTest::addColumn<QString>("key");
    QTest::newRow("general") << Config::general() << "edtText"
                             << "edtTextColor" << NoteStore::yearMonthKey(January2011);
    QTest::newRow("calendar") << Config::calendar() << "RiliJishi"
                              << "RiliColor" << QStringLiteral("rili2011");
}

void TestSheetPage::firstLeaveCreatesOneRowPerTable() {
    QFETCH(Config, config);
    QFETCH(QString, texts);
    QFETCH(QString, colors);
    QFETCH(QString, key);
    Fixture f(config);
    QVERIFY(f.show());
    QVERIFY(loadFor(*f.page, January2011));
    for (int n = 1; n <= SheetPage::LineCount; ++n) {
        QCOMPARE(f.page->line(n)->text(), QString());
        QCOMPARE(f.page->line(n)->colorValue(), 0);
    }
    // Leaving a line without a change writes nothing.
    f.page->line(1)->setFocus(Qt::MouseFocusReason);
    typeInto(f.page->line(7), QStringLiteral("note"));
    QCOMPARE(f.rows(texts), 0);
    f.leaveLine();
    QCOMPARE(f.rows(texts), 1);
    QCOMPARE(f.rows(colors), 1);
    QCOMPARE(f.storedText(key, 7).toString(), QStringLiteral("note"));
    QCOMPARE(f.storedText(key, 8).toString(), QString(""));
    QCOMPARE(f.page->document()->cellText(6), QStringLiteral("note"));
    QCOMPARE(f.page->document()->cellText(SheetPage::LineCount), QString());
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestSheetPage::coloursSurviveAReload_data() {
    firstLeaveCreatesOneRowPerTable_data();
}

void TestSheetPage::coloursSurviveAReload() {
    QFETCH(Config, config);
    {
        Fixture f(config);
        QVERIFY(loadFor(*f.page, January2011));
        f.page->setLineColor(5, 0x0000ff);
        f.page->line(5)->insert(QStringLiteral("red"));
        f.page->setLineColor(42, 0x123456);
        QVERIFY(f.page->document()->save());
        // A second page over the same file: as after a restart.
        SheetPage again(config, f.context);
        QVERIFY(loadFor(again, January2011));
        QCOMPARE(again.line(5)->text(), QStringLiteral("red"));
        QCOMPARE(again.line(5)->colorValue(), 0x0000ff);
        QCOMPARE(again.line(5)->palette().color(QPalette::Text), QColor(255, 0, 0));
        QCOMPARE(again.line(42)->colorValue(), 0x123456);
        QCOMPARE(again.line(1)->colorValue(), 0);
    }
}

void TestSheetPage::emptiedLine_data() {
    QTest::addColumn<Config>("config");
    QTest::addColumn<int>("colorAfterEmptying");
    QTest::newRow("general keeps the colour") << Config::general() << 0x00ff00;
    QTest::newRow("calendar turns black") << Config::calendar() << 0;
}

// A coloured line emptied by the user, then typed in again, then saved and reloaded.
void TestSheetPage::emptiedLine() {
    QFETCH(Config, config);
    QFETCH(int, colorAfterEmptying);
    Fixture f(config);
    QVERIFY(f.show());
    QVERIFY(loadFor(*f.page, January2011));
    NoteLineEdit *line = f.page->line(3);
    typeInto(line, QStringLiteral("ab"));
    f.page->setLineColor(3, 0x00ff00);
    QTest::keyClick(line, Qt::Key_Backspace);
    QCOMPARE(line->colorValue(), 0x00ff00);
    QTest::keyClick(line, Qt::Key_Backspace);
    QCOMPARE(line->colorValue(), colorAfterEmptying);
    QTest::keyClicks(line, QStringLiteral("again"));
    QCOMPARE(line->colorValue(), colorAfterEmptying);
    f.leaveLine();
    QVERIFY(loadFor(*f.page, January2011));
    QCOMPARE(f.page->line(3)->text(), QStringLiteral("again"));
    QCOMPARE(f.page->line(3)->colorValue(), colorAfterEmptying);
}

void TestSheetPage::monthKeysNeverCollide() {
    Fixture f(Config::general());
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(1)->insert(QStringLiteral("January"));
    QVERIFY(loadFor(*f.page, November2011)); // saves January first
    QCOMPARE(f.page->line(1)->text(), QString());
    f.page->line(1)->insert(QStringLiteral("November"));
    QVERIFY(f.page->document()->save());
    QCOMPARE(f.storedText(QStringLiteral("20111"), 1).toString(), QStringLiteral("January"));
    QCOMPARE(f.storedText(QStringLiteral("201111"), 1).toString(), QStringLiteral("November"));
    QVERIFY(loadFor(*f.page, January2011));
    QCOMPARE(f.page->line(1)->text(), QStringLiteral("January"));
    QVERIFY(loadFor(*f.page, November2011));
    QCOMPARE(f.page->line(1)->text(), QStringLiteral("November"));
}

void TestSheetPage::calendarNotesDoNotFollowTheCalendar() {
    Fixture f(Config::calendar());
    QVERIFY(f.show());
    // The page button's share: the calendar shows today, the one sheet is loaded.
    f.page->calendar()->setDateTime(QDateTime(QDate(2001, 2, 3), QTime(12, 0)));
    f.page->setDateSource([] { return January2011; });
    QVERIFY(f.page->open());
    QCOMPARE(f.page->calendar()->dateTime().date(), QDate::currentDate());
    typeInto(f.page->line(20), QStringLiteral("kept"));
    f.leaveLine();
    const QVariant before =
        PageTestSupport::queryDatabase(f.file(), "SELECT group_concat(line20) FROM RiliJishi");

    f.page->calendar()->setDateTime(QDateTime(QDate(1999, 3, 4), QTime(12, 0)));
    f.page->calendar()->setDateTime(QDateTime(QDate(2030, 12, 31), QTime(12, 0)));
    QCOMPARE(f.page->line(20)->text(), QStringLiteral("kept"));
    QVERIFY(!f.page->document()->isModified());
    QCOMPARE(PageTestSupport::queryDatabase(f.file(), "SELECT group_concat(line20) FROM RiliJishi"),
             before);
    // Any date gives the one sheet.
    QVERIFY(loadFor(*f.page, QDate(1999, 3, 4)));
    QCOMPARE(f.page->state().loadedKey(), QStringLiteral("rili2011"));
    QCOMPARE(f.page->line(20)->text(), QStringLiteral("kept"));
    SheetPage restarted(Config::calendar(), f.context);
    QVERIFY(loadFor(restarted, QDate(2030, 1, 1)));
    QCOMPARE(restarted.line(20)->text(), QStringLiteral("kept"));
}

void TestSheetPage::storedColoursOutOfRangeReadBlack_data() {
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

void TestSheetPage::storedColoursOutOfRangeReadBlack() {
    QFETCH(QString, stored);
    QFETCH(int, shown);
    Fixture f(Config::general());
    QCOMPARE(PageTestSupport::queryDatabase(
                 f.file(), "INSERT INTO edtTextColor (edtYearMonth, color9) VALUES ('20111', " +
                               stored + ")"),
             QVariant());
    QVERIFY(loadFor(*f.page, January2011));
    QCOMPARE(f.page->line(9)->colorValue(), shown);
    QCOMPARE(f.page->state().color(9), shown);
}

void TestSheetPage::saveBeforeAnyLoadIsRefused() {
    Fixture f(Config::general());
    f.page->line(1)->insert(QStringLiteral("typed before the load"));
    QVERIFY(!f.page->document()->save());
    QCOMPARE(f.prompts.messages, QStringList{SheetPage::saveFailedMessage()});
    QCOMPARE(f.rows("edtText"), 0);
    QCOMPARE(f.page->line(1)->text(), QStringLiteral("typed before the load"));
}

void TestSheetPage::reloadSavesIntoTheMonthShownFirst() {
    Fixture f(Config::general());
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(2)->insert(QStringLiteral("typed in January"));
    QVERIFY(loadFor(*f.page, November2011));
    QCOMPARE(f.storedText("20111", 2).toString(), QStringLiteral("typed in January"));
    QCOMPARE(f.rows("edtText"), 1);
}

void TestSheetPage::failedSaveKeepsTextAndBlocksTheReload() {
    Fixture f(Config::general());
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(2)->insert(QStringLiteral("unsaved"));
    PageTestSupport::queryDatabase(f.file(), "ALTER TABLE edtText RENAME TO edtText_off");
    QVERIFY(!loadFor(*f.page, November2011));
    QCOMPARE(f.prompts.messages, QStringList{SheetPage::saveFailedMessage()});
    QCOMPARE(f.page->line(2)->text(), QStringLiteral("unsaved"));
    QCOMPARE(f.page->state().loadedKey(), QStringLiteral("20111"));
    QVERIFY(f.page->document()->isModified());
    PageTestSupport::queryDatabase(f.file(), "ALTER TABLE edtText_off RENAME TO edtText");
    QVERIFY(f.page->document()->save());
    QCOMPARE(f.storedText("20111", 2).toString(), QStringLiteral("unsaved"));
}

// Texts and colours go in one transaction: the colour table failing leaves the text row alone.
void TestSheetPage::failedSaveLeavesBothRowsAsTheyWere() {
    Fixture f(Config::general());
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(4)->insert(QStringLiteral("old"));
    QVERIFY(f.page->document()->save());
    f.page->line(4)->setText(QStringLiteral("new"));
    f.page->setLineColor(4, 0xff);
    PageTestSupport::queryDatabase(f.file(), "ALTER TABLE edtTextColor RENAME TO edtTextColor_off");
    QVERIFY(!f.page->document()->save());
    QCOMPARE(f.storedText("20111", 4).toString(), QStringLiteral("old"));
    QCOMPARE(
        PageTestSupport::queryDatabase(f.file(), "SELECT color4 FROM edtTextColor_off").toInt(), 0);
}

void TestSheetPage::failedLoadKeepsTheLines() {
    Fixture f(Config::general());
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(6)->insert(QStringLiteral("January text"));
    f.page->setLineColor(6, 0xff);
    QVERIFY(f.page->document()->save());
    f.store.writeSheet(NoteStore::Sheet::General, "201111", SheetNotes{});
    // The texts can be read, the colours cannot: nothing of November may show.
    PageTestSupport::queryDatabase(f.file(), "ALTER TABLE edtTextColor RENAME TO edtTextColor_off");
    QVERIFY(!loadFor(*f.page, November2011));
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages[0].contains("edtTextColor"));
    QCOMPARE(f.page->line(6)->text(), QStringLiteral("January text"));
    QCOMPARE(f.page->line(6)->colorValue(), 0xff);
    QCOMPARE(f.page->state().loadedKey(), QStringLiteral("20111"));
    QVERIFY(!f.page->document()->isLoading());
}

// The message box of a failed save lets timers and focus changes run; none may save again.
void TestSheetPage::messageWhileSavingStartsNoSecondSave() {
    Fixture f(Config::general());
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(1)->insert(QStringLiteral("x"));
    PageTestSupport::queryDatabase(f.file(), "ALTER TABLE edtText RENAME TO edtText_off");
    f.prompts.whileShown = [&](const PageMessage &) {
        f.page->document()->save(); // refused while the first save is telling its failure
    };
    QVERIFY(!f.page->document()->save());
    QCOMPARE(f.prompts.messages.size(), 1);
}

void TestSheetPage::resizeOnlyLaysOut() {
    Fixture f(Config::general());
    QVERIFY(f.show());
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(41)->insert(QStringLiteral("typed, not saved"));
    f.page->resize(1000, 700);
    const SheetLayout expected(1000, 700);
    QCOMPARE(f.page->line(41)->geometry(), expected.lineRect(41));
    QCOMPARE(f.page->line(41)->text(), QStringLiteral("typed, not saved"));
    QVERIFY(f.page->document()->isModified());
    QCOMPARE(f.rows("edtText"), 0);
}

void TestSheetPage::generalLinesHoldAtMost200Bytes() {
    Fixture general(Config::general());
    general.page->line(1)->insert(QString(150, QChar(0x8bb0)));
    QCOMPARE(general.page->line(1)->text().size(), 100);
    Fixture calendar(Config::calendar());
    calendar.page->line(1)->insert(QString(150, QChar(0x8bb0)));
    QCOMPARE(calendar.page->line(1)->text().size(), 150);
}

void TestSheetPage::fullDiskKeepsTheTextUntilASaveSucceeds() {
    Fixture f(Config::general(), true);
    if (!f.disk->isMounted()) QSKIP("cannot mount a small tmpfs here (not root?)");
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(1)->insert(QStringLiteral("saved"));
    QVERIFY(f.page->document()->save());
    f.page->line(1)->insert(QString(4000, QLatin1Char('+')).left(150));
    for (int n = 2; n <= SheetPage::LineCount; ++n)
        f.page->line(n)->insert(QString(150, QLatin1Char('0' + n % 10)));
    f.disk->fill();
    QVERIFY(!f.page->document()->save());
    QCOMPARE(f.prompts.messages, QStringList{SheetPage::saveFailedMessage()});
    QVERIFY(f.page->document()->isModified());
    QCOMPARE(f.storedText("20111", 1).toString(), QStringLiteral("saved"));
    f.disk->release();
    QVERIFY(f.page->document()->save());
    QCOMPARE(f.storedText("20111", 42).toString(), QString(150, QLatin1Char('2')));
}

void TestSheetPage::longLineShowsItsBeginningAfterARestart_data() {
    QTest::addColumn<Config>("config");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("text");
    const QString start = QStringLiteral("开");
    QTest::newRow("general") << Config::general() << 1 << start + QString(60, QChar(0x957F));
    QTest::newRow("calendar, beside the calendar")
        << Config::calendar() << 13 << start + QString(24, QChar(0x957F));
}

// A line typed longer than its box shows its end while typed; after a restart, and the page's
// layouts that follow, it shows its beginning: a click at its left end puts the caret before the
// first character.
void TestSheetPage::longLineShowsItsBeginningAfterARestart() {
    QFETCH(Config, config);
    QFETCH(int, line);
    QFETCH(QString, text);
    Fixture f(config);
    QVERIFY(f.show());
    QVERIFY(loadFor(*f.page, January2011));
    f.page->line(line)->setFocus(Qt::MouseFocusReason);
    f.page->line(line)->insert(text);
    f.leaveLine();
    QCOMPARE(f.storedText(f.page->keyFor(January2011), line).toString(), text);

    f.page->hide();
    auto *again = new SheetPage(config, f.context, &f.window);
    again->setGeometry(f.page->geometry());
    again->show();
    QVERIFY(loadFor(*again, January2011));
    again->resize(again->width() + 8, again->height());
    NoteLineEdit *shown = again->line(line);
    QVERIFY(shown->fontMetrics().horizontalAdvance(text) > shown->width());
    QCOMPARE(shown->cursorPosition(), 0);
    shown->repaint(); // the line scrolls as it is painted
    QTest::mouseClick(shown, Qt::LeftButton, {}, QPoint(1, shown->height() / 2));
    QTest::keyClick(shown, Qt::Key_NumberSign);
    QCOMPARE(shown->text(), "#" + text);
}

QTEST_MAIN(TestSheetPage)
#include "tst_SheetPage.moc"
