#include "pages/PagePainter.h"

#include "pages/AnnualNotesDocument.h"
#include "pages/MonthGridModel.h"
#include "pages/MonthGridView.h"
#include "pages/MonthNotesDocument.h"
#include "pages/MonthStrips.h"
#include "pages/PrintLayout.h"
#include "pages/SheetDocument.h"

#include "calendar_control/LunarCalendarDrawing.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace {

constexpr double DesignDpi = 96;
const QColor GridColor(0, 0, 0);
const QColor HeaderColor(214, 230, 247);
const QColor RuleColor(160, 160, 160);
// Wide enough to print as a solid line on paper and at 72 dots per inch.
constexpr double GridPen = 1.5;

QFont textFont(int pixels, bool bold = false) {
    QFont font = LunarCalendarDrawing::namedFont(QStringLiteral("宋体"), 9, bold);
    font.setPixelSize(pixels);
    return font;
}

void drawTitle(QPainter &painter, const QRectF &band, const QString &title) {
    painter.setFont(textFont(22, true));
    painter.setPen(Qt::black);
    painter.drawText(band.adjusted(0, 0, 0, -8), Qt::AlignCenter | Qt::TextSingleLine, title);
}

// A copy of `note` laid out at `width`, for measuring and drawing without touching the page's
// own document (its undo history and the editors showing it).
std::unique_ptr<QTextDocument> laidOut(const QTextDocument &note, double width) {
    std::unique_ptr<QTextDocument> copy(note.clone());
    copy->setDefaultFont(note.defaultFont());
    copy->setDocumentMargin(0);
    copy->setTextWidth(width);
    return copy;
}

// The end of the last line that lies whole above `height`: 0 when not even the first does.
int endOfLastFittingLine(const QTextDocument &doc, double height) {
    int end = 0;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        const double top = layout->position().y();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            if (top + line.y() + line.height() > height) return end;
            end = block.position() + line.textStart() + line.textLength();
        }
    }
    return end;
}

// Cuts `doc` after its last line that fits `height` and ends that line with "…", taking
// characters off its end until the mark fits on the line too.
void elide(QTextDocument &doc, double height) {
    int end = endOfLastFittingLine(doc, height);
    QTextCursor cursor(&doc);
    cursor.setPosition(end);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    while (end > 0 && doc.characterAt(end - 1).isSpace()) {
        cursor.setPosition(end - 1);
        cursor.deleteChar();
        --end;
    }
    cursor.setPosition(end);
    cursor.insertText(QStringLiteral("…"));
    while (end > 0 && doc.size().height() > height) {
        cursor.setPosition(end - 1);
        cursor.deleteChar();
        --end;
    }
}

QString monthTitle(const QDate &date) {
    return QStringLiteral("%1年%2月").arg(date.year()).arg(date.month());
}

} // namespace

PagePainter::PagePainter(Kind kind, const NoteDocument &document,
                         std::shared_ptr<const HolidayTable> holidays)
    : m_kind(kind), m_document(&document), m_holidays(std::move(holidays)) {}

std::optional<PagePainter> PagePainter::forDocument(const NoteDocument &document,
                                                    std::shared_ptr<const HolidayTable> holidays) {
    if (qobject_cast<const MonthNotesDocument *>(&document))
        return PagePainter(Kind::Month, document, std::move(holidays));
    if (qobject_cast<const AnnualNotesDocument *>(&document))
        return PagePainter(Kind::Year, document, nullptr);
    if (qobject_cast<const SheetDocument *>(&document))
        return PagePainter(Kind::Sheet, document, nullptr);
    return std::nullopt;
}

const MonthNotesDocument &PagePainter::month() const {
    return static_cast<const MonthNotesDocument &>(*m_document);
}

const AnnualNotesDocument &PagePainter::year() const {
    return static_cast<const AnnualNotesDocument &>(*m_document);
}

const SheetDocument &PagePainter::sheet() const {
    return static_cast<const SheetDocument &>(*m_document);
}

QString PagePainter::title() const {
    const QDate loaded = m_document->loadedDate();
    switch (m_kind) {
    case Kind::Month:
        return monthTitle(month().grid().displayDate());
    case Kind::Year:
        return loaded.isValid() ? QStringLiteral("%1年 年度记事").arg(loaded.year())
                                : QStringLiteral("年度记事");
    case Kind::Sheet:
        if (!sheet().kind().keyedByMonth) return QStringLiteral("日历记事");
        return loaded.isValid() ? monthTitle(loaded) + QStringLiteral(" 一般记事")
                                : QStringLiteral("一般记事");
    }
    return QString();
}

QPageLayout PagePainter::pageLayout() const {
    const auto orientation = m_kind == Kind::Sheet ? QPageLayout::Portrait : QPageLayout::Landscape;
    return QPageLayout(QPageSize(QPageSize::A4), orientation, QMarginsF(10, 10, 10, 10),
                       QPageLayout::Millimeter);
}

QSizeF PagePainter::designArea(const QPageLayout &layout) {
    return layout.paintRect(QPageLayout::Inch).size() * DesignDpi;
}

int PagePainter::pageCount(const QSizeF &designArea) const {
    if (m_kind == Kind::Year) return yearOnOnePage(designArea) ? 1 : 2;
    return 1;
}

void PagePainter::paint(QPainter &painter, const QRectF &target, int page) const {
    const double scale = painter.device() ? painter.device()->logicalDpiY() / DesignDpi : 1.0;
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(scale, scale);
    const QSizeF area = target.size() / scale;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    switch (m_kind) {
    case Kind::Month:
        paintMonth(painter, area);
        break;
    case Kind::Year:
        paintYear(painter, area, page);
        break;
    case Kind::Sheet:
        paintSheet(painter, area);
        break;
    }
    painter.restore();
}

void PagePainter::paintMonth(QPainter &painter, const QSizeF &area) const {
    const PrintLayout::Month layout = PrintLayout::month(area);
    // A grid of its own: the page's selection is no part of the printout.
    const MonthGridModel grid(month().grid().displayDate());
    drawTitle(painter, layout.title, monthTitle(grid.displayDate()));

    painter.fillRect(layout.header, HeaderColor);
    painter.setFont(textFont(14, true));
    painter.setPen(Qt::black);
    static const char *const weekdays[] = {"日", "一", "二", "三", "四", "五", "六"};
    for (int c = 0; c < MonthGridModel::Columns; ++c) {
        const QRectF cell = layout.cells[std::size_t(c)];
        painter.drawText(
            QRectF(cell.left(), layout.header.top(), cell.width(), layout.header.height()),
            Qt::AlignCenter, QString::fromUtf8(weekdays[c]));
    }

    MonthStrips strips;
    strips.fill(grid.monthGrid(), m_holidays);
    const QFont font = MonthGridView::dayFont();
    for (int k = 0; k < PrintLayout::MonthCells; ++k) {
        const QRectF stripRect = layout.strip(k);
        const MonthStrips::Strip &marks = strips.strip(k);
        const bool inMonth = grid.inDisplayedMonth(k);
        const QString dayText = grid.dayText(k);
        // The strip's parts are measured in whole pixels from its own corner.
        const QRect local(0, 0, int(stripRect.width()), int(stripRect.height()));
        const MonthStrips::Arrangement parts =
            MonthStrips::arrange(local, dayText, font, marks.caption, marks.mark);
        painter.save();
        painter.translate(stripRect.topLeft());
        MonthStrips::paint(painter, local, dayText, font, grid.dayColor(k), inMonth, marks, parts);
        painter.restore();
        drawNote(painter, *month().cell(k), layout.note(k));
    }

    painter.setPen(QPen(GridColor, GridPen));
    painter.setBrush(Qt::NoBrush);
    for (int j = 0; j <= MonthGridModel::Columns; ++j)
        painter.drawLine(QPointF(layout.columnLine(j), layout.header.top()),
                         QPointF(layout.columnLine(j), layout.grid.bottom()));
    painter.drawLine(layout.header.topLeft(), layout.header.topRight());
    for (int r = 0; r <= 6; ++r)
        painter.drawLine(QPointF(layout.grid.left(), layout.rowLine(r)),
                         QPointF(layout.grid.right(), layout.rowLine(r)));
}

bool PagePainter::yearOnOnePage(const QSizeF &area) const {
    const PrintLayout::Year layout = PrintLayout::year(area, 4, 3);
    for (int m = 1; m <= AnnualNotesDocument::Months; ++m)
        if (!fits(*year().month(m), layout.notes[std::size_t(m - 1)].size())) return false;
    return true;
}

void PagePainter::paintYear(QPainter &painter, const QSizeF &area, int page) const {
    const bool onePage = yearOnOnePage(area);
    const PrintLayout::Year layout =
        onePage ? PrintLayout::year(area, 4, 3) : PrintLayout::year(area, 3, 2);
    const int first = onePage ? 1 : 1 + 6 * page;
    drawTitle(painter, layout.title, title());
    for (std::size_t i = 0; i < layout.boxes.size(); ++i) {
        const int m = first + int(i);
        if (m > AnnualNotesDocument::Months) break;
        painter.fillRect(layout.captions[i], HeaderColor);
        painter.setFont(textFont(14, true));
        painter.setPen(Qt::black);
        painter.drawText(layout.captions[i], Qt::AlignCenter | Qt::TextSingleLine,
                         AnnualNotesDocument::monthCaption(m));
        drawNote(painter, *year().month(m), layout.notes[i]);
        painter.setPen(QPen(GridColor, GridPen));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(layout.boxes[i]);
        painter.drawLine(layout.captions[i].bottomLeft(), layout.captions[i].bottomRight());
    }
}

void PagePainter::paintSheet(QPainter &painter, const QSizeF &area) const {
    const PrintLayout::Sheet layout = PrintLayout::sheet(area);
    drawTitle(painter, layout.title, title());
    const QFont font = textFont(14);
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    for (int n = 1; n <= PrintLayout::SheetLines; ++n) {
        const QRectF &line = layout.lines[std::size_t(n - 1)];
        painter.setPen(QPen(RuleColor, 1));
        painter.drawLine(line.bottomLeft(), line.bottomRight());
        painter.setPen(LunarCalendarDrawing::colorFromBgr(sheet().color(n)));
        const QString text =
            metrics.elidedText(sheet().text(n), Qt::ElideRight, line.width() - 2 * 4);
        painter.drawText(line.adjusted(4, 0, -4, -2), Qt::AlignLeft | Qt::AlignBottom, text);
    }
}

bool PagePainter::fits(const QTextDocument &note, const QSizeF &room) {
    return laidOut(note, room.width())->size().height() <= room.height();
}

bool PagePainter::drawNote(QPainter &painter, const QTextDocument &note, const QRectF &room) {
    const std::unique_ptr<QTextDocument> doc = laidOut(note, room.width());
    const bool whole = doc->size().height() <= room.height();
    if (!whole) elide(*doc, room.height());
    painter.save();
    painter.translate(room.topLeft());
    const QRectF clip(QPointF(0, 0), room.size());
    painter.setClipRect(clip, Qt::IntersectClip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    context.palette.setColor(QPalette::Text, Qt::black);
    doc->documentLayout()->draw(&painter, context);
    painter.restore();
    return whole;
}

QByteArray PagePainter::pdf() const {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(pageLayout());
        writer.setTitle(title());
        writer.setCreator(QStringLiteral("Kestrova"));
        QPainter painter(&writer);
        const QRectF target(QPointF(0, 0),
                            writer.pageLayout().paintRectPixels(writer.resolution()).size());
        const int pages = pageCount(designArea(writer.pageLayout()));
        for (int page = 0; page < pages; ++page) {
            if (page > 0) writer.newPage();
            paint(painter, target, page);
        }
    }
    return buffer.data();
}
