#include "pages/CellCommands.h"
#include "pages/DayRichEdit.h"
#include "pages/LastSelection.h"
#include "pages/NoteLineEdit.h"
#include "richtext/RichText.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

using Command = CellCommands::Command;
Q_DECLARE_METATYPE(CellCommands::Command)

namespace {
const QString Tick(CellCommands::TickMark);
const QString Cross(CellCommands::CrossMark);

// A cell of either kind with `text`, the selection [start, start + length) and the caret at
// its end.
std::unique_ptr<QWidget> makeCell(const QString &kind, const QString &text, int start, int length) {
    if (kind == QLatin1String("rich")) {
        auto box = std::make_unique<DayRichEdit>();
        box->setPlainText(text);
        QTextCursor c(box->document());
        c.setPosition(start);
        c.setPosition(start + length, QTextCursor::KeepAnchor);
        box->setTextCursor(c);
        return box;
    }
    auto line = std::make_unique<NoteLineEdit>();
    line->setStoredText(text);
    line->setSelection(start, length);
    if (length == 0) line->setCursorPosition(start);
    return line;
}

QString textOf(const QWidget *cell) {
    if (const auto *box = qobject_cast<const QTextEdit *>(cell)) return box->toPlainText();
    return static_cast<const QLineEdit *>(cell)->text();
}

// A rich box with "ab" in black then "cd" in bold red 14 point "宋体", caret after "cd".
void fillFormatted(QTextEdit &box) {
    QTextCursor c(box.document());
    c.insertText(QStringLiteral("ab"));
    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    red.setFontWeight(QFont::Bold);
    red.setFontPointSize(14);
    red.setFontFamilies({QStringLiteral("宋体")});
    c.insertText(QStringLiteral("cd"), red);
    box.setTextCursor(c);
}

QTextCharFormat formatAt(const QTextDocument &doc, int position) {
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(position + 1);
    return c.charFormat();
}
} // namespace

class TestCellCommands : public QObject {
    Q_OBJECT
private slots:
    void menuCaptionsInOrder();
    void commandsOnCells_data();
    void commandsOnCells();
    void noCellChangesNothing();
    void markTakesTheFormattingAtTheCaret();
    void marksKeepTheCellsLimit_data();
    void marksKeepTheCellsLimit();
    void pasteBringsTextAndFormattingOnly_data();
    void pasteBringsTextAndFormattingOnly();
    void pasteKeepsTheCellLimit();
    void colourCommandAppliesTo_data();
    void colourCommandAppliesTo();
    void colourSelection();
    void applyFontToTheRecordedSelection_data();
    void applyFontToTheRecordedSelection();
    void marksAndFormatsSurviveTheStoredRtf();
};

void TestCellCommands::menuCaptionsInOrder() {
    QStringList captions;
    for (int i = 0; i < CellCommands::CommandCount; ++i)
        captions << CellCommands::caption(static_cast<Command>(i));
    QCOMPARE(captions, QStringList({"复制", "粘贴", "撤销(Ctrl+Z)", "删除", "剪切", "打V", "打X"}));
    QCOMPARE(Tick, QStringLiteral("√"));
    QCOMPARE(Cross, QStringLiteral("×"));
}

void TestCellCommands::commandsOnCells_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QList<Command>>("commands");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("clipboard"); // empty: not checked

    for (const QString &kind : {QStringLiteral("rich"), QStringLiteral("line")}) {
        const auto row = [&kind](const char *name) {
            return &QTest::newRow(qPrintable(kind + QLatin1Char(' ') + QLatin1String(name)));
        };
        *row("tick at the caret") << kind << "abcd" << 2 << 0 << QList{Command::Tick}
                                  << "ab" + Tick + "cd"
                                  << "";
        *row("two ticks give two")
            << kind << "abcd" << 2 << 0 << QList{Command::Tick, Command::Tick}
            << "ab" + Tick + Tick + "cd"
            << "";
        *row("cross over a selected word")
            << kind << "one word two" << 4 << 4 << QList{Command::Cross} << "one " + Cross + " two"
            << "";
        *row("tick then cross") << kind << "" << 0 << 0 << QList{Command::Tick, Command::Cross}
                                << Tick + Cross << "";
        *row("delete the selection")
            << kind << "abcdef" << 1 << 3 << QList{Command::Delete} << "aef"
            << "";
        *row("delete without selection")
            << kind << "abcdef" << 3 << 0 << QList{Command::Delete} << "abcdef"
            << "";
        *row("cut") << kind << "abcdef" << 2 << 2 << QList{Command::Cut} << "abef"
                    << "cd";
        *row("copy") << kind << "abcdef" << 0 << 3 << QList{Command::Copy} << "abcdef"
                     << "abc";
        *row("copy then paste over the selection")
            << kind << "abcdef" << 4 << 2 << QList{Command::Copy, Command::Paste} << "abcdef"
            << "ef";
        *row("cut then paste") << kind << "abcdef" << 0 << 2 << QList{Command::Cut, Command::Paste}
                               << "abcdef"
                               << "ab";
        *row("undo a mark") << kind << "abcd" << 4 << 0 << QList{Command::Tick, Command::Undo}
                            << "abcd"
                            << "";
    }
}

void TestCellCommands::commandsOnCells() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QList<Command>, commands);
    QFETCH(QString, expected);
    QFETCH(QString, clipboard);
    QApplication::clipboard()->clear();
    const auto cell = makeCell(kind, text, start, length);
    for (const Command command : commands) CellCommands::run(command, cell.get());
    QCOMPARE(textOf(cell.get()), expected);
    if (!clipboard.isEmpty()) QCOMPARE(QApplication::clipboard()->text(), clipboard);
}

void TestCellCommands::noCellChangesNothing() {
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    for (int i = 0; i < CellCommands::CommandCount; ++i)
        CellCommands::run(static_cast<Command>(i), nullptr);
    QVERIFY(!CellCommands::insertMark(nullptr, CellCommands::TickMark));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("kept"));
}

void TestCellCommands::markTakesTheFormattingAtTheCaret() {
    DayRichEdit box;
    fillFormatted(box);
    QVERIFY(CellCommands::insertMark(&box, CellCommands::TickMark));
    QCOMPARE(box.toPlainText(), "abcd" + Tick);
    const QTextCharFormat f = formatAt(*box.document(), 4);
    QCOMPARE(f.foreground().color(), QColor(Qt::red));
    QCOMPARE(f.fontWeight(), int(QFont::Bold));
    QCOMPARE(f.fontPointSize(), 14.0);
    QVERIFY(box.document()->isModified());
}

void TestCellCommands::marksKeepTheCellsLimit_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inserted");
    // The day editors count characters (200), the general lines bytes of code page 936 (200).
    QTest::newRow("rich with room for one") << "rich" << QString(199, 'a') << true;
    QTest::newRow("rich full") << "rich" << QString(200, 'a') << false;
    QTest::newRow("line with room for two bytes") << "line" << QString(198, 'a') << true;
    QTest::newRow("line with one byte left") << "line" << QString(199, 'a') << false;
}

void TestCellCommands::marksKeepTheCellsLimit() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(bool, inserted);
    const auto cell = makeCell(kind, text, text.size(), 0);
    if (auto *box = qobject_cast<DayRichEdit *>(cell.get())) box->setMaxLength(200);
    if (auto *line = qobject_cast<NoteLineEdit *>(cell.get())) line->setMaxBytes(200);
    QCOMPARE(CellCommands::insertMark(cell.get(), CellCommands::CrossMark), inserted);
    QCOMPARE(textOf(cell.get()), inserted ? text + Cross : text);
}

void TestCellCommands::pasteBringsTextAndFormattingOnly_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("plain");
    QTest::addColumn<bool>("withImage");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QColor>("colour"); // of the first pasted character; invalid: not checked

    QTest::newRow("picture only") << ""
                                  << "" << true << "ab" << QColor();
    QTest::newRow("html picture") << "<img src='data:image/png;base64,AAAA'>"
                                  << "" << false << "ab" << QColor();
    QTest::newRow("html text around a picture")
        << "<span style='color:#00ff00'>X<img src='p.png'>Y</span>"
        << "XY" << false << "aXYb" << QColor(0, 255, 0);
    QTest::newRow("table becomes paragraphs") << "<table><tr><td>c</td><td>d</td></tr></table>"
                                              << "" << false << "a\nc\nd\nb" << QColor();
    QTest::newRow("plain text takes the caret's format")
        << ""
        << "pq" << true << "apqb" << QColor(Qt::red);
}

void TestCellCommands::pasteBringsTextAndFormattingOnly() {
    QFETCH(QString, html);
    QFETCH(QString, plain);
    QFETCH(bool, withImage);
    QFETCH(QString, expected);
    QFETCH(QColor, colour);
    DayRichEdit box;
    QTextCursor c(box.document());
    c.insertText(QStringLiteral("ab"));
    c.setPosition(1);
    QTextCharFormat red;
    red.setForeground(QColor(Qt::red));
    c.setCharFormat(red);
    box.setTextCursor(c);
    auto *mime = new QMimeData;
    if (!html.isEmpty()) mime->setHtml(html);
    if (!plain.isEmpty() && html.isEmpty()) mime->setText(plain);
    if (withImage) {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::blue);
        mime->setImageData(image);
    }
    QApplication::clipboard()->setMimeData(mime);
    CellCommands::run(Command::Paste, &box);
    QString shown = box.toPlainText();
    QCOMPARE(shown.replace(QChar::ParagraphSeparator, QLatin1Char('\n')), expected);
    QVERIFY(!box.document()->toRawText().contains(QChar::ObjectReplacementCharacter));
    if (colour.isValid()) QCOMPARE(formatAt(*box.document(), 1).foreground().color(), colour);
    // What the box shows is what a save and a reload give back.
    QTextDocument reloaded;
    QVERIFY(richtext::fromRtf(richtext::toRtf(*box.document()), reloaded));
    QCOMPARE(reloaded.toPlainText(), box.toPlainText());
}

void TestCellCommands::pasteKeepsTheCellLimit() {
    DayRichEdit box;
    box.setMaxLength(10);
    box.setPlainText(QStringLiteral("12345678"));
    box.moveCursor(QTextCursor::End);
    QApplication::clipboard()->setText(QStringLiteral("abcdef"));
    CellCommands::run(Command::Paste, &box);
    QCOMPARE(box.toPlainText(), QStringLiteral("12345678ab"));
    QApplication::clipboard()->setText(QStringLiteral("x"));
    CellCommands::run(Command::Paste, &box);
    QCOMPARE(box.toPlainText(), QStringLiteral("12345678ab"));
    // One place left and a character outside the BMP first: nothing rather than half of it.
    box.setPlainText(QStringLiteral("123456789"));
    box.moveCursor(QTextCursor::End);
    QApplication::clipboard()->setText(QString::fromUtf8("\xF0\x9F\x98\x80z"));
    CellCommands::run(Command::Paste, &box);
    QCOMPARE(box.toPlainText(), QStringLiteral("123456789"));
}

void TestCellCommands::colourCommandAppliesTo_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("takes");
    QTest::newRow("empty rich box") << "rich"
                                    << "" << true;
    QTest::newRow("rich box with text") << "rich"
                                        << "a" << true;
    QTest::newRow("empty line") << "line"
                                << "" << false;
    QTest::newRow("line with text") << "line"
                                    << "a" << true;
}

void TestCellCommands::colourCommandAppliesTo() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(bool, takes);
    const auto cell = makeCell(kind, text, 0, 0);
    QCOMPARE(CellCommands::takesColour(cell.get()), takes);
    QVERIFY(!CellCommands::takesColour(nullptr));
}

void TestCellCommands::colourSelection() {
    DayRichEdit box;
    box.setPlainText(QStringLiteral("abcd"));
    box.document()->setModified(false);
    QTextCursor c(box.document());
    c.setPosition(1);
    c.setPosition(3, QTextCursor::KeepAnchor);
    box.setTextCursor(c);
    CellCommands::colourSelection(box, QColor(0, 0, 255));
    QCOMPARE(formatAt(*box.document(), 1).foreground().color(), QColor(0, 0, 255));
    QCOMPARE(formatAt(*box.document(), 2).foreground().color(), QColor(0, 0, 255));
    QCOMPARE(formatAt(*box.document(), 3).foreground().style(), Qt::NoBrush);
    QVERIFY(box.document()->isModified());

    // Nothing selected: the text typed next at the caret.
    box.moveCursor(QTextCursor::End);
    CellCommands::colourSelection(box, QColor(0, 128, 0));
    box.insertPlainText(QStringLiteral("e"));
    QCOMPARE(formatAt(*box.document(), 4).foreground().color(), QColor(0, 128, 0));
    QCOMPARE(formatAt(*box.document(), 3).foreground().style(), Qt::NoBrush);
    QCOMPARE(CellCommands::colourValue(QColor(1, 2, 3)), 3 * 65536 + 2 * 256 + 1);
}

void TestCellCommands::applyFontToTheRecordedSelection_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("from"); // the characters changed: [from, to)
    QTest::addColumn<int>("to");
    QTest::newRow("face and size") << 1 << 2 << "DejaVu Serif" << 14 << 1 << 3;
    QTest::newRow("face only") << 0 << 4 << "DejaVu Serif" << 0 << 0 << 4;
    QTest::newRow("size only") << 2 << 1 << "" << 13 << 2 << 3;
    QTest::newRow("past the end is clamped") << 3 << 50 << "" << 12 << 3 << 4;
    QTest::newRow("start past the end") << 40 << 5 << "" << 12 << 4 << 4;
    QTest::newRow("nothing chosen") << 0 << 4 << "" << 0 << 0 << 0;
}

void TestCellCommands::applyFontToTheRecordedSelection() {
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, face);
    QFETCH(int, points);
    QFETCH(int, from);
    QFETCH(int, to);
    DayRichEdit box;
    box.setPlainText(QStringLiteral("abcd"));
    LastSelection record;
    record.selStart = start;
    record.selLength = length;
    CellCommands::applyFont(box, record, face, points);
    for (int i = 0; i < 4; ++i) {
        const QTextCharFormat f = formatAt(*box.document(), i);
        const bool changed = i >= from && i < to;
        QCOMPARE(f.fontFamilies().toStringList() == QStringList{face}, changed && !face.isEmpty());
        QCOMPARE(f.hasProperty(QTextFormat::FontPointSize), changed && points > 0);
        if (changed && points > 0) QCOMPARE(f.fontPointSize(), qreal(points));
    }
    QCOMPARE(box.toPlainText(), QStringLiteral("abcd"));
}

// Marks are GBK characters in a Chinese face: the stored RTF carries their bytes A1 CC and
// A1 C1, and a reload gives back the same characters in the same formats.
void TestCellCommands::marksAndFormatsSurviveTheStoredRtf() {
    DayRichEdit box;
    QFont song(QStringLiteral("宋体"));
    song.setPointSize(9);
    box.document()->setDefaultFont(song);
    fillFormatted(box);
    CellCommands::insertMark(&box, CellCommands::TickMark);
    box.moveCursor(QTextCursor::Start);
    CellCommands::insertMark(&box, CellCommands::CrossMark);
    LastSelection record;
    record.selStart = 1;
    record.selLength = 2; // "ab"
    CellCommands::applyFont(box, record, QStringLiteral("宋体"), 12);
    const QByteArray rtf = richtext::toRtf(*box.document());
    QVERIFY2(rtf.contains("\\'a1\\'cc"), rtf.constData());
    QVERIFY2(rtf.contains("\\'a1\\'c1"), rtf.constData());

    QTextDocument reloaded;
    QVERIFY(richtext::fromRtf(rtf, reloaded));
    QCOMPARE(reloaded.toPlainText(), Cross + "abcd" + Tick);
    for (int i = 0; i < 6; ++i) {
        const QTextCharFormat before = formatAt(*box.document(), i);
        const QTextCharFormat after = formatAt(reloaded, i);
        const QFont b = before.font().resolve(box.document()->defaultFont());
        const QFont a = after.font().resolve(reloaded.defaultFont());
        QCOMPARE(a.family(), b.family());
        QCOMPARE(a.pointSizeF(), b.pointSizeF());
        QCOMPARE(a.bold(), b.bold());
        const QColor colourBefore = before.foreground().style() == Qt::NoBrush
                                        ? QColor(Qt::black)
                                        : before.foreground().color();
        const QColor colourAfter = after.foreground().style() == Qt::NoBrush
                                       ? QColor(Qt::black)
                                       : after.foreground().color();
        QCOMPARE(colourAfter, colourBefore);
    }
}

QTEST_MAIN(TestCellCommands)
#include "tst_CellCommands.moc"
