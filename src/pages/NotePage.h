#pragma once

#include "export/ExportDocument.h"
#include "pages/PageFlags.h"
#include "pages/Prompts.h"
#include "pages/UnsavedCell.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class NoteStore;
class QTextEdit;

// What a page wants of the main window's top bar while it is the active page. The side panel
// below the web panel shows the page's own sidePanel() when it has one, the memo list otherwise.
struct SideControls {
    bool pickerVisible = true; // the date picker ChnCalendar1
    bool pickerEnabled = true;
    bool fontLists = false; // ccbFont and cbbFontSize
};

// The box the font lists format, found again from the last selection record, and whether it
// takes face and size together whichever list was chosen (a day box of the month page).
struct FontTarget {
    QTextEdit *box = nullptr;
    bool bothAttributes = false;
};

// One note page of the main window's page area: the panel placed in its tab sheet, with the cells
// the user writes in, loaded for the picker's date and saved through NoteStore.
//
// The main window keeps a list of pages and drives the active one through this class only: the
// page button calls open(), a change of the picker's date pickerDateChanged(), the auto-save
// saveIfModified(), the closing, size-toggle and minimise actions saveIfModified() too. Adding a
// page is one subclass in src/pages plus one registration line in the main window.
//
// The rules that keep the user's text are kept here, once, for every page (the non-virtual
// load(), save(), saveIfModified() and open()):
//  - a page with unsaved changes is saved before anything reloads it; when that save fails
//    nothing reloads and the text stays on screen (while saving is disabled, during creation and
//    closing, the reload is skipped too);
//  - a save writes into the period the cells were loaded for (loadedDate()), never into the
//    picker's date of the moment;
//  - a save before the first successful load is refused, so blank cells never overwrite notes
//    (such cells belong to no period: a later load replaces them); until that load the page and
//    its side panel are disabled, so nothing can be typed that could not be saved (a page
//    creates its side panel disabled);
//  - a load reads everything before it changes a cell; a successful one clears the cells' undo
//    history and modification marks, a failed one leaves the cells and loadedDate() as they were
//    and shows the error;
//  - the loading flag (PageFlags::loading) is set while a load runs and cleared on every way out;
//  - every failed save shows exactly one message, also when a focus change caused by that message
//    asks for another save;
//  - nothing is saved while PageFlags::savingEnabled is false.
//
// A subclass supplies the period arithmetic and storage in readCells() / writeCells() (throwing
// StoreError or another std::exception on failure), setUnmodified() and hasUnsavedChanges(); its
// widgets call save() on focus loss and load() after their own layout or show steps as its
// behaviour requires. Keep a page's stored state (documents, keys) in a class without widgets
// where it fits, so tests, the export and the wallpaper capture can read it without a screen.
class NotePage : public QWidget {
    Q_OBJECT
public:
    using DateSource = std::function<QDate()>;
    using MessageSink = std::function<void(const QString &text)>;

    // `store` and `flags` belong to the main window and must outlive the page.
    NotePage(NoteStore &store, PageFlags &flags, QWidget *parent = nullptr);
    ~NotePage() override;

    // ---- wiring by the main window ----------------------------------------------------------

    // The picker's current date, read by every load. Default: today.
    void setDateSource(DateSource source);
    QDate pickerDate() const;
    // Receives the text of every message instead of a message box (tests, the main window's own
    // message function). Default: message boxes over the page's window.
    void setMessageSink(MessageSink sink);
    // Whether the page is the main window's active page (activeChanged() follows).
    void setActive(bool active);
    bool isActive() const { return m_active; }

    // ---- what the page is -------------------------------------------------------------------

    virtual SideControls sideControls() const = 0;
    // A panel of the page that the main window shows in its side panel, in place of the memo
    // list, while the page is active (the month page's day plan). Created without a parent; the
    // main window reparents it. Default: none.
    virtual QWidget *sidePanel() const { return nullptr; }
    // The cells in their stored order, as plain text as they stand on screen (saved or not);
    // read by the export and the wallpaper capture. `index` is 0-based.
    virtual int cellCount() const = 0;
    virtual QString cellText(int index) const = 0;
    // The page's notes as "内容导出" writes them, from the cells as they stand, for the period
    // the page shows. Default: nothing, the page is not exported.
    virtual std::optional<ExportDocument> exportDocument() const { return std::nullopt; }

    // ---- the shared rules ---------------------------------------------------------------------

    // Loads the cells for the picker's date (saving unsaved changes first, see above). Returns
    // false when nothing was loaded.
    bool load();
    // Writes every cell into the loaded period. Returns true when written or while saving is
    // disabled; false (after one message, unless `report` is false) on failure, before the
    // first load, and for a save asked for while another save is still running (a save in
    // progress is never success).
    bool save(bool report = true);
    // Saves only when the page has unsaved changes (auto-save, closing, switching away).
    bool saveIfModified(bool report = true);
    // The page button's share of a page switch, after the picker was set to today and the page
    // activated: saves unsaved changes, prepareOpen(), load().
    bool open();

    virtual bool hasUnsavedChanges() const = 0;
    // The cells with unsaved changes, for a recovery file when saving is impossible.
    virtual QList<UnsavedCell> unsavedCells() const = 0;

    // A read-only page (the store cannot be written or is not open): the cells take no typing
    // (applyReadOnly()), a save with nothing unsaved writes nothing and succeeds, and a load
    // from a store that is not open reads nothing and says nothing (whoever opened the store
    // has said why).
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    bool isLoaded() const { return m_loaded; }
    // The picker's date at the last successful load; the cells hold its period.
    QDate loadedDate() const { return m_loadedDate; }
    bool lastSaveFailed() const { return m_lastSaveFailed; }
    // The cause of the last failed save (the store's text); empty after a successful one.
    QString lastSaveError() const { return m_lastSaveError; }

    // ---- events of the main window ----------------------------------------------------------

    // Places the page's cells for its current size (LayoutXxxPage).
    virtual void layoutPage() = 0;
    // The main window's first show. Default: layoutPage().
    virtual void firstShow();
    // The picker's date changed while the page is active (after the store reconnected).
    // Default: load().
    virtual void pickerDateChanged();
    // The window is minimised (after the active page was saved) or restored. Default: nothing.
    virtual void windowMinimised() {}
    virtual void windowRestored() {}

    // ---- editing commands (cell menus, mark buttons, colour command, font lists) -----------

    // The page's cell that has the keyboard focus, searched in the page's order: a rich-text
    // box or a one-line edit. Null when none has it (then the commands do nothing). Default:
    // none.
    virtual QWidget *focusedCell() const { return nullptr; }
    // Gives `cell`, one of the page's cells, the colour `colour`: the selected text of a
    // rich-text box (or the text typed next at its caret), the whole line of a one-line edit.
    virtual void setCellColour(QWidget *cell, const QColor &colour);
    // The box the font lists act on; none by default and whenever the record names no box.
    virtual FontTarget fontTarget() const { return {}; }

signals:
    // After every load attempt and every save attempt that reached the store (or failed).
    void loadFinished(bool ok);
    void saveFinished(bool ok);

protected:
    // Reads what the page shows for `date` and puts it into the cells. Must read everything
    // before changing any cell, so that a throw leaves the page as it was.
    virtual void readCells(const QDate &date) = 0;
    // Writes every cell into the period of `date` (the loaded date) in one transaction.
    virtual void writeCells(const QDate &date) = 0;
    // Marks every cell unmodified; after a load also clears the cells' undo history.
    virtual void setUnmodified(bool clearUndo) = 0;
    // The page button's steps before its load (layout, selection). Default: nothing.
    virtual void prepareOpen() {}
    virtual void activeChanged(bool /*active*/) {}
    // Makes the cells take typing or not (setReadOnly()).
    virtual void applyReadOnly(bool readOnly) = 0;
    // The message of a failed save; `error` is the failure's own text. Default: an error box
    // with that text.
    virtual PageMessage saveFailureMessage(const QString &error) const;

    // Shows a message through the sink or a message box.
    void showMessage(const PageMessage &message);
    // A failed read outside load() (an error box with the text).
    void showError(const QString &text);

    // Sets the loading flag for a partial load of the page's own (the day plan of a newly
    // selected day) and restores it on every way out.
    class LoadingScope {
    public:
        explicit LoadingScope(PageFlags &flags) : m_flags(flags), m_was(flags.loading) {
            m_flags.loading = true;
        }
        ~LoadingScope() { m_flags.loading = m_was; }
        LoadingScope(const LoadingScope &) = delete;
        LoadingScope &operator=(const LoadingScope &) = delete;

    private:
        PageFlags &m_flags;
        bool m_was;
    };

    // The texts of cells 0 .. N-1, as cellText() gives them.
    template <std::size_t N> std::array<QString, N> cellTexts() const {
        std::array<QString, N> texts;
        for (std::size_t i = 0; i < N; ++i) texts[i] = cellText(static_cast<int>(i));
        return texts;
    }

    NoteStore &store() const { return m_store; }
    PageFlags &flags() const { return m_flags; }

private:
    bool saveBeforeReload();
    // Text of a save refused before the first load (shown through saveFailureMessage()).
    static QString notLoadedText();

    NoteStore &m_store;
    PageFlags &m_flags;
    DateSource m_dateSource;
    MessageSink m_messageSink;
    QDate m_loadedDate;
    bool m_active = false;
    bool m_loaded = false;
    bool m_lastSaveFailed = false;
    bool m_saving = false; // a failure message box must not start a second save
    bool m_readOnly = false;
    QString m_lastSaveError;
};
