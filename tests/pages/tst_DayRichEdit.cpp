#include "pages/DayRichEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QTest>
#include <QTextCursor>
#include <QTextDocumentFragment>

class TestDayRichEdit : public QObject {
    Q_OBJECT
private slots:
    void typingStopsAtTheLimit();
    void pasteIsCutToTheRoomLeft_data();
    void pasteIsCutToTheRoomLeft();
    void formattedPasteThatFitsKeepsItsFormat();
    void inputMethodCommitIsCut();
    void noLimitAcceptsLongText();
    void reportsFocusLossButNotWindowSwitch();
};

void TestDayRichEdit::typingStopsAtTheLimit() {
    DayRichEdit edit;
    edit.setMaxLength(200);
    QTest::keyClicks(&edit, QString(199, QLatin1Char('a')));
    QCOMPARE(edit.textLength(), 199);
    QTest::keyClick(&edit, Qt::Key_B);
    QCOMPARE(edit.textLength(), 200);
    QTest::keyClick(&edit, Qt::Key_C); // the 201st character
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(edit.textLength(), 200);
    QVERIFY(edit.toPlainText().endsWith(QLatin1Char('b')));

    // Replacing a selection is allowed as long as the result fits.
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Return);
    QCOMPARE(edit.textLength(), 200);
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Z);
    QCOMPARE(edit.toPlainText(), QStringLiteral("z"));
}

void TestDayRichEdit::pasteIsCutToTheRoomLeft_data() {
    QTest::addColumn<int>("typed");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<int>("expectedLength");

    QTest::newRow("fits") << 10 << 0 << QStringLiteral("hello") << 15;
    QTest::newRow("cut") << 195 << 0 << QStringLiteral("0123456789") << 200;
    QTest::newRow("full") << 200 << 0 << QStringLiteral("xyz") << 200;
    QTest::newRow("replaces selection") << 200 << 3 << QStringLiteral("12345") << 200;
    QTest::newRow("line breaks count one") << 196 << 0 << QStringLiteral("a\r\nb\nc") << 200;
}

void TestDayRichEdit::pasteIsCutToTheRoomLeft() {
    QFETCH(int, typed);
    QFETCH(int, selected);
    QFETCH(QString, pasted);
    QFETCH(int, expectedLength);

    DayRichEdit edit;
    edit.setMaxLength(200);
    edit.setPlainText(QString(typed, QLatin1Char('a')));
    QTextCursor c = edit.textCursor();
    c.movePosition(QTextCursor::End);
    c.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, selected);
    edit.setTextCursor(c);
    QApplication::clipboard()->setText(pasted);
    QCOMPARE(QApplication::clipboard()->text(), pasted);
    edit.paste();
    QCOMPARE(edit.textLength(), expectedLength);
    QVERIFY(edit.toPlainText().startsWith(QString(typed - selected, QLatin1Char('a'))));
}

void TestDayRichEdit::formattedPasteThatFitsKeepsItsFormat() {
    DayRichEdit edit;
    edit.setMaxLength(200);
    auto *mime = new QMimeData;
    mime->setHtml(QStringLiteral("<b>bold</b>"));
    mime->setText(QStringLiteral("bold"));
    QApplication::clipboard()->setMimeData(mime);
    edit.paste();
    QCOMPARE(edit.toPlainText(), QStringLiteral("bold"));
    QTextCursor c(edit.document());
    c.setPosition(2);
    QCOMPARE(c.charFormat().fontWeight(), int(QFont::Bold));

    // Too long to fit: the plain text goes in, cut.
    edit.setPlainText(QString(198, QLatin1Char('a')));
    edit.moveCursor(QTextCursor::End);
    auto *longer = new QMimeData;
    longer->setHtml(QStringLiteral("<i>italic</i>"));
    longer->setText(QStringLiteral("italic"));
    QApplication::clipboard()->setMimeData(longer);
    edit.paste();
    QCOMPARE(edit.textLength(), 200);
    QVERIFY(edit.toPlainText().endsWith(QStringLiteral("it")));
}

void TestDayRichEdit::inputMethodCommitIsCut() {
    DayRichEdit edit;
    edit.setMaxLength(200);
    edit.setPlainText(QString(198, QLatin1Char('a')));
    edit.moveCursor(QTextCursor::End);
    QInputMethodEvent event;
    event.setCommitString(QStringLiteral("日安排"));
    QApplication::sendEvent(&edit, &event);
    QCOMPARE(edit.textLength(), 200);
    QVERIFY(edit.toPlainText().endsWith(QStringLiteral("日安")));
}

void TestDayRichEdit::noLimitAcceptsLongText() {
    DayRichEdit edit;
    QTest::keyClicks(&edit, QString(300, QLatin1Char('x')));
    QCOMPARE(edit.textLength(), 300);
}

void TestDayRichEdit::reportsFocusLossButNotWindowSwitch() {
    QWidget window;
    auto *first = new DayRichEdit(&window);
    auto *second = new DayRichEdit(&window);
    second->move(0, 120);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    first->setFocus();
    QVERIFY(first->hasFocus());
    int lost = 0;
    connect(first, &DayRichEdit::focusLost, this, [&] { ++lost; });
    QFocusEvent windowSwitch(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(first, &windowSwitch);
    QCOMPARE(lost, 0);
    second->setFocus(Qt::MouseFocusReason);
    QCOMPARE(lost, 1);
}

QTEST_MAIN(TestDayRichEdit)
#include "tst_DayRichEdit.moc"
