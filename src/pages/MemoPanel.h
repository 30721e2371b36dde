#pragma once

#include "pages/MemoDocument.h"
#include "pages/UnsavedCell.h"

#include <QWidget>

#include <array>
#include <memory>

class NoteLineEdit;
class QLabel;
class RuledPaper;
struct PageContext;

// The memo list `Panel2` "备忘录" of the side panel, showing a MemoDocument: the label `lbl1`,
// the ruled paper `drwgrd16` and the eleven lines `edt1` .. `edt11`. Each change of the focused
// line goes into the document at once (edt1Change) and leaving a line does too (edt1Exit); the
// rules are the document's. Until a load succeeds the lines are read-only, and a line getting the
// focus loads again.
class MemoPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int LineCount = MemoDocument::LineCount;

    // `context` belongs to the notes session and must outlive the panel.
    explicit MemoPanel(PageContext &context, QWidget *parent = nullptr);
    ~MemoPanel() override;

    MemoDocument *document() const { return m_document.get(); }

    // LoadMemoList: reads the eleven lines into the edits. Returns false (and tells) on failure.
    bool LoadMemoList() { return m_document->load(); }

    // CurrentMemoLine: the line (1..11) that last received the focus, 0 before any.
    int currentMemoLine() const { return m_currentLine; }
    NoteLineEdit *line(int n) const { return m_lines[n - 1]; }

    // ---- forwarding to document(), for the main window while it still drives the list -------

    // Writes the lines whose earlier write failed (closing). False when that fails; tells the
    // user unless the caller asks the user itself.
    bool writePending(bool tellFailure = true) { return m_document->writePending(tellFailure); }
    // Whether the store can be written. While it cannot (closed, read-only; the main window has
    // said why once), the lines take no typing and a load of a closed store stays quiet.
    void setStoreWritable(bool writable) { m_document->setReadOnly(!writable); }
    // The lines whose text is not in the store, for a recovery file.
    QList<UnsavedCell> unsavedCells() const { return m_document->unsavedCells(); }

private:
    void edt1Change(NoteLineEdit *edit);
    void edt1Exit(NoteLineEdit *edit);
    void edt1Enter(NoteLineEdit *edit);
    void fillLines();
    void updateEditable();

    std::unique_ptr<MemoDocument> m_document;
    QLabel *m_label = nullptr;
    RuledPaper *m_paper = nullptr;
    std::array<NoteLineEdit *, LineCount> m_lines{};
    int m_currentLine = 0;
    bool m_filling = false;
};
