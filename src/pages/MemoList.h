#pragma once

#include "store/NoteStore.h"

#include <QString>

#include <array>
#include <optional>

// The memo list's logic, without widgets: the eleven lines as last read or written, and the
// rules of writing them. Each line is written into its own column 1..11 (never the key column),
// only when its text differs from what is stored.
//
// Until a load has succeeded nothing is written, so a keystroke can never overwrite a stored line
// that was not shown; the panel keeps its lines read-only meanwhile and loads again when a line
// gets the focus. A failed write leaves the line pending: the next change or leaving of any line
// tries it again. Failures while typing are told once until a write succeeds again; a failure on
// leaving a line is always told.
class MemoList {
public:
    static constexpr int LineCount = NoteStore::MemoLineCount;

    explicit MemoList(NoteStore &store);

    // Reads the eleven lines. Returns the message to show on failure (the lines stay as they were).
    std::optional<QString> load();
    bool isLoaded() const { return m_loaded; }
    // Line n (1..11) as last read or written.
    const QString &line(int n) const { return m_stored[n - 1]; }

    // The text of line n changed while the user typed in it. Returns a message to show, if any.
    std::optional<QString> lineChanged(int n, const QString &text);
    // The user left line n. Returns a message to show, if any.
    std::optional<QString> lineLeft(int n, const QString &text);

    // Tries the lines still pending once more (closing). Returns a message to show, if any.
    std::optional<QString> writePending();

    // True while some line's text could not be written.
    bool hasPendingWrite() const;
    // The text of line n (1..11) whose write failed, if any.
    const std::optional<QString> &pending(int n) const { return m_pending[n - 1]; }

private:
    // Writes line n when its text differs, then the lines still pending; the store's error text
    // on the first failure.
    std::optional<QString> write(int n, const QString &text);
    std::optional<QString> writeOne(int n, const QString &text);

    NoteStore &m_store;
    MemoLines m_stored;
    bool m_loaded = false;
    std::array<std::optional<QString>, LineCount> m_pending; // texts whose write failed
    bool m_told = false; // the current run of failures while typing has been told
};
