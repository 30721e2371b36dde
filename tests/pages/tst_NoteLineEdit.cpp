#include "base/GbkCodec.h"
#include "pages/NoteLineEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QTest>

namespace {
const QString Han = QString::fromUtf8("记");                 // 2 bytes
const QString Emoji = QString::fromUtf8("\xf0\x9f\x98\x80"); // a surrogate pair, 4 bytes

// How the text reaches the line.
enum class Way { Typing, InputMethod, Paste, Insert };

void enter(NoteLineEdit &edit, Way way, const QString &text) {
    switch (way) {
    case Way::Typing:
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype n = text[i].isHighSurrogate() ? 2 : 1;
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text.mid(i, n));
            QApplication::sendEvent(&edit, &press);
            i += n - 1;
        }
        break;
    case Way::InputMethod: {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QApplication::sendEvent(&edit, &commit);
        break;
    }
    case Way::Paste:
        QApplication::clipboard()->setText(text);
        edit.paste();
        break;
    case Way::Insert:
        edit.insert(text);
        break;
    }
}
} // namespace

Q_DECLARE_METATYPE(Way)

class TestNoteLineEdit : public QObject {
    Q_OBJECT
private slots:
    // A line holding 197 bytes takes what fits of the new text, never half a character.
    void limitCountsCodePageBytes_data() {
        QTest::addColumn<Way>("way");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("kept");
        for (const auto &[name, way] :
             {std::pair{"typing", Way::Typing}, std::pair{"input method", Way::InputMethod},
              std::pair{"paste", Way::Paste}, std::pair{"insert", Way::Insert}}) {
            const QByteArray n(name);
            QTest::newRow(n + ": ascii") << way << QStringLiteral("abcd") << QStringLiteral("abc");
            QTest::newRow(n + ": han") << way << Han + Han << Han;
            QTest::newRow(n + ": emoji does not fit") << way << Emoji << QString();
            // Keystrokes count one by one; one insertion is cut at its end.
            if (way != Way::InputMethod)
                QTest::newRow(n + ": mixed")
                    << way << "a" + Emoji + "b"
                    << (way == Way::Typing ? QStringLiteral("ab") : QStringLiteral("a"));
        }
    }
    void limitCountsCodePageBytes() {
        QFETCH(Way, way);
        QFETCH(QString, added);
        QFETCH(QString, kept);
        NoteLineEdit edit;
        edit.setMaxBytes(200);
        const QString start = QString(197, QLatin1Char('x'));
        edit.setStoredText(start);
        edit.setCursorPosition(int(start.size()));
        enter(edit, way, added);
        QCOMPARE(edit.text(), start + kept);
        QVERIFY(GbkCodec::byteLength(edit.text()) <= 200);
    }

    // An insertion in the middle is cut from its own end, the text after it stays.
    void cutKeepsTheTextAfterTheCursor() {
        NoteLineEdit edit;
        edit.setMaxBytes(10);
        edit.setStoredText(QStringLiteral("1234567"));
        edit.setCursorPosition(2);
        edit.insert(Han + Han);
        QCOMPARE(edit.text(), QStringLiteral("12") + Han + QStringLiteral("34567"));
        QCOMPARE(edit.cursorPosition(), 3);
    }

    // A refused keystroke keeps the undo history of what was typed before.
    void refusedKeystrokeKeepsUndo() {
        NoteLineEdit edit;
        edit.setMaxBytes(4);
        enter(edit, Way::Typing, QStringLiteral("abcd"));
        enter(edit, Way::Typing, QStringLiteral("e"));
        QCOMPARE(edit.text(), QStringLiteral("abcd"));
        QVERIFY(edit.isUndoAvailable());
        edit.undo();
        QVERIFY(edit.text().size() < 4);
    }

    // A stored text over the limit is shown whole; it may shrink, not grow back.
    void storedTextIsNeverCut() {
        NoteLineEdit edit;
        edit.setMaxBytes(4);
        edit.setStoredText(QStringLiteral("abcdef"));
        QCOMPARE(edit.text(), QStringLiteral("abcdef"));
        QVERIFY(!edit.isModified());
        edit.end(false);
        edit.backspace();
        QCOMPARE(edit.text(), QStringLiteral("abcde"));
        enter(edit, Way::Typing, QStringLiteral("x"));
        QCOMPARE(edit.text(), QStringLiteral("abcde"));
        edit.cursorBackward(true);
        enter(edit, Way::Typing, QStringLiteral("x"));
        QCOMPARE(edit.text(), QStringLiteral("abcdx"));
    }

    void noLimit() {
        NoteLineEdit edit;
        edit.insert(QString(300, QLatin1Char('z')) + Emoji);
        QCOMPARE(edit.text().size(), 302);
    }

    void colorValueIsBgr() {
        NoteLineEdit edit;
        edit.setColorValue(0x0000ff);
        QCOMPARE(edit.palette().color(QPalette::Text), QColor(255, 0, 0));
        edit.setColorValue(0xff0000);
        QCOMPARE(edit.palette().color(QPalette::Text), QColor(0, 0, 255));
        QCOMPARE(edit.colorValue(), 0xff0000);
    }
};

QTEST_MAIN(TestNoteLineEdit)
#include "tst_NoteLineEdit.moc"
