#pragma once

#include <QChar>
#include <QColor>
#include <QString>

class QTextEdit;
class QWidget;
struct LastSelection;

// The editing commands of the note pages' cells (the context menus, the tick and cross buttons,
// the colour command and the font lists), each acting on one cell: a rich-text box (QTextEdit)
// or a one-line edit (QLineEdit). The commands keep no state; they change the cell the way
// typing would, so its document or text counts as changed and the page's next save stores it.
// A cell's own limit holds: a mark that does not fit is not inserted.
class CellCommands {
public:
    // The items of the cell menus, in their order.
    enum class Command { Copy, Paste, Undo, Delete, Cut, Tick, Cross };
    static constexpr int CommandCount = 7;

    // The marks: single characters of code page 936, tick A1 CC and cross A1 C1.
    static constexpr QChar TickMark{0x221A};  // √
    static constexpr QChar CrossMark{0x00D7}; // ×

    // "复制", "粘贴", "撤销(Ctrl+Z)", "删除", "剪切", "打V", "打X".
    static QString caption(Command command);

    // Runs `command` on `cell`; a null cell or one of another kind is left alone. Copy, paste,
    // undo and cut are the control's own; delete removes the selection without the clipboard;
    // the marks go in as insertMark().
    static void run(Command command, QWidget *cell);
    // Replaces the selection by `mark`, or inserts it at the caret, in the formatting at the
    // caret. Returns false when nothing was inserted (no cell, read-only, no room left).
    static bool insertMark(QWidget *cell, QChar mark);

    // Whether the colour command applies to `cell`: a rich-text box always, a one-line edit
    // only when it holds text.
    static bool takesColour(const QWidget *cell);
    // The colour of the selected text of `box`, or of the text typed next at its caret.
    static void colourSelection(QTextEdit &box, const QColor &colour);
    // A colour as the store keeps it: blue × 65536 + green × 256 + red.
    static int colourValue(const QColor &colour);

    // Selects in `box` what `selection` recorded, clamped to the box's text, and gives that
    // selection the face `face` (none when empty) and the size `points` (none when not
    // positive).
    static void applyFont(QTextEdit &box, const LastSelection &selection, const QString &face,
                          int points);

    // Whether `cell` has the keyboard focus, also while another window (a menu, a dialog) is
    // the active one: it is then its window's focus widget.
    static bool isFocused(const QWidget *cell);
};
