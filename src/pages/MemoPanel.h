#pragma once

#include "pages/MemoDocument.h"

#include <QWidget>

#include <array>
#include <memory>

class NoteLineEdit;
class QLabel;
class RuledPaper;
struct PageContext;

// The memo list "备忘录" of the side panel, showing a MemoDocument: a caption, the ruled paper and
// eleven lines. Each change of the focused line goes into the document at once and leaving a line
// does too; the rules are the document's. Until a load succeeds the lines are read-only, and a
// line getting the focus loads again.
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

private:
    void onLineEdited(NoteLineEdit *edit);
    void onLineLeft(NoteLineEdit *edit);
    void onLineEntered(NoteLineEdit *edit);
    void fillLines();
    void updateEditable();

    std::unique_ptr<MemoDocument> m_document;
    QLabel *m_label = nullptr;
    RuledPaper *m_paper = nullptr;
    std::array<NoteLineEdit *, LineCount> m_lines{};
    int m_currentLine = 0;
    bool m_filling = false;
};
