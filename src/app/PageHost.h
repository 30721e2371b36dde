#pragma once

#include "app/PageTable.h"
#include "pages/NotePage.h"

#include <QObject>
#include <QString>

#include <memory>
#include <vector>

class NotesSession;
class PageButton;
class QAbstractButton;
class QButtonGroup;
class QStackedWidget;
class QTimer;
class SidePanel;
class HolidayTable;
class LunarCalendarWidget;

// The pages of the main window, made from the page table: their buttons and places in the page
// area, which page is active, the side panel that goes with it, and the auto-save of the active
// page. The host knows the pages only as NotePage.
class PageHost : public QObject {
    Q_OBJECT
public:
    static constexpr int AutoSaveInterval = 10000;

    // Buttons are made with `buttonParent` (the caller places them); the page area `stack`, the
    // side panel and the date picker belong to the main window and outlive the host.
    PageHost(NotesSession &session, std::vector<PageRow> rows, QWidget *buttonParent,
             QStackedWidget *stack, SidePanel &sidePanel, LunarCalendarWidget &picker,
             QObject *parent = nullptr);
    ~PageHost() override;

    // The page buttons in the order of the table.
    std::vector<PageButton *> buttons() const;
    // The page of the row whose button is `buttonName`, built now if it was not yet; null for an
    // unknown name.
    NotePage *page(const QString &buttonName);
    template <class T> T *page(const QString &buttonName) {
        return qobject_cast<T *>(page(buttonName));
    }
    // The first built page of class T, or null (builds nothing).
    template <class T> T *builtPage() const {
        for (NotePage *p : builtPages())
            if (auto *t = qobject_cast<T *>(p)) return t;
        return nullptr;
    }
    std::vector<NotePage *> builtPages() const;
    NotePage *activePage() const { return m_active; }

    // A page button: saves the active page when it has unsaved changes (and stays when that
    // fails), sets the picker to today (which reloads the active page when the date changes),
    // activates `page`, arranges the side controls and opens it.
    bool openPage(NotePage *page);
    bool openStartPage();
    // The window's first show: the start page becomes active and every built page lays out (the
    // start page opens from there, see NotePage::firstShow()).
    void firstShow();
    // The start-up timer: the start page opens as by its button unless what the first show left
    // still stands (the start page active, its notes loaded for today and unchanged), so the
    // notes are read once at start. True when the start page shows its notes.
    bool confirmStartPage();
    // The picker's date changed: the store reconnects, the active page follows.
    void pickerDateChanged();
    // The active page when it has unsaved changes, unless a load runs. A failure is told once;
    // the following auto-saves stay quiet until a save succeeds again.
    void autoSave();
    QTimer *autoSaveTimer() const { return m_autoSave; }
    void windowMinimised();
    void windowRestored();
    void setPickerToToday();
    // The holiday list every page's calendars mark, now and when built later.
    void setHolidays(std::shared_ptr<const HolidayTable> holidays);
    const std::shared_ptr<const HolidayTable> &holidays() const { return m_holidays; }

signals:
    // The active page changed what it wants of the top bar.
    void sideControlsChanged(const SideControls &controls);

private:
    struct Entry {
        PageRow row;
        PageButton *button = nullptr;
        QWidget *sheet = nullptr;
        NotePage *page = nullptr; // null until built
    };

    NotePage *build(Entry &entry);
    void activate(NotePage *page);

    NotesSession &m_session;
    std::vector<Entry> m_entries;
    QStackedWidget *m_stack;
    SidePanel &m_sidePanel;
    LunarCalendarWidget &m_picker;
    QButtonGroup *m_buttons = nullptr;
    QTimer *m_autoSave = nullptr;
    NotePage *m_active = nullptr;
    bool m_shown = false;
    std::shared_ptr<const HolidayTable> m_holidays;
};
