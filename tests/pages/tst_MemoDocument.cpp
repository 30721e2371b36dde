// The memo list without widgets: a line written per keystroke into its own column, only when it
// changed, nothing before a load, failures told once while typing and retried.
#include "ContextFixture.h"
#include "DocumentTestMain.h"
#include "PageTestSupport.h"
#include "pages/MemoDocument.h"
#include "store/NoteStore.h"

#include <QTest>

namespace {

// The memo list over a real database whose every row write of Beiwanglu is counted by triggers.
struct Fixture : ContextFixture {
    MemoDocument document{context};

    Fixture() {
        saving.open(); // the memo is used while the window runs
        PageTestSupport::queryDatabase(file(), "CREATE TABLE writes (n INTEGER)");
        PageTestSupport::queryDatabase(file(), "INSERT INTO writes VALUES (0)");
        PageTestSupport::queryDatabase(file(),
                                       "CREATE TRIGGER counted_insert AFTER INSERT ON Beiwanglu "
                                       "BEGIN UPDATE writes SET n = n + 1; END");
        PageTestSupport::queryDatabase(file(),
                                       "CREATE TRIGGER counted_update AFTER UPDATE ON Beiwanglu "
                                       "BEGIN UPDATE writes SET n = n + 1; END");
    }
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
    void breakTable() {
        PageTestSupport::queryDatabase(file(), "ALTER TABLE Beiwanglu RENAME TO Beiwanglu_off");
    }
    void repairTable() {
        PageTestSupport::queryDatabase(file(), "ALTER TABLE Beiwanglu_off RENAME TO Beiwanglu");
    }
};

} // namespace

class TestMemoDocument : public QObject {
    Q_OBJECT
private slots:
    void loadReadsEveryLine();
    void eachLineWritesItsOwnColumn_data();
    void eachLineWritesItsOwnColumn();
    void onlyChangedTextIsWritten();
    void nothingIsWrittenBeforeALoad();
    void failedLoadIsToldUnlessReadOnly();
    void loadingOnlyWhileLoading();
    void failedWritesAreToldOnceAndRetried();
    void oneMessageAtATime();
    void pendingLinesForTheRecoveryFile();
    void linesWaitWhileSavingIsShut();
    void writeFailuresLeftToAView();
};

// While the database is checked saving is shut: typed lines wait without a failure message,
// count as unsaved, and are written once saving opens.
void TestMemoDocument::linesWaitWhileSavingIsShut() {
    Fixture f;
    QVERIFY(f.document.load());
    f.saving.close();
    QVERIFY(f.document.lineChanged(2, QStringLiteral("typed early")));
    QVERIFY(f.document.lineLeft(2, QStringLiteral("typed early")));
    QCOMPARE(f.writes(), 0);
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(f.document.unsavedCells().size(), 1);
    QVERIFY(!f.document.writePending(false)); // not written yet: closing must not count it
    f.saving.open();
    QVERIFY(f.document.writePending());
    QCOMPARE(f.stored(2).toString(), QStringLiteral("typed early"));
    QVERIFY(f.document.unsavedCells().isEmpty());
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestMemoDocument::loadReadsEveryLine() {
    Fixture f;
    f.seed("INSERT INTO Beiwanglu (memkey, line5, line11) VALUES ('bwl', 'five', 'last')");
    QVERIFY(!f.document.isLoaded());
    QVERIFY(f.document.load());
    QVERIFY(f.document.isLoaded());
    for (int n = 1; n <= 4; ++n) QCOMPARE(f.document.line(n), QString());
    QCOMPARE(f.document.line(5), QStringLiteral("five"));
    QCOMPARE(f.document.line(11), QStringLiteral("last"));
    QCOMPARE(f.writes(), 0);
}

void TestMemoDocument::eachLineWritesItsOwnColumn_data() {
    QTest::addColumn<int>("line");
    for (int n : {1, 7, 11}) QTest::addRow("line %d", n) << n;
}

void TestMemoDocument::eachLineWritesItsOwnColumn() {
    QFETCH(int, line);
    Fixture f;
    QString values;
    for (int n = 1; n <= 11; ++n) values += QStringLiteral(", 'old%1'").arg(n);
    f.seed("INSERT INTO Beiwanglu VALUES ('bwl'" + values + ")");
    QVERIFY(f.document.load());
    QVERIFY(f.document.lineChanged(line, f.document.line(line) + "!"));
    QCOMPARE(f.writes(), 1);
    QCOMPARE(PageTestSupport::queryDatabase(f.file(), "SELECT memkey FROM Beiwanglu").toString(),
             QStringLiteral("bwl"));
    for (int n = 1; n <= 11; ++n)
        QCOMPARE(f.stored(n).toString(), QStringLiteral("old%1").arg(n) + (n == line ? "!" : ""));
    QCOMPARE(f.document.line(line), QStringLiteral("old%1!").arg(line));
    // A line outside the list writes nothing.
    QVERIFY(f.document.lineChanged(12, QStringLiteral("x")));
    QCOMPARE(f.writes(), 1);
}

void TestMemoDocument::onlyChangedTextIsWritten() {
    Fixture f;
    QVERIFY(f.document.load());
    QVERIFY(f.document.lineLeft(2, QString()));
    QCOMPARE(f.writes(), 0);
    QVERIFY(f.document.lineChanged(2, QStringLiteral("a")));
    QVERIFY(f.document.lineChanged(2, QStringLiteral("ab")));
    QCOMPARE(f.writes(), 2);
    QVERIFY(f.document.lineLeft(2, QStringLiteral("ab")));
    QCOMPARE(f.writes(), 2);
    QCOMPARE(f.stored(2).toString(), QStringLiteral("ab"));
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestMemoDocument::nothingIsWrittenBeforeALoad() {
    Fixture f;
    f.seed("INSERT INTO Beiwanglu (memkey, line3) VALUES ('bwl', 'stored')");
    QVERIFY(!f.document.lineChanged(3, QStringLiteral("typed over")));
    QVERIFY(!f.document.lineChanged(3, QStringLiteral("typed over!")));
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages.at(0).contains(QStringLiteral("备忘录尚未读入")));
    QCOMPARE(f.prompts.shown.at(0).kind, PageMessage::Kind::Information);
    QCOMPARE(f.writes(), 0);
    QCOMPARE(f.stored(3).toString(), QStringLiteral("stored"));
    QVERIFY(!f.document.hasPendingWrite());
}

void TestMemoDocument::failedLoadIsToldUnlessReadOnly() {
    Fixture f;
    f.breakTable();
    QVERIFY(!f.document.load());
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(f.prompts.messages.at(0).startsWith(
        QStringLiteral("备忘录读取失败,在读取成功之前备忘录不能修改。\n")));
    QVERIFY(!f.document.isLoaded());
    f.document.setReadOnly(true);
    QVERIFY(!f.document.load());
    QCOMPARE(f.prompts.messages.size(), 1);
    f.repairTable();
    QVERIFY(f.document.load());
    QVERIFY(f.document.isLoaded());
}

void TestMemoDocument::loadingOnlyWhileLoading() {
    Fixture f;
    QList<bool> whileLoaded;
    connect(&f.document, &MemoDocument::loaded, this,
            [&] { whileLoaded << f.document.isLoading(); });
    QVERIFY(f.document.load());
    QCOMPARE(whileLoaded, QList<bool>{true});
    QVERIFY(!f.document.isLoading());
    f.breakTable();
    QList<bool> whileTold;
    f.prompts.whileShown = [&](const PageMessage &) { whileTold << f.document.isLoading(); };
    QVERIFY(!f.document.load());
    QCOMPARE(whileTold, QList<bool>{false});
    QCOMPARE(whileLoaded.size(), 1);
}

void TestMemoDocument::failedWritesAreToldOnceAndRetried() {
    Fixture f;
    QVERIFY(f.document.load());
    f.breakTable();
    for (const QString &text : {QStringLiteral("a"), QStringLiteral("ab"), QStringLiteral("abc")})
        QVERIFY(!f.document.lineChanged(2, text));
    QCOMPARE(f.prompts.messages.size(), 1); // three failed keystrokes, one message
    QVERIFY(f.document.hasPendingWrite());
    QCOMPARE(f.document.pending(2), std::optional<QString>(QStringLiteral("abc")));
    QVERIFY(!f.document.lineLeft(2, QStringLiteral("abc"))); // leaving tells again
    QCOMPARE(f.prompts.messages.size(), 2);
    f.repairTable();
    QVERIFY(f.document.lineChanged(9, QStringLiteral("z"))); // writes 9 and the pending 2
    QCOMPARE(f.stored(9).toString(), QStringLiteral("z"));
    QCOMPARE(f.stored(2).toString(), QStringLiteral("abc"));
    QVERIFY(!f.document.hasPendingWrite());
    QCOMPARE(f.prompts.messages.size(), 2);
    // A new run of failures is told again.
    f.breakTable();
    QVERIFY(!f.document.lineChanged(9, QStringLiteral("zz")));
    QVERIFY(!f.document.lineChanged(9, QStringLiteral("zzz")));
    QCOMPARE(f.prompts.messages.size(), 3);
    // Closing tries the pending line once more and tells when it still fails, unless the caller
    // asks the user itself.
    QVERIFY(!f.document.writePending(false));
    QCOMPARE(f.prompts.messages.size(), 3);
    QVERIFY(!f.document.writePending());
    QCOMPARE(f.prompts.messages.size(), 4);
    f.repairTable();
    QVERIFY(f.document.writePending());
    QCOMPARE(f.stored(9).toString(), QStringLiteral("zzz"));
    QVERIFY(f.document.writePending()); // nothing left
    QCOMPARE(f.prompts.messages.size(), 4);
}

// The message box takes the focus from the line; the line's leaving must not tell a second time.
void TestMemoDocument::oneMessageAtATime() {
    Fixture f;
    QVERIFY(f.document.load());
    f.breakTable();
    QList<bool> telling;
    f.prompts.whileShown = [&](const PageMessage &) {
        telling << f.document.isTelling();
        f.document.lineLeft(4, QStringLiteral("x"));
    };
    QVERIFY(!f.document.lineChanged(4, QStringLiteral("x")));
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(telling, QList<bool>{true});
    QVERIFY(!f.document.isTelling());
}

void TestMemoDocument::pendingLinesForTheRecoveryFile() {
    Fixture f;
    QVERIFY(f.document.load());
    f.breakTable();
    f.document.lineChanged(3, QStringLiteral("third"));
    f.document.lineLeft(8, QStringLiteral("eighth"));
    const QList<UnsavedCell> cells = f.document.unsavedCells();
    QCOMPARE(cells.size(), 2);
    QCOMPARE(cells.at(0).page, QStringLiteral("备忘录"));
    QVERIFY(!cells.at(0).date.isValid());
    QCOMPARE(cells.at(0).place, QStringLiteral("第 3 行"));
    QCOMPARE(cells.at(0).text, QStringLiteral("third"));
    QCOMPARE(cells.at(0).rtf, QByteArray("third"));
    QCOMPARE(cells.at(1).place, QStringLiteral("第 8 行"));
    f.repairTable();
    QVERIFY(f.document.writePending());
    QVERIFY(f.document.unsavedCells().isEmpty());
}

// A view that shows write failures itself gets them as they come and go; no message box then,
// but closing still tells.
void TestMemoDocument::writeFailuresLeftToAView() {
    Fixture f;
    f.document.setWriteFailuresShownByView(true);
    QStringList reported;
    connect(&f.document, &MemoDocument::writeFailureChanged, this,
            [&](const QString &message) { reported << message; });
    QVERIFY(f.document.load());
    f.breakTable();
    QVERIFY(!f.document.lineChanged(5, QStringLiteral("a")));
    QVERIFY(!f.document.lineChanged(5, QStringLiteral("ab")));
    QVERIFY(!f.document.lineLeft(5, QStringLiteral("ab")));
    QVERIFY(f.prompts.messages.isEmpty());
    QCOMPARE(reported.size(), 1); // the same message each time
    QVERIFY(reported.at(0).startsWith(
        QStringLiteral("备忘录保存失败,文字仍保留在备忘录中,将在下次修改或离开该行时重试。\n")));
    QCOMPARE(f.document.writeFailure(), reported.at(0));
    QCOMPARE(f.document.pending(5), std::optional<QString>(QStringLiteral("ab")));
    QVERIFY(!f.document.writePending());
    QCOMPARE(f.prompts.messages, QStringList{reported.at(0)});
    f.repairTable();
    QVERIFY(f.document.lineChanged(6, QStringLiteral("z"))); // writes 6 and the pending 5
    QCOMPARE(f.stored(5).toString(), QStringLiteral("ab"));
    QCOMPARE(reported.size(), 2);
    QCOMPARE(reported.at(1), QString());
    QCOMPARE(f.document.writeFailure(), QString());
}

KESTROVA_DOCUMENT_TEST_MAIN(TestMemoDocument)
#include "tst_MemoDocument.moc"
