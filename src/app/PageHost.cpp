#include "app/PageHost.h"

#include "app/NotesSession.h"
#include "app/PageButton.h"
#include "app/SidePanel.h"
#include "calendar_control/LunarCalendarWidget.h"
#include "pages/NoteDocument.h"

#include <QButtonGroup>
#include <QDateTime>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

PageHost::PageHost(NotesSession &session, std::vector<PageRow> rows, QWidget *buttonParent,
                   QStackedWidget *stack, SidePanel &sidePanel, LunarCalendarWidget &picker,
                   QObject *parent)
    : QObject(parent), m_session(session), m_stack(stack), m_sidePanel(sidePanel), m_picker(picker),
      m_buttons(new QButtonGroup(this)), m_autoSave(new QTimer(this)) {
    m_autoSave->setObjectName(QStringLiteral("tmrAutoSave"));
    m_autoSave->setInterval(AutoSaveInterval);
    connect(m_autoSave, &QTimer::timeout, this, &PageHost::autoSave);

    m_entries.reserve(rows.size());
    for (PageRow &row : rows) {
        Entry e;
        e.button = new PageButton(row.caption, buttonParent);
        e.button->setObjectName(row.buttonName);
        e.button->setCheckable(true);
        m_buttons->addButton(e.button);
        // The page's place is white until the page is built into it.
        e.sheet = new QWidget(m_stack);
        e.sheet->setObjectName(row.sheetName);
        QPalette palette = e.sheet->palette();
        palette.setColor(QPalette::Window, Qt::white);
        e.sheet->setPalette(palette);
        e.sheet->setAutoFillBackground(true);
        m_stack->addWidget(e.sheet);
        e.row = std::move(row);
        m_entries.push_back(std::move(e));
    }
    for (std::size_t i = 0; i < m_entries.size(); ++i)
        connect(m_entries[i].button, &QAbstractButton::clicked, this,
                [this, i] { openPage(build(m_entries[i])); });
    for (Entry &e : m_entries)
        if (e.row.startPage) build(e);
}

PageHost::~PageHost() = default;

std::vector<PageButton *> PageHost::buttons() const {
    std::vector<PageButton *> buttons;
    for (const Entry &e : m_entries) buttons.push_back(e.button);
    return buttons;
}

NotePage *PageHost::page(const QString &buttonName) {
    for (Entry &e : m_entries)
        if (e.row.buttonName == buttonName) return build(e);
    return nullptr;
}

std::vector<NotePage *> PageHost::builtPages() const {
    std::vector<NotePage *> pages;
    for (const Entry &e : m_entries)
        if (e.page) pages.push_back(e.page);
    return pages;
}

NotePage *PageHost::build(Entry &entry) {
    if (entry.page) return entry.page;
    NotePage *page = entry.row.make(m_session.context());
    entry.page = page;
    auto *layout = new QVBoxLayout(entry.sheet);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(page);
    page->setDateSource([this] { return m_picker.date(); });
    if (m_holidays) page->setHolidays(m_holidays);
    m_sidePanel.addPagePanel(page->sidePanel());
    m_session.addDocument(page->document());
    page->show();
    if (m_shown) page->firstShow();
    return page;
}

void PageHost::setHolidays(std::shared_ptr<const HolidayTable> holidays) {
    m_holidays = std::move(holidays);
    for (NotePage *page : builtPages()) page->setHolidays(m_holidays);
}

bool PageHost::openPage(NotePage *page) {
    if (!page) return false;
    // Text typed on the page being left is written first; when that fails the user stays there
    // with the text and the message.
    if (m_active && !m_active->document()->saveIfModified()) {
        activate(m_active);
        return false;
    }
    // A date change reloads the page still active, for today, before the switch.
    setPickerToToday();
    activate(page);
    return page->open();
}

bool PageHost::openStartPage() {
    for (Entry &e : m_entries)
        if (e.row.startPage) return openPage(build(e));
    return false;
}

void PageHost::firstShow() {
    m_shown = true;
    for (Entry &e : m_entries)
        if (e.row.startPage) activate(build(e));
    for (NotePage *page : builtPages()) page->firstShow();
}

bool PageHost::confirmStartPage() {
    const QDate today = QDate::currentDate();
    for (const Entry &e : m_entries) {
        if (!e.row.startPage || !e.page || e.page != m_active) continue;
        const NoteDocument *document = e.page->document();
        if (document->isLoaded() && !document->isModified() && m_picker.date() == today &&
            document->loadedDate() == today)
            return true;
    }
    return openStartPage();
}

void PageHost::setPickerToToday() {
    const QDate today = QDate::currentDate();
    if (m_picker.date() != today) m_picker.setDateTime(QDateTime(today, QTime::currentTime()));
}

void PageHost::pickerDateChanged() {
    if (m_session.isClosing()) return;
    m_session.reconnect();
    if (m_active) m_active->pickerDateChanged();
}

void PageHost::activate(NotePage *page) {
    m_active = page;
    m_session.setActiveDocument(page ? page->document() : nullptr);
    for (const Entry &e : m_entries) {
        if (!page || e.page != page) continue;
        m_stack->setCurrentWidget(e.sheet);
        e.button->setChecked(true);
    }
    for (NotePage *p : builtPages())
        if (p != page) p->setActive(false);
    if (page) page->setActive(true);
    m_sidePanel.showPagePanel(page ? page->sidePanel() : nullptr);
    emit sideControlsChanged(page ? page->sideControls() : SideControls());
}

void PageHost::autoSave() {
    if (!m_active) return;
    NoteDocument *document = m_active->document();
    if (document->isLoading()) return;
    // The user has been told about the failure; the next word is a save that works again.
    document->saveIfModified(!document->lastSaveFailed());
}

void PageHost::windowMinimised() {
    if (!m_active) return;
    m_session.saveActive();
    m_active->windowMinimised();
}

void PageHost::windowRestored() {
    if (m_active) m_active->windowRestored();
}
