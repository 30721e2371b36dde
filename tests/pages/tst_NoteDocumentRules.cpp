// The rules every note document keeps, run once against NoteDocument for each kind of notes
// (NoteKinds.h), without widgets.
#include "ContextFixture.h"
#include "DocumentTestMain.h"
#include "NoteKinds.h"
#include "PageTestSupport.h"
#include "pages/AnnualNotesDocument.h"
#include "pages/MonthNotesDocument.h"
#include "pages/SheetDocument.h"
#include "store/NoteStore.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

// A cell as the tests use it, whether a rich-text document or a line of a sheet: type at its end,
// undo, watch its changes. A sheet's lines keep no undo history (their editors do).
class CellAccess {
public:
    explicit CellAccess(QTextDocument *document) : m_document(document) {}
    CellAccess(SheetDocument *sheet, int line) : m_sheet(sheet), m_line(line) {}

    // Typing: modifies the cell and leaves an undo step.
    void type(const QString &text) const {
        if (m_sheet) {
            m_sheet->setText(m_line, m_sheet->text(m_line) + text);
            return;
        }
        QTextCursor c(m_document);
        c.movePosition(QTextCursor::End);
        c.insertText(text);
    }
    bool isUndoAvailable() const { return m_document && m_document->isUndoAvailable(); }
    void undo() const {
        if (m_document) m_document->undo();
    }
    // A sheet's lines change as a whole when it loads.
    template <typename F> void onChange(QObject *context, F f) const {
        if (m_sheet) {
            QObject::connect(m_sheet, &NoteDocument::loaded, context, f);
            QObject::connect(m_sheet, &SheetDocument::lineChanged, context, f);
        } else {
            QObject::connect(m_document, &QTextDocument::contentsChanged, context, f);
        }
    }

private:
    QTextDocument *m_document = nullptr;
    SheetDocument *m_sheet = nullptr;
    int m_line = 0;
};

// Cell `cell` (0-based) of a document of any kind.
CellAccess cellOf(NoteDocument *document, int cell) {
    if (auto *month = qobject_cast<MonthNotesDocument *>(document))
        return CellAccess(month->cell(cell));
    if (auto *annual = qobject_cast<AnnualNotesDocument *>(document))
        return CellAccess(annual->month(cell + 1));
    return CellAccess(qobject_cast<SheetDocument *>(document), cell + 1);
}

constexpr int Cell = 4; // a cell every kind has

// One document of a kind over a real database in a temporary folder; the save gate open.
struct Fixture : ContextFixture {
    const NoteKind &kind;
    std::unique_ptr<NoteDocument> document;

    explicit Fixture(const NoteKind &k) : kind(k), document(k.makeDocument(context)) {
        saving.open();
    }

    CellAccess cell() const { return cellOf(document.get(), Cell); }
    void type(const QString &text) const { cell().type(text); }
    QString text() const { return document->cellText(Cell); }
    QString stored(const QDate &date) { return kind.stored(store, date, Cell); }
    // What the other date's period holds once `text` was saved into the first date's.
    QString otherPeriodAfterSaving(const QString &text) const {
        return kind.periodFollowsDate ? QString() : text;
    }

    void breakTable() {
        PageTestSupport::renameTable(file(), kind.table, QString::fromLatin1(kind.table) + "_off");
    }
    void repairTable() {
        PageTestSupport::renameTable(file(), QString::fromLatin1(kind.table) + "_off", kind.table);
    }
};

} // namespace

class TestNoteDocumentRules : public QObject {
    Q_OBJECT
private slots:
    void reloadSavesUnsavedChangesFirst_data() { addNoteKindRows(); }
    void reloadSavesUnsavedChangesFirst();
    void failedSaveStopsTheReload_data() { addNoteKindRows(); }
    void failedSaveStopsTheReload();
    void saveWritesTheLoadedPeriod_data() { addNoteKindRows(); }
    void saveWritesTheLoadedPeriod();
    void saveBeforeFirstLoadIsRefused_data() { addNoteKindRows(); }
    void saveBeforeFirstLoadIsRefused();
    void loadClearsUndo_data() { addNoteKindRows(); }
    void loadClearsUndo();
    void failedLoadKeepsTheCells_data() { addNoteKindRows(); }
    void failedLoadKeepsTheCells();
    void loadingFlagOnlyWhileLoading_data() { addNoteKindRows(); }
    void loadingFlagOnlyWhileLoading();
    void saveIfModifiedWritesOnlyChanges_data() { addNoteKindRows(); }
    void saveIfModifiedWritesOnlyChanges();
    void oneMessagePerFailedSave_data() { addNoteKindRows(); }
    void oneMessagePerFailedSave();
    void closedGateWritesAndReloadsNothing_data() { addNoteKindRows(); }
    void closedGateWritesAndReloadsNothing();
    void onlyASuccessfulLoadGivesAPeriod_data() { addNoteKindRows(); }
    void onlyASuccessfulLoadGivesAPeriod();
    void cellTextIsWhatStands_data() { addNoteKindRows(); }
    void cellTextIsWhatStands();
    void modifiedChangedFollowsTheCells_data() { addNoteKindRows(); }
    void modifiedChangedFollowsTheCells();
    void readOnlyDocument_data() { addNoteKindRows(); }
    void readOnlyDocument();
};

void TestNoteDocumentRules::reloadSavesUnsavedChangesFirst() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.otherDate, Cell, QStringLiteral("other period"));
    QVERIFY(f.document->load(f.kind.date));
    const QString typed = f.text() + QStringLiteral("typed");
    f.type(QStringLiteral("typed"));
    QVERIFY(f.document->isModified());
    QVERIFY(f.document->load(f.kind.otherDate));
    QCOMPARE(f.stored(f.kind.date), typed);
    QCOMPARE(f.text(), f.kind.periodFollowsDate ? QStringLiteral("other period") : typed);
    QCOMPARE(f.document->loadedDate(), f.kind.otherDate);
    QVERIFY(!f.document->isModified());
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestNoteDocumentRules::failedSaveStopsTheReload() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(f.document->load(f.kind.date));
    f.type(QStringLiteral("precious"));
    f.breakTable();
    QVERIFY(!f.document->load(f.kind.otherDate));
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.text(), QStringLiteral("precious"));
    QCOMPARE(f.document->loadedDate(), f.kind.date);
    QVERIFY(f.document->isModified());
    QVERIFY(!f.document->isLoading());

    // Once the database works again the text goes to its own period, then the reload runs.
    f.repairTable();
    QVERIFY(f.document->load(f.kind.otherDate));
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("precious"));
    QCOMPARE(f.document->loadedDate(), f.kind.otherDate);
    QCOMPARE(f.text(), f.otherPeriodAfterSaving(QStringLiteral("precious")));
}

void TestNoteDocumentRules::saveWritesTheLoadedPeriod() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(f.document->load(f.kind.date));
    f.type(QStringLiteral("mine"));
    QVERIFY(f.document->save());
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("mine"));
    QCOMPARE(f.stored(f.kind.otherDate), f.otherPeriodAfterSaving(QStringLiteral("mine")));
    QCOMPARE(f.document->loadedDate(), f.kind.date);
}

void TestNoteDocumentRules::saveBeforeFirstLoadIsRefused() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("stored"));
    f.type(QStringLiteral("blank editor"));
    QVERIFY(!f.document->save());
    QVERIFY(!f.document->saveIfModified());
    QCOMPARE(f.prompts.messages.size(), 2);
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("stored"));
    // A load is not held up by text that has no period to go to.
    QVERIFY(f.document->load(f.kind.date));
    QCOMPARE(f.text(), QStringLiteral("stored"));
}

void TestNoteDocumentRules::loadClearsUndo() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.otherDate, Cell, QStringLiteral("stored"));
    QVERIFY(f.document->load(f.kind.date));
    const QString shown =
        f.kind.periodFollowsDate ? QStringLiteral("stored") : f.text() + "first period";
    f.type(QStringLiteral("first period"));
    QVERIFY(f.document->load(f.kind.otherDate));
    QCOMPARE(f.text(), shown);
    // Undo neither empties the loaded text nor brings back the other period's.
    QVERIFY(!f.cell().isUndoAvailable());
    f.cell().undo();
    QCOMPARE(f.text(), shown);
    QVERIFY(!f.document->isModified());
}

void TestNoteDocumentRules::failedLoadKeepsTheCells() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("shown"));
    QVERIFY(f.document->load(f.kind.date));
    f.breakTable();
    bool reported = false;
    connect(f.document.get(), &NoteDocument::loadFinished, this, [&](bool ok) { reported = !ok; });
    QVERIFY(!f.document->load(f.kind.otherDate));
    QVERIFY(reported);
    QCOMPARE(f.prompts.messages.size(), 1);
    QCOMPARE(f.prompts.shown.at(0).kind, PageMessage::Kind::Error);
    QVERIFY(!f.document->isLoading());
    QCOMPARE(f.text(), QStringLiteral("shown"));
    QCOMPARE(f.document->loadedDate(), f.kind.date);
    QVERIFY(!f.document->isModified());

    // The cells still belong to their own period: a save writes them there.
    f.repairTable();
    f.type(QStringLiteral(" again"));
    QVERIFY(f.document->save());
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("shown again"));
    QCOMPARE(f.stored(f.kind.otherDate), f.otherPeriodAfterSaving(QStringLiteral("shown again")));
}

void TestNoteDocumentRules::loadingFlagOnlyWhileLoading() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("filled"));
    QList<bool> whileFilling;
    QList<bool> whileTellingViews;
    f.cell().onChange(this, [&] { whileFilling << f.document->isLoading(); });
    connect(f.document.get(), &NoteDocument::loaded, this,
            [&] { whileTellingViews << f.document->isLoading(); });
    QVERIFY(!f.document->isLoading());
    QVERIFY(f.document->load(f.kind.date));
    QVERIFY(!whileFilling.isEmpty());
    QVERIFY(!whileFilling.contains(false));
    QCOMPARE(whileTellingViews, QList<bool>{true});
    QVERIFY(!f.document->isLoading());
    f.breakTable();
    QList<bool> whileTellingTheFailure;
    f.prompts.whileShown = [&](const PageMessage &) {
        whileTellingTheFailure << f.document->isLoading();
    };
    QVERIFY(!f.document->load(f.kind.otherDate));
    QCOMPARE(whileTellingTheFailure, QList<bool>{false});
    QCOMPARE(whileTellingViews.size(), 1);
    QVERIFY(!f.document->isLoading());
}

void TestNoteDocumentRules::saveIfModifiedWritesOnlyChanges() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(f.document->load(f.kind.date));
    int saves = 0;
    connect(f.document.get(), &NoteDocument::saveFinished, this, [&] { ++saves; });
    f.breakTable();
    // Nothing changed: nothing is written, so a broken table goes unnoticed.
    QVERIFY(f.document->saveIfModified());
    QCOMPARE(saves, 0);
    QVERIFY(f.prompts.messages.isEmpty());
    f.type(QStringLiteral("x"));
    QVERIFY(!f.document->saveIfModified());
    QCOMPARE(saves, 1);
    QCOMPARE(f.prompts.messages.size(), 1);
    f.repairTable();
    QVERIFY(f.document->saveIfModified());
    QVERIFY(!f.document->isModified());
    QVERIFY(f.document->saveIfModified());
    QCOMPARE(saves, 2);
}

void TestNoteDocumentRules::oneMessagePerFailedSave() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(f.document->load(f.kind.date));
    f.type(QStringLiteral("x"));
    f.breakTable();
    // A message box takes the focus from the cell, whose focus loss asks for a save.
    bool nested = true;
    f.prompts.whileShown = [&](const PageMessage &) { nested = f.document->save(); };
    QVERIFY(!f.document->save());
    QCOMPARE(f.prompts.messages.size(), 1);
    QVERIFY(!nested);
    QVERIFY(!f.document->save());
    QCOMPARE(f.prompts.messages.size(), 2);
    QVERIFY(f.document->lastSaveFailed());
    QVERIFY(!f.document->lastSaveError().isEmpty());
    // Told by the caller itself: no message.
    QVERIFY(!f.document->save(false));
    QCOMPARE(f.prompts.messages.size(), 2);
    f.repairTable();
    QVERIFY(f.document->save());
    QVERIFY(!f.document->lastSaveFailed());
    QCOMPARE(f.document->lastSaveError(), QString());
}

void TestNoteDocumentRules::closedGateWritesAndReloadsNothing() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(f.document->load(f.kind.date));
    f.saving.close();
    f.type(QStringLiteral("while closing"));
    QVERIFY(f.document->save());
    QCOMPARE(f.stored(f.kind.date), QString());
    QVERIFY(!f.document->load(f.kind.otherDate));
    QCOMPARE(f.text(), QStringLiteral("while closing"));
    QCOMPARE(f.document->loadedDate(), f.kind.date);
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestNoteDocumentRules::onlyASuccessfulLoadGivesAPeriod() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(!f.document->isLoaded());
    f.breakTable();
    QVERIFY(!f.document->load(f.kind.date));
    QVERIFY(!f.document->isLoaded());
    QVERIFY(!f.document->loadedDate().isValid());
    f.repairTable();
    QVERIFY(f.document->load(f.kind.date));
    QVERIFY(f.document->isLoaded());
    // A later failed load leaves the period the cells were loaded for.
    f.breakTable();
    QVERIFY(!f.document->load(f.kind.otherDate));
    QVERIFY(f.document->isLoaded());
    QCOMPARE(f.document->loadedDate(), f.kind.date);
}

void TestNoteDocumentRules::cellTextIsWhatStands() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("line one\nline two"));
    QVERIFY(f.document->load(f.kind.date));
    QVERIFY(f.document->cellCount() > Cell);
    QCOMPARE(f.text(), QStringLiteral("line one\nline two"));
    f.type(QStringLiteral("!"));
    QCOMPARE(f.text(), QStringLiteral("line one\nline two!"));
    QCOMPARE(f.document->cellText(Cell + 1), QString());
    QCOMPARE(f.document->cellText(-1), QString());
    QCOMPARE(f.document->cellText(f.document->cellCount()), QString());
}

void TestNoteDocumentRules::modifiedChangedFollowsTheCells() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(f.document->load(f.kind.date));
    QList<bool> told;
    connect(f.document.get(), &NoteDocument::modifiedChanged, this,
            [&](bool modified) { told << modified; });
    f.type(QStringLiteral("a"));
    f.type(QStringLiteral("b"));
    QCOMPARE(told, QList<bool>{true});
    QVERIFY(f.document->save());
    QCOMPARE(told, (QList<bool>{true, false}));
    f.type(QStringLiteral("c"));
    QVERIFY(f.document->load(f.kind.otherDate));
    QCOMPARE(told, (QList<bool>{true, false, true, false}));
}

void TestNoteDocumentRules::readOnlyDocument() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(f.document->load(f.kind.date));
    QList<bool> told;
    connect(f.document.get(), &NoteDocument::readOnlyChanged, this,
            [&](bool readOnly) { told << readOnly; });
    f.document->setReadOnly(true);
    QVERIFY(f.document->isReadOnly());
    f.breakTable();
    QVERIFY(f.document->save()); // nothing unsaved: nothing to write, no message
    // A store that is not open was said to be so when it failed: the load stays quiet.
    f.store.close();
    QVERIFY(!f.document->load(f.kind.otherDate));
    QCOMPARE(f.document->loadedDate(), f.kind.date);
    QVERIFY(f.prompts.messages.isEmpty());
    f.document->setReadOnly(false);
    QCOMPARE(told, (QList<bool>{true, false}));
}

KESTROVA_DOCUMENT_TEST_MAIN(TestNoteDocumentRules)
#include "tst_NoteDocumentRules.moc"
