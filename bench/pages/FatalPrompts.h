#pragma once

// The benchmarks' prompts: a message means a load or save failed, and the figures would be wrong.
#include "pages/Prompts.h"

#include <QtGlobal>

class FatalPrompts : public Prompts {
public:
    void showMessage(const PageMessage &message) override {
        qFatal("%s", qPrintable(message.text));
    }
    bool confirmQuit(const QString &question) override {
        qFatal("%s", qPrintable(question));
        return false;
    }
    QColor chooseColour(const QColor &) override { return {}; }
    bool openInBrowser(const QUrl &) override { return false; }
};
