#pragma once

#include <QByteArray>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

class AnnualNotesDocument;
class HolidayTable;
class MonthNotesDocument;
class NoteDocument;
class QPainter;
class QTextDocument;
class SheetDocument;

// The printed form of a page's notes, drawn from its document (never from widgets), so the
// preview, the printer and the PDF file show the same picture: the month as a calendar on one
// landscape page, the year's twelve month notes on one or two, a ruled sheet as its lines. A
// note that does not fit its box ends with "…" on its last visible line.
//
// Drawing works in design pixels of 1/96 inch (PrintLayout), the size the notes' fonts are laid
// out for on screen, scaled onto the device.
class PagePainter {
public:
    // Nothing for a document that has no printed form. `holidays` gives the month's day-off and
    // working-day marks, as on the month page; the document must outlive the painter.
    static std::optional<PagePainter>
    forDocument(const NoteDocument &document,
                std::shared_ptr<const HolidayTable> holidays = nullptr);

    // The period shown, e.g. "2026年12月"; also the name a save dialog proposes.
    QString title() const;
    // A4 in the page's orientation with 10 mm margins.
    QPageLayout pageLayout() const;
    // The pages of the printout on an area of `designArea` (see designArea()).
    int pageCount(const QSizeF &designArea) const;
    // Draws page `page` (0-based) into `target`, in `painter`'s coordinates.
    void paint(QPainter &painter, const QRectF &target, int page) const;

    // The printable area of `layout` in design pixels.
    static QSizeF designArea(const QPageLayout &layout);
    // Every page as the bytes of a PDF file.
    QByteArray pdf() const;

    // Draws `note` into `room`, clipped; when it is taller than the room, its last line that
    // fits ends with "…". True when the note fitted whole.
    static bool drawNote(QPainter &painter, const QTextDocument &note, const QRectF &room);
    static bool fits(const QTextDocument &note, const QSizeF &room);

private:
    enum class Kind { Month, Year, Sheet };
    PagePainter(Kind kind, const NoteDocument &document,
                std::shared_ptr<const HolidayTable> holidays);

    void paintMonth(QPainter &painter, const QSizeF &area) const;
    void paintYear(QPainter &painter, const QSizeF &area, int page) const;
    void paintSheet(QPainter &painter, const QSizeF &area) const;
    const MonthNotesDocument &month() const;
    const AnnualNotesDocument &year() const;
    const SheetDocument &sheet() const;
    // The year on one page of 4 x 3 boxes when every note fits them, else two of 3 x 2.
    bool yearOnOnePage(const QSizeF &area) const;

    Kind m_kind;
    const NoteDocument *m_document;
    std::shared_ptr<const HolidayTable> m_holidays;
};
