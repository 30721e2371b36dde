#include "app/NoteFinder.h"

#include "app/NotesSession.h"
#include "app/PageHost.h"
#include "app/SidePanel.h"
#include "calendar_control/LunarCalendarWidget.h"
#include "pages/AnnualNotesPage.h"
#include "pages/DayRichEdit.h"
#include "pages/DesktopMonthPage.h"
#include "pages/MemoPanel.h"
#include "pages/MonthNotesDocument.h"
#include "pages/NoteLineEdit.h"
#include "pages/SheetPage.h"
#include "store/NoteStore.h"
#include "store/StoreError.h"

#include <QDateTime>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// The button names of the pages (PageTable.cpp).
const QString MonthPageButton = QStringLiteral("SpeedButton2");
const QString AnnualPageButton = QStringLiteral("spdRili");
const QString GeneralPageButton = QStringLiteral("btnYiban");
const QString CalendarPageButton = QStringLiteral("btnRili");

void selectIn(QTextEdit *edit, const QString &query) {
    if (!edit) return;
    edit->setFocus(Qt::OtherFocusReason);
    const auto [start, length] = NoteSearch::locate(edit->toPlainText(), query);
    if (start < 0) return;
    QTextCursor cursor(edit->document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
}

void selectIn(QLineEdit *edit, const QString &query) {
    if (!edit) return;
    edit->setFocus(Qt::OtherFocusReason);
    const auto [start, length] = NoteSearch::locate(edit->text(), query);
    if (start >= 0) edit->setSelection(start, length);
}

} // namespace

NoteFinder::NoteFinder(NotesSession &session, PageHost &pages, LunarCalendarWidget &picker,
                       SidePanel &sidePanel)
    : m_session(session), m_pages(pages), m_picker(picker), m_sidePanel(sidePanel) {}

QString NoteFinder::waitNotice() const {
    // Until the upgrade is done the file open for reading has no index, or an old one.
    return m_session.isUpgrading() ? QStringLiteral("记事还在为查找整理中，请稍后再查找。")
                                   : QString();
}

std::vector<SearchHit> NoteFinder::find(const QString &query) const {
    const QString notice = waitNotice();
    if (!notice.isEmpty()) throw StoreError(notice);
    return NoteSearch(m_session.store()).find(query, unsavedTexts());
}

std::vector<NoteText> NoteFinder::unsavedTexts() const {
    std::vector<NoteText> texts;
    NotePage *page = m_pages.activePage();
    if (!page || !page->document()->isModified() || !page->document()->loadedDate().isValid())
        return texts;
    const QDate loaded = page->document()->loadedDate();
    if (auto *month = qobject_cast<DesktopMonthPage *>(page)) {
        const MonthNotesDocument *doc = month->document();
        const QString key = NoteStore::yearMonthKey(doc->grid().displayDate());
        for (int i = 0; i < MonthNotesDocument::CellCount; ++i)
            texts.push_back({NoteStore::placeOf(NotePlace::Kind::MonthCell, key, i),
                             doc->cell(i)->toPlainText()});
        if (doc->dayPlanDate().isValid())
            texts.push_back({NoteStore::placeOf(NotePlace::Kind::DayPlan,
                                                NoteStore::dayKey(doc->dayPlanDate()), 0),
                             doc->dayPlan()->toPlainText()});
    } else if (auto *annual = qobject_cast<AnnualNotesPage *>(page)) {
        for (int m = 1; m <= NoteStore::MonthCount; ++m)
            if (DayRichEdit *box = annual->box(m))
                texts.push_back({NoteStore::placeOf(NotePlace::Kind::YearNote,
                                                    QString::number(loaded.year()), m - 1),
                                 box->toPlainText()});
    } else if (auto *sheet = qobject_cast<SheetPage *>(page)) {
        const bool general = sheet->config().sheet == NoteStore::Sheet::General;
        const QString key = general ? NoteStore::yearMonthKey(loaded) : NoteStore::CalendarSheetKey;
        for (int n = 1; n <= SheetPage::LineCount; ++n)
            if (NoteLineEdit *line = sheet->line(n))
                texts.push_back({NoteStore::placeOf(general ? NotePlace::Kind::GeneralLine
                                                            : NotePlace::Kind::CalendarLine,
                                                    key, n - 1),
                                 line->text()});
    }
    return texts;
}

void NoteFinder::setPickerDate(const QDate &date) {
    if (date.isValid() && m_picker.date() != date)
        m_picker.setDateTime(QDateTime(date, QTime::currentTime()));
}

bool NoteFinder::goTo(const NotePlace &place, const QString &query) {
    // The shared rule of every move: the page in front is saved first; a failed save keeps it.
    if (!m_session.saveActive()) return false;
    switch (place.kind) {
    case NotePlace::Kind::MonthCell:
    case NotePlace::Kind::DayPlan: {
        auto *page = qobject_cast<DesktopMonthPage *>(m_pages.page(MonthPageButton));
        if (!page || !m_pages.openPage(page)) return false;
        QDate date = place.date;
        if (place.kind == NotePlace::Kind::MonthCell) {
            // A cell of the next or last month shown on this page: the page's month, same cell.
            const QDate inMonth = NoteStore::placeOf(place.kind, place.key, 14).date;
            if (date.month() != inMonth.month() || date.year() != inMonth.year())
                date = QDate(inMonth.year(), inMonth.month(), 1);
        }
        setPickerDate(date);
        if (place.kind == NotePlace::Kind::DayPlan) {
            page->selectDateAlone(place.date);
            page->showDayPlan();
            selectIn(page->dayPlanEditor(), query);
        } else {
            selectIn(page->dayEditor(place.slot + 1), query);
        }
        return true;
    }
    case NotePlace::Kind::YearNote: {
        auto *page = qobject_cast<AnnualNotesPage *>(m_pages.page(AnnualPageButton));
        if (!page || !m_pages.openPage(page)) return false;
        setPickerDate(place.date);
        selectIn(page->box(place.slot + 1), query);
        return true;
    }
    case NotePlace::Kind::GeneralLine:
    case NotePlace::Kind::CalendarLine: {
        const bool general = place.kind == NotePlace::Kind::GeneralLine;
        auto *page = qobject_cast<SheetPage *>(
            m_pages.page(general ? GeneralPageButton : CalendarPageButton));
        if (!page || !m_pages.openPage(page)) return false;
        if (general) setPickerDate(place.date);
        selectIn(page->line(place.slot + 1), query);
        return true;
    }
    case NotePlace::Kind::MemoLine: {
        // The memo list shows beside the pages without a panel of their own.
        MemoPanel *memo = m_sidePanel.memoPanel();
        if (!memo) return false;
        if (!memo->isVisible()) {
            NotePage *page = m_pages.page(GeneralPageButton);
            if (!page || !m_pages.openPage(page)) return false;
        }
        selectIn(memo->line(place.slot + 1), query);
        return true;
    }
    }
    return false;
}
