#include "PageEnvironment.h"
#include "PageTestSupport.h"
#include "pages/AnnualNotesPage.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/YearPageLayout.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QApplication>
#include <QFrame>
#include <QInputMethodEvent>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

namespace {

using PageTestSupport::plainOf;
using PageTestSupport::rtfOf;

// Text typed through the input method, as Chinese text arrives.
void typeText(QWidget *box, const QString &text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

void clickInto(DayRichEdit *box, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(box->viewport(), button, {}, QPoint(4, 4));
}

// The annual page in a window over a real database in a temporary folder, 782 x 554 as in the
// main window's design size.
struct Fixture : PageEnvironment {
    AnnualNotesPage *page = nullptr;

    Fixture() {
        window.resize(800, 600);
        page = new AnnualNotesPage(context, &window);
        page->setGeometry(0, 0, 782, 554);
        attach(*page);
    }

    bool start() {
        if (!showWindow()) return false;
        page->setActive(true);
        saving.open();
        return page->open();
    }

    QString stored(int year, int month) { return plainOf(store.readYearNotes(year)[month - 1]); }

    int rowsOf(int year) {
        const QString name = QStringLiteral("reader");
        int rows = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(store.databaseFile());
            if (db.open()) {
                QSqlQuery q(db);
                q.prepare(QStringLiteral("SELECT count(*) FROM YearJishi WHERE year = ? AND "
                                         "Month1 IS NOT NULL AND Month12 IS NOT NULL"));
                q.addBindValue(year);
                if (q.exec() && q.next()) rows = q.value(0).toInt();
            }
        }
        QSqlDatabase::removeDatabase(name);
        return rows;
    }

    void dropTable() {
        PageTestSupport::alterDatabase(store.databaseFile(),
                                       QStringLiteral("DROP TABLE YearJishi"));
    }
};

} // namespace

class TestAnnualNotesPage : public QObject {
    Q_OBJECT
private slots:
    void partsAndPlaces();
    void tabGoesThroughTheMonths();
    void sideControlsShowTheMemoList();
    void yearWithoutRowShowsEmptyBoxesAndFirstSaveCreatesIt();
    void monthsGoToTheirOwnColumns();
    void formattingSurvivesSaveAndReload();
    void eachYearShowsItsOwnNotes();
    void focusLossSaves();
    void mouseReleaseRecordsTheSelection_data();
    void mouseReleaseRecordsTheSelection();
    void databaseErrorShowsItsTextAndKeepsTheBoxes();
    void resizeLaysOutWithoutLoading();
    void tooLargeNoteIsNotLoaded();
    void readOnlyPageTakesNoTyping();
};

void TestAnnualNotesPage::partsAndPlaces() {
    Fixture f;
    f.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.window));
    QCOMPARE(f.page->objectName(), QStringLiteral("pnl_year"));
    const YearPageLayout layout(782, 554);
    const QStringList captions{"一月份", "二月份", "三月份", "四月份", "五月份",   "六月份",
                               "七月份", "八月份", "九月份", "十月份", "十一月份", "十二月份"};
    for (int m = 1; m <= 12; ++m) {
        DayRichEdit *box = f.page->box(m);
        QCOMPARE(box->objectName(), QStringLiteral("redt%1").arg(m));
        QCOMPARE(box->tabNumber(), m + 5);
        QCOMPARE(box->geometry(), layout.boxRect(m));
        QCOMPARE(box->frameShape(), QFrame::NoFrame);
        QCOMPARE(box->maxLength(), 0);
        QCOMPARE(f.page->label(m)->text(), captions[m - 1]);
        QCOMPARE(f.page->label(m)->pos(), layout.labelPos(m));
    }
    // The numbers of the 782 x 554 panel.
    QCOMPARE(f.page->box(1)->geometry(), QRect(1, 26, 194, 158));
    QCOMPARE(f.page->box(6)->geometry(), QRect(196, 210, 194, 158));
    QCOMPARE(f.page->box(12)->geometry(), QRect(586, 394, 194, 156));
    QCOMPARE(f.page->label(4)->pos(), QPoint(661, 6));
    QCOMPARE(f.page->label(5)->pos(), QPoint(79, 190));
    QCOMPARE(f.page->label(11)->width(), 48);
    QCOMPARE(f.page->line(1)->x(), 195);
    QCOMPARE(f.page->line(2)->x(), 390);
    QCOMPARE(f.page->line(3)->x(), 585);
    QCOMPARE(f.page->line(4)->geometry(), QRect(781, 0, 1, 554));
    QCOMPARE(f.page->titleStrip(1)->geometry(), QRect(0, 184, 782, 25));
    QCOMPARE(f.page->titleStrip(2)->y(), 368);
    QCOMPARE(f.page->bottomLine()->geometry(), QRect(0, 551, 782, 3));
    QCOMPARE(f.page->box(1)->font().family(), QStringLiteral("宋体"));
    QCOMPARE(f.page->box(1)->font().pixelSize(), 12);
}

void TestAnnualNotesPage::tabGoesThroughTheMonths() {
    Fixture f;
    QVERIFY(f.start());
    clickInto(f.page->box(1));
    for (int m = 2; m <= 12; ++m) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), f.page->box(m));
    }
}

void TestAnnualNotesPage::sideControlsShowTheMemoList() {
    Fixture f;
    const SideControls c = f.page->sideControls();
    QVERIFY(c.pickerVisible);
    QVERIFY(c.pickerEnabled);
    QVERIFY(c.fontLists);
    QCOMPARE(f.page->sidePanel(), nullptr);
    QCOMPARE(f.page->document()->cellCount(), 12);
}

void TestAnnualNotesPage::yearWithoutRowShowsEmptyBoxesAndFirstSaveCreatesIt() {
    Fixture f;
    f.pickerDate = QDate(2030, 2, 2);
    QVERIFY(f.start());
    for (int m = 1; m <= 12; ++m) QCOMPARE(f.page->document()->cellText(m - 1), QString());
    QCOMPARE(f.rowsOf(2030), 0);
    clickInto(f.page->box(3));
    typeText(f.page->box(3), QStringLiteral("三月计划"));
    clickInto(f.page->box(4)); // leaving the box saves
    QCOMPARE(f.rowsOf(2030), 1);
    QCOMPARE(f.stored(2030, 3), QStringLiteral("三月计划"));
    QVERIFY(f.prompts.messages.isEmpty());

    // Reopened, the page shows the text again.
    f.page->box(3)->clear();
    f.page->box(3)->document()->setModified(false);
    QVERIFY(f.page->open());
    QCOMPARE(f.page->document()->cellText(2), QStringLiteral("三月计划"));
}

void TestAnnualNotesPage::monthsGoToTheirOwnColumns() {
    Fixture f;
    YearNotes notes;
    for (int m = 1; m <= 12; ++m) notes[m - 1] = rtfOf(QStringLiteral("month %1").arg(m));
    notes[11] = QByteArray("plain December"); // not RTF: taken as plain text
    f.store.writeYearNotes(2010, notes);
    QVERIFY(f.start());
    for (int m = 1; m <= 11; ++m)
        QCOMPARE(f.page->box(m)->toPlainText(), QStringLiteral("month %1").arg(m));
    QCOMPARE(f.page->box(12)->toPlainText(), QStringLiteral("plain December"));

    f.page->box(7)->document()->setPlainText(QStringLiteral("July changed"));
    QVERIFY(f.page->document()->save());
    for (int m = 1; m <= 12; ++m)
        QCOMPARE(f.stored(2010, m), m == 7    ? QStringLiteral("July changed")
                                    : m == 12 ? QStringLiteral("plain December")
                                              : QStringLiteral("month %1").arg(m));
}

void TestAnnualNotesPage::formattingSurvivesSaveAndReload() {
    Fixture f;
    QVERIFY(f.start());
    QTextDocument *doc = f.page->box(5)->document();
    QTextCursor c(doc);
    c.insertText(QStringLiteral("plain 红色大字 end"));
    c.setPosition(6);
    c.setPosition(10, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(QColor(255, 0, 0));
    format.setFontPointSize(14);
    format.setFontFamilies({QStringLiteral("Arial")});
    c.mergeCharFormat(format);
    QVERIFY(f.page->document()->save());

    f.pickerDate = QDate(2011, 1, 1);
    f.page->pickerDateChanged();
    QCOMPARE(f.page->box(5)->toPlainText(), QString());
    f.pickerDate = QDate(2010, 12, 31);
    f.page->pickerDateChanged();
    QCOMPARE(f.page->box(5)->toPlainText(), QStringLiteral("plain 红色大字 end"));
    QTextCursor r(f.page->box(5)->document());
    r.setPosition(8);
    QCOMPARE(r.charFormat().foreground().color(), QColor(255, 0, 0));
    QCOMPARE(r.charFormat().fontPointSize(), 14.0);
    QVERIFY(r.charFormat().fontFamilies().toStringList().contains(QStringLiteral("Arial")));
    r.setPosition(2);
    QVERIFY(r.charFormat().foreground().color() != QColor(255, 0, 0));
}

void TestAnnualNotesPage::eachYearShowsItsOwnNotes() {
    Fixture f;
    YearNotes y2010;
    y2010[0] = rtfOf(QStringLiteral("2010 January"));
    f.store.writeYearNotes(2010, y2010);
    YearNotes y2011;
    y2011[0] = rtfOf(QStringLiteral("2011 January"));
    f.store.writeYearNotes(2011, y2011);
    QVERIFY(f.start());
    QCOMPARE(f.page->document()->cellText(0), QStringLiteral("2010 January"));

    // Typed into 2010, then the picker moves to 2011 while the box keeps the focus.
    clickInto(f.page->box(1));
    f.page->box(1)->moveCursor(QTextCursor::End);
    QTest::keyClicks(f.page->box(1), QStringLiteral(" and more"));
    f.pickerDate = QDate(2011, 3, 1);
    f.page->pickerDateChanged();
    QCOMPARE(f.page->document()->cellText(0), QStringLiteral("2011 January"));
    QCOMPARE(f.stored(2010, 1), QStringLiteral("2010 January and more"));
    QCOMPARE(f.stored(2011, 1), QStringLiteral("2011 January"));
    f.pickerDate = QDate(2010, 3, 1);
    f.page->pickerDateChanged();
    QCOMPARE(f.page->document()->cellText(0), QStringLiteral("2010 January and more"));
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestAnnualNotesPage::focusLossSaves() {
    Fixture f;
    QVERIFY(f.start());
    clickInto(f.page->box(12));
    typeText(f.page->box(12), QStringLiteral("年终总结"));
    QCOMPARE(f.stored(2010, 12), QString());
    f.window.setFocus();
    QCOMPARE(f.stored(2010, 12), QStringLiteral("年终总结"));
    QVERIFY(!f.page->document()->isModified());
}

void TestAnnualNotesPage::mouseReleaseRecordsTheSelection_data() {
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("records");
    QTest::newRow("left") << int(Qt::LeftButton) << true;
    QTest::newRow("right") << int(Qt::RightButton) << true;
    QTest::newRow("middle") << int(Qt::MiddleButton) << false;
}

void TestAnnualNotesPage::mouseReleaseRecordsTheSelection() {
    QFETCH(int, button);
    QFETCH(bool, records);
    Fixture f;
    QVERIFY(f.start());
    DayRichEdit *box = f.page->box(8);
    box->setPlainText(QStringLiteral("abcdef"));
    f.lastSelection.selStart = 99;
    f.lastSelection.isDayPlan = true;
    QWidget *viewport = box->viewport();
    QTest::mousePress(viewport, Qt::MouseButton(button), {}, QPoint(2, 4));
    QTest::mouseRelease(viewport, Qt::MouseButton(button), {}, QPoint(2, 4));
    if (QWidget *menu = QApplication::activePopupWidget()) menu->close();
    QCOMPARE(f.lastSelection.tabOrder, records ? 13 : 0);
    QCOMPARE(f.lastSelection.selStart, records ? 0 : 99);
    QCOMPARE(f.lastSelection.isDayPlan, !records);
    QCOMPARE(f.lastSelection.selLength, 0);
}

void TestAnnualNotesPage::databaseErrorShowsItsTextAndKeepsTheBoxes() {
    Fixture f;
    QVERIFY(f.start());
    f.page->box(2)->document()->setPlainText(QStringLiteral("二月"));
    f.dropTable();
    QVERIFY(!f.page->document()->save());
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages.first().contains(QStringLiteral("YearJishi"), Qt::CaseInsensitive));
    QVERIFY(f.prompts.messages.first() != DesktopMonthPage::saveFailedMessage());
    QCOMPARE(f.page->document()->cellText(1), QStringLiteral("二月"));
    QVERIFY(f.page->document()->isModified());

    // A load fails the same way and leaves the boxes alone.
    f.page->box(2)->document()->setModified(false);
    f.pickerDate = QDate(2012, 1, 1);
    f.page->pickerDateChanged();
    QCOMPARE(f.prompts.messages.size(), 2);
    QCOMPARE(f.page->document()->cellText(1), QStringLiteral("二月"));
    QCOMPARE(f.page->document()->loadedDate().year(), 2010);
}

// A month note far beyond what a box holds is not read into it; saves leave it as stored.
void TestAnnualNotesPage::tooLargeNoteIsNotLoaded() {
    Fixture f;
    YearNotes notes;
    notes[4] = "{\\rtf1 " + QByteArray(int(richtext::MaxEditorNoteSize) + 10, 'x') + "}";
    f.store.writeYearNotes(2010, notes);
    QVERIFY(f.start());
    QVERIFY(f.page->box(5)->isReadOnly());
    QVERIFY(f.page->document()->cellText(4).contains(QStringLiteral("太大")));
    QVERIFY(!f.page->box(6)->isReadOnly());
    typeText(f.page->box(6), QStringLiteral("June"));
    QVERIFY(f.page->document()->save());
    QCOMPARE(f.store.readYearNotes(2010)[4], notes[4]);
    QCOMPARE(f.stored(2010, 6), QStringLiteral("June"));
    QVERIFY(f.page->document()->unsavedCells().isEmpty());
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestAnnualNotesPage::readOnlyPageTakesNoTyping() {
    Fixture f;
    QVERIFY(f.start());
    typeText(f.page->box(2), QStringLiteral("Feb"));
    const QList<UnsavedCell> cells = f.page->document()->unsavedCells();
    QCOMPARE(cells.size(), 1);
    QCOMPARE(cells.at(0).page, QStringLiteral("年度记事"));
    QCOMPARE(cells.at(0).date, QDate(2010, 2, 1));
    QCOMPARE(cells.at(0).text, QStringLiteral("Feb"));
    QVERIFY(f.page->document()->save());
    f.page->document()->setReadOnly(true);
    for (int m = 1; m <= 12; ++m) QVERIFY(f.page->box(m)->isReadOnly());
    QVERIFY(f.page->document()->save()); // nothing unsaved: nothing to write, no message
    f.page->document()->setReadOnly(false);
    QVERIFY(!f.page->box(2)->isReadOnly());
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestAnnualNotesPage::resizeLaysOutWithoutLoading() {
    Fixture f;
    QVERIFY(f.start());
    int loads = 0;
    connect(f.page->document(), &NoteDocument::loadFinished, this, [&] { ++loads; });
    f.page->box(1)->document()->setPlainText(QStringLiteral("kept"));
    f.page->resize(1014, 690);
    QCOMPARE(f.page->box(12)->geometry(), YearPageLayout(1014, 690).boxRect(12));
    QCOMPARE(loads, 0);
    QCOMPARE(f.page->document()->cellText(0), QStringLiteral("kept"));
}

QTEST_MAIN(TestAnnualNotesPage)
#include "tst_AnnualNotesPage.moc"
