#pragma once

#include "pages/Prompts.h"

#include <QColor>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>

// Answers the program's prompts as a user would and records what they said: the texts of the
// messages, the quit questions, and the colour each colour dialog started on.
struct ScriptedPrompts : Prompts {
    QStringList messages;
    QStringList questions;
    bool answerQuit = false;
    QList<QColor> colourStarts;
    QColor colourAnswer; // invalid: Cancel
    QList<QUrl> opened;
    bool browserThere = true;
    // Called for every message after it is recorded (a test may act while "the box is open").
    std::function<void(const QString &)> onMessage;

    void showMessage(const PageMessage &message) override {
        messages << message.text;
        if (onMessage) onMessage(message.text);
    }
    bool confirmQuit(const QString &question) override {
        questions << question;
        return answerQuit;
    }
    QColor chooseColour(const QColor &initial) override {
        colourStarts << initial;
        return colourAnswer;
    }
    bool openInBrowser(const QUrl &url) override {
        opened << url;
        return browserThere;
    }
};
