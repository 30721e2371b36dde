#pragma once

#include "pages/MemoDocument.h"

#include <QWidget>

#include <array>
#include <memory>

class NoteLineEdit;
class QLabel;
class QMouseEvent;
class RuledPaper;
struct PageContext;

// The memo list "备忘录" of the side panel, showing a MemoDocument: a caption, the ruled paper and
// eleven lines. Each change of the focused line goes into the document at once and leaving a line
// does too; the rules are the document's. Until a load succeeds the lines are read-only, and a
// line getting the focus loads again. A line's text box sits in the upper part of its ruled row;
// a click anywhere on the row, its rule included, goes to the line. A failed write is shown on a
// bar over the list, away from the line being typed in, until the pending lines are written: it
// takes neither the focus nor the clicks, so no keystroke is lost to it.
class MemoPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int LineCount = MemoDocument::LineCount;

    // `context` belongs to the notes session and must outlive the panel.
    explicit MemoPanel(PageContext &context, QWidget *parent = nullptr);
    ~MemoPanel() override;

    MemoDocument *document() const { return m_document.get(); }

    // Reads the eleven lines into the edits. Returns false (and tells) on failure.
    bool load() { return m_document->load(); }

    // The line (1..11) that last received the focus, 0 before any.
    int currentMemoLine() const { return m_currentLine; }
    NoteLineEdit *line(int n) const { return m_lines[n - 1]; }
    // The bar that shows the document's write failure; hidden while there is none.
    QLabel *writeFailureBar() const { return m_failureBar; }
    // The ruled row of line n (1..11), in the panel's coordinates.
    QRect rowRect(int n) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The line whose ruled row holds `pos`; null outside the rows.
    NoteLineEdit *lineAt(const QPoint &pos) const;
    // Hands a mouse event on a row to its line, at the height of the line's text.
    void forwardTo(NoteLineEdit *edit, QMouseEvent *event);
    void showWriteFailure(const QString &message);
    void placeFailureBar();
    void onLineEdited(NoteLineEdit *edit);
    void onLineLeft(NoteLineEdit *edit);
    void onLineEntered(NoteLineEdit *edit);
    void fillLines();
    void updateEditable();

    std::unique_ptr<MemoDocument> m_document;
    QLabel *m_label = nullptr;
    RuledPaper *m_paper = nullptr;
    std::array<NoteLineEdit *, LineCount> m_lines{};
    QLabel *m_failureBar = nullptr;
    NoteLineEdit *m_pressedLine = nullptr; // takes the moves and the release of a row press
    int m_currentLine = 0;
    bool m_filling = false;
};
