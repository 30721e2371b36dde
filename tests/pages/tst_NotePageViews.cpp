// What every page keeps of its document's rules on screen, run once against NotePage for each
// kind of notes (NoteKinds.h): the cells take typing only once the document was loaded, show the
// document's cells and put typing into them, and a reload leaves the cells no undo step.
#include "NoteKinds.h"
#include "PageEnvironment.h"
#include "pages/DayRichEdit.h"
#include "pages/NoteLineEdit.h"

#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>

namespace {

// A cell widget of a page, a rich-text box or a one-line edit: type at its end, undo.
class CellWidget {
public:
    explicit CellWidget(QTextEdit *box) : m_box(box) {}
    explicit CellWidget(QLineEdit *line) : m_line(line) {}

    QWidget *widget() const { return m_box ? static_cast<QWidget *>(m_box) : m_line; }
    QString text() const { return m_box ? m_box->toPlainText() : m_line->text(); }
    void type(const QString &text) const {
        if (m_line) {
            m_line->end(false);
            m_line->insert(text);
            return;
        }
        m_box->moveCursor(QTextCursor::End);
        m_box->insertPlainText(text);
    }
    bool isReadOnly() const { return m_box ? m_box->isReadOnly() : m_line->isReadOnly(); }
    bool isUndoAvailable() const {
        return m_box ? m_box->document()->isUndoAvailable() : m_line->isUndoAvailable();
    }
    void undo() const { m_box ? m_box->undo() : m_line->undo(); }
    template <typename F> void onChange(QObject *context, F f) const {
        if (m_line)
            QObject::connect(m_line, &QLineEdit::textChanged, context, f);
        else
            QObject::connect(m_box, &QTextEdit::textChanged, context, f);
    }

private:
    QTextEdit *m_box = nullptr;
    QLineEdit *m_line = nullptr;
};

// Cell `cell` (0-based) of a page of any kind.
CellWidget cellOf(NotePage *page, int cell) {
    if (auto *month = qobject_cast<DesktopMonthPage *>(page))
        return CellWidget(month->dayEditor(cell + 1));
    if (auto *annual = qobject_cast<AnnualNotesPage *>(page))
        return CellWidget(annual->box(cell + 1));
    return CellWidget(qobject_cast<SheetPage *>(page)->line(cell + 1));
}

constexpr int Cell = 4; // a cell every page has

// One page of a kind over a real database in a temporary folder; the save gate open.
struct Fixture : PageEnvironment {
    const NoteKind &kind;
    std::unique_ptr<NotePage> page;

    explicit Fixture(const NoteKind &k) : kind(k), page(k.makePage(context)) {
        pickerDate = kind.date;
        page->resize(782, 554);
        attach(*page);
        saving.open();
    }

    CellWidget cell() const { return cellOf(page.get(), Cell); }
    // A load for the picker's new date (the calendar notes load only when opened).
    void moveTo(const QDate &date) {
        pickerDate = date;
        page->load();
    }
    bool editable() const {
        QWidget *side = page->sidePanel();
        return page->isEnabled() && (!side || side->isEnabled());
    }
    void breakTable() {
        PageTestSupport::renameTable(file(), kind.table, QString::fromLatin1(kind.table) + "_off");
    }
    void repairTable() {
        PageTestSupport::renameTable(file(), QString::fromLatin1(kind.table) + "_off", kind.table);
    }
};

} // namespace

class TestNotePageViews : public QObject {
    Q_OBJECT
private slots:
    void onlyLoadedCellsTakeTyping_data() { addNoteKindRows(); }
    void onlyLoadedCellsTakeTyping();
    void cellsAreFilledWhileLoading_data() { addNoteKindRows(); }
    void cellsAreFilledWhileLoading();
    void cellsShowAndEditTheDocument_data() { addNoteKindRows(); }
    void cellsShowAndEditTheDocument();
    void reloadLeavesNoUndoStep_data() { addNoteKindRows(); }
    void reloadLeavesNoUndoStep();
    void readOnlyCellsTakeNoTyping_data() { addNoteKindRows(); }
    void readOnlyCellsTakeNoTyping();
};

void TestNotePageViews::onlyLoadedCellsTakeTyping() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(!f.page->isEnabled());
    if (QWidget *side = f.page->sidePanel()) QVERIFY(!side->isEnabled());
    f.breakTable();
    QVERIFY(!f.page->load());
    QVERIFY(!f.editable());
    f.repairTable();
    QVERIFY(f.page->load());
    QVERIFY(f.editable());
    // A later failed load leaves the loaded cells editable.
    f.breakTable();
    f.moveTo(f.kind.otherDate);
    QVERIFY(f.editable());
}

void TestNotePageViews::cellsAreFilledWhileLoading() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("filled"));
    QList<bool> whileFilling;
    f.cell().onChange(this, [&] { whileFilling << f.page->document()->isLoading(); });
    QVERIFY(f.page->load());
    QVERIFY(!whileFilling.isEmpty());
    QVERIFY(!whileFilling.contains(false));
    QVERIFY(!f.page->document()->isLoading());
}

void TestNotePageViews::cellsShowAndEditTheDocument() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.date, Cell, QStringLiteral("line one\nline two"));
    QVERIFY(f.page->load());
    QCOMPARE(f.cell().text(), QStringLiteral("line one\nline two"));
    QCOMPARE(f.page->document()->cellText(Cell), QStringLiteral("line one\nline two"));
    QVERIFY(!f.page->document()->isModified());
    f.cell().type(QStringLiteral("!"));
    QCOMPARE(f.page->document()->cellText(Cell), QStringLiteral("line one\nline two!"));
    QVERIFY(f.page->document()->isModified());
    QVERIFY(f.page->document()->save());
    QCOMPARE(f.kind.stored(f.store, f.kind.date, Cell), QStringLiteral("line one\nline two!"));
    QVERIFY(f.prompts.messages.isEmpty());
}

void TestNotePageViews::reloadLeavesNoUndoStep() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    f.kind.store(f.store, f.kind.otherDate, Cell, QStringLiteral("stored"));
    QVERIFY(f.page->load());
    const QString shown =
        f.kind.periodFollowsDate ? QStringLiteral("stored") : f.cell().text() + "first period";
    f.cell().type(QStringLiteral("first period"));
    f.moveTo(f.kind.otherDate);
    QCOMPARE(f.cell().text(), shown);
    // Undo neither empties the loaded text nor brings back the other period's.
    QVERIFY(!f.cell().isUndoAvailable());
    f.cell().undo();
    QCOMPARE(f.cell().text(), shown);
    QVERIFY(!f.page->document()->isModified());
}

void TestNotePageViews::readOnlyCellsTakeNoTyping() {
    QFETCH(int, kind);
    Fixture f(noteKinds()[kind]);
    QVERIFY(f.page->load());
    QVERIFY(!f.cell().isReadOnly());
    f.page->document()->setReadOnly(true);
    QVERIFY(f.page->document()->isReadOnly());
    QVERIFY(f.cell().isReadOnly());
    // A reload keeps them so.
    f.moveTo(f.kind.otherDate);
    QVERIFY(f.cell().isReadOnly());
    f.page->document()->setReadOnly(false);
    QVERIFY(!f.cell().isReadOnly());
}

QTEST_MAIN(TestNotePageViews)
#include "tst_NotePageViews.moc"
