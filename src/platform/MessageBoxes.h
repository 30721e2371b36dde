#pragma once

#include <QString>

class QFont;
class QMessageBox;
class QWidget;

// Message boxes as the program shows them: a close box alone in their frame, and wide enough
// for the window manager to show their whole title beside its buttons. The toolkit sizes a box
// by its text and leaves the title some 50 pixels beyond its width, which the frame's buttons
// and a window manager's larger bold title font overrun ("Kes…VA").
class MessageBoxes {
public:
    // Room for the buttons of a title bar (icon, minimise, maximise, close) and its margins,
    // as the widest of the common window managers' themes draw them.
    static constexpr int kTitleBarButtonsWidth = 136;

    // The least width of a box titled `title` shown in `font`: the title in bold, a fifth wider
    // for a title font larger than the program's, beside the title bar's buttons.
    static int titleWidth(const QString &title, const QFont &font);

    // Call once the box is filled (icon, text, buttons), right before it is shown.
    static void prepare(QMessageBox &box);

    // Modal boxes with an OK button, as QMessageBox's static functions of the same names.
    static void information(QWidget *parent, const QString &title, const QString &text);
    static void warning(QWidget *parent, const QString &title, const QString &text);
    static void critical(QWidget *parent, const QString &title, const QString &text);
};
