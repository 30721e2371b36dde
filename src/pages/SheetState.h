#pragma once

#include "store/NoteStore.h"

#include <QString>

// The state of a ruled sheet (general or calendar notes), without widgets: the 42 line texts and
// colours, the key they were loaded for and whether they changed since. The page's edits mirror
// it; the wallpaper capture and tests read it directly.
//
// A load reads texts and colours together and changes nothing unless both came back, so a
// failure never mixes one key's texts with another's colours. A save always writes under the
// key of the last successful load and is refused before one, so blank lines never overwrite a
// stored sheet.
class SheetState {
public:
    static constexpr int LineCount = NoteStore::SheetLineCount;

    // `emptiedLineTurnsBlack`: a line whose text becomes empty gets colour 0 (calendar notes).
    SheetState(NoteStore &store, NoteStore::Sheet sheet, bool emptiedLineTurnsBlack);

    // Throws StoreError; the lines, the loaded key and the modified flag stay as they were.
    void load(const QString &key);
    // Writes texts and colours in one transaction under loadedKey(). Throws StoreError (also when
    // nothing was loaded yet); the lines stay modified then.
    void save();

    const QString &loadedKey() const { return m_key; }
    bool isModified() const { return m_modified; }
    void setUnmodified() { m_modified = false; }

    // Lines are numbered 1..42.
    const QString &text(int line) const { return m_notes.texts[line - 1]; }
    int color(int line) const { return m_notes.colors[line - 1]; }
    // Returns true when the line's colour changed with it.
    bool setText(int line, const QString &text);
    // A value outside 0x000000..0xFFFFFF is stored as black.
    void setColor(int line, int color);

    static int validColor(qint64 color) { return color < 0 || color > 0xFFFFFF ? 0 : int(color); }

private:
    NoteStore &m_store;
    NoteStore::Sheet m_sheet;
    bool m_emptiedLineTurnsBlack;
    SheetNotes m_notes;
    QString m_key;
    bool m_loaded = false;
    bool m_modified = false;
};
