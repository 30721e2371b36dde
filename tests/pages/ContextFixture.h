#pragma once

// What the notes session gives every document and page, for the tests: a real database in a
// temporary folder (optionally on a small disk), the save gate (closed, as while the window is
// built), recorded prompts and the selection record.
#include "RecordingPrompts.h"
#include "SmallDisk.h"
#include "pages/LastSelection.h"
#include "pages/PageContext.h"
#include "pages/SaveGate.h"
#include "store/NoteStore.h"

#include <QTemporaryDir>

#include <memory>

struct ContextFixture {
    QTemporaryDir dir;
    std::unique_ptr<SmallDisk> disk; // mounted on dir before the store opens, unmounted after
    NoteStore store;
    SaveGate saving;
    RecordingPrompts prompts;
    LastSelection lastSelection;
    PageContext context{store, saving, prompts, lastSelection};

    explicit ContextFixture(bool onSmallDisk = false) {
        if (onSmallDisk) disk = std::make_unique<SmallDisk>(dir.path());
        store.open(file(), NoteStore::OpenMode::CreateIfMissing);
    }
    QString file() const { return dir.filePath(QStringLiteral("CalendarD.db")); }
};
