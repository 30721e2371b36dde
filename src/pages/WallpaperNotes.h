#pragma once

#include <QDate>
#include <QStringList>

#include <vector>

// What a document gives the wallpaper's content picture: the cells as they stand, and how they
// are laid out.
struct WallpaperNotes {
    enum class Layout {
        MonthGrid, // the month grid: 42 cell texts with CR LF line breaks, their dates, the month
        NoteLines, // a ruled sheet: 42 one-line notes in two columns
    };
    Layout layout = Layout::MonthGrid;
    QStringList texts;
    std::vector<QDate> dates; // MonthGrid only: the date of each cell
    int month = 0;            // MonthGrid only: the month the grid shows (1..12)
};
