#include "pages/DesktopMonthPage.h"

#include "pages/CellCommands.h"
#include "pages/CellMenu.h"
#include "pages/DayRichEdit.h"
#include "pages/LastSelection.h"
#include "pages/MonthGridView.h"
#include "pages/MonthPageLayout.h"
#include "pages/PageContext.h"

#include <QAbstractTextDocumentLayout>
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

// Shows `doc` in `editor` set up as QTextEdit sets up a document of its own: laid out on the
// editor's viewport, and not before the editor is shown (a null page size), so the loads while
// the editors are hidden cost no layout.
void showDocument(QTextEdit *editor, QTextDocument *doc) {
    editor->setDocument(doc);
    doc->documentLayout()->setPaintDevice(editor->viewport());
    doc->setPageSize(QSizeF(0, 0));
}

QFont songTi() {
    return QFont(QStringLiteral("宋体"));
}

// Keeps the day plan editor anchored on all sides of the day plan panel.
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

DesktopMonthPage::DesktopMonthPage(PageContext &context, QWidget *parent)
    : NotePage(std::make_unique<MonthNotesDocument>(context), parent) {
    MonthNotesDocument *notes = document();
    setObjectName(QStringLiteral("pnlTaiLi"));
    setAutoFillBackground(true);
    setBackground(this, PageColor, QPalette::Window);

    m_gridView = new MonthGridView(notes->grid(), this);
    m_gridView->setObjectName(QStringLiteral("JvTFMonths1"));
    connect(m_gridView, &MonthGridView::cellPressed, this, &DesktopMonthPage::onGridCellPressed);
    connect(m_gridView, &MonthGridView::clicked, this, &DesktopMonthPage::showDayPlan);

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
        showDocument(edit, notes->cell(i - 1));
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        const bool firstColumn = (i - 1) % 7 == 0;
        setBackground(edit, firstColumn ? FirstColumnColor : QColor(Qt::white), QPalette::Base);
        edit->hide();
        connect(edit, &DayRichEdit::focusLost, this, &DesktopMonthPage::onEditorLeft);
        connect(edit, &DayRichEdit::mouseReleased, this,
                [this, edit](Qt::MouseButton button) { onDayEditorReleased(edit, button); });
        connect(edit, &DayRichEdit::focusGained, this,
                [this, edit](Qt::FocusReason reason) { onDayEditorEntered(edit, reason); });
        edit->setCellMenu(m_cellMenu);
        followSelection(edit, false);
        m_dayEditors[i - 1] = edit;
        if (i > 1) setTabOrder(m_dayEditors[i - 2], edit);
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
    auto *planEditor = new DayRichEdit(m_dayPlanPanel);
    planEditor->setObjectName(QStringLiteral("memday"));
    planEditor->setTabNumber(0);
    planEditor->setFrameShape(QFrame::NoFrame);
    planEditor->setTabChangesFocus(true);
    QFont planFont = songTi();
    planFont.setPixelSize(12);
    planEditor->setFont(planFont);
    showDocument(planEditor, notes->dayPlan());
    // The day plan panel may go before the page: the plan no longer lays out on its editor then.
    connect(planEditor, &QObject::destroyed, notes,
            [plan = notes->dayPlan()] { plan->documentLayout()->setPaintDevice(nullptr); });
    planEditor->setGeometry(8, 40, 185, 291);
    m_dayPlanPanel->installEventFilter(new AnchorFilter(planEditor, m_dayPlanPanel));
    connect(planEditor, &DayRichEdit::focusLost, this, &DesktopMonthPage::onEditorLeft);
    connect(planEditor, &DayRichEdit::mouseReleased, this, &DesktopMonthPage::onDayPlanReleased);
    planEditor->setCellMenu(m_cellMenu);
    followSelection(planEditor, true);
    m_dayPlanEditor = planEditor;

    connect(notes, &MonthNotesDocument::gridChanged, m_gridView, qOverload<>(&QWidget::update));
    connect(notes, &MonthNotesDocument::dayPlanAboutToBeReplaced, this,
            &DesktopMonthPage::dayPlanAboutToBeReplaced);
    connect(notes, &MonthNotesDocument::dayPlanReplaced, this, &DesktopMonthPage::dayPlanReplaced);

    // Cells read while the editors are out of sight need no second read when they come back.
    connect(notes, &NoteDocument::loaded, this, [this] {
        if (!m_editorsVisible) m_readWhileHidden = true;
    });

    m_showTimer = new QTimer(this);
    m_showTimer->setObjectName(QStringLiteral("Timer1"));
    m_showTimer->setInterval(ShowTimerInterval);
    connect(m_showTimer, &QTimer::timeout, this, &DesktopMonthPage::showEditorsAgain);
    armShowTimer();
}

DesktopMonthPage::~DesktopMonthPage() {
    // Editors losing the focus while the widgets are torn down must not reach this page.
    for (DayRichEdit *e : m_dayEditors) e->disconnect(this);
    if (m_dayPlanEditor) m_dayPlanEditor->disconnect(this);
    if (m_dayPlanPanel && !m_dayPlanPanel->parent()) {
        delete m_dayPlanPanel.data();
    } else if (m_dayPlanEditor) {
        // The panel outlives the page and its document: its editor keeps a copy of what it shows.
        m_dayPlanEditor->setDocument(m_dayPlanEditor->document()->clone(m_dayPlanEditor));
    }
}

SideControls DesktopMonthPage::sideControls() const {
    return {true, true, true};
}

QWidget *DesktopMonthPage::sidePanel() const {
    return m_dayPlanPanel;
}

DayRichEdit *DesktopMonthPage::dayEditor(int i) const {
    return (i >= 1 && i <= EditorCount) ? m_dayEditors[i - 1] : nullptr;
}

void DesktopMonthPage::setHolidays(std::shared_ptr<const HolidayTable> holidays) {
    m_gridView->setHolidays(std::move(holidays));
}

void DesktopMonthPage::layoutPage() {
    const QRect g = m_gridView->geometry();
    const MonthPageLayout layout(g.width(), g.height(), g.left(), g.top());
    for (int i = 1; i <= EditorCount; ++i) {
        const QRect r = layout.editorRect(i);
        m_dayEditors[i - 1]->setGeometry(r.x(), r.y(), std::max(0, r.width()),
                                         std::max(0, r.height()));
    }
}

void DesktopMonthPage::applyReadOnly(bool readOnly) {
    for (int i = 0; i < EditorCount; ++i)
        m_dayEditors[i]->setReadOnly(readOnly || document()->isTooLarge(i + 1));
    if (m_dayPlanEditor) m_dayPlanEditor->setReadOnly(readOnly || document()->isTooLarge(0));
}

void DesktopMonthPage::selectFocusedDay() {
    // Also while the window is not the active one yet (a click without a window manager).
    const auto found =
        std::find_if(m_dayEditors.begin(), m_dayEditors.end(),
                     [](const DayRichEdit *e) { return CellCommands::isFocused(e); });
    if (found == m_dayEditors.end()) return;
    document()->selectCellAlone((*found)->tabNumber() - 1);
}

void DesktopMonthPage::prepareOpen() {
    layoutPage();
    selectDateAlone(QDate::currentDate());
    context().lastSelection.clear();
}

void DesktopMonthPage::firstShow() {
    open();
}

void DesktopMonthPage::windowMinimised() {
    hideEditors();
}

void DesktopMonthPage::windowRestored() {
    armShowTimer();
}

void DesktopMonthPage::hideEditors() {
    m_hidingEditors = true;
    for (DayRichEdit *e : m_dayEditors) e->hide();
    m_hidingEditors = false;
    m_editorsVisible = false;
}

void DesktopMonthPage::armShowTimer() {
    m_showTimer->start();
}

void DesktopMonthPage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_gridView->setGeometry(rect());
    // New places, and the editors out of sight until the show timer reloads them.
    layoutPage();
    hideEditors();
    armShowTimer();
}

void DesktopMonthPage::onEditorLeft() {
    document()->save();
}

void DesktopMonthPage::onDayEditorReleased(DayRichEdit *editor, Qt::MouseButton button) {
    if (button == Qt::LeftButton || button == Qt::RightButton) recordSelection(editor, false);
    selectFocusedDay();
}

void DesktopMonthPage::onDayEditorEntered(DayRichEdit *editor, Qt::FocusReason reason) {
    // A click selects on its release.
    if (reason == Qt::MouseFocusReason || m_hidingEditors) return;
    onDayEditorReleased(editor, Qt::LeftButton);
}

void DesktopMonthPage::onDayPlanReleased(Qt::MouseButton button) {
    if (button == Qt::LeftButton || button == Qt::RightButton)
        recordSelection(m_dayPlanEditor.data(), true);
}

void DesktopMonthPage::recordSelection(const DayRichEdit *editor, bool isDayPlan) {
    context().lastSelection.record(editor->textCursor(), editor->tabNumber(), isDayPlan);
}

void DesktopMonthPage::followSelection(DayRichEdit *editor, bool isDayPlan) {
    const auto follow = [this, editor, isDayPlan] {
        if (CellCommands::isFocused(editor)) recordSelection(editor, isDayPlan);
    };
    connect(editor, &QTextEdit::cursorPositionChanged, this, follow);
    connect(editor, &QTextEdit::selectionChanged, this, follow);
}

QWidget *DesktopMonthPage::focusedCell() const {
    if (CellCommands::isFocused(m_dayPlanEditor)) return m_dayPlanEditor.data();
    for (DayRichEdit *e : m_dayEditors)
        if (CellCommands::isFocused(e)) return e;
    return nullptr;
}

FontTarget DesktopMonthPage::fontTarget() const {
    const LastSelection &selection = context().lastSelection;
    if (selection.isDayPlan) return {m_dayPlanEditor.data(), false};
    DayRichEdit *box = dayEditor(selection.tabOrder);
    return {box, box != nullptr};
}

void DesktopMonthPage::onGridCellPressed(int cell, Qt::KeyboardModifiers modifiers) {
    document()->pressCell(cell, modifiers & Qt::ControlModifier, modifiers & Qt::ShiftModifier);
}

void DesktopMonthPage::showEditorsAgain() {
    if (!isActive()) return;
    m_showTimer->stop();
    for (DayRichEdit *e : m_dayEditors) e->show();
    m_editorsVisible = true;
    // What was read while they were hidden is what the store holds (nothing was typed into it):
    // they show it as it is, laid out once.
    const bool current = m_readWhileHidden && !document()->isModified();
    m_readWhileHidden = false;
    if (!current) load();
}

void DesktopMonthPage::dayPlanAboutToBeReplaced() {
    if (m_dayPlanEditor) m_dayPlanTyping = m_dayPlanEditor->currentCharFormat();
}

void DesktopMonthPage::dayPlanReplaced(bool fromStore) {
    if (!m_dayPlanEditor) return;
    // An emptied editor keeps typing in the format its caret had; a plan read from the store
    // starts from its own text.
    if (!fromStore) m_dayPlanEditor->setCurrentCharFormat(m_dayPlanTyping);
    m_dayPlanEditor->setReadOnly(document()->isReadOnly() || document()->isTooLarge(0));
    if (m_dayPlanEditor->document()->isEmpty()) m_dayPlanEditor->setTextColor(Qt::black);
    if (CellCommands::isFocused(m_dayPlanEditor)) recordSelection(m_dayPlanEditor.data(), true);
}
