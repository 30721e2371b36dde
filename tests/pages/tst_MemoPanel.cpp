#include "PageEnvironment.h"
#include "PageTestSupport.h"
#include "SmallDisk.h"
#include "pages/MemoPanel.h"
#include "pages/NoteLineEdit.h"
#include "store/NoteStore.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
const QString kWriteFailed =
    QStringLiteral("备忘录保存失败,文字仍保留在备忘录中,将在下次修改或离开该行时重试。\n");
} // namespace

// The memo panel over a real database whose every row write of Beiwanglu is counted by triggers.
struct Fixture : PageEnvironment {
    MemoPanel *panel = nullptr;
    QLineEdit *elsewhere = nullptr;

    explicit Fixture(bool onSmallDisk = false) : PageEnvironment(onSmallDisk) {
        saving.open(); // the memo is used while the window runs
        PageTestSupport::queryDatabase(file(), "CREATE TABLE writes (n INTEGER)");
        PageTestSupport::queryDatabase(file(), "INSERT INTO writes VALUES (0)");
        PageTestSupport::queryDatabase(file(),
                                       "CREATE TRIGGER counted_insert AFTER INSERT ON Beiwanglu "
                                       "BEGIN UPDATE writes SET n = n + 1; END");
        PageTestSupport::queryDatabase(file(),
                                       "CREATE TRIGGER counted_update AFTER UPDATE ON Beiwanglu "
                                       "BEGIN UPDATE writes SET n = n + 1; END");
        window.resize(400, 400);
        panel = new MemoPanel(context, &window);
        elsewhere = new QLineEdit(&window);
        elsewhere->setGeometry(210, 0, 100, 20);
    }
    bool show() { return showWindow(); }
    // Stores rows as an earlier run would have, uncounted.
    void seed(const QString &statement) {
        PageTestSupport::queryDatabase(file(), statement);
        PageTestSupport::queryDatabase(file(), "UPDATE writes SET n = 0");
    }
    int writes() const {
        return PageTestSupport::queryDatabase(file(), "SELECT n FROM writes").toInt();
    }
    QVariant stored(int line) const {
        return PageTestSupport::queryDatabase(
            file(), QStringLiteral("SELECT line%1 FROM Beiwanglu WHERE memkey = 'bwl'").arg(line));
    }
    // Types at the end of the line (a loaded line shows its beginning, the caret there).
    void type(int line, const QString &text) {
        panel->line(line)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(panel->line(line), Qt::Key_End);
        QTest::keyClicks(panel->line(line), text);
    }
    void leave() { elsewhere->setFocus(Qt::MouseFocusReason); }
    void breakTable() {
        PageTestSupport::queryDatabase(file(), "ALTER TABLE Beiwanglu RENAME TO Beiwanglu_off");
    }
    void repairTable() {
        PageTestSupport::queryDatabase(file(), "ALTER TABLE Beiwanglu_off RENAME TO Beiwanglu");
    }
};

class TestMemoPanel : public QObject {
    Q_OBJECT
private slots:
    void places();
    void oneCharacterIntoLine3OfAnEmptyDatabase();
    void neverWrittenLinesDoNotHideLaterOnes();
    void eachLineWritesItsOwnColumn_data();
    void eachLineWritesItsOwnColumn();
    void leavingAnUnchangedLineWritesNothing();
    void loadNeverWritesBack();
    void failedLoadLeavesTheLinesReadOnlyUntilARetry();
    void failedWritesAreShownOnTheBarAndRetried();
    void fullDiskKeepsTheTextUntilAWriteSucceeds();
    void keysTypedAfterAFailedWriteStayInTheLine();
    void loadedLinesShowTheirBeginning();
    void aClickAnywhereOnTheRowGoesToTheLine_data();
    void aClickAnywhereOnTheRowGoesToTheLine();
};

void TestMemoPanel::places() {
    Fixture f;
    QCOMPARE(f.panel->objectName(), QStringLiteral("Panel2"));
    QCOMPARE(f.panel->size(), QSize(200, 335));
    QCOMPARE(f.panel->line(1)->geometry(), QRect(6, 34, 177, 17));
    QCOMPARE(f.panel->line(7)->geometry(), QRect(7, 192, 177, 17));
    QCOMPARE(f.panel->line(8)->geometry(), QRect(7, 218, 178, 17));
    QCOMPARE(f.panel->line(10)->geometry(), QRect(6, 270, 178, 17));
    QCOMPARE(f.panel->line(11)->geometry(), QRect(6, 296, 177, 17));
    QCOMPARE(f.panel->currentMemoLine(), 0);
}

void TestMemoPanel::oneCharacterIntoLine3OfAnEmptyDatabase() {
    Fixture f;
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    f.type(3, QStringLiteral("a"));
    QCOMPARE(f.panel->currentMemoLine(), 3);
    QCOMPARE(f.writes(), 1);
    QCOMPARE(PageTestSupport::queryDatabase(f.file(), "SELECT count(*) FROM Beiwanglu").toInt(), 1);
    QCOMPARE(f.stored(3).toString(), QStringLiteral("a"));
    for (int n : {1, 2, 4, 5, 6, 7, 8, 9, 10, 11}) QVERIFY(f.stored(n).isNull());
    // After a restart the character is in line 3.
    MemoPanel again(f.context);
    QVERIFY(again.load());
    QCOMPARE(again.line(3)->text(), QStringLiteral("a"));
}

void TestMemoPanel::neverWrittenLinesDoNotHideLaterOnes() {
    Fixture f;
    f.seed("INSERT INTO Beiwanglu (memkey, line5, line11) VALUES ('bwl', 'five', 'last')");
    QVERIFY(f.panel->load());
    for (int n = 1; n <= 4; ++n) QCOMPARE(f.panel->line(n)->text(), QString());
    QCOMPARE(f.panel->line(5)->text(), QStringLiteral("five"));
    QCOMPARE(f.panel->line(11)->text(), QStringLiteral("last"));
}

void TestMemoPanel::eachLineWritesItsOwnColumn_data() {
    QTest::addColumn<int>("line");
    for (int n : {1, 7, 11}) QTest::addRow("line %d", n) << n;
}

void TestMemoPanel::eachLineWritesItsOwnColumn() {
    QFETCH(int, line);
    Fixture f;
    QString values;
    for (int n = 1; n <= 11; ++n) values += QStringLiteral(", 'old%1'").arg(n);
    f.seed("INSERT INTO Beiwanglu VALUES ('bwl'" + values + ")");
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    f.type(line, QStringLiteral("!"));
    f.leave();
    QCOMPARE(f.writes(), 1);
    QCOMPARE(PageTestSupport::queryDatabase(f.file(), "SELECT memkey FROM Beiwanglu").toString(),
             QStringLiteral("bwl"));
    for (int n = 1; n <= 11; ++n)
        QCOMPARE(f.stored(n).toString(), QStringLiteral("old%1").arg(n) + (n == line ? "!" : ""));
}

void TestMemoPanel::leavingAnUnchangedLineWritesNothing() {
    Fixture f;
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    f.panel->line(2)->setFocus(Qt::MouseFocusReason);
    f.leave();
    QCOMPARE(f.writes(), 0);
    f.type(2, QStringLiteral("ab")); // two keystrokes, two writes
    QCOMPARE(f.writes(), 2);
    QTest::keyClick(f.panel->line(2), Qt::Key_B);
    QTest::keyClick(f.panel->line(2), Qt::Key_Backspace); // back to what is stored: 2 writes
    QCOMPARE(f.writes(), 4);
    f.leave();
    QCOMPARE(f.writes(), 4);
    QCOMPARE(f.stored(2).toString(), QStringLiteral("ab"));
}

void TestMemoPanel::loadNeverWritesBack() {
    Fixture f;
    f.seed("INSERT INTO Beiwanglu (memkey, line1) VALUES ('bwl', 'one')");
    QVERIFY(f.show());
    f.panel->line(1)->setFocus(Qt::MouseFocusReason);
    QVERIFY(f.panel->load());
    f.panel->line(4)->setStoredText(QStringLiteral("set by the program"));
    QCOMPARE(f.writes(), 0);
    QVERIFY(f.stored(1).toString() == QStringLiteral("one"));
}

void TestMemoPanel::failedLoadLeavesTheLinesReadOnlyUntilARetry() {
    Fixture f;
    f.seed("INSERT INTO Beiwanglu (memkey, line6) VALUES ('bwl', 'stored six')");
    f.breakTable();
    QVERIFY(f.show());
    QVERIFY(!f.panel->load());
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.panel->line(6)->isReadOnly());
    f.type(6, QStringLiteral("typed over")); // a second try on the focus fails as well
    QCOMPARE(f.panel->line(6)->text(), QString());
    QCOMPARE(f.prompts.messages.size(), 2);
    f.leave();
    QCOMPARE(f.prompts.messages.size(), 2);
    f.repairTable();
    f.panel->line(6)->setFocus(Qt::MouseFocusReason);
    QCOMPARE(f.panel->line(6)->text(), QStringLiteral("stored six"));
    QVERIFY(!f.panel->line(6)->isReadOnly());
    QCOMPARE(f.writes(), 0);
    QCOMPARE(f.prompts.messages.size(), 2);
}

// A failed write is shown on the panel's bar, not in a box that would take the keyboard; closing
// still asks through the prompts.
void TestMemoPanel::failedWritesAreShownOnTheBarAndRetried() {
    Fixture f;
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    QLabel *bar = f.panel->writeFailureBar();
    QVERIFY(bar->isHidden());
    f.breakTable();
    f.type(2, QStringLiteral("abc"));
    QVERIFY(bar->isVisible());
    QVERIFY2(bar->text().startsWith(kWriteFailed), qPrintable(bar->text()));
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(f.panel->line(2)->text(), QStringLiteral("abc"));
    f.leave(); // leaving fails as well: the text is still not stored
    QVERIFY(bar->isVisible());
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(f.panel->line(2)->text(), QStringLiteral("abc"));
    f.repairTable();
    f.type(9, QStringLiteral("z")); // writes line 9 and the pending line 2
    QCOMPARE(f.stored(9).toString(), QStringLiteral("z"));
    QCOMPARE(f.stored(2).toString(), QStringLiteral("abc"));
    QVERIFY(!f.panel->document()->hasPendingWrite());
    QVERIFY(bar->isHidden());
    // A new run of failures shows again.
    f.breakTable();
    QTest::keyClicks(f.panel->line(9), QStringLiteral("zz"));
    QVERIFY(bar->isVisible());
    QVERIFY(f.prompts.messages.isEmpty());
    // Closing tries the pending line once more and tells when it still fails.
    QVERIFY(!f.panel->document()->writePending());
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages.at(0).startsWith(kWriteFailed));
    f.repairTable();
    QVERIFY(f.panel->document()->writePending());
    QCOMPARE(f.stored(9).toString(), QStringLiteral("zzz"));
    QVERIFY(bar->isHidden());
    QVERIFY(f.panel->document()->writePending()); // nothing left
    QCOMPARE(f.prompts.messages.size(), 1);
}

void TestMemoPanel::fullDiskKeepsTheTextUntilAWriteSucceeds() {
    Fixture f(true);
    if (!f.disk->isMounted()) QSKIP("cannot mount a small tmpfs here (not root?)");
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    f.disk->fill();
    const QString long1 = QString(3000, QChar(0x5907));
    f.panel->line(1)->setFocus(Qt::MouseFocusReason);
    f.panel->line(1)->insert(long1);
    f.panel->line(1)->insert(QStringLiteral("!"));
    QVERIFY(f.panel->writeFailureBar()->isVisible());
    QCOMPARE(f.panel->line(1)->text(), long1 + "!");
    QVERIFY(f.panel->document()->hasPendingWrite());
    f.disk->release();
    f.leave();
    QCOMPARE(f.stored(1).toString(), long1 + "!");
    QVERIFY(f.panel->writeFailureBar()->isHidden());
    QVERIFY(f.prompts.messages.isEmpty());
}

// The keys typed after a write failed on a full disk all land in the line, none in a message
// box. The prompts here open a real box, as the program's do.
void TestMemoPanel::keysTypedAfterAFailedWriteStayInTheLine() {
    Fixture f(true);
    if (!f.disk->isMounted()) QSKIP("cannot mount a small tmpfs here (not root?)");
    f.prompts.whileShown = [&f](const PageMessage &message) {
        auto *box = new QMessageBox(QMessageBox::Information, QString(), message.text,
                                    QMessageBox::Ok, &f.window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        box->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(box));
    };
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    f.disk->fill();
    NoteLineEdit *line = f.panel->line(4);
    line->setFocus(Qt::MouseFocusReason);
    const QString pasted = QString(3000, QChar(0x5907)); // too long for what is left of the disk
    line->insert(pasted);
    QVERIFY(f.panel->document()->hasPendingWrite());
    const QString typed = QStringLiteral("FULLDISK_memo_more");
    for (const QChar c : typed) QTest::keyClick(static_cast<QWidget *>(nullptr), c.toLatin1());
    QCOMPARE(line->text(), pasted + typed);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(line));
    QCOMPARE(QApplication::activeWindow(), static_cast<QWidget *>(&f.window));
    QVERIFY2(f.panel->writeFailureBar()->text().startsWith(kWriteFailed),
             qPrintable(f.panel->writeFailureBar()->text()));
    // The bar keeps clear of the line being typed in.
    QVERIFY(!f.panel->writeFailureBar()->geometry().intersects(line->geometry()));
    f.disk->release();
    QTest::keyClick(line, Qt::Key_Exclam);
    QCOMPARE(f.stored(4).toString(), pasted + typed + "!");
    QVERIFY(f.panel->writeFailureBar()->isHidden());
}

// A line longer than its box shows its beginning after a load: a click at its left end puts the
// caret before the first character.
void TestMemoPanel::loadedLinesShowTheirBeginning() {
    Fixture f;
    const QString text = QStringLiteral("开") + QString(40, QChar(0x957F)); // 长
    f.seed("INSERT INTO Beiwanglu (memkey, line5) VALUES ('bwl', '" + text + "')");
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    NoteLineEdit *line = f.panel->line(5);
    QCOMPARE(line->cursorPosition(), 0);
    line->repaint(); // the line scrolls as it is painted
    QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(1, line->height() / 2));
    QTest::keyClick(line, Qt::Key_NumberSign);
    QCOMPARE(line->text(), "#" + text);
}

void TestMemoPanel::aClickAnywhereOnTheRowGoesToTheLine_data() {
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("onTheRule");
    for (int n : {1, 6, 11}) {
        QTest::addRow("rule of line %d", n) << n << true;
        QTest::addRow("above line %d", n) << n << false;
    }
}

// The visible line of a memo is its rule: a click on the rule, or in the row above the text
// box, gives the line the keyboard.
void TestMemoPanel::aClickAnywhereOnTheRowGoesToTheLine() {
    QFETCH(int, line);
    QFETCH(bool, onTheRule);
    Fixture f;
    f.seed(
        QStringLiteral("INSERT INTO Beiwanglu (memkey, line%1) VALUES ('bwl', 'memo')").arg(line));
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    f.leave();
    const QRect row = f.panel->rowRect(line);
    QVERIFY(row.contains(f.panel->line(line)->geometry()));
    const QPoint at(row.left() + 150, onTheRule ? row.bottom() : row.top() + 1);
    QVERIFY(!f.panel->line(line)->geometry().contains(at));
    QTest::mouseClick(f.window.windowHandle(), Qt::LeftButton, {}, f.panel->mapTo(&f.window, at));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f.panel->line(line)));
    QCOMPARE(f.panel->currentMemoLine(), line);
    // The caret went where the click was: after the short text.
    QTest::keyClick(static_cast<QWidget *>(nullptr), '!');
    QCOMPARE(f.panel->line(line)->text(), QStringLiteral("memo!"));
    QCOMPARE(f.stored(line).toString(), QStringLiteral("memo!"));
}

QTEST_MAIN(TestMemoPanel)
#include "tst_MemoPanel.moc"
