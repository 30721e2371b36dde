#pragma once

#include "pages/Prompts.h"

#include <QPointer>
#include <QWidget>

// The prompts as the program shows them: message boxes, the quit question and the colour dialog,
// over the window given (or none while it is not shown).
class DialogPrompts : public Prompts {
public:
    void setWindow(QWidget *window) { m_window = window; }

    void showMessage(const PageMessage &message) override;
    bool confirmQuit(const QString &question) override;
    QColor chooseColour(const QColor &initial) override;
    bool openInBrowser(const QUrl &url) override;

private:
    QWidget *parentWindow() const;

    QPointer<QWidget> m_window;
};
