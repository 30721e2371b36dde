#pragma once

#include "pages/MemoList.h"
#include "pages/NotePage.h"
#include "pages/PageFlags.h"

#include <QWidget>

#include <array>
#include <functional>

class NoteLineEdit;
class QLabel;
class RuledPaper;

// The memo list `Panel2` "备忘录" of the side panel: the label `lbl1`, the ruled paper `drwgrd16`
// and the eleven lines `edt1` .. `edt11`. Each change of the focused line is written at once
// (edt1Change) and leaving a line writes it too (edt1Exit); the rules are MemoList's. Until a
// load succeeds the lines are read-only, and a line getting the focus loads again.
class MemoPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int LineCount = MemoList::LineCount;

    // `flags` belongs to the main window and must outlive the panel.
    MemoPanel(NoteStore &store, PageFlags &flags, QWidget *parent = nullptr);
    ~MemoPanel() override;

    // Shows an error text to the user. Default: an information box owned by the panel's window.
    void setMessageSink(std::function<void(const QString &)> sink);

    // LoadMemoList: reads the eleven lines into the edits. Returns false (and tells) on failure.
    bool LoadMemoList();

    // Writes the lines whose earlier write failed (closing). False when that fails; tells the
    // user unless the caller asks the user itself.
    bool writePending(bool tellFailure = true);
    // Whether the store can be written. While it cannot (closed, read-only; the main window has
    // said why once), the lines take no typing and a load of a closed store stays quiet.
    void setStoreWritable(bool writable);
    // The lines whose text is not in the store, for a recovery file.
    QList<UnsavedCell> unsavedCells() const;

    // CurrentMemoLine: the line (1..11) that last received the focus, 0 before any.
    int currentMemoLine() const { return m_currentLine; }
    NoteLineEdit *line(int n) const { return m_lines[n - 1]; }
    const MemoList &memo() const { return m_memo; }

private:
    void edt1Change(NoteLineEdit *edit);
    void edt1Exit(NoteLineEdit *edit);
    void edt1Enter(NoteLineEdit *edit);
    void setEditable(bool editable);
    void tell(const std::optional<QString> &message);

    MemoList m_memo;
    PageFlags &m_flags;
    std::function<void(const QString &)> m_messageSink;
    QLabel *m_label = nullptr;
    RuledPaper *m_paper = nullptr;
    std::array<NoteLineEdit *, LineCount> m_lines{};
    int m_currentLine = 0;
    bool m_filling = false;
    bool m_storeWritable = true;
    bool m_telling = false;
};
