// The rules every note page keeps, run once against NotePage for each page in the table below.
#include "PageTestSupport.h"
#include "pages/AnnualNotesPage.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/NoteLineEdit.h"
#include "pages/SheetPage.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <functional>
#include <memory>
#include <vector>

namespace {

using PageTestSupport::plainOf;
using PageTestSupport::rtfOf;

// A cell as the tests use it, whether a rich-text document or a one-line edit: type at its end,
// undo, watch its changes.
class CellAccess {
public:
    explicit CellAccess(QTextDocument *document) : m_document(document) {}
    explicit CellAccess(QLineEdit *line) : m_line(line) {}

    // Typing: modifies the cell and leaves an undo step.
    void type(const QString &text) const {
        if (m_line) {
            m_line->end(false);
            m_line->insert(text);
            return;
        }
        QTextCursor c(m_document);
        c.movePosition(QTextCursor::End);
        c.insertText(text);
    }
    bool isUndoAvailable() const {
        return m_line ? m_line->isUndoAvailable() : m_document->isUndoAvailable();
    }
    void undo() const { m_line ? m_line->undo() : m_document->undo(); }
    template <typename F> void onChange(QObject *context, F f) const {
        if (m_line)
            QObject::connect(m_line, &QLineEdit::textChanged, context, f);
        else
            QObject::connect(m_document, &QTextDocument::contentsChanged, context, f);
    }

private:
    QTextDocument *m_document = nullptr;
    QLineEdit *m_line = nullptr;
};

// How the tests reach one kind of page: make it, write into a cell as a user would, and read
// and write the stored text of a cell for a date. Two dates of different periods.
struct PageKind {
    const char *name;
    const char *table; // the table whose loss makes the page's reads and writes fail
    QDate date;
    QDate otherDate;
    std::function<NotePage *(NoteStore &, PageFlags &, LastSelection &)> make;
    std::function<CellAccess(NotePage *, int cell)> cell;
    std::function<QString(NoteStore &, const QDate &, int cell)> stored;
    std::function<void(NoteStore &, const QDate &, int cell, const QString &)> store;
};

const std::vector<PageKind> &pageKinds() {
    static const std::vector<PageKind> kinds = {
        {"desktop month", "TailiNew", QDate(2010, 6, 1), QDate(2010, 7, 1),
         [](NoteStore &s, PageFlags &f, LastSelection &l) { return new DesktopMonthPage(s, f, l); },
         [](NotePage *p, int cell) {
             return CellAccess(static_cast<DesktopMonthPage *>(p)->richEdit(cell + 1)->document());
         },
         [](NoteStore &s, const QDate &d, int cell) {
             return plainOf(s.readMonth(NoteStore::yearMonthKey(d))[cell]);
         },
         [](NoteStore &s, const QDate &d, int cell, const QString &text) {
             MonthCells cells = s.readMonth(NoteStore::yearMonthKey(d));
             cells[cell] = rtfOf(text);
             s.writeMonth(NoteStore::yearMonthKey(d), cells);
         }},
        {"annual notes", "YearJishi", QDate(2010, 6, 1), QDate(2011, 1, 1),
         [](NoteStore &s, PageFlags &f, LastSelection &l) { return new AnnualNotesPage(s, f, l); },
         [](NotePage *p, int cell) {
             return CellAccess(static_cast<AnnualNotesPage *>(p)->box(cell + 1)->document());
         },
         [](NoteStore &s, const QDate &d, int cell) {
             return plainOf(s.readYearNotes(d.year())[cell]);
         },
         [](NoteStore &s, const QDate &d, int cell, const QString &text) {
             YearNotes notes = s.readYearNotes(d.year());
             notes[cell] = rtfOf(text);
             s.writeYearNotes(d.year(), notes);
         }},
        {"general notes", "edtText", QDate(2011, 1, 1), QDate(2011, 11, 1),
         [](NoteStore &s, PageFlags &f, LastSelection &) {
             return new SheetPage(SheetPage::Config::general(), s, f);
         },
         [](NotePage *p, int cell) {
             return CellAccess(static_cast<SheetPage *>(p)->line(cell + 1));
         },
         [](NoteStore &s, const QDate &d, int cell) {
             return s.readSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(d)).texts[cell];
         },
         [](NoteStore &s, const QDate &d, int cell, const QString &text) {
             SheetNotes notes = s.readSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(d));
             notes.texts[cell] = text;
             s.writeSheet(NoteStore::Sheet::General, NoteStore::yearMonthKey(d), notes);
         }},
    };
    return kinds;
}

constexpr int Cell = 4; // a cell every page has

// One page of a kind over a real database in a temporary folder; saving enabled.
struct Fixture {
    const PageKind &kind;
    QTemporaryDir dir;
    NoteStore store;
    PageFlags flags;
    LastSelection lastSelection;
    QDate pickerDate;
    QStringList messages;
    std::unique_ptr<NotePage> page;

    explicit Fixture(const PageKind &k) : kind(k), pickerDate(k.date) {
        store.open(dir.filePath(QStringLiteral("CalendarD.db")),
                   NoteStore::OpenMode::CreateIfMissing);
        page.reset(kind.make(store, flags, lastSelection));
        page->resize(782, 554);
        page->setDateSource([this] { return pickerDate; });
        page->setMessageSink([this](const QString &text) { messages << text; });
        flags.savingEnabled = true;
    }

    CellAccess cell() const { return kind.cell(page.get(), Cell); }
    void type(const QString &text) const { cell().type(text); }
    QString stored(const QDate &date) { return kind.stored(store, date, Cell); }
    void moveTo(const QDate &date) {
        pickerDate = date;
        page->pickerDateChanged();
    }

    void breakTable() {
        PageTestSupport::renameTable(store.databaseFile(), kind.table,
                                     QString::fromLatin1(kind.table) + "_off");
    }
    void repairTable() {
        PageTestSupport::renameTable(store.databaseFile(), QString::fromLatin1(kind.table) + "_off",
                                     kind.table);
    }
};

void addKindRows() {
    QTest::addColumn<int>("kind");
    for (int i = 0; i < int(pageKinds().size()); ++i) QTest::newRow(pageKinds()[i].name) << i;
}

} // namespace

class TestNotePageRules : public QObject {
    Q_OBJECT
private slots:
    void reloadSavesUnsavedChangesFirst_data() { addKindRows(); }
    void reloadSavesUnsavedChangesFirst();
    void failedSaveStopsTheReload_data() { addKindRows(); }
    void failedSaveStopsTheReload();
    void saveWritesTheLoadedPeriod_data() { addKindRows(); }
    void saveWritesTheLoadedPeriod();
    void saveBeforeFirstLoadIsRefused_data() { addKindRows(); }
    void saveBeforeFirstLoadIsRefused();
    void loadClearsUndo_data() { addKindRows(); }
    void loadClearsUndo();
    void failedLoadKeepsTheCells_data() { addKindRows(); }
    void failedLoadKeepsTheCells();
    void loadingFlagOnlyWhileLoading_data() { addKindRows(); }
    void loadingFlagOnlyWhileLoading();
    void saveIfModifiedWritesOnlyChanges_data() { addKindRows(); }
    void saveIfModifiedWritesOnlyChanges();
    void oneMessagePerFailedSave_data() { addKindRows(); }
    void oneMessagePerFailedSave();
    void savingDisabledWritesAndReloadsNothing_data() { addKindRows(); }
    void savingDisabledWritesAndReloadsNothing();
    void onlyLoadedCellsTakeTyping_data() { addKindRows(); }
    void onlyLoadedCellsTakeTyping();
    void cellTextIsWhatStands_data() { addKindRows(); }
    void cellTextIsWhatStands();
};

void TestNotePageRules::reloadSavesUnsavedChangesFirst() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    f.kind.store(f.store, f.kind.otherDate, Cell, QStringLiteral("other period"));
    QVERIFY(f.page->load());
    f.type(QStringLiteral("typed"));
    QVERIFY(f.page->hasUnsavedChanges());
    f.moveTo(f.kind.otherDate);
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("typed"));
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("other period"));
    QCOMPARE(f.page->loadedDate(), f.kind.otherDate);
    QVERIFY(!f.page->hasUnsavedChanges());
    QVERIFY(f.messages.isEmpty());
}

void TestNotePageRules::failedSaveStopsTheReload() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    QVERIFY(f.page->load());
    f.type(QStringLiteral("precious"));
    f.breakTable();
    f.moveTo(f.kind.otherDate);
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("precious"));
    QCOMPARE(f.page->loadedDate(), f.kind.date);
    QVERIFY(f.page->hasUnsavedChanges());
    QVERIFY(!f.flags.loading);

    // Once the database works again the text goes to its own period, then the reload runs.
    f.repairTable();
    f.page->pickerDateChanged();
    QCOMPARE(f.messages.size(), 1);
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("precious"));
    QCOMPARE(f.page->loadedDate(), f.kind.otherDate);
    QCOMPARE(f.page->cellText(Cell), QString());
}

void TestNotePageRules::saveWritesTheLoadedPeriod() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    QVERIFY(f.page->load());
    f.type(QStringLiteral("mine"));
    f.pickerDate = f.kind.otherDate; // the picker moved; its reload has not run yet
    QVERIFY(f.page->save());
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("mine"));
    QCOMPARE(f.stored(f.kind.otherDate), QString());
}

void TestNotePageRules::saveBeforeFirstLoadIsRefused() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("stored"));
    f.type(QStringLiteral("blank editor"));
    QVERIFY(!f.page->save());
    QVERIFY(!f.page->saveIfModified());
    QCOMPARE(f.messages.size(), 2);
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("stored"));
    // A load is not held up by text that has no period to go to.
    QVERIFY(f.page->load());
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("stored"));
}

void TestNotePageRules::loadClearsUndo() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    f.kind.store(f.store, f.kind.otherDate, Cell, QStringLiteral("stored"));
    QVERIFY(f.page->load());
    f.type(QStringLiteral("first period"));
    f.moveTo(f.kind.otherDate);
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("stored"));
    // Undo neither empties the loaded text nor brings back the other period's.
    QVERIFY(!f.cell().isUndoAvailable());
    f.cell().undo();
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("stored"));
    QVERIFY(!f.page->hasUnsavedChanges());
}

void TestNotePageRules::failedLoadKeepsTheCells() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("shown"));
    QVERIFY(f.page->load());
    f.breakTable();
    bool reported = false;
    connect(f.page.get(), &NotePage::loadFinished, this, [&](bool ok) { reported = !ok; });
    f.moveTo(f.kind.otherDate);
    QVERIFY(reported);
    QCOMPARE(f.messages.size(), 1);
    QVERIFY(!f.flags.loading);
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("shown"));
    QCOMPARE(f.page->loadedDate(), f.kind.date);
    QVERIFY(!f.page->hasUnsavedChanges());

    // The cells still belong to their own period: a save writes them there.
    f.repairTable();
    f.type(QStringLiteral(" again"));
    QVERIFY(f.page->save());
    QCOMPARE(f.stored(f.kind.date), QStringLiteral("shown again"));
    QCOMPARE(f.stored(f.kind.otherDate), QString());
}

void TestNotePageRules::loadingFlagOnlyWhileLoading() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("filled"));
    QList<bool> whileFilling;
    f.cell().onChange(this, [&] { whileFilling << f.flags.loading; });
    QVERIFY(!f.flags.loading);
    QVERIFY(f.page->load());
    QVERIFY(!whileFilling.isEmpty());
    QVERIFY(!whileFilling.contains(false));
    QVERIFY(!f.flags.loading);
    f.breakTable();
    f.moveTo(f.kind.otherDate);
    QVERIFY(!f.flags.loading);
}

void TestNotePageRules::saveIfModifiedWritesOnlyChanges() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    QVERIFY(f.page->load());
    int saves = 0;
    connect(f.page.get(), &NotePage::saveFinished, this, [&] { ++saves; });
    f.breakTable();
    // Nothing changed: nothing is written, so a broken table goes unnoticed.
    QVERIFY(f.page->saveIfModified());
    QCOMPARE(saves, 0);
    QVERIFY(f.messages.isEmpty());
    f.type(QStringLiteral("x"));
    QVERIFY(!f.page->saveIfModified());
    QCOMPARE(saves, 1);
    QCOMPARE(f.messages.size(), 1);
    f.repairTable();
    QVERIFY(f.page->saveIfModified());
    QVERIFY(!f.page->hasUnsavedChanges());
    QVERIFY(f.page->saveIfModified());
    QCOMPARE(saves, 2);
}

void TestNotePageRules::oneMessagePerFailedSave() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    QVERIFY(f.page->load());
    f.type(QStringLiteral("x"));
    f.breakTable();
    // A message box takes the focus from the cell, whose focus loss asks for a save.
    bool nested = true;
    f.page->setMessageSink([&](const QString &text) {
        f.messages << text;
        nested = f.page->save();
    });
    QVERIFY(!f.page->save());
    QCOMPARE(f.messages.size(), 1);
    QVERIFY(!nested);
    QVERIFY(!f.page->save());
    QCOMPARE(f.messages.size(), 2);
    QVERIFY(f.page->lastSaveFailed());
}

void TestNotePageRules::savingDisabledWritesAndReloadsNothing() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    QVERIFY(f.page->load());
    f.flags.savingEnabled = false;
    f.type(QStringLiteral("while closing"));
    QVERIFY(f.page->save());
    QCOMPARE(f.stored(f.kind.date), QString());
    f.moveTo(f.kind.otherDate);
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("while closing"));
    QCOMPARE(f.page->loadedDate(), f.kind.date);
    QVERIFY(f.messages.isEmpty());
}

void TestNotePageRules::cellTextIsWhatStands() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("line one\nline two"));
    QVERIFY(f.page->load());
    QVERIFY(f.page->cellCount() > Cell);
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("line one\nline two"));
    f.type(QStringLiteral("!"));
    QCOMPARE(f.page->cellText(Cell), QStringLiteral("line one\nline two!"));
    QCOMPARE(f.page->cellText(Cell + 1), QString());
    QCOMPARE(f.page->cellText(-1), QString());
    QCOMPARE(f.page->cellText(f.page->cellCount()), QString());
}

void TestNotePageRules::onlyLoadedCellsTakeTyping() {
    QFETCH(int, kind);
    Fixture f(pageKinds()[kind]);
    const auto editable = [&f] {
        QWidget *side = f.page->sidePanel();
        return f.page->isEnabled() && (!side || side->isEnabled());
    };
    QVERIFY(!f.page->isEnabled());
    if (QWidget *side = f.page->sidePanel()) QVERIFY(!side->isEnabled());
    f.breakTable();
    QVERIFY(!f.page->load());
    QVERIFY(!editable());
    f.repairTable();
    QVERIFY(f.page->load());
    QVERIFY(editable());
    // A later failed load leaves the loaded cells editable.
    f.breakTable();
    f.moveTo(f.kind.otherDate);
    QVERIFY(editable());
}

QTEST_MAIN(TestNotePageRules)
#include "tst_NotePageRules.moc"
