#pragma once

#include "wallpaper/WallpaperCell.h"

#include <QImage>
#include <QRect>
#include <QString>

// Draws the captured cells into the 660 x 500 content picture: the month layout (weekday header
// and one box per day) or the two-column layout (21 underlined lines a side). Texts are drawn
// as they are: "&" is an ordinary character.
class ContentPicture {
public:
    static constexpr int Width = 660;
    static constexpr int Height = 500;

    static QImage drawMonth(const WallpaperCells &cells);
    static QImage drawNotes(const WallpaperCells &cells);

    // "星期一" .. "星期六" for n = 1 .. 6, otherwise an empty text.
    static QString weekdayName(int n);

    // The text box of slot k in each layout (right and bottom edges included).
    static QRect monthTextRect(int slot);
    static QRect noteTextRect(int slot);
};
