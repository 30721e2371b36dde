#include "PageEnvironment.h"
#include "PageTestSupport.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/MonthGridView.h"
#include "pages/MonthPageLayout.h"
#include "pages/PageMessageBox.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <memory>

namespace {

using PageTestSupport::plainOf;
using PageTestSupport::rtfOf;

void clickInto(QWidget *editor, Qt::KeyboardModifiers modifiers = {}) {
    auto *edit = qobject_cast<QTextEdit *>(editor);
    QTest::mouseClick(edit ? edit->viewport() : editor, Qt::LeftButton, modifiers, QPoint(4, 4));
}

} // namespace

// One month page over a real database in a temporary folder, placed in a window together with its
// day plan panel as the main window does.
struct Fixture : PageEnvironment {
    DesktopMonthPage *page = nullptr;

    Fixture() {
        window.resize(1000, 600);
        page = new DesktopMonthPage(context, &window);
        page->setGeometry(0, 0, 786, 556);
        page->dayPlanPanel()->setParent(&window);
        page->dayPlanPanel()->setGeometry(790, 200, 200, 335);
        page->dayPlanPanel()->show();
        attach(*page);
    }

    // Shows the window and waits for the show timer to bring the editors up, loaded.
    bool start() {
        if (!showWindow()) return false;
        page->setActive(true);
        if (!QTest::qWaitFor([this] { return page->editorsVisible(); }, 3000)) return false;
        saving.open();
        return true;
    }

    DayRichEdit *cellOf(const QDate &date) const {
        return page->dayEditor(page->grid().cellOf(date) + 1);
    }

    // Renames a table behind the store's back so that its next write fails, and back.
    void breakTable(const QString &table) { renameTable(table, table + QStringLiteral("_off")); }
    void repairTable(const QString &table) { renameTable(table + QStringLiteral("_off"), table); }

    void renameTable(const QString &from, const QString &to) {
        PageTestSupport::renameTable(store.databaseFile(), from, to);
    }
};

class TestDesktopMonthPage : public QObject {
    Q_OBJECT
private slots:
    void loadShowsStoredMonthAndDayPlan();
    void saveAndLoadRoundTrip();
    void savingDisabledWritesNothing();
    void focusLossSavesBeforeTheNewDayIsSelected();
    void rightClickSelectsTheDayBeforeTheMenu();
    void gridPressSavesWithTheOldDay();
    void failingDatabaseGivesTheMessageOncePerSave();
    void failedSaveKeepsTheDayPlanOnItsDay();
    void dateChangeSavesTypedTextFirst();
    void dateChangeWithFailingSaveKeepsTheText();
    void trailingCellTextBelongsToItsMonthPage();
    void monthWithoutSelectedDayUsesCellZero();
    void failingLoadKeepsTheShownMonth();
    void ownMessageBoxes_data();
    void ownMessageBoxes();
    void saveBeforeAnyLoadIsRefused();
    void messageBoxFocusChangeDoesNotSaveAgain();
    void pageButtonSavesAndSelectsToday();
    void undoDoesNotBringBackTheOtherMonth();
    void teardownInEitherOrder();
    void resizeHidesAndReloadsTheEditors();
    void lastSelectionRecord();
    void exportLabelsFollowTheGrid_data();
    void exportLabelsFollowTheGrid();
    void tabIntoADaySelectsItsDay_data();
    void tabIntoADaySelectsItsDay();
    void hidingTheEditorsSelectsNoOtherDay();
    void cellMarksTextHiddenBelow_data();
    void cellMarksTextHiddenBelow();
};

void TestDesktopMonthPage::loadShowsStoredMonthAndDayPlan() {
    Fixture f;
    MonthCells cells;
    cells[2] = rtfOf(QStringLiteral("first of June"));
    cells[41] = QByteArray("plain old note"); // not RTF: taken as plain text
    f.store.writeMonth(QStringLiteral("20106"), cells);
    f.store.writeDayPlan(NoteStore::dayKey(QDate(2010, 5, 30)), rtfOf(QStringLiteral("plan")));
    QVERIFY(f.start());

    QCOMPARE(f.page->dayEditor(3)->toPlainText(), QStringLiteral("first of June"));
    QCOMPARE(f.page->dayEditor(42)->toPlainText(), QStringLiteral("plain old note"));
    QCOMPARE(f.page->dayEditor(1)->toPlainText(), QString());
    // Nothing selected: the plan of cell 0 (30 May) shows.
    QCOMPARE(f.page->dayPlanEditor()->toPlainText(), QStringLiteral("plan"));
    QVERIFY(!f.page->document()->isModified());
    QVERIFY(!f.page->document()->isLoading());
}

void TestDesktopMonthPage::saveAndLoadRoundTrip() {
    Fixture f;
    QVERIFY(f.start());
    DayRichEdit *edit = f.page->dayEditor(10);
    edit->setPlainText(QStringLiteral("会议 10:00"));
    QTextCursor c(edit->document());
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor, 2);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.mergeCharFormat(bold);
    f.page->dayPlanEditor()->setPlainText(QStringLiteral("整理房间"));
    QVERIFY(f.page->document()->save());
    QVERIFY(f.prompts.messages.isEmpty());

    const MonthCells stored = f.store.readMonth(QStringLiteral("20106"));
    QCOMPARE(plainOf(stored[9]), QStringLiteral("会议 10:00"));
    QCOMPARE(plainOf(f.store.readDayPlan(QStringLiteral("2010-5-30"))), QStringLiteral("整理房间"));

    // Another month and back: the text and its format come from the store again.
    f.pickerDate = QDate(2010, 7, 1);
    f.page->pickerDateChanged();
    QCOMPARE(f.page->dayEditor(10)->toPlainText(), QString());
    f.pickerDate = QDate(2010, 6, 15);
    f.page->pickerDateChanged();
    QCOMPARE(f.page->dayEditor(10)->toPlainText(), QStringLiteral("会议 10:00"));
    QTextCursor r(f.page->dayEditor(10)->document());
    r.setPosition(1);
    QCOMPARE(r.charFormat().fontWeight(), int(QFont::Bold));
    r.setPosition(4);
    QCOMPARE(r.charFormat().fontWeight(), int(QFont::Normal));
    QCOMPARE(f.page->dayPlanEditor()->toPlainText(), QStringLiteral("整理房间"));
}

void TestDesktopMonthPage::savingDisabledWritesNothing() {
    Fixture f;
    QVERIFY(f.start());
    f.saving.close();
    f.page->dayEditor(5)->setPlainText(QStringLiteral("not yet"));
    QVERIFY(f.page->document()->save());
    QCOMPARE(f.store.readMonth(QStringLiteral("20106"))[4], QByteArray());
}

void TestDesktopMonthPage::focusLossSavesBeforeTheNewDayIsSelected() {
    Fixture f;
    f.store.writeDayPlan(QStringLiteral("2010-6-5"), rtfOf(QStringLiteral("plan of the fifth")));
    QVERIFY(f.start());

    DayRichEdit *third = f.cellOf(QDate(2010, 6, 3));
    DayRichEdit *fifth = f.cellOf(QDate(2010, 6, 5));
    QCOMPARE(third->objectName(), QStringLiteral("RichEdit5"));
    clickInto(third);
    QVERIFY(third->hasFocus());
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 3));
    QTest::keyClicks(third, QStringLiteral("dentist"));
    clickInto(f.page->dayPlanEditor());
    QTest::keyClicks(f.page->dayPlanEditor(), QStringLiteral("plan of the third"));

    clickInto(fifth);
    QVERIFY(fifth->hasFocus());
    QCOMPARE(plainOf(f.store.readDayPlan(QStringLiteral("2010-6-3"))),
             QStringLiteral("plan of the third"));
    QCOMPARE(plainOf(f.store.readMonth(QStringLiteral("20106"))[4]), QStringLiteral("dentist"));
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 5));
    QCOMPARE(f.page->dayPlanEditor()->toPlainText(), QStringLiteral("plan of the fifth"));
    QCOMPARE(f.page->grid().selection().size(), 1);
    QVERIFY(f.prompts.messages.isEmpty());
}

// The context menu opens on the right press and takes the release; the cell's day is selected
// and the selection recorded all the same, once.
void TestDesktopMonthPage::rightClickSelectsTheDayBeforeTheMenu() {
    Fixture f;
    QVERIFY(f.start());
    DayRichEdit *third = f.cellOf(QDate(2010, 6, 3));
    DayRichEdit *fifth = f.cellOf(QDate(2010, 6, 5));
    clickInto(third);
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 3));
    int releases = 0;
    connect(fifth, &DayRichEdit::mouseReleased, this, [&] { ++releases; });

    QWidget *viewport = fifth->viewport();
    QTest::mousePress(viewport, Qt::RightButton, {}, QPoint(4, 4));
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(4, 4),
                                viewport->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(viewport, &menuEvent);
    QWidget *menu = QApplication::activePopupWidget();
    QVERIFY(menu);
    menu->close();
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 5));
    QCOMPARE(f.lastSelection.tabOrder, fifth->tabNumber());
    QCOMPARE(releases, 1);

    // Where the release does arrive it is not reported a second time.
    QTest::mouseRelease(viewport, Qt::RightButton, {}, QPoint(4, 4));
    QCOMPARE(releases, 1);
}

void TestDesktopMonthPage::gridPressSavesWithTheOldDay() {
    Fixture f;
    QVERIFY(f.start());
    clickInto(f.cellOf(QDate(2010, 6, 3)));
    clickInto(f.page->dayPlanEditor());
    QTest::keyClicks(f.page->dayPlanEditor(), QStringLiteral("third"));

    // A press on the title strip of 8 June's cell.
    MonthGridView *grid = f.page->gridView();
    const int cell = f.page->grid().cellOf(QDate(2010, 6, 8));
    const QRect editor = f.page->dayEditor(cell + 1)->geometry();
    QTest::mouseClick(grid, Qt::LeftButton, {}, QPoint(editor.center().x(), editor.top() - 15));
    QCOMPARE(plainOf(f.store.readDayPlan(QStringLiteral("2010-6-3"))), QStringLiteral("third"));
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 8));
    QCOMPARE(f.page->dayPlanEditor()->toPlainText(), QString());

    // Ctrl adds 10 June; the plan shown is that of the highest selected cell.
    const QRect tenth = f.cellOf(QDate(2010, 6, 10))->geometry();
    QTest::mouseClick(grid, Qt::LeftButton, Qt::ControlModifier,
                      QPoint(tenth.center().x(), tenth.top() - 15));
    QCOMPARE(f.page->grid().selection().size(), 2);
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 10));
}

void TestDesktopMonthPage::failingDatabaseGivesTheMessageOncePerSave() {
    Fixture f;
    QVERIFY(f.start());
    DayRichEdit *third = f.cellOf(QDate(2010, 6, 3));
    clickInto(third);
    QTest::keyClicks(third, QStringLiteral("lost?"));
    f.breakTable(QStringLiteral("TailiNew"));

    clickInto(f.cellOf(QDate(2010, 6, 5)));
    QCOMPARE(f.prompts.messages, QStringList{DesktopMonthPage::saveFailedMessage()});
    QCOMPARE(third->toPlainText(), QStringLiteral("lost?"));
    QVERIFY(f.page->document()->isModified());

    // Every further save tells again, once.
    QVERIFY(!f.page->document()->save());
    QCOMPARE(f.prompts.messages.size(), 2);
    clickInto(third);
    QCOMPARE(f.prompts.messages.size(), 3);
    QCOMPARE(third->toPlainText(), QStringLiteral("lost?"));
}

void TestDesktopMonthPage::failedSaveKeepsTheDayPlanOnItsDay() {
    Fixture f;
    QVERIFY(f.start());
    clickInto(f.cellOf(QDate(2010, 6, 3)));
    clickInto(f.page->dayPlanEditor());
    QTest::keyClicks(f.page->dayPlanEditor(), QStringLiteral("keep me"));
    f.breakTable(QStringLiteral("TailiNew_day"));

    clickInto(f.cellOf(QDate(2010, 6, 5)));
    QCOMPARE(f.prompts.messages.size(), 1);
    // The plan was not written, so it stays on screen and on its day.
    QCOMPARE(f.page->dayPlanEditor()->toPlainText(), QStringLiteral("keep me"));
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 3));

    // Once the database works again the next save puts it under 3 June.
    f.repairTable(QStringLiteral("TailiNew_day"));
    QVERIFY(f.page->document()->save());
    QCOMPARE(plainOf(f.store.readDayPlan(QStringLiteral("2010-6-3"))), QStringLiteral("keep me"));
    clickInto(f.cellOf(QDate(2010, 6, 5)));
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 5));
    QCOMPARE(f.page->dayPlanEditor()->toPlainText(), QString());
}

void TestDesktopMonthPage::dateChangeSavesTypedTextFirst() {
    Fixture f;
    QVERIFY(f.start());
    DayRichEdit *third = f.cellOf(QDate(2010, 6, 3));
    clickInto(third);
    QTest::keyClicks(third, QStringLiteral("typed, focus kept"));
    QVERIFY(third->hasFocus());

    // The picker's spin button changes the month while the editor keeps the focus.
    f.pickerDate = QDate(2010, 7, 1);
    f.page->pickerDateChanged();
    QCOMPARE(plainOf(f.store.readMonth(QStringLiteral("20106"))[4]),
             QStringLiteral("typed, focus kept"));
    QCOMPARE(f.store.readMonth(QStringLiteral("20107"))[4], QByteArray());
    QCOMPARE(f.page->grid().displayDate(), QDate(2010, 7, 1));
    QCOMPARE(third->toPlainText(), QString());

    f.pickerDate = QDate(2010, 6, 1);
    f.page->pickerDateChanged();
    QCOMPARE(third->toPlainText(), QStringLiteral("typed, focus kept"));
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestDesktopMonthPage::dateChangeWithFailingSaveKeepsTheText() {
    Fixture f;
    QVERIFY(f.start());
    DayRichEdit *third = f.cellOf(QDate(2010, 6, 3));
    clickInto(third);
    QTest::keyClicks(third, QStringLiteral("precious"));
    f.breakTable(QStringLiteral("TailiNew"));

    f.pickerDate = QDate(2010, 7, 1);
    f.page->pickerDateChanged();
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(third->toPlainText(), QStringLiteral("precious"));
    QCOMPARE(f.page->grid().displayDate().month(), 6); // still the month its text belongs to

    f.repairTable(QStringLiteral("TailiNew"));
    f.page->pickerDateChanged();
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(plainOf(f.store.readMonth(QStringLiteral("20106"))[4]), QStringLiteral("precious"));
    QCOMPARE(f.page->grid().displayDate().month(), 7);
}

void TestDesktopMonthPage::trailingCellTextBelongsToItsMonthPage() {
    Fixture f;
    f.pickerDate = QDate(2010, 5, 1);
    QVERIFY(f.start());
    DayRichEdit *trailing = f.cellOf(QDate(2010, 6, 1)); // cell 37 of May
    QCOMPARE(trailing->objectName(), QStringLiteral("RichEdit38"));
    clickInto(trailing);
    QTest::keyClicks(trailing, QStringLiteral("from May"));
    QVERIFY(f.page->document()->save());

    f.pickerDate = QDate(2010, 6, 1);
    f.page->pickerDateChanged();
    QCOMPARE(f.cellOf(QDate(2010, 6, 1))->toPlainText(), QString());
}

void TestDesktopMonthPage::monthWithoutSelectedDayUsesCellZero() {
    Fixture f;
    f.store.writeDayPlan(QStringLiteral("2010-8-29"), rtfOf(QStringLiteral("end of August")));
    QVERIFY(f.start());
    clickInto(f.cellOf(QDate(2010, 6, 3)));
    f.pickerDate = QDate(2010, 9, 10); // 3 June is not shown in September
    f.page->pickerDateChanged();
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 8, 29));
    QCOMPARE(f.page->dayPlanEditor()->toPlainText(), QStringLiteral("end of August"));
    f.page->dayPlanEditor()->setPlainText(QStringLiteral("changed"));
    QVERIFY(f.page->document()->save());
    QCOMPARE(plainOf(f.store.readDayPlan(QStringLiteral("2010-8-29"))), QStringLiteral("changed"));
    QCOMPARE(plainOf(f.store.readDayPlan(QStringLiteral("2010-6-3"))), QString());
}

void TestDesktopMonthPage::failingLoadKeepsTheShownMonth() {
    Fixture f;
    MonthCells cells;
    cells[4] = rtfOf(QStringLiteral("June text"));
    f.store.writeMonth(QStringLiteral("20106"), cells);
    QVERIFY(f.start());
    f.breakTable(QStringLiteral("TailiNew"));
    f.pickerDate = QDate(2010, 7, 1);
    f.page->pickerDateChanged();
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages.first() != DesktopMonthPage::saveFailedMessage());
    QVERIFY(!f.page->document()->isLoading());
    // The editors still show June, and so does the grid: a save would write June's key.
    QCOMPARE(f.page->grid().displayDate().month(), 6);
    QCOMPARE(f.page->dayEditor(5)->toPlainText(), QStringLiteral("June text"));
}

void TestDesktopMonthPage::ownMessageBoxes_data() {
    QTest::addColumn<bool>("load");
    QTest::addColumn<int>("icon");
    QTest::newRow("failed save asks to save again") << false << int(QMessageBox::Information);
    QTest::newRow("failed read is an error") << true << int(QMessageBox::Critical);
}

void TestDesktopMonthPage::ownMessageBoxes() {
    QFETCH(bool, load);
    QFETCH(int, icon);
    Fixture f;
    QVERIFY(f.start());
    // The program's message boxes, over the page's window.
    f.prompts.whileShown = [&f](const PageMessage &m) { PageMessageBox::show(&f.window, m); };
    f.breakTable(QStringLiteral("TailiNew"));

    QList<int> icons;
    QStringList titles;
    QStringList texts;
    QTimer closer;
    closer.setInterval(20);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) return;
        icons << int(box->icon());
        titles << box->windowTitle();
        texts << box->text();
        box->button(QMessageBox::Ok)->click();
    });
    closer.start();
    if (load) {
        f.pickerDate = QDate(2010, 7, 1);
        f.page->pickerDateChanged();
    } else {
        QVERIFY(!f.page->document()->save());
    }
    closer.stop();

    QCOMPARE(icons, QList<int>{icon});
    QCOMPARE(titles, QStringList{QGuiApplication::applicationDisplayName()});
    if (!load) QCOMPARE(texts, QStringList{DesktopMonthPage::saveFailedMessage()});
}

void TestDesktopMonthPage::saveBeforeAnyLoadIsRefused() {
    Fixture f;
    MonthCells cells;
    cells[0] = rtfOf(QStringLiteral("stored"));
    f.store.writeMonth(QStringLiteral("20106"), cells);
    f.saving.open();
    // Blank editors that never received the month must not overwrite it.
    QVERIFY(!f.page->document()->save());
    QCOMPARE(f.prompts.messages, QStringList{DesktopMonthPage::saveFailedMessage()});
    QCOMPARE(plainOf(f.store.readMonth(QStringLiteral("20106"))[0]), QStringLiteral("stored"));
}

void TestDesktopMonthPage::messageBoxFocusChangeDoesNotSaveAgain() {
    Fixture f;
    QVERIFY(f.start());
    f.breakTable(QStringLiteral("TailiNew"));
    // A message box takes the focus from the editor; that must not start a second save.
    f.prompts.whileShown = [&f](const PageMessage &) { f.page->document()->save(); };
    QVERIFY(!f.page->document()->save());
    QCOMPARE(f.prompts.messages.size(), 1);
}

void TestDesktopMonthPage::pageButtonSavesAndSelectsToday() {
    Fixture f;
    const QDate today = QDate::currentDate();
    f.pickerDate = today;
    QVERIFY(f.start());
    DayRichEdit *cell0 = f.page->dayEditor(1);
    clickInto(cell0);
    QTest::keyClicks(cell0, QStringLiteral("typed before the button"));
    f.lastSelection.tabOrder = 7;
    f.page->open(); // the page button takes no focus
    QCOMPARE(plainOf(f.store.readMonth(NoteStore::yearMonthKey(today))[0]),
             QStringLiteral("typed before the button"));
    QCOMPARE(cell0->toPlainText(), QStringLiteral("typed before the button"));
    QCOMPARE(f.page->grid().selection().size(), 1);
    QCOMPARE(f.page->grid().selectedDay(), today);
    QCOMPARE(f.lastSelection.tabOrder, 0);
}

// Undo right after a load must neither empty the loaded text nor bring back the month before.
void TestDesktopMonthPage::undoDoesNotBringBackTheOtherMonth() {
    Fixture f;
    MonthCells june;
    june[4] = rtfOf(QStringLiteral("June only"));
    f.store.writeMonth(QStringLiteral("20106"), june);
    MonthCells july;
    july[4] = rtfOf(QStringLiteral("July"));
    f.store.writeMonth(QStringLiteral("20107"), july);
    f.store.writeDayPlan(QStringLiteral("2010-6-27"), rtfOf(QStringLiteral("plan")));
    f.store.writeDayPlan(QStringLiteral("2010-7-1"), rtfOf(QStringLiteral("first plan")));
    QVERIFY(f.start());
    f.pickerDate = QDate(2010, 7, 1);
    f.page->pickerDateChanged();
    DayRichEdit *cell = f.page->dayEditor(5);
    DayRichEdit *plan = f.page->dayPlanEditor();
    QCOMPARE(plan->toPlainText(), QStringLiteral("plan"));
    for (DayRichEdit *edit : {cell, plan}) {
        clickInto(edit);
        QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier);
    }
    QCOMPARE(cell->toPlainText(), QStringLiteral("July"));
    QCOMPARE(plan->toPlainText(), QStringLiteral("first plan"));
}

// The main window owns the page and, in its side panel, the day plan panel; either may go first.
void TestDesktopMonthPage::teardownInEitherOrder() {
    {
        Fixture f;
        QVERIFY(f.start());
        clickInto(f.page->dayPlanEditor());
        delete f.page->dayPlanPanel();
        // The page goes on without its day plan panel.
        f.store.writeDayPlan(QStringLiteral("2010-6-27"), rtfOf(QStringLiteral("plan")));
        f.pickerDate = QDate(2010, 7, 1);
        f.page->pickerDateChanged();
        QCOMPARE(f.page->document()->dayPlan()->toPlainText(), QStringLiteral("plan"));
    }
    {
        Fixture f;
        QVERIFY(f.start());
        clickInto(f.page->dayEditor(3));
        QPointer<QWidget> panel = f.page->dayPlanPanel();
        delete f.page;
        QVERIFY(panel);
        panel->findChild<DayRichEdit *>()->setFocus();
        QTest::keyClicks(panel->findChild<DayRichEdit *>(), QStringLiteral("after"));
    }
}

void TestDesktopMonthPage::resizeHidesAndReloadsTheEditors() {
    Fixture f;
    QVERIFY(f.start());
    MonthCells cells;
    cells[0] = rtfOf(QStringLiteral("written elsewhere"));
    f.store.writeMonth(QStringLiteral("20106"), cells);
    int loads = 0;
    connect(f.page->document(), &NoteDocument::loadFinished, this, [&] { ++loads; });

    f.page->resize(900, 500);
    QVERIFY(!f.page->editorsVisible());
    QVERIFY(f.page->dayEditor(1)->isHidden());
    QCOMPARE(f.page->dayEditor(1)->geometry(), MonthPageLayout(900, 500).editorRect(1));
    QVERIFY(QTest::qWaitFor([&] { return f.page->editorsVisible(); }, 3000));
    QCOMPARE(loads, 1);
    QVERIFY(f.page->dayEditor(42)->isVisible());
    QCOMPARE(f.page->dayEditor(1)->toPlainText(), QStringLiteral("written elsewhere"));

    // While another page is active the timer waits.
    f.page->setActive(false);
    f.page->resize(880, 500);
    QTest::qWait(700);
    QVERIFY(!f.page->editorsVisible());
    f.page->setActive(true);
    QVERIFY(QTest::qWaitFor([&] { return f.page->editorsVisible(); }, 3000));
}

void TestDesktopMonthPage::lastSelectionRecord() {
    Fixture f;
    QVERIFY(f.start());
    DayRichEdit *edit = f.page->dayEditor(9);
    edit->setPlainText(QStringLiteral("abcdef"));
    clickInto(edit);
    QCOMPARE(f.lastSelection.tabOrder, 9);
    QVERIFY(!f.lastSelection.isDayPlan);
    clickInto(f.page->dayPlanEditor());
    QCOMPARE(f.lastSelection.tabOrder, 0);
    QVERIFY(f.lastSelection.isDayPlan);
    QCOMPARE(f.lastSelection.selLength, 0);
}

void TestDesktopMonthPage::exportLabelsFollowTheGrid_data() {
    QTest::addColumn<QDate>("month");
    QTest::newRow("June 2010, starts on a Tuesday") << QDate(2010, 6, 1);
    QTest::newRow("February 2015, starts on a Sunday") << QDate(2015, 2, 1);
    QTest::newRow("May 2010, starts on a Saturday") << QDate(2010, 5, 1);
}

// Every line of the export is labelled with the date of the cell it comes from, and carries the
// text of that cell's editor as it stands.
void TestDesktopMonthPage::exportLabelsFollowTheGrid() {
    QFETCH(QDate, month);
    Fixture f;
    f.pickerDate = month;
    QVERIFY(f.start());
    for (int k = 0; k < DesktopMonthPage::EditorCount; ++k)
        f.page->dayEditor(k + 1)->setPlainText(QStringLiteral("c%1").arg(k));
    const std::optional<ExportDocument> doc = f.page->document()->exportDocument();
    QVERIFY(doc);
    const QStringList lines = doc->text().split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 1 + DesktopMonthPage::EditorCount + 1);
    for (int k = 0; k < DesktopMonthPage::EditorCount; ++k) {
        const QDate d = f.page->grid().cellDate(k);
        const QString label = f.page->grid().inDisplayedMonth(k)
                                  ? QStringLiteral("%1月%2号：").arg(d.month()).arg(d.day())
                                  : QStringLiteral("记录：");
        QCOMPARE(lines[1 + k], label + QStringLiteral("c%1").arg(k));
    }
}

void TestDesktopMonthPage::tabIntoADaySelectsItsDay_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Tab from the day before") << QDate(2010, 6, 3) << Qt::Key_Tab;
    QTest::newRow("Shift+Tab from the day after") << QDate(2010, 6, 5) << Qt::Key_Backtab;
}

// A day editor reached by the keyboard selects its day as a click does: the day plan shown, and
// typed, is that day's.
void TestDesktopMonthPage::tabIntoADaySelectsItsDay() {
    QFETCH(QDate, from);
    QFETCH(Qt::Key, key);
    const QDate fourth(2010, 6, 4);
    Fixture f;
    f.store.writeDayPlan(NoteStore::dayKey(fourth), rtfOf(QStringLiteral("plan of the fourth")));
    QVERIFY(f.start());
    clickInto(f.cellOf(from));
    QCOMPARE(f.page->grid().selectedDay(), from);

    QTest::keyClick(f.cellOf(from), key);
    DayRichEdit *reached = f.cellOf(fourth);
    QVERIFY(reached->hasFocus());
    QCOMPARE(f.page->grid().selectedDay(), fourth);
    QCOMPARE(f.page->grid().selection().size(), 1);
    QCOMPARE(f.page->document()->dayPlanDate(), fourth);
    QCOMPARE(f.page->dayPlanEditor()->toPlainText(), QStringLiteral("plan of the fourth"));
    QCOMPARE(f.lastSelection.tabOrder, reached->tabNumber());

    DayRichEdit *plan = f.page->dayPlanEditor();
    clickInto(plan);
    plan->moveCursor(QTextCursor::End);
    QTest::keyClicks(plan, QStringLiteral(", typed after Tab"));
    clickInto(f.cellOf(QDate(2010, 6, 20))); // leaving the plan saves it
    QCOMPARE(plainOf(f.store.readDayPlan(NoteStore::dayKey(fourth))),
             QStringLiteral("plan of the fourth, typed after Tab"));
    QCOMPARE(plainOf(f.store.readDayPlan(NoteStore::dayKey(from))), QString());
    QVERIFY(f.prompts.messages.isEmpty());
}

// Hidden editors hand the focus on from one to the next; none of them selects its day.
void TestDesktopMonthPage::hidingTheEditorsSelectsNoOtherDay() {
    Fixture f;
    QVERIFY(f.start());
    clickInto(f.cellOf(QDate(2010, 6, 5)));
    f.page->resize(900, 500);
    QVERIFY(!f.page->editorsVisible());
    QCOMPARE(f.page->grid().selectedDay(), QDate(2010, 6, 5));
    QCOMPARE(f.page->grid().selection().size(), 1);
}

void TestDesktopMonthPage::cellMarksTextHiddenBelow_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("hiddenBelow");
    QTest::newRow("two lines") << QStringLiteral("一\n二") << false;
    QTest::newRow("nine lines") << QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8\n9") << true;
    QTest::newRow("one long paragraph") << QString(120, QChar(0x957F)) << true;
}

// A stored note longer than its cell keeps the cell's size and text, and a mark at the cell's
// lower right tells that it goes on; the mark goes once the end is scrolled into view.
void TestDesktopMonthPage::cellMarksTextHiddenBelow() {
    QFETCH(QString, note);
    QFETCH(bool, hiddenBelow);
    Fixture f;
    MonthCells cells;
    cells[9] = rtfOf(note);
    f.store.writeMonth(QStringLiteral("20106"), cells);
    QVERIFY(f.start());
    DayRichEdit *edit = f.page->dayEditor(10);
    QCOMPARE(edit->toPlainText(), note);
    const QRect layout = MonthPageLayout(786, 556).editorRect(10);
    QCOMPARE(edit->geometry(), layout);
    // Three grey dots of 2 x 2 pixels on the cell's ground, at the bottom of the mark's place.
    const auto markShown = [edit] {
        const QImage image = edit->viewport()->grab().toImage();
        const QRect mark = edit->hiddenTextMarkRect();
        const QRgb ground = edit->palette().color(QPalette::Base).rgb();
        for (int y = mark.bottom() - 2; y <= mark.bottom() - 1; ++y) {
            for (int x = mark.left() + 2; x < mark.left() + 12; ++x) {
                const bool dot = (x - mark.left() - 2) % 4 < 2;
                if (image.pixel(x, y) != (dot ? qRgb(96, 96, 96) : ground)) return false;
            }
        }
        return true;
    };
    QCOMPARE(edit->hasHiddenTextBelow(), hiddenBelow);
    QCOMPARE(markShown(), hiddenBelow);
    // Nothing left below once the caret is at the end; neither of the month's other cells marks.
    clickInto(edit);
    QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
    QVERIFY(!edit->hasHiddenTextBelow());
    QVERIFY(!markShown());
    QVERIFY(!f.page->dayEditor(11)->hasHiddenTextBelow());
    QCOMPARE(edit->toPlainText(), note);
    QCOMPARE(edit->geometry(), layout);
}

QTEST_MAIN(TestDesktopMonthPage)
#include "tst_DesktopMonthPage.moc"
