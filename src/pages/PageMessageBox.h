#pragma once

#include "pages/Prompts.h"

class QWidget;

// A page's message as the program shows it: an information or an error box over `parent`,
// captioned with the message's caption, or the application's name when it has none.
class PageMessageBox {
public:
    static void show(QWidget *parent, const PageMessage &message);
};
