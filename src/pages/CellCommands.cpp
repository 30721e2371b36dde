#include "pages/CellCommands.h"

#include "pages/DayRichEdit.h"
#include "pages/LastSelection.h"

#include <QLineEdit>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>

namespace {
void deleteSelection(QTextEdit &box) {
    if (!box.isReadOnly()) box.textCursor().removeSelectedText();
}

void deleteSelection(QLineEdit &line) {
    // del() alone would take the character after the caret when nothing is selected.
    if (line.hasSelectedText()) line.del();
}

// Copy, paste, undo and cut are the control's own; delete takes the selection only.
template <class Cell> void runEdit(CellCommands::Command command, Cell &cell) {
    using Command = CellCommands::Command;
    switch (command) {
    case Command::Copy:
        cell.copy();
        break;
    case Command::Paste:
        cell.paste();
        break;
    case Command::Undo:
        cell.undo();
        break;
    case Command::Delete:
        deleteSelection(cell);
        break;
    case Command::Cut:
        cell.cut();
        break;
    case Command::Tick:
    case Command::Cross:
        break;
    }
}
} // namespace

QString CellCommands::caption(Command command) {
    switch (command) {
    case Command::Copy:
        return QStringLiteral("复制");
    case Command::Paste:
        return QStringLiteral("粘贴");
    case Command::Undo:
        return QStringLiteral("撤销(Ctrl+Z)");
    case Command::Delete:
        return QStringLiteral("删除");
    case Command::Cut:
        return QStringLiteral("剪切");
    case Command::Tick:
        return QStringLiteral("打V");
    case Command::Cross:
        return QStringLiteral("打X");
    }
    return QString();
}

void CellCommands::run(Command command, QWidget *cell) {
    if (command == Command::Tick || command == Command::Cross)
        insertMark(cell, command == Command::Tick ? TickMark : CrossMark);
    else if (auto *box = qobject_cast<QTextEdit *>(cell))
        runEdit(command, *box);
    else if (auto *line = qobject_cast<QLineEdit *>(cell))
        runEdit(command, *line);
}

bool CellCommands::insertMark(QWidget *cell, QChar mark) {
    if (auto *rich = qobject_cast<DayRichEdit *>(cell)) return rich->insertWithinLimit(mark);
    if (auto *box = qobject_cast<QTextEdit *>(cell)) {
        if (box->isReadOnly()) return false;
        QTextCursor cursor = box->textCursor();
        cursor.insertText(QString(mark));
        box->setTextCursor(cursor);
        return true;
    }
    if (auto *line = qobject_cast<QLineEdit *>(cell)) {
        if (line->isReadOnly()) return false;
        const QString before = line->text();
        // The line's validator keeps its limit.
        line->insert(QString(mark));
        return line->text() != before;
    }
    return false;
}

bool CellCommands::takesColour(const QWidget *cell) {
    if (const auto *box = qobject_cast<const QTextEdit *>(cell)) return !box->isReadOnly();
    if (const auto *line = qobject_cast<const QLineEdit *>(cell)) return !line->text().isEmpty();
    return false;
}

void CellCommands::colourSelection(QTextEdit &box, const QColor &colour) {
    QTextCharFormat format;
    format.setForeground(colour);
    box.mergeCurrentCharFormat(format);
}

int CellCommands::colourValue(const QColor &colour) {
    return colour.blue() * 65536 + colour.green() * 256 + colour.red();
}

void CellCommands::applyFont(QTextEdit &box, const LastSelection &selection, const QString &face,
                             int points) {
    if (face.isEmpty() && points <= 0) return;
    // The record may be older than the text: never select past its end.
    const int end = std::max(0, box.document()->characterCount() - 1);
    const int start = std::clamp(selection.selStart, 0, end);
    const int length = std::clamp(selection.selLength, 0, end - start);
    QTextCursor cursor(box.document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    box.setTextCursor(cursor);
    QTextCharFormat format;
    if (!face.isEmpty()) format.setFontFamilies({face});
    if (points > 0) format.setFontPointSize(points);
    box.mergeCurrentCharFormat(format);
}

bool CellCommands::isFocused(const QWidget *cell) {
    return cell && (cell->hasFocus() || cell->window()->focusWidget() == cell);
}
