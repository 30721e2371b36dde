#include "pages/SheetDocument.h"

#include "pages/PageContext.h"

SheetDocument::Kind SheetDocument::Kind::general() {
    return {NoteStore::Sheet::General, true, false};
}

SheetDocument::Kind SheetDocument::Kind::calendar() {
    return {NoteStore::Sheet::Calendar, false, true};
}

SheetDocument::SheetDocument(PageContext &context, const Kind &kind, QObject *parent)
    : NoteDocument(context, parent), m_kind(kind) {}

SheetDocument::~SheetDocument() = default;

QString SheetDocument::keyFor(const QDate &date) const {
    return m_kind.keyedByMonth ? NoteStore::yearMonthKey(date) : NoteStore::CalendarSheetKey;
}

QString SheetDocument::loadedKey() const {
    return isLoaded() ? keyFor(loadedDate()) : QString();
}

QString SheetDocument::cellText(int index) const {
    return index >= 0 && index < LineCount ? m_notes.texts[index] : QString();
}

bool SheetDocument::setText(int line, const QString &text) {
    QString &stored = m_notes.texts[line - 1];
    if (stored == text) return false;
    stored = text;
    m_lineModified[line - 1] = true;
    m_modified = true;
    const bool turnsBlack =
        m_kind.emptiedLineTurnsBlack && text.isEmpty() && m_notes.colors[line - 1] != 0;
    if (turnsBlack) m_notes.colors[line - 1] = 0;
    emit lineChanged(line);
    notifyModified();
    return turnsBlack;
}

void SheetDocument::setColor(int line, int color) {
    const int valid = validColor(color);
    if (m_notes.colors[line - 1] == valid) return;
    m_notes.colors[line - 1] = valid;
    m_modified = true;
    emit lineChanged(line);
    notifyModified();
}

void SheetDocument::readCells(const QDate &date) {
    m_notes = context().store.readSheet(m_kind.sheet, keyFor(date));
}

void SheetDocument::writeCells(const QDate &date) {
    context().store.writeSheet(m_kind.sheet, keyFor(date), m_notes);
}

void SheetDocument::setUnmodified(bool) {
    // Lines have no undo history of their own; the views' lines clear theirs when they refill.
    m_modified = false;
    m_lineModified.fill(false);
}

PageMessage SheetDocument::saveFailureMessage(const QString &) const {
    return {PageMessage::Kind::Information, saveFailedMessage(), saveFailedCaption()};
}

QList<UnsavedCell> SheetDocument::unsavedCells() const {
    QList<UnsavedCell> cells;
    if (!m_modified) return cells;
    const QString page = m_kind.keyedByMonth ? QStringLiteral("一般记事") : QStringLiteral("日历");
    const QDate loaded = loadedDate();
    const QDate month =
        m_kind.keyedByMonth && loaded.isValid() ? QDate(loaded.year(), loaded.month(), 1) : QDate();
    for (int n = 1; n <= LineCount; ++n) {
        if (!m_lineModified[n - 1]) continue;
        // A line is plain text with one colour; the colour goes beside it.
        const QString &line = text(n);
        cells.append({page, month, QStringLiteral("第 %1 行").arg(n), line,
                      QStringLiteral("颜色 %1: %2").arg(color(n)).arg(line).toUtf8()});
    }
    return cells;
}

std::optional<WallpaperNotes> SheetDocument::wallpaperNotes() const {
    if (!m_kind.keyedByMonth) return std::nullopt;
    WallpaperNotes notes;
    notes.layout = WallpaperNotes::Layout::NoteLines;
    for (const QString &line : m_notes.texts) notes.texts << line;
    return notes;
}
