#pragma once

#include "pages/NoteDocument.h"

#include <QString>

#include <array>
#include <memory>

class QTextDocument;

// The annual notes: the twelve month notes of one year as rich-text documents, stored as one row
// of YearJishi (month m in column Month<m>, each an RTF document). The year is the loaded date's.
class AnnualNotesDocument : public NoteDocument {
    Q_OBJECT
public:
    static constexpr int Months = 12;

    // Empty documents in the boxes' default font, "宋体" with 12-pixel characters.
    explicit AnnualNotesDocument(PageContext &context, QObject *parent = nullptr);
    ~AnnualNotesDocument() override;

    // The document of month m (1..12).
    QTextDocument *month(int m) const { return m_months[m - 1].get(); }
    // Month m holds a stored note too large for an editor (richtext::loadIfFits): its document
    // shows a notice and saves leave the stored note as it is.
    bool isTooLarge(int m) const { return m_tooLarge[m - 1]; }

    bool isModified() const override;
    int cellCount() const override { return Months; }
    QString cellText(int index) const override;
    // Modified months ("年度记事", the first of their month in the loaded year).
    QList<UnsavedCell> unsavedCells() const override;
    // The year the boxes were loaded for; before the first load, the year last asked for.
    std::optional<ExportDocument> exportDocument() const override;

    // "一月份" .. "十二月份" (month 1..12).
    static const QString &monthCaption(int month);

protected:
    // Reads the row of `date`'s year: RTF as rich text, anything else as plain text, a missing
    // row or value as an empty document. Reads before it changes any document.
    void readCells(const QDate &date) override;
    // The twelve documents as RTF into the row of `date`'s year in one transaction, creating the
    // row when the year has none.
    void writeCells(const QDate &date) override;
    void setUnmodified(bool clearUndo) override;

private:
    std::array<std::unique_ptr<QTextDocument>, Months> m_months;
    std::array<bool, Months> m_tooLarge{};
};
