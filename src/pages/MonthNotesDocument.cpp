#include "pages/MonthNotesDocument.h"

#include "pages/LastSelection.h"
#include "pages/PageContext.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"
#include "store/StoreError.h"

#include <QFont>
#include <QTextDocument>

#include <algorithm>

namespace {
std::unique_ptr<QTextDocument> noteDocument(const QFont &font) {
    auto doc = std::make_unique<QTextDocument>();
    doc->setDefaultFont(font);
    return doc;
}
} // namespace

MonthNotesDocument::MonthNotesDocument(PageContext &context, QObject *parent)
    : NoteDocument(context, parent), m_grid(QDate::currentDate()) {
    QFont cellFont(QStringLiteral("宋体"));
    cellFont.setPointSize(9);
    for (auto &cell : m_cells) cell = noteDocument(cellFont);
    QFont planFont(QStringLiteral("宋体"));
    planFont.setPixelSize(12);
    m_dayPlan = noteDocument(planFont);
    for (auto &cell : m_cells)
        connect(cell.get(), &QTextDocument::modificationChanged, this,
                &MonthNotesDocument::notifyModified);
    connect(m_dayPlan.get(), &QTextDocument::modificationChanged, this,
            &MonthNotesDocument::notifyModified);
}

MonthNotesDocument::~MonthNotesDocument() = default;

QString MonthNotesDocument::cellText(int index) const {
    return (index >= 0 && index < CellCount) ? cell(index)->toPlainText() : QString();
}

bool MonthNotesDocument::isTooLarge(int i) const {
    if (i == 0) return m_dayPlanTooLarge;
    return i >= 1 && i <= CellCount && m_tooLarge[i - 1];
}

bool MonthNotesDocument::isModified() const {
    if (m_dayPlan->isModified()) return true;
    return std::any_of(m_cells.begin(), m_cells.end(),
                       [](const auto &cell) { return cell->isModified(); });
}

bool MonthNotesDocument::isDayPlanPinned() const {
    return lastSaveFailed() && m_dayPlan->isModified();
}

void MonthNotesDocument::readCells(const QDate &date) {
    // The grid keeps the month the cells hold until the new record is read.
    MonthGridModel next = m_grid;
    next.setDisplayDate(date);
    const QDate day = next.selectedDay();
    const MonthPage record =
        context().store.readMonthPage(NoteStore::yearMonthKey(date), NoteStore::dayKey(day));
    m_grid.setDisplayDate(date);
    for (int i = 0; i < CellCount; ++i)
        m_tooLarge[i] = !richtext::loadIfFits(*cell(i), record.cells[i]);
    replaceDayPlan(day, record.dayPlan);
    emit gridChanged();
    // The recorded selection was made in the text that is gone.
    context().lastSelection.clear();
}

void MonthNotesDocument::writeCells(const QDate &date) {
    MonthPage record;
    for (int i = 0; i < CellCount; ++i) {
        record.keep[i] = m_tooLarge[i];
        if (!m_tooLarge[i]) record.cells[i] = richtext::toRtf(*cell(i));
    }
    record.keepDayPlan = m_dayPlanTooLarge;
    if (!m_dayPlanTooLarge) record.dayPlan = richtext::toRtf(*m_dayPlan);
    context().store.writeMonthPage(NoteStore::yearMonthKey(date), record,
                                   NoteStore::dayKey(m_dayPlanDate));
}

void MonthNotesDocument::setUnmodified(bool clearUndo) {
    for (auto &cell : m_cells) {
        // Undo must not bring back the text of the month shown before.
        if (clearUndo) cell->clearUndoRedoStacks();
        cell->setModified(false);
    }
    if (clearUndo) m_dayPlan->clearUndoRedoStacks();
    m_dayPlan->setModified(false);
}

PageMessage MonthNotesDocument::saveFailureMessage(const QString &) const {
    return {PageMessage::Kind::Information, saveFailedMessage(), QString()};
}

QList<UnsavedCell> MonthNotesDocument::unsavedCells() const {
    QList<UnsavedCell> cells;
    for (int i = 0; i < CellCount; ++i) {
        const QTextDocument *doc = cell(i);
        if (!doc->isModified() || m_tooLarge[i]) continue;
        cells.append({QStringLiteral("桌面月历"), m_grid.cellDate(i),
                      QStringLiteral("第 %1 格").arg(i + 1), doc->toPlainText(),
                      richtext::toRtf(*doc)});
    }
    if (m_dayPlan->isModified() && !m_dayPlanTooLarge)
        cells.append({QStringLiteral("日安排"), m_dayPlanDate, QString(), m_dayPlan->toPlainText(),
                      richtext::toRtf(*m_dayPlan)});
    return cells;
}

std::optional<ExportDocument> MonthNotesDocument::exportDocument() const {
    return ExportDocument::monthNotes(m_grid.displayDate(),
                                      cellTexts<ExportDocument::MonthCellCount>());
}

std::optional<WallpaperNotes> MonthNotesDocument::wallpaperNotes() const {
    WallpaperNotes notes;
    notes.layout = WallpaperNotes::Layout::MonthGrid;
    for (int k = 0; k < CellCount; ++k) {
        notes.texts << cellText(k).replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        notes.dates.push_back(m_grid.cellDate(k));
    }
    notes.month = m_grid.displayDate().month();
    return notes;
}

void MonthNotesDocument::pressCell(int cell, bool ctrl, bool shift) {
    if (isDayPlanPinned()) return;
    m_grid.press(cell, ctrl, shift);
    emit gridChanged();
}

void MonthNotesDocument::selectCellAlone(int cell) {
    if (isDayPlanPinned()) return;
    {
        const LoadingScope loading(*this);
        m_grid.selectAlone(cell);
        emit gridChanged();
        showDayPlan();
    }
    notifyModified();
}

void MonthNotesDocument::selectDateAlone(const QDate &date) {
    const int cell = m_grid.cellOf(date);
    if (cell >= 0) {
        m_grid.selectAlone(cell);
    } else {
        m_grid.clearSelection();
        m_grid.addToSelection(date);
    }
    emit gridChanged();
}

void MonthNotesDocument::addToSelection(const QDate &date) {
    m_grid.addToSelection(date);
    emit gridChanged();
}

void MonthNotesDocument::showDayPlan() {
    if (isDayPlanPinned()) return;
    if (isReadOnly() && !context().store.isOpen()) return; // said when it failed to open
    const QDate day = m_grid.selectedDay();
    try {
        replaceDayPlan(day, context().store.readDayPlan(NoteStore::dayKey(day)));
    } catch (const StoreError &e) {
        context().prompts.showError(e.message());
    }
    notifyModified();
}

void MonthNotesDocument::replaceDayPlan(const QDate &day, const QByteArray &rtf) {
    m_dayPlanDate = day;
    LastSelection &selection = context().lastSelection;
    if (selection.isDayPlan) selection.clear();
    emit dayPlanAboutToBeReplaced();
    // Emptied as an editor empties itself: no undo step.
    m_dayPlan->setUndoRedoEnabled(false);
    m_dayPlan->clear();
    m_dayPlan->setUndoRedoEnabled(true);
    m_dayPlanTooLarge = !rtf.isEmpty() && !richtext::loadIfFits(*m_dayPlan, rtf);
    m_dayPlan->clearUndoRedoStacks();
    m_dayPlan->setModified(false);
    emit dayPlanReplaced(!rtf.isEmpty());
}
