#include "wallpaper/ContentPicture.h"

#include <QFont>
#include <QPainter>

namespace {

constexpr int ColumnWidth = ContentPicture::Width / 7;               // 94
constexpr int HeaderLine = 20;                                       // y of the header line
constexpr int RowHeight = (ContentPicture::Height - HeaderLine) / 6; // 80
constexpr int NoteRowHeight = ContentPicture::Height / 21;           // 23

// An 11-pixel sans face; the font substitution maps the name to one that shows Chinese.
QFont contentFont() {
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    return f;
}

QImage blankPicture() {
    QImage image(ContentPicture::Width, ContentPicture::Height, QImage::Format_RGB888);
    image.fill(Qt::white);
    return image;
}

// Black 1-pixel pen, the content font, and the frame along the picture's edge.
void preparePainter(QPainter &p) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.setFont(contentFont());
    p.drawRect(0, 0, ContentPicture::Width - 1, ContentPicture::Height - 1);
}

void drawClipped(QPainter &p, const QRect &box, int flags, const QString &text) {
    p.save();
    p.setClipRect(box);
    p.drawText(box, flags, text);
    p.restore();
}

} // namespace

QString ContentPicture::weekdayName(int n) {
    static const char16_t *const names[] = {u"星期一", u"星期二", u"星期三",
                                            u"星期四", u"星期五", u"星期六"};
    if (n < 1 || n > 6) return QString();
    return QString::fromUtf16(names[n - 1]);
}

QRect ContentPicture::monthTextRect(int slot) {
    const int r = slot / 7 + 1;
    const int j = slot % 7;
    return QRect(QPoint(ColumnWidth * j + 2, RowHeight * (r - 1) + 22),
                 QPoint(ColumnWidth * (j + 1) - 3, RowHeight * r + 17));
}

QRect ContentPicture::noteTextRect(int slot) {
    const int r = slot / 2 + 1;
    const int left = slot % 2 == 0 ? 4 : 338;
    return QRect(QPoint(left, NoteRowHeight * (r - 1)), QPoint(left + 317, NoteRowHeight * r - 1));
}

QImage ContentPicture::drawMonth(const WallpaperCells &cells) {
    QImage image = blankPicture();
    QPainter p(&image);
    preparePainter(p);
    p.drawLine(0, HeaderLine, Width - 1, HeaderLine);
    for (int j = 0; j < 7; ++j) {
        if (j > 0) p.drawLine(ColumnWidth * j, 0, ColumnWidth * j, Height - 1);
        const QString header = j == 0 ? QStringLiteral("星期日") : weekdayName(j);
        p.drawText(QRect(ColumnWidth * j + 24, 3, Width, Height), Qt::AlignLeft | Qt::AlignTop,
                   header);
    }
    for (int r = 1; r <= 5; ++r)
        p.drawLine(0, RowHeight * r + HeaderLine, Width - 1, RowHeight * r + HeaderLine);
    for (int k = 0; k < int(cells.size()); ++k) {
        // The label and the note: the note begins on the line below the label.
        QString note = cells[k].note;
        note.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
            .replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const QString text = cells[k].dayLabel + QLatin1Char('\n') + note;
        drawClipped(p, monthTextRect(k), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    }
    return image;
}

QImage ContentPicture::drawNotes(const WallpaperCells &cells) {
    QImage image = blankPicture();
    QPainter p(&image);
    preparePainter(p);
    for (int k = 0; k < int(cells.size()); ++k) {
        const QRect box = noteTextRect(k);
        // One line: the note's own line breaks are not honoured.
        QString line = cells[k].note;
        line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        line.replace(QLatin1Char('\n'), QLatin1Char(' '))
            .replace(QLatin1Char('\r'), QLatin1Char(' '));
        drawClipped(p, box, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine, line);
        p.drawLine(box.left(), box.bottom() + 1, box.right(), box.bottom() + 1);
    }
    return image;
}
