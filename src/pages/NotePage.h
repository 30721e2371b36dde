#pragma once

#include "pages/NoteDocument.h"

#include <QDate>
#include <QWidget>

#include <functional>
#include <memory>

struct PageContext;
class HolidayTable;
class QTextEdit;

// What a page wants of the main window's top bar while it is the active page. The side panel
// below the web panel shows the page's own sidePanel() when it has one, the memo list otherwise.
struct SideControls {
    bool pickerVisible = true;
    bool pickerEnabled = true;
    bool fontLists = false; // the font face and size lists
};

// The box the font lists format, found again from the last selection record, and whether it
// takes face and size together whichever list was chosen (a day box of the month page).
struct FontTarget {
    QTextEdit *box = nullptr;
    bool bothAttributes = false;
};

// One note page of the main window's page area: the panel placed in its tab sheet, showing the
// cells of its document (a NoteDocument, which it owns) and taking the user's typing into them.
// The document keeps the notes and the rules that protect them; the page keeps what is seen:
// layout, focus, selection, which widgets take typing.
//
// The main window keeps a list of pages and drives the active one through this class: the page
// button calls open(), a change of the picker's date pickerDateChanged(), the auto-save and the
// closing, size-toggle and minimise actions document()->saveIfModified(). Adding a page is one
// document and one page class in src/pages plus one registration line in the main window.
//
// Until its document's first successful load the page and its side panel are disabled, so
// nothing can be typed that could not be saved (a page creates its side panel disabled). The
// cells take no typing while the document is read-only (applyReadOnly()). A cell losing the focus
// saves the document, as each page's behaviour requires.
class NotePage : public QWidget {
    Q_OBJECT
public:
    using DateSource = std::function<QDate()>;

    ~NotePage() override;

    NoteDocument *document() const { return m_document.get(); }
    PageContext &context() const { return m_document->context(); }

    // The picker's current date, read by every load. Default: today.
    void setDateSource(DateSource source);
    QDate pickerDate() const;
    // Whether the page is the main window's active page (activeChanged() follows).
    void setActive(bool active);
    bool isActive() const { return m_active; }

    virtual SideControls sideControls() const = 0;
    // A panel of the page that the main window shows in its side panel, in place of the memo
    // list, while the page is active (the month page's day plan). Created without a parent; the
    // main window reparents it. Default: none.
    virtual QWidget *sidePanel() const { return nullptr; }

    // The page button's share of a page switch, after the picker was set to today and the page
    // activated: saves unsaved changes, prepareOpen(), load().
    bool open();
    // Places the page's cells for its current size.
    virtual void layoutPage() = 0;
    // The main window's first show. Default: layoutPage().
    virtual void firstShow();
    // The picker's date changed while the page is active (after the store reconnected).
    // Default: load().
    virtual void pickerDateChanged();
    // The window is minimised (after the active page was saved) or restored. Default: nothing.
    // The official days off and working days the page's calendars mark; none by default.
    virtual void setHolidays(std::shared_ptr<const HolidayTable> /*holidays*/) {}
    virtual void windowMinimised() {}
    virtual void windowRestored() {}

    // The page's cell that has the keyboard focus, which the editing commands act on (cell
    // menus, mark buttons, colour command, font lists), searched in the page's order: a
    // rich-text box or a one-line edit. Null when none has it (then the commands do nothing).
    // Default: none.
    virtual QWidget *focusedCell() const { return nullptr; }
    // Gives `cell`, one of the page's cells, the colour `colour`: the selected text of a
    // rich-text box (or the text typed next at its caret), the whole line of a one-line edit.
    virtual void setCellColour(QWidget *cell, const QColor &colour);
    // The box the font lists act on; none by default and whenever the record names no box.
    virtual FontTarget fontTarget() const { return {}; }

    // Loads the document for the picker's date.
    bool load();

protected:
    // `document` is the page's; it goes after the page's widgets.
    explicit NotePage(std::unique_ptr<NoteDocument> document, QWidget *parent = nullptr);

    // The page button's steps before its load (layout, selection). Default: nothing.
    virtual void prepareOpen() {}
    virtual void activeChanged(bool /*active*/) {}
    // Makes the cells take typing or not: after every setReadOnly() of the document and after
    // every load (which may change which cells take typing).
    virtual void applyReadOnly(bool readOnly) = 0;

private:
    std::unique_ptr<NoteDocument> m_document;
    DateSource m_dateSource;
    bool m_active = false;
    bool m_enabledByLoad = false;
};
