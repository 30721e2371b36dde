#include "pages/DesktopMonthPage.h"

#include "pages/CellCommands.h"
#include "pages/CellMenu.h"
#include "pages/DayRichEdit.h"
#include "pages/MonthGridView.h"
#include "pages/MonthPageLayout.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>

namespace {
const QColor PageColor(192, 220, 192);
const QColor DayPlanPanelColor(234, 242, 250);
const QColor FirstColumnColor(247, 247, 247);

void setBackground(QWidget *widget, const QColor &color, QPalette::ColorRole role) {
    QPalette pal = widget->palette();
    pal.setColor(role, color);
    widget->setPalette(pal);
}

QFont songTi() {
    return QFont(QStringLiteral("宋体"));
}

// Keeps memday anchored on all sides of the day plan panel.
class AnchorFilter : public QObject {
public:
    AnchorFilter(QWidget *child, QObject *parent) : QObject(parent), m_child(child) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::Resize) {
            const QSize size = static_cast<QWidget *>(watched)->size();
            m_child->setGeometry(8, 40, std::max(0, size.width() - 15),
                                 std::max(0, size.height() - 44));
        }
        return false;
    }

private:
    QWidget *m_child;
};
} // namespace

DesktopMonthPage::DesktopMonthPage(NoteStore &store, PageFlags &flags, LastSelection &lastSelection,
                                   QWidget *parent)
    : NotePage(store, flags, parent), m_lastSelection(lastSelection), m_grid(QDate::currentDate()) {
    setObjectName(QStringLiteral("pnlTaiLi"));
    setAutoFillBackground(true);
    setBackground(this, PageColor, QPalette::Window);

    m_gridView = new MonthGridView(m_grid, this);
    m_gridView->setObjectName(QStringLiteral("JvTFMonths1"));
    connect(m_gridView, &MonthGridView::cellPressed, this,
            &DesktopMonthPage::JvTFMonths1CellPressed);
    connect(m_gridView, &MonthGridView::clicked, this, &DesktopMonthPage::JvTFMonths1Click);

    m_cellMenu = new CellMenu(
        QStringLiteral("pmDeskTopMonCal"), {"N1", "N2", "CtrlZ1", "N9", "N3", "V1", "X1"},
        [this] { return focusedCell(); }, this);

    QFont cellFont = songTi();
    cellFont.setPointSize(9);
    for (int i = 1; i <= EditorCount; ++i) {
        auto *edit = new DayRichEdit(this);
        edit->setObjectName(QStringLiteral("RichEdit%1").arg(i));
        edit->setTabNumber(i);
        edit->setMaxLength(MaxCellLength);
        edit->setFrameShape(QFrame::NoFrame);
        edit->setTabChangesFocus(true);
        edit->setFont(cellFont);
        edit->document()->setDefaultFont(cellFont);
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const bool firstColumn = (i - 1) % 7 == 0;
        setBackground(edit, firstColumn ? FirstColumnColor : QColor(Qt::white), QPalette::Base);
        edit->hide();
        connect(edit, &DayRichEdit::focusLost, this, &DesktopMonthPage::RichEdit1Exit);
        connect(edit, &DayRichEdit::mouseReleased, this,
                [this, edit](Qt::MouseButton button) { RichEdit1MouseUp(edit, button); });
        edit->setCellMenu(m_cellMenu);
        followSelection(edit, false);
        m_edits[i - 1] = edit;
        if (i > 1) setTabOrder(m_edits[i - 2], edit);
    }

    // The day plan panel lives in the main window's side panel; the page only makes it.
    m_dayPlanPanel = new QWidget;
    m_dayPlanPanel->setObjectName(QStringLiteral("pnlRijishi"));
    m_dayPlanPanel->setAutoFillBackground(true);
    setBackground(m_dayPlanPanel, DayPlanPanelColor, QPalette::Window);
    m_dayPlanPanel->resize(200, 335);
    m_dayPlanPanel->setEnabled(false); // until the first load, as the page itself
    m_dayPlanLabel = new QLabel(QStringLiteral("日安排"), m_dayPlanPanel);
    m_dayPlanLabel->setObjectName(QStringLiteral("Label1"));
    m_dayPlanLabel->move(8, 14);
    auto *memday = new DayRichEdit(m_dayPlanPanel);
    memday->setObjectName(QStringLiteral("memday"));
    memday->setTabNumber(0);
    memday->setFrameShape(QFrame::NoFrame);
    memday->setTabChangesFocus(true);
    QFont planFont = songTi();
    planFont.setPixelSize(12);
    memday->setFont(planFont);
    memday->document()->setDefaultFont(planFont);
    memday->setGeometry(8, 40, 185, 291);
    m_dayPlanPanel->installEventFilter(new AnchorFilter(memday, m_dayPlanPanel));
    connect(memday, &DayRichEdit::focusLost, this, &DesktopMonthPage::RichEdit1Exit);
    connect(memday, &DayRichEdit::mouseReleased, this, &DesktopMonthPage::memdayMouseUp);
    memday->setCellMenu(m_cellMenu);
    followSelection(memday, true);
    m_memday = memday;

    m_showTimer = new QTimer(this);
    m_showTimer->setObjectName(QStringLiteral("Timer1"));
    m_showTimer->setInterval(ShowTimerInterval);
    connect(m_showTimer, &QTimer::timeout, this, &DesktopMonthPage::Timer1Timer);
    armShowTimer();
}

DesktopMonthPage::~DesktopMonthPage() {
    // Editors losing the focus while the widgets are torn down must not reach this page.
    for (DayRichEdit *e : m_edits) e->disconnect(this);
    if (m_memday) m_memday->disconnect(this);
    if (m_dayPlanPanel && !m_dayPlanPanel->parent()) delete m_dayPlanPanel.data();
}

SideControls DesktopMonthPage::sideControls() const {
    return {true, true, true};
}

QWidget *DesktopMonthPage::sidePanel() const {
    return m_dayPlanPanel;
}

QString DesktopMonthPage::cellText(int index) const {
    return (index >= 0 && index < EditorCount) ? m_edits[index]->toPlainText() : QString();
}

std::optional<ExportDocument> DesktopMonthPage::exportDocument() const {
    return ExportDocument::monthNotes(m_grid.displayDate(),
                                      cellTexts<ExportDocument::MonthCellCount>());
}

DayRichEdit *DesktopMonthPage::richEdit(int i) const {
    return (i >= 1 && i <= EditorCount) ? m_edits[i - 1] : nullptr;
}

void DesktopMonthPage::LayoutMonthPage() {
    const QRect g = m_gridView->geometry();
    const MonthPageLayout layout(g.width(), g.height(), g.left(), g.top());
    for (int i = 1; i <= EditorCount; ++i) {
        const QRect r = layout.editorRect(i);
        m_edits[i - 1]->setGeometry(r.x(), r.y(), std::max(0, r.width()), std::max(0, r.height()));
    }
}

void DesktopMonthPage::readCells(const QDate &date) {
    const QDate previous = m_grid.displayDate();
    m_grid.setDisplayDate(date);
    const QDate day = m_grid.selectedDay();
    MonthPage record;
    try {
        record = store().readMonthPage(NoteStore::yearMonthKey(date), NoteStore::dayKey(day));
    } catch (...) {
        // The editors still hold the month shown before: keep the grid on it as well.
        m_grid.setDisplayDate(previous);
        m_gridView->update();
        throw;
    }
    for (int i = 0; i < EditorCount; ++i)
        m_tooLarge[i] = !richtext::loadIfFits(*m_edits[i]->document(), record.cells[i]);
    setDayPlan(day, record.dayPlan);
    applyReadOnly(isReadOnly());
    m_gridView->update();
    // The recorded selection was made in the text that is gone.
    m_lastSelection.clear();
}

void DesktopMonthPage::writeCells(const QDate &date) {
    MonthPage record;
    for (int i = 0; i < EditorCount; ++i) {
        record.keep[i] = m_tooLarge[i];
        if (!m_tooLarge[i]) record.cells[i] = richtext::toRtf(*m_edits[i]->document());
    }
    record.keepDayPlan = m_dayPlanTooLarge;
    if (!m_dayPlanTooLarge) record.dayPlan = richtext::toRtf(*m_memday->document());
    store().writeMonthPage(NoteStore::yearMonthKey(date), record, NoteStore::dayKey(m_dayPlanDate));
}

void DesktopMonthPage::setUnmodified(bool clearUndo) {
    for (DayRichEdit *e : m_edits) {
        // Undo must not bring back the text of the month shown before.
        if (clearUndo) e->document()->clearUndoRedoStacks();
        e->document()->setModified(false);
    }
    if (clearUndo) m_memday->document()->clearUndoRedoStacks();
    m_memday->document()->setModified(false);
}

PageMessage DesktopMonthPage::saveFailureMessage(const QString &) const {
    return {PageMessage::Kind::Information, saveFailedMessage(), QString()};
}

void DesktopMonthPage::applyReadOnly(bool readOnly) {
    for (int i = 0; i < EditorCount; ++i) m_edits[i]->setReadOnly(readOnly || m_tooLarge[i]);
    m_memday->setReadOnly(readOnly || m_dayPlanTooLarge);
}

bool DesktopMonthPage::isTooLarge(int i) const {
    if (i == 0) return m_dayPlanTooLarge;
    return i >= 1 && i <= EditorCount && m_tooLarge[i - 1];
}

QList<UnsavedCell> DesktopMonthPage::unsavedCells() const {
    QList<UnsavedCell> cells;
    for (int i = 0; i < EditorCount; ++i) {
        const QTextDocument *doc = m_edits[i]->document();
        if (!doc->isModified() || m_tooLarge[i]) continue;
        cells.append({QStringLiteral("桌面月历"), m_grid.cellDate(i),
                      QStringLiteral("第 %1 格").arg(i + 1), doc->toPlainText(),
                      richtext::toRtf(*doc)});
    }
    const QTextDocument *plan = m_memday->document();
    if (plan->isModified() && !m_dayPlanTooLarge)
        cells.append({QStringLiteral("日安排"), m_dayPlanDate, QString(), plan->toPlainText(),
                      richtext::toRtf(*plan)});
    return cells;
}

void DesktopMonthPage::SelectFocusedDay() {
    // Also while the window is not the active one yet (a click without a window manager).
    const auto found = std::find_if(m_edits.begin(), m_edits.end(), [](const DayRichEdit *e) {
        return CellCommands::isFocused(e);
    });
    if (found == m_edits.end()) return;
    if (dayPlanPinned()) return;
    const LoadingScope loading(flags());
    m_grid.selectAlone((*found)->tabNumber() - 1);
    m_gridView->update();
    ShowDayPlan();
}

void DesktopMonthPage::ShowDayPlan() {
    if (dayPlanPinned()) return;
    if (isReadOnly() && !store().isOpen()) return; // said when it failed to open
    const QDate day = m_grid.selectedDay();
    try {
        setDayPlan(day, store().readDayPlan(NoteStore::dayKey(day)));
    } catch (const StoreError &e) {
        showError(e.message());
    }
}

void DesktopMonthPage::prepareOpen() {
    LayoutMonthPage();
    selectDateAlone(QDate::currentDate());
    m_lastSelection.clear();
}

void DesktopMonthPage::firstShow() {
    m_grid.addToSelection(QDate::currentDate());
    load();
}

void DesktopMonthPage::windowMinimised() {
    hideEditors();
}

void DesktopMonthPage::windowRestored() {
    armShowTimer();
}

void DesktopMonthPage::selectDateAlone(const QDate &date) {
    const int cell = m_grid.cellOf(date);
    if (cell >= 0) {
        m_grid.selectAlone(cell);
    } else {
        m_grid.clearSelection();
        m_grid.addToSelection(date);
    }
    m_gridView->update();
}

void DesktopMonthPage::hideEditors() {
    for (DayRichEdit *e : m_edits) e->hide();
    m_editorsVisible = false;
}

void DesktopMonthPage::armShowTimer() {
    m_showTimer->start();
}

bool DesktopMonthPage::hasUnsavedChanges() const {
    if (m_memday->document()->isModified()) return true;
    return std::any_of(m_edits.begin(), m_edits.end(),
                       [](const DayRichEdit *e) { return e->document()->isModified(); });
}

void DesktopMonthPage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_gridView->setGeometry(rect());
    // pnlTaiLiResize: new places, editors out of sight until the show timer reloads them.
    LayoutMonthPage();
    hideEditors();
    armShowTimer();
}

void DesktopMonthPage::RichEdit1Exit() {
    SaveMonthPage();
}

void DesktopMonthPage::RichEdit1MouseUp(DayRichEdit *editor, Qt::MouseButton button) {
    if (button == Qt::LeftButton || button == Qt::RightButton) recordSelection(editor, false);
    SelectFocusedDay();
}

void DesktopMonthPage::memdayMouseUp(Qt::MouseButton button) {
    if (button == Qt::LeftButton || button == Qt::RightButton)
        recordSelection(m_memday.data(), true);
}

void DesktopMonthPage::recordSelection(const DayRichEdit *editor, bool isMemday) {
    m_lastSelection.record(editor->textCursor(), editor->tabNumber(), isMemday);
}

void DesktopMonthPage::followSelection(DayRichEdit *editor, bool isMemday) {
    const auto follow = [this, editor, isMemday] {
        if (CellCommands::isFocused(editor)) recordSelection(editor, isMemday);
    };
    connect(editor, &QTextEdit::cursorPositionChanged, this, follow);
    connect(editor, &QTextEdit::selectionChanged, this, follow);
}

QWidget *DesktopMonthPage::focusedCell() const {
    if (CellCommands::isFocused(m_memday)) return m_memday.data();
    for (DayRichEdit *e : m_edits)
        if (CellCommands::isFocused(e)) return e;
    return nullptr;
}

FontTarget DesktopMonthPage::fontTarget() const {
    if (m_lastSelection.isMemday) return {m_memday.data(), false};
    DayRichEdit *box = richEdit(m_lastSelection.tabOrder);
    return {box, box != nullptr};
}

void DesktopMonthPage::JvTFMonths1CellPressed(int cell, Qt::KeyboardModifiers modifiers) {
    if (dayPlanPinned()) return;
    m_grid.press(cell, modifiers & Qt::ControlModifier, modifiers & Qt::ShiftModifier);
    m_gridView->update();
}

void DesktopMonthPage::JvTFMonths1Click() {
    ShowDayPlan();
}

void DesktopMonthPage::Timer1Timer() {
    if (!isActive()) return;
    m_showTimer->stop();
    for (DayRichEdit *e : m_edits) e->show();
    m_editorsVisible = true;
    load();
}

void DesktopMonthPage::setDayPlan(const QDate &day, const QByteArray &rtf) {
    m_dayPlanDate = day;
    if (m_lastSelection.isMemday) m_lastSelection.clear();
    m_memday->clear();
    m_dayPlanTooLarge = !rtf.isEmpty() && !richtext::loadIfFits(*m_memday->document(), rtf);
    m_memday->setReadOnly(isReadOnly() || m_dayPlanTooLarge);
    if (m_memday->document()->isEmpty()) m_memday->setTextColor(Qt::black);
    m_memday->document()->clearUndoRedoStacks();
    m_memday->document()->setModified(false);
}

bool DesktopMonthPage::dayPlanPinned() const {
    return lastSaveFailed() && m_memday->document()->isModified();
}
