#pragma once

#include <QString>

#include <array>
#include <memory>

class NoteStore;
class QTextDocument;

// The twelve month notes of one year as rich-text documents, without widgets: the annual notes
// page's editors show these documents, and tests and the export read them without a screen.
// Stored as one row of YearJishi, month m in column Month<m>, each an RTF document.
class AnnualNotes {
public:
    static constexpr int Months = 12;

    // Empty documents in the boxes' default font, "宋体" with 12-pixel characters.
    AnnualNotes();
    ~AnnualNotes();
    AnnualNotes(const AnnualNotes &) = delete;
    AnnualNotes &operator=(const AnnualNotes &) = delete;

    // The document of month m (1..12).
    QTextDocument *month(int m) const { return m_months[m - 1].get(); }
    QString plainText(int m) const;

    // Reads the notes of `year` and puts them into the documents: RTF as rich text, anything else
    // as plain text, a missing row or value as an empty document. Reads before it changes any
    // document; throws StoreError.
    void read(const NoteStore &store, int year);
    // Writes the twelve documents as RTF into the row of `year` in one transaction, creating the
    // row when the year has none. Throws StoreError.
    void write(NoteStore &store, int year) const;

    bool isModified() const;
    // Month m holds a stored note too large for an editor (richtext::loadIfFits): its document
    // shows a notice and write() leaves the stored note as it is.
    bool isTooLarge(int m) const { return m_tooLarge[m - 1]; }
    // Marks every document unmodified; with `clearUndo` also forgets their undo history.
    void setUnmodified(bool clearUndo);

private:
    std::array<std::unique_ptr<QTextDocument>, Months> m_months;
    std::array<bool, Months> m_tooLarge{};
};
