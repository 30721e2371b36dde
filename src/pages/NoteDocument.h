#pragma once

#include "export/ExportDocument.h"
#include "pages/Prompts.h"
#include "pages/UnsavedCell.h"
#include "pages/WallpaperNotes.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QString>

#include <array>
#include <optional>

struct PageContext;

// The notes one page shows, without widgets: the cells of one period (a month, a year, a sheet),
// read from and written to the store. A page's widgets show a document and edit it; tests, the
// export and the wallpaper read it without a screen.
//
// The rules that keep the user's text are kept here, once, for every kind of document (the
// non-virtual load(), save() and saveIfModified()):
//  - a document with unsaved changes is saved before anything reloads it; when that save fails,
//    or while the save gate is closed, nothing reloads and the text stays;
//  - a save writes into the period the cells were loaded for (loadedDate()), whatever date is
//    asked for next;
//  - a save before the first successful load is refused, so blank cells never overwrite notes
//    (such cells belong to no period: a later load replaces them);
//  - a load reads everything before it changes a cell; a successful one clears the cells' undo
//    history and modification marks, a failed one leaves the cells and loadedDate() as they were
//    and shows the error;
//  - isLoading() is true while a load runs and false again on every way out;
//  - every failed save shows exactly one message, also when something that runs while that
//    message is open asks for another save (that save is refused without a message);
//  - nothing is written while the context's save gate is closed (a save then reports success).
// Messages go through the context's prompts.
//
// A kind supplies the period arithmetic and storage in readCells() / writeCells() (throwing
// StoreError or another std::exception on failure), setUnmodified() and isModified(), and calls
// notifyModified() when its cells' modification may have changed.
class NoteDocument : public QObject {
    Q_OBJECT
public:
    // `context` belongs to the notes session and must outlive the document.
    explicit NoteDocument(PageContext &context, QObject *parent = nullptr);
    ~NoteDocument() override;

    PageContext &context() const { return m_context; }

    // Loads the cells for `date`'s period, saving unsaved changes first. Returns false when
    // nothing was loaded.
    bool load(const QDate &date);
    // Writes every cell into the loaded period. Returns true when written or while the save gate
    // is closed; false (after one message, unless `report` is false) on failure, before the first
    // load, and for a save asked for while another is still running (a save in progress is never
    // success).
    bool save(bool report = true);
    // Saves only when there are unsaved changes (auto-save, closing, switching away).
    bool saveIfModified(bool report = true);
    // Forgets the unsaved changes, whose text went to a recovery file, so that the next load
    // reads the cells again instead of saving them over another file's notes.
    void discardChanges();

    // Some cell changed since the last load or save.
    virtual bool isModified() const = 0;
    bool isLoading() const { return m_loading; }
    bool isLoaded() const { return m_loaded; }
    // The date of the last successful load; the cells hold its period.
    QDate loadedDate() const { return m_loadedDate; }
    bool lastSaveFailed() const { return m_lastSaveFailed; }
    // The cause of the last failed save (the store's text); empty after a successful one.
    QString lastSaveError() const { return m_lastSaveError; }

    // A read-only document (the store cannot be written or is not open): a save with nothing
    // unsaved writes nothing and succeeds, and a load from a store that is not open reads nothing
    // and says nothing (whoever opened the store has said why). Views stop taking typing.
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }

    // The cells in their stored order, as plain text as they stand (saved or not); `index` is
    // 0-based.
    virtual int cellCount() const = 0;
    virtual QString cellText(int index) const = 0;
    // The cells with unsaved changes, for a recovery file when saving is impossible.
    virtual QList<UnsavedCell> unsavedCells() const = 0;
    // The notes as "内容导出" writes them, from the cells as they stand, for the period shown.
    // Default: nothing, the document is not exported.
    virtual std::optional<ExportDocument> exportDocument() const { return std::nullopt; }
    // The cells as the wallpaper draws them. Default: nothing, the document gives no wallpaper.
    virtual std::optional<WallpaperNotes> wallpaperNotes() const { return std::nullopt; }

signals:
    // A load succeeded: the cells hold a new period. Emitted while isLoading() is still true, so
    // views refresh as part of the load.
    void loaded();
    // After every load attempt and every save attempt that reached the store (or failed).
    void loadFinished(bool ok);
    void saveFinished(bool ok);
    void modifiedChanged(bool modified);
    // Emitted by every setReadOnly(), changed or not.
    void readOnlyChanged(bool readOnly);

protected:
    // Reads the cells for `date`'s period and puts them in place. Must read everything before it
    // changes any cell, so that a throw leaves the document as it was.
    virtual void readCells(const QDate &date) = 0;
    // Writes every cell into the period of `date` (the loaded date) in one transaction.
    virtual void writeCells(const QDate &date) = 0;
    // Marks every cell unmodified; after a load also clears the cells' undo history.
    virtual void setUnmodified(bool clearUndo) = 0;
    // The message of a failed save; `error` is the failure's own text. Default: an error box
    // with that text.
    virtual PageMessage saveFailureMessage(const QString &error) const;

    // Emits modifiedChanged() when isModified() differs from what was told last; not while a load
    // runs (a partial load calls it again once its LoadingScope has ended).
    void notifyModified();
    // The date of the last load asked for, whether it succeeded or not (invalid before any).
    QDate requestedDate() const { return m_requestedDate; }

    // The texts of cells 0 .. N-1, as cellText() gives them.
    template <std::size_t N> std::array<QString, N> cellTexts() const {
        std::array<QString, N> texts;
        for (std::size_t i = 0; i < N; ++i) texts[i] = cellText(static_cast<int>(i));
        return texts;
    }

    // Sets isLoading() for a load and restores it on every way out; also for a partial load of a
    // kind's own (the day plan of a newly selected day).
    class LoadingScope {
    public:
        explicit LoadingScope(NoteDocument &document)
            : m_document(document), m_was(document.m_loading) {
            m_document.m_loading = true;
        }
        ~LoadingScope() { m_document.m_loading = m_was; }
        LoadingScope(const LoadingScope &) = delete;
        LoadingScope &operator=(const LoadingScope &) = delete;

    private:
        NoteDocument &m_document;
        bool m_was;
    };

private:
    bool saveBeforeReload();

    PageContext &m_context;
    QDate m_loadedDate;
    QDate m_requestedDate;
    bool m_loaded = false;
    bool m_loading = false;
    bool m_lastSaveFailed = false;
    bool m_saving = false; // a failure message must not start a second save
    bool m_readOnly = false;
    bool m_toldModified = false;
    QString m_lastSaveError;
};
