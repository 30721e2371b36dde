#pragma once

// What the main window gives a page or the memo list, for the page tests: a real database in a
// temporary folder (optionally on a small disk), the shared flags and selection record, and a
// window to hold the widgets.
#include "SmallDisk.h"
#include "pages/LastSelection.h"
#include "pages/NotePage.h"
#include "pages/PageFlags.h"
#include "store/NoteStore.h"

#include <QDate>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

struct PageEnvironment {
    QTemporaryDir dir;
    std::unique_ptr<SmallDisk> disk; // mounted on dir before the store opens, unmounted after
    NoteStore store;
    PageFlags flags;
    LastSelection lastSelection;
    QWidget window;
    QDate pickerDate{2010, 6, 1};
    QStringList messages;

    explicit PageEnvironment(bool onSmallDisk = false) {
        if (onSmallDisk) disk = std::make_unique<SmallDisk>(dir.path());
        store.open(file(), NoteStore::OpenMode::CreateIfMissing);
    }
    QString file() const { return dir.filePath(QStringLiteral("CalendarD.db")); }

    // The picker's date and the messages come from here, as the main window wires them.
    void attach(NotePage &page) {
        page.setDateSource([this] { return pickerDate; });
        page.setMessageSink([this](const QString &text) { messages << text; });
    }

    bool showWindow() {
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window);
    }
};
