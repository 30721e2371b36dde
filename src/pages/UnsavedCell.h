#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// A cell whose text is not in the store, as a recovery file keeps it.
struct UnsavedCell {
    QString page;   // the page's name ("桌面月历", "日安排", ...)
    QDate date;     // the day (or the first day of the month, the year) the cell belongs to
    QString place;  // where on the page ("第 5 格", ...)
    QString text;   // plain text
    QByteArray rtf; // the cell as the page stores it (RTF for rich-text cells)
};
