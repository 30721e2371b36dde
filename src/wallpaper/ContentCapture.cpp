#include "wallpaper/ContentCapture.h"

void ContentCapture::captureMonthCells(WallpaperCells &cells, const QStringList &texts,
                                       const std::array<QDate, 42> &cellDates, int shownMonth) {
    for (int k = 0; k < int(cells.size()); ++k) {
        const QDate &d = cellDates[k];
        // Only month numbers are compared: 42 days cannot hold one month number of two years.
        cells[k].dayLabel =
            d.month() == shownMonth ? QString::number(d.day()) : QStringLiteral("S");
        cells[k].note = trimmed(texts.value(k));
    }
}

void ContentCapture::captureNoteCells(WallpaperCells &cells, const QStringList &texts) {
    for (int k = 0; k < int(cells.size()); ++k) cells[k].note = trimmed(texts.value(k));
}

QString ContentCapture::trimmed(const QString &text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first).unicode() <= 32) ++first;
    while (last > first && text.at(last - 1).unicode() <= 32) --last;
    return text.mid(first, last - first);
}
