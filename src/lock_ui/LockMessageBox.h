#pragma once

#include <QString>
#include <functional>

class QWidget;

// The message boxes of the password windows go through one replaceable function, so tests
// can read each message and its caption instead of facing a modal box.
class LockMessageBox {
public:
    enum class Kind {
        Plain, // single OK button, no icon
        Error  // a failure report: OK button with the critical icon
    };
    using Function =
        std::function<void(QWidget *owner, const QString &text, const QString &caption, Kind kind)>;

    // The default: a modal QMessageBox owned by `owner`.
    static void show(QWidget *owner, const QString &text, const QString &caption, Kind kind);
};
