#pragma once

#include "store/NotePlace.h"

#include <QString>

#include <vector>

class NoteStore;

// One note that holds the text looked for, with its first match. A long note brings only the
// part around its match: note.text starts at `excerptStart` of the note.
struct SearchHit {
    NoteText note;
    int start = 0; // the match in note.text
    int length = 0;
    int excerptStart = 0;
};

// Finds text in every note of a store: month cells, day plans, annual notes, both ruled sheets
// and the memo list. Case and character width do not count (textfold), Chinese is matched as
// written, and a match may run across formatting changes (the plain text is searched).
class NoteSearch {
public:
    explicit NoteSearch(NoteStore &store) : m_store(store) {}

    // Every note containing `query`, newest first (NotePlace::sortKey()). The texts in `unsaved`
    // (the page in front) take the place of what is stored for their places. Throws StoreError.
    std::vector<SearchHit> find(const QString &query,
                                const std::vector<NoteText> &unsaved = {}) const;

    // The first match of `query` in `text` as {start, length} in `text`; {-1, 0} for none.
    static std::pair<int, int> locate(const QString &text, const QString &query);

    // Where a note is, as the result list names it ("2024年3月5日 · 月历").
    static QString placeName(const NotePlace &place);

    // A line of the note around its match, line breaks as spaces, with the match at
    // [start, start + length).
    struct Snippet {
        QString text;
        int start = 0;
        int length = 0;
    };
    static Snippet snippet(const SearchHit &hit, int context = 16);

private:
    NoteStore &m_store;
};
