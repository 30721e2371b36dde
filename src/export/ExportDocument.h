#pragma once

#include <QDate>
#include <QString>

#include <array>

// The text of an export: a title line and one entry per cell, every line (the last one too)
// ended by CR LF. The title is also the file name the save dialog proposes.
class ExportDocument {
public:
    static constexpr int MonthCellCount = 42;
    static constexpr int YearMonthCount = 12;

    // The month page: `shownMonth` is any date of the month the grid shows (not the picker's,
    // which may differ after a failed load); `cells` are the plain texts of the 42 day cells in
    // grid order, cell 0 being the Sunday on or before the first of the month (MonthGrid).
    static ExportDocument monthNotes(const QDate &shownMonth,
                                     const std::array<QString, MonthCellCount> &cells);
    // The annual page: the year it shows and the plain texts of its twelve month boxes.
    static ExportDocument yearNotes(int year, const std::array<QString, YearMonthCount> &months);

    // A note as it goes into the file: the editor's plain text with CR LF line breaks, embedded
    // objects (U+FFFC) dropped and blanks and control characters (U+0020 and below) trimmed from
    // both ends. The ideographic space U+3000 is text and stays.
    static QString noteText(const QString &plainText);

    const QString &title() const { return m_title; }
    const QString &text() const { return m_text; }

private:
    ExportDocument(QString title, QString text);

    QString m_title;
    QString m_text;
};
