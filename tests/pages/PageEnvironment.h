#pragma once

// What the main window gives a page or the memo list, for the page tests: the context of
// ContextFixture (a real database in a temporary folder, the save gate, recorded prompts, the
// selection record), the picker's date and a window to hold the widgets.
#include "ContextFixture.h"
#include "pages/NotePage.h"

#include <QDate>
#include <QTest>
#include <QWidget>

struct PageEnvironment : ContextFixture {
    QWidget window;
    QDate pickerDate{2010, 6, 1};

    explicit PageEnvironment(bool onSmallDisk = false) : ContextFixture(onSmallDisk) {}

    // The picker's date comes from here, as the main window wires it.
    void attach(NotePage &page) {
        page.setDateSource([this] { return pickerDate; });
    }

    bool showWindow() {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};
