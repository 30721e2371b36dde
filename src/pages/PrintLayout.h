#pragma once

#include <QRectF>
#include <QSizeF>

#include <array>
#include <vector>

// Where the parts of a printed page go, in design pixels (1/96 inch) from the top left of the
// printable area: plain arithmetic that the painting and the tests share.
//
// The month: the title band across the top, then the weekday header, then 6 rows of 7 cells that
// share the rest equally; each cell starts with a strip of StripHeight for the day number, its
// mark and caption, the note below it. Grid line x of column boundary j (0..7) is
// left + j * width / 7, line y of row boundary r (0..6) gridTop + r * rowHeight.
// The year: the title band, then the month boxes in `columns` x `rows`, each with a caption band
// above its note. A sheet: the title band, then 42 rules sharing the rest.
class PrintLayout {
public:
    static constexpr double TitleHeight = 40;
    static constexpr double HeaderHeight = 24;
    static constexpr double StripHeight = 20;
    static constexpr double CaptionHeight = 24;
    static constexpr double Padding = 3;
    static constexpr int MonthCells = 42;
    static constexpr int SheetLines = 42;

    struct Month {
        QRectF title;
        QRectF header;
        std::array<QRectF, MonthCells> cells; // frames, in grid order
        double columnLine(int j) const { return grid.left() + j * grid.width() / 7; }
        double rowLine(int r) const { return grid.top() + r * grid.height() / 6; }
        QRectF grid;
        // The parts of cell k: its title strip and the room of its note.
        QRectF strip(int k) const;
        QRectF note(int k) const;
    };
    static Month month(const QSizeF &area);

    struct Year {
        QRectF title;
        std::vector<QRectF> boxes;    // frames, one a month on the page, in month order
        std::vector<QRectF> captions; // the caption band at the top of each box
        std::vector<QRectF> notes;    // the room of each note
    };
    static Year year(const QSizeF &area, int columns, int rows);

    struct Sheet {
        QRectF title;
        std::array<QRectF, SheetLines> lines; // each line's text box; its rule is its bottom
    };
    static Sheet sheet(const QSizeF &area);
};
