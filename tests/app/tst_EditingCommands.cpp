// The editing commands as the main window offers them: the cell menus, the "√" and "X"
// buttons, the colour command and the font lists, on every page.
#include "RecordingPrompts.h"
#include "app/FontFaceBox.h"
#include "app/FormatBar.h"
#include "app/MainWindow.h"
#include "app/PageHost.h"
#include "pages/AnnualNotesPage.h"
#include "pages/CellMenu.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/NoteLineEdit.h"
#include "pages/SheetPage.h"
#include "platform/FontSubstitutes.h"
#include "richtext/RichText.h"
#include "store/AppPaths.h"
#include "store/NoteStore.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include <memory>

namespace {
const QString Tick = QStringLiteral("√");
const QString Cross = QStringLiteral("×");

QTextCharFormat formatAt(const QTextEdit *box, int position) {
    QTextCursor c(box->document());
    c.setPosition(position + 1);
    return c.charFormat();
}

// The colour text is drawn in: black when the format sets none.
QColor colourAt(const QTextEdit *box, int position) {
    const QBrush brush = formatAt(box, position).foreground();
    return brush.style() == Qt::NoBrush ? QColor(Qt::black) : brush.color();
}
} // namespace

class TestEditingCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void topBarControls();
    void faceListIsFilledWhenFirstOpened();
    void markButtonsByPage_data();
    void markButtonsByPage();
    void commandsWithoutFocusedCellChangeNothing();
    void cellMenuReplacesTheDefaultMenu_data();
    void cellMenuReplacesTheDefaultMenu();
    void menuMarkIsSavedByTheAutoSave();
    void shortcutsKeepWorking_data();
    void shortcutsKeepWorking();
    void colourCommand_data();
    void colourCommand();
    void colourDialogStartsOnTheLastColour();
    void fontLists_data();
    void fontLists();
    void fontListsBeforeAnyBoxIsClickedChangeNothing();
    void selectionRecordFollowsTheKeyboardAndIsClearedOnReload();
    void formattingSurvivesSaveAndReload();

private:
    void open(const char *pageButton);
    QWidget *cell(const char *name) const;
    // Replaces the cell's text by `text` and gives it the focus, caret at the end.
    QWidget *focusCell(const char *name, const QString &text);
    QString textOf(const char *name) const;
    // Saves the active page and loads it again from the store.
    void saveAndReload();
    void choose(QComboBox *list, const QString &item);

    QTemporaryDir m_dir;
    std::unique_ptr<AppPaths> m_paths;
    RecordingPrompts m_prompts;
    std::unique_ptr<MainWindow> m_form;
    // The colour each dialog started on, and the colour it gives back (invalid: Cancel).
    QList<QColor> &m_dialogStarts = m_prompts.colourStarts;
    QColor &m_answer = m_prompts.colourAnswer;
};

void TestEditingCommands::initTestCase() {
    FontSubstitutes::install();
    m_paths = std::make_unique<AppPaths>(m_dir.path(), QStringLiteral(KESTROVA_SOURCE_DIR));
    m_paths->ensureLayout();
    m_prompts.whileShown = [](const PageMessage &m) { qWarning() << m.text; };
    m_form = std::make_unique<MainWindow>(*m_paths, m_prompts);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    QTRY_VERIFY(m_form->pages().autoSaveTimer()->isActive());
    QTRY_VERIFY(m_form->monthPage()->editorsVisible());
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestEditingCommands::init() {
    // A menu closed by the test before may have left no window active.
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    m_dialogStarts.clear();
    m_answer = QColor();
    open("SpeedButton2");
}

void TestEditingCommands::open(const char *pageButton) {
    m_form->setFocus();
    QTest::mouseClick(m_form->findChild<QAbstractButton *>(pageButton), Qt::LeftButton);
    QVERIFY(m_form->pages().activePage()->document()->isLoaded());
}

QWidget *TestEditingCommands::cell(const char *name) const {
    return m_form->findChild<QWidget *>(QString::fromLatin1(name));
}

QWidget *TestEditingCommands::focusCell(const char *name, const QString &text) {
    QWidget *w = cell(name);
    if (auto *box = qobject_cast<QTextEdit *>(w)) {
        // An edit, as typing is: the page counts as changed.
        QTextCursor c(box->document());
        c.select(QTextCursor::Document);
        c.insertText(text);
        box->setTextCursor(c);
    } else if (auto *line = qobject_cast<QLineEdit *>(w)) {
        line->setText(text);
    }
    w->setFocus(Qt::MouseFocusReason);
    return w;
}

QString TestEditingCommands::textOf(const char *name) const {
    const QWidget *w = cell(name);
    if (const auto *box = qobject_cast<const QTextEdit *>(w)) return box->toPlainText();
    return static_cast<const QLineEdit *>(w)->text();
}

void TestEditingCommands::saveAndReload() {
    m_form->setFocus();
    QVERIFY(m_form->session().saveActive());
    QVERIFY(!m_form->pages().activePage()->document()->isModified());
    QVERIFY(m_form->pages().activePage()->load());
}

void TestEditingCommands::choose(QComboBox *list, const QString &item) {
    // Choosing takes the focus into the list, so the box's exit save runs first.
    list->setFocus(Qt::MouseFocusReason);
    const int index = list->findText(item);
    QVERIFY2(index >= 0, qPrintable(item));
    list->setCurrentIndex(index);
    emit list->activated(index);
}

void TestEditingCommands::topBarControls() {
    for (const char *name : {"btn3", "btn4"}) {
        auto *button = m_form->findChild<QPushButton *>(name);
        QVERIFY(button->isEnabled());
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QVERIFY(button->isFlat());
        QCOMPARE(button->font().family(), QStringLiteral("Arial Black"));
    }
    QCOMPARE(m_form->findChild<QPushButton *>("btn3")->text(), Tick);
    QCOMPARE(m_form->findChild<QPushButton *>("btn4")->text(), QStringLiteral("X"));
    auto *sizes = m_form->findChild<QComboBox *>("cbbFontSize");
    QStringList items;
    for (int i = 0; i < sizes->count(); ++i) items << sizes->itemText(i);
    QCOMPARE(items, QStringList({"10", "11", "12", "13", "14"}));
    QCOMPARE(sizes->currentText(), QStringLiteral("10"));
    QVERIFY(!FontSubstitutes::installedFace(QStringLiteral("Arial Black")).isEmpty());
}

// "宋体" is no installed family here; the notes' face is shown as long as it is drawn in one.
void TestEditingCommands::faceListIsFilledWhenFirstOpened() {
    if (FontSubstitutes::installedFace(QStringLiteral("宋体")).isEmpty())
        QSKIP("no Chinese face installed");
    auto *faces = m_form->findChild<FontFaceBox *>("ccbFont");
    QCOMPARE(faces->itemText(0), QStringLiteral("宋体"));
    QCOMPARE(faces->currentText(), QStringLiteral("宋体"));
    faces->showPopup();
    faces->hidePopup();
    QVERIFY(faces->isFilled());
    QCOMPARE(faces->currentText(), QStringLiteral("宋体"));
    QCOMPARE(faces->itemText(0), QStringLiteral("宋体"));
    const QStringList families = QFontDatabase::families();
    QCOMPARE(faces->count(), families.size() + (families.contains("宋体") ? 0 : 1));
    for (const QString &family : families) QVERIFY(faces->findText(family) >= 0);
}

void TestEditingCommands::markButtonsByPage_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("cell");
    QTest::addColumn<QByteArray>("button");
    QTest::addColumn<QString>("expected");
    const struct {
        const char *page, *cell;
    } cells[] = {{"spdRili", "redt3"},
                 {"SpeedButton2", "RichEdit9"},
                 {"SpeedButton2", "memday"},
                 {"btnYiban", "Edit7"},
                 {"btnRili", "edtr30"}};
    for (const auto &c : cells) {
        QTest::addRow("%s %s tick", c.page, c.cell)
            << QByteArray(c.page) << QByteArray(c.cell) << QByteArray("btn3") << "ab" + Tick;
        QTest::addRow("%s %s cross", c.page, c.cell)
            << QByteArray(c.page) << QByteArray(c.cell) << QByteArray("btn4") << "ab" + Cross;
    }
}

// A mark goes into the focused cell of the active page, which then counts as changed and is
// stored by its next save.
void TestEditingCommands::markButtonsByPage() {
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, cell);
    QFETCH(QByteArray, button);
    QFETCH(QString, expected);
    open(page.constData());
    focusCell(cell.constData(), QStringLiteral("ab"));
    QTest::mouseClick(m_form->findChild<QPushButton *>(button.constData()), Qt::LeftButton);
    QCOMPARE(textOf(cell.constData()), expected);
    QVERIFY(CellCommands::isFocused(this->cell(cell.constData())));
    QVERIFY(m_form->pages().activePage()->document()->isModified());
    saveAndReload();
    QCOMPARE(textOf(cell.constData()), expected);
}

void TestEditingCommands::commandsWithoutFocusedCellChangeNothing() {
    QWidget *box = focusCell("RichEdit4", QStringLiteral("kept"));
    saveAndReload();
    m_form->setFocus();
    QVERIFY(!CellCommands::isFocused(box));
    QApplication::clipboard()->setText(QStringLiteral("clip"));
    for (QAction *item : m_form->monthPage()->cellMenu()->actions()) item->trigger();
    QTest::mouseClick(m_form->findChild<QPushButton *>("btn3"), Qt::LeftButton);
    QTest::mouseClick(m_form->findChild<QPushButton *>("btn4"), Qt::LeftButton);
    m_answer = Qt::red;
    QTest::mouseClick(m_form->findChild<QWidget *>("img4"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(m_dialogStarts.isEmpty());
    QCOMPARE(textOf("RichEdit4"), QStringLiteral("kept"));
    QVERIFY(!m_form->pages().activePage()->document()->isModified());
}

void TestEditingCommands::cellMenuReplacesTheDefaultMenu_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("cell");
    QTest::addColumn<QByteArray>("menu");
    QTest::addColumn<QStringList>("items");
    const QStringList month = {"N1", "N2", "CtrlZ1", "N9", "N3", "V1", "X1"};
    const QStringList annual = {"MenuItem1", "MenuItem2", "MenuItem3", "MenuItem4",
                                "MenuItem5", "MenuItem6", "MenuItem7"};
    QTest::newRow("day box") << QByteArray("SpeedButton2") << QByteArray("RichEdit12")
                             << QByteArray("pmDeskTopMonCal") << month;
    QTest::newRow("memday") << QByteArray("SpeedButton2") << QByteArray("memday")
                            << QByteArray("pmDeskTopMonCal") << month;
    QTest::newRow("month box") << QByteArray("spdRili") << QByteArray("redt5")
                               << QByteArray("pmYearjishi") << annual;
}

// A right press gives the cell the focus; its menu then acts on it and on nothing else.
void TestEditingCommands::cellMenuReplacesTheDefaultMenu() {
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, cell);
    QFETCH(QByteArray, menu);
    QFETCH(QStringList, items);
    open(page.constData());
    focusCell("RichEdit1", QStringLiteral("other"));
    auto *box = qobject_cast<DayRichEdit *>(this->cell(cell.constData()));
    box->setPlainText(QStringLiteral("one word"));
    QWidget *viewport = box->viewport();
    const QPoint at = viewport->rect().center();
    QTest::mousePress(viewport, Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QApplication::sendEvent(viewport, &event);
    QTest::mouseRelease(viewport, Qt::RightButton, {}, at);
    auto *shown = qobject_cast<CellMenu *>(QApplication::activePopupWidget());
    QVERIFY(shown);
    const auto closeMenu = qScopeGuard([shown] { shown->close(); });
    QCOMPARE(shown->objectName(), QString::fromLatin1(menu));
    QStringList names;
    for (QAction *a : shown->actions()) {
        names << a->objectName();
        QVERIFY(a->shortcut().isEmpty());
    }
    QCOMPARE(names, items);
    QVERIFY(CellCommands::isFocused(box));
    // "打X" over the word selected with the keyboard.
    QTextCursor c = box->textCursor();
    c.setPosition(4);
    c.movePosition(QTextCursor::EndOfWord, QTextCursor::KeepAnchor);
    box->setTextCursor(c);
    shown->item(CellCommands::Command::Cross)->trigger();
    QCOMPARE(box->toPlainText(), "one " + Cross);
    QCOMPARE(textOf("RichEdit1"), QStringLiteral("other"));
}

void TestEditingCommands::menuMarkIsSavedByTheAutoSave() {
    QWidget *box = focusCell("RichEdit20", QString());
    saveAndReload();
    box->setFocus();
    m_form->monthPage()->cellMenu()->item(CellCommands::Command::Tick)->trigger();
    QCOMPARE(textOf("RichEdit20"), Tick);
    m_form->pages().autoSave();
    QVERIFY(!m_form->pages().activePage()->document()->isModified());
    NoteStore store;
    store.open(m_paths->databaseFile());
    QTextDocument stored;
    richtext::loadInto(stored, store.readMonth(NoteStore::yearMonthKey(QDate::currentDate()))[19]);
    QCOMPARE(stored.toPlainText(), Tick);
}

void TestEditingCommands::shortcutsKeepWorking_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("cell");
    QTest::newRow("day box") << QByteArray("SpeedButton2") << QByteArray("RichEdit30");
    QTest::newRow("memday") << QByteArray("SpeedButton2") << QByteArray("memday");
    QTest::newRow("month box") << QByteArray("spdRili") << QByteArray("redt12");
    QTest::newRow("general line") << QByteArray("btnYiban") << QByteArray("Edit42");
    QTest::newRow("calendar line") << QByteArray("btnRili") << QByteArray("edtr1");
}

void TestEditingCommands::shortcutsKeepWorking() {
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, cell);
    open(page.constData());
    QWidget *w = focusCell(cell.constData(), QStringLiteral("abc"));
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("abc"));
    QTest::keyClick(w, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(textOf(cell.constData()), QString());
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(textOf(cell.constData()), QStringLiteral("abcabc"));
    QTest::keyClick(w, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(textOf(cell.constData()), QStringLiteral("abc"));
}

void TestEditingCommands::colourCommand_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("cell");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("dialog");
    QTest::newRow("month box") << QByteArray("spdRili") << QByteArray("redt1") << "abcd" << true;
    QTest::newRow("day box") << QByteArray("SpeedButton2") << QByteArray("RichEdit2") << "abcd"
                             << true;
    QTest::newRow("memday") << QByteArray("SpeedButton2") << QByteArray("memday") << "abcd" << true;
    QTest::newRow("general line") << QByteArray("btnYiban") << QByteArray("Edit3") << "abcd"
                                  << true;
    QTest::newRow("empty general line")
        << QByteArray("btnYiban") << QByteArray("Edit4") << "" << false;
    QTest::newRow("calendar line")
        << QByteArray("btnRili") << QByteArray("edtr5") << "abcd" << true;
    QTest::newRow("empty calendar line")
        << QByteArray("btnRili") << QByteArray("edtr6") << "" << false;
}

// The selected text of a rich box, the whole of a line that holds text; an empty line opens
// no dialog. The colour is stored with the page.
void TestEditingCommands::colourCommand() {
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, cell);
    QFETCH(QString, text);
    QFETCH(bool, dialog);
    open(page.constData());
    QWidget *w = focusCell(cell.constData(), text);
    saveAndReload();
    w->setFocus();
    auto *box = qobject_cast<QTextEdit *>(w);
    if (box) {
        QTextCursor c = box->textCursor();
        c.setPosition(1);
        c.setPosition(3, QTextCursor::KeepAnchor);
        box->setTextCursor(c);
    }
    m_answer = QColor(0, 0, 200);
    QTest::mouseClick(m_form->findChild<QWidget *>("img4"), Qt::LeftButton);
    QCoreApplication::processEvents();
    QCOMPARE(m_dialogStarts.size(), dialog ? 1 : 0);
    QCOMPARE(m_form->pages().activePage()->document()->isModified(), dialog);
    if (!dialog) return;
    saveAndReload();
    if (box) {
        QCOMPARE(colourAt(box, 0), QColor(Qt::black));
        QCOMPARE(colourAt(box, 1), QColor(0, 0, 200));
        QCOMPARE(colourAt(box, 2), QColor(0, 0, 200));
        QCOMPARE(colourAt(box, 3), QColor(Qt::black));
    } else {
        QCOMPARE(static_cast<NoteLineEdit *>(w)->colorValue(), 200 * 65536);
    }
}

void TestEditingCommands::colourDialogStartsOnTheLastColour() {
    focusCell("RichEdit6", QStringLiteral("abc"));
    m_answer = QColor();
    m_form->formatBar().chooseColour(); // Cancel changes nothing, not even the colour to start on
    m_answer = QColor(10, 20, 30);
    m_form->formatBar().chooseColour();
    m_answer = QColor(40, 50, 60);
    m_form->formatBar().chooseColour();
    QCOMPARE(m_dialogStarts.size(), 3);
    QCOMPARE(m_dialogStarts[1], m_dialogStarts[0]);
    QCOMPARE(m_dialogStarts[2], QColor(10, 20, 30));
    QCOMPARE(m_form->formatBar().lastColour(), QColor(40, 50, 60));
}

void TestEditingCommands::fontLists_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("cell");
    QTest::addColumn<bool>("faceChosen");
    QTest::addColumn<bool>("faceApplied");
    QTest::addColumn<bool>("sizeApplied");
    // A day box takes face and size together; a month box and memday the chosen one only.
    QTest::newRow("size on a day box")
        << QByteArray("SpeedButton2") << QByteArray("RichEdit14") << false << true << true;
    QTest::newRow("face on a day box")
        << QByteArray("SpeedButton2") << QByteArray("RichEdit14") << true << true << true;
    QTest::newRow("size on memday")
        << QByteArray("SpeedButton2") << QByteArray("memday") << false << false << true;
    QTest::newRow("face on memday")
        << QByteArray("SpeedButton2") << QByteArray("memday") << true << true << false;
    QTest::newRow("size on a month box")
        << QByteArray("spdRili") << QByteArray("redt7") << false << false << true;
    QTest::newRow("face on a month box")
        << QByteArray("spdRili") << QByteArray("redt7") << true << true << false;
}

void TestEditingCommands::fontLists() {
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, cell);
    QFETCH(bool, faceChosen);
    QFETCH(bool, faceApplied);
    QFETCH(bool, sizeApplied);
    open(page.constData());
    auto *box = qobject_cast<DayRichEdit *>(focusCell(cell.constData(), "abcd"));
    auto *faces = m_form->findChild<FontFaceBox *>("ccbFont");
    auto *sizes = m_form->findChild<QComboBox *>("cbbFontSize");
    faces->ensureFilled();
    faces->setCurrentIndex(faces->findText(QStringLiteral("DejaVu Serif")));
    QVERIFY(faces->currentIndex() >= 0);
    sizes->setCurrentIndex(sizes->findText(QStringLiteral("14")));
    // Selects "bc" with the mouse: the release records the selection.
    QTextCursor c = box->textCursor();
    c.setPosition(1);
    c.setPosition(3, QTextCursor::KeepAnchor);
    box->setTextCursor(c);
    QTest::mouseRelease(box->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    box->setTextCursor(c); // the release itself moved the caret
    if (faceChosen)
        choose(faces, QStringLiteral("DejaVu Serif"));
    else
        choose(sizes, QStringLiteral("14"));
    QVERIFY(m_form->pages().activePage()->document()->isModified());
    saveAndReload();
    for (int i = 0; i < 4; ++i) {
        const bool inside = i == 1 || i == 2;
        const QTextCharFormat f = formatAt(box, i);
        const QFont font = f.font().resolve(box->document()->defaultFont());
        QCOMPARE(font.family() == QStringLiteral("DejaVu Serif"), inside && faceApplied);
        QCOMPARE(qRound(font.pointSizeF()) == 14, inside && sizeApplied);
    }
}

void TestEditingCommands::fontListsBeforeAnyBoxIsClickedChangeNothing() {
    open("spdRili");
    focusCell("redt2", QStringLiteral("abcd"));
    saveAndReload();
    m_form->setFocus();
    open("spdRili");
    const QByteArray before =
        richtext::toRtf(*qobject_cast<QTextEdit *>(cell("redt2"))->document());
    choose(m_form->findChild<QComboBox *>("cbbFontSize"), QStringLiteral("13"));
    choose(m_form->findChild<QComboBox *>("ccbFont"),
           m_form->findChild<QComboBox *>("ccbFont")->itemText(0));
    QVERIFY(!m_form->pages().activePage()->document()->isModified());
    QCOMPARE(richtext::toRtf(*qobject_cast<QTextEdit *>(cell("redt2"))->document()), before);
}

void TestEditingCommands::selectionRecordFollowsTheKeyboardAndIsClearedOnReload() {
    open("spdRili");
    QWidget *box = focusCell("redt9", QStringLiteral("abcdef"));
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(box, Qt::Key_Right, Qt::ShiftModifier);
    const LastSelection &record = m_form->session().context().lastSelection;
    QCOMPARE(record.tabOrder, AnnualNotesPage::FirstTabOrder + 8);
    QCOMPARE(record.selStart, 0);
    QCOMPARE(record.selLength, 2);
    QVERIFY(!record.isDayPlan);
    saveAndReload();
    QCOMPARE(m_form->session().context().lastSelection.tabOrder, 0);
    choose(m_form->findChild<QComboBox *>("cbbFontSize"), QStringLiteral("12"));
    QVERIFY(!m_form->pages().activePage()->document()->isModified());
}

// Marks, colours, faces and sizes come back the same from the stored RTF.
void TestEditingCommands::formattingSurvivesSaveAndReload() {
    auto *box = qobject_cast<DayRichEdit *>(focusCell("RichEdit33", QStringLiteral("abcd")));
    QTextCursor c = box->textCursor();
    c.setPosition(0);
    c.setPosition(2, QTextCursor::KeepAnchor);
    box->setTextCursor(c);
    QTest::mouseRelease(box->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    box->setTextCursor(c);
    m_answer = QColor(200, 0, 0);
    m_form->formatBar().chooseColour();
    choose(m_form->findChild<QComboBox *>("cbbFontSize"), QStringLiteral("12"));
    box->setFocus();
    box->moveCursor(QTextCursor::End);
    QTest::mouseClick(m_form->findChild<QPushButton *>("btn3"), Qt::LeftButton);
    QTest::mouseClick(m_form->findChild<QPushButton *>("btn4"), Qt::LeftButton);
    const QByteArray shown = richtext::toRtf(*box->document());
    QVERIFY2(shown.contains("\\'a1\\'cc") && shown.contains("\\'a1\\'c1"), shown.constData());
    saveAndReload();
    QCOMPARE(box->toPlainText(), "abcd" + Tick + Cross);
    QCOMPARE(richtext::toRtf(*box->document()), shown);
}

QTEST_MAIN(TestEditingCommands)
#include "tst_EditingCommands.moc"
