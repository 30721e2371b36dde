#pragma once

#include "store/NoteSearch.h"

#include <vector>

class LunarCalendarWidget;
class NotesSession;
class PageHost;
class SidePanel;

// The window's side of finding notes: what the page in front holds unsaved (searched in place of
// what is stored), and the way to a found note: the page in front saved first, then the note's
// page opened, the picker on its date, the focus in its cell and the match selected.
class NoteFinder {
public:
    NoteFinder(NotesSession &session, PageHost &pages, LunarCalendarWidget &picker,
               SidePanel &sidePanel);

    std::vector<SearchHit> find(const QString &query) const;
    // Why a search cannot run yet (the notes are still being indexed), or empty.
    QString waitNotice() const;
    // The cells of the active page, when its document has unsaved changes.
    std::vector<NoteText> unsavedTexts() const;
    // False when nothing moved: the save of the page in front failed, or the place is gone.
    bool goTo(const NotePlace &place, const QString &query);

private:
    void setPickerDate(const QDate &date);

    NotesSession &m_session;
    PageHost &m_pages;
    LunarCalendarWidget &m_picker;
    SidePanel &m_sidePanel;
};
