#include "pages/SheetState.h"

SheetState::SheetState(NoteStore &store, NoteStore::Sheet sheet, bool emptiedLineTurnsBlack)
    : m_store(store), m_sheet(sheet), m_emptiedLineTurnsBlack(emptiedLineTurnsBlack) {}

void SheetState::load(const QString &key) {
    m_notes = m_store.readSheet(m_sheet, key);
    m_key = key;
    m_loaded = true;
    m_modified = false;
}

void SheetState::save() {
    if (!m_loaded) throw StoreError(QStringLiteral("记事尚未读入,不能保存"));
    m_store.writeSheet(m_sheet, m_key, m_notes);
    m_modified = false;
}

bool SheetState::setText(int line, const QString &text) {
    QString &stored = m_notes.texts[line - 1];
    if (stored == text) return false;
    stored = text;
    m_modified = true;
    if (!m_emptiedLineTurnsBlack || !text.isEmpty() || m_notes.colors[line - 1] == 0) return false;
    m_notes.colors[line - 1] = 0;
    return true;
}

void SheetState::setColor(int line, int color) {
    const int valid = validColor(color);
    if (m_notes.colors[line - 1] == valid) return;
    m_notes.colors[line - 1] = valid;
    m_modified = true;
}
