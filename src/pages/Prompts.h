#pragma once

#include <QColor>
#include <QString>

class QUrl;

// A message shown to the user. An empty caption means the application's title.
struct PageMessage {
    enum class Kind { Information, Error };
    Kind kind = Kind::Error;
    QString text;
    QString caption;
};

// Everything the notes and the main window ask of the user, in one place: the program answers
// with dialogs, tests with a stand-in that records what was asked and answers as told.
class Prompts {
public:
    virtual ~Prompts() = default;

    virtual void showMessage(const PageMessage &message) = 0;
    // The question of a close while saves fail; true quits ("退出"), false keeps the window.
    virtual bool confirmQuit(const QString &question) = 0;
    // A colour, starting on `initial`; an invalid colour means Cancel.
    virtual QColor chooseColour(const QColor &initial) = 0;
    // Hands a page to the desktop's browser; false when there is none.
    virtual bool openInBrowser(const QUrl &url) = 0;

    void showError(const QString &text) { showMessage({PageMessage::Kind::Error, text, {}}); }
};
