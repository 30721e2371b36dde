#include "PageEnvironment.h"
#include "PageTestSupport.h"
#include "SmallDisk.h"
#include "pages/MemoPanel.h"
#include "pages/NoteLineEdit.h"
#include "store/NoteStore.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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
    void type(int line, const QString &text) {
        panel->line(line)->setFocus(Qt::MouseFocusReason);
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
    void failedWritesAreToldOnceAndRetried();
    void fullDiskKeepsTheTextUntilAWriteSucceeds();
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

void TestMemoPanel::failedWritesAreToldOnceAndRetried() {
    Fixture f;
    QVERIFY(f.show());
    QVERIFY(f.panel->load());
    f.breakTable();
    f.type(2, QStringLiteral("abc"));
    QCOMPARE(f.prompts.messages.size(), 1); // three failed keystrokes, one message
    QCOMPARE(f.panel->line(2)->text(), QStringLiteral("abc"));
    f.leave(); // leaving tells again: the text is still not stored
    QCOMPARE(f.prompts.messages.size(), 2);
    QCOMPARE(f.panel->line(2)->text(), QStringLiteral("abc"));
    f.repairTable();
    f.type(9, QStringLiteral("z")); // writes line 9 and the pending line 2
    QCOMPARE(f.stored(9).toString(), QStringLiteral("z"));
    QCOMPARE(f.stored(2).toString(), QStringLiteral("abc"));
    QVERIFY(!f.panel->document()->hasPendingWrite());
    QCOMPARE(f.prompts.messages.size(), 2);
    // A new run of failures is told again.
    f.breakTable();
    QTest::keyClicks(f.panel->line(9), QStringLiteral("zz"));
    QCOMPARE(f.prompts.messages.size(), 3);
    // Closing tries the pending line once more and tells when it still fails.
    QVERIFY(!f.panel->document()->writePending());
    QCOMPARE(f.prompts.messages.size(), 4);
    f.repairTable();
    QVERIFY(f.panel->document()->writePending());
    QCOMPARE(f.stored(9).toString(), QStringLiteral("zzz"));
    QVERIFY(f.panel->document()->writePending()); // nothing left
    QCOMPARE(f.prompts.messages.size(), 4);
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
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.panel->line(1)->text(), long1 + "!");
    QVERIFY(f.panel->document()->hasPendingWrite());
    f.disk->release();
    f.leave();
    QCOMPARE(f.stored(1).toString(), long1 + "!");
    QCOMPARE(f.prompts.messages.size(), 1);
}

QTEST_MAIN(TestMemoPanel)
#include "tst_MemoPanel.moc"
