#pragma once

#include "pages/UnsavedCell.h"
#include "store/NoteStore.h"

#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

struct PageContext;

// The memo list "备忘录" without widgets: eleven lines that belong to no period, each written into
// its own column 1..11 (never the key column) as it is typed, only when its text differs from
// what is stored. Not a NoteDocument: there is no period to load or save, and no auto-save.
//
// Until a load has succeeded nothing is written, so a keystroke can never overwrite a stored line
// that was not shown; views keep their lines read-only meanwhile and load again when a line gets
// the focus. A failed write leaves the line pending: the next change or leaving of any line tries
// it again. Failures while typing are told once until a write succeeds again; a failure on leaving
// a line is always told. Messages go through the context's prompts, one at a time, unless a view
// shows write failures itself (setWriteFailuresShownByView()): a message box would take the keys
// typed after the failure.
class MemoDocument : public QObject {
    Q_OBJECT
public:
    static constexpr int LineCount = NoteStore::MemoLineCount;

    // `context` belongs to the notes session and must outlive the document.
    explicit MemoDocument(PageContext &context, QObject *parent = nullptr);
    ~MemoDocument() override;

    // Reads the eleven lines; on failure tells why (unless read-only) and changes nothing.
    bool load();
    bool isLoaded() const { return m_loaded; }
    // True while a load runs.
    bool isLoading() const { return m_loading; }
    // Line n (1..11) as last read or written.
    const QString &line(int n) const { return m_stored[n - 1]; }

    // The text of line n changed while the user typed in it. False when a write failed.
    bool lineChanged(int n, const QString &text);
    // The user left line n. False when a write failed.
    bool lineLeft(int n, const QString &text);
    // Tries the lines still pending once more (closing). False when that fails or while saving
    // is shut (the lines then wait); tells of a failure unless `report` is false (the caller asks
    // the user itself).
    bool writePending(bool report = true);
    // Forgets the lines still pending (their text went to a recovery file).
    void discardPending();

    // True while some line's text could not be written.
    bool hasPendingWrite() const;
    // The text of line n (1..11) whose write failed, if any.
    const std::optional<QString> &pending(int n) const { return m_pending[n - 1]; }
    // The lines whose text is not in the store, for a recovery file.
    QList<UnsavedCell> unsavedCells() const;

    // The store cannot be written (closed, read-only; whoever opened it has said why once): views
    // take no typing, and a failed load stays quiet.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // A message is being shown (a message box is open).
    bool isTelling() const { return m_telling; }

    // Failed writes while typing in or leaving a line are left to a view, which shows
    // writeFailure() without taking the focus; no message box then. Closing (writePending())
    // and loads still tell through the prompts.
    void setWriteFailuresShownByView(bool shown) { m_viewShowsWriteFailures = shown; }
    // The message of the last failed write while some line is still pending, else empty.
    const QString &writeFailure() const { return m_writeFailure; }

signals:
    // A load succeeded; emitted while isLoading() is still true, so views refill as part of it.
    void loaded();
    // Emitted by every setReadOnly(), changed or not.
    void readOnlyChanged(bool readOnly);
    // writeFailure() changed: a write failed, or the pending lines have been written.
    void writeFailureChanged(const QString &message);

private:
    // Writes line n when its text differs, then the lines still pending; the store's error text
    // on the first failure.
    std::optional<QString> write(int n, const QString &text);
    std::optional<QString> writeOne(int n, const QString &text);
    void tell(const std::optional<QString> &message);
    // Records a failed write (or, with an empty message, that none is pending) and tells it when
    // no view shows it: always, or only once per run of failures unless `always`.
    void writeFailed(const QString &message, bool always);
    void setWriteFailure(const QString &message);

    PageContext &m_context;
    MemoLines m_stored;
    bool m_loaded = false;
    bool m_loading = false;
    bool m_readOnly = false;
    bool m_told = false;    // the current run of failures while typing has been told
    bool m_telling = false; // a message is open: the focus it takes must not tell again
    bool m_viewShowsWriteFailures = false;
    QString m_writeFailure;
    // Texts whose write failed or waits for saving to open.
    std::array<std::optional<QString>, LineCount> m_pending;
};
