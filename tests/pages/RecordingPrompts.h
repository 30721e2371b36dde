#pragma once

// A stand-in for the program's dialogs: records every message and question and answers as told.
#include "pages/Prompts.h"

#include <QColor>
#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>

class RecordingPrompts : public Prompts {
public:
    QStringList messages;       // the texts, in the order shown
    QList<PageMessage> shown;   // the whole messages
    QStringList questions;      // confirmQuit()
    QList<QColor> colourStarts; // chooseColour()
    QList<QUrl> opened;         // openInBrowser()

    bool quitAnswer = false;
    QColor colourAnswer; // invalid: Cancel
    bool browserThere = true;
    // Runs while the message is "open", as the event loop of a message box would (timers, focus
    // changes that ask for another save).
    std::function<void(const PageMessage &)> whileShown;

    void showMessage(const PageMessage &message) override {
        messages << message.text;
        shown << message;
        if (whileShown) whileShown(message);
    }
    bool confirmQuit(const QString &question) override {
        questions << question;
        return quitAnswer;
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
