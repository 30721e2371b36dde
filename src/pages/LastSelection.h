#pragma once

#include <QTextCursor>

// Where the user last released the mouse in a rich-text editor of the month or annual page;
// the font boxes apply their choice to this selection.
struct LastSelection {
    int selStart = 0;
    int selLength = 0;
    // 1..42 for the day editors, 0 for the day plan, 6..17 for the month boxes of the annual page.
    int tabOrder = 0;
    bool isDayPlan = false; // the editor was the day plan editor

    void clear() { *this = LastSelection(); }
    // Records the selection of `cursor` in the editor of tab order `tab`.
    void record(const QTextCursor &cursor, int tab, bool dayPlan) {
        selStart = cursor.selectionStart();
        selLength = cursor.selectionEnd() - cursor.selectionStart();
        tabOrder = tab;
        isDayPlan = dayPlan;
    }
};
