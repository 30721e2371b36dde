#include "app/PickerDropDown.h"

#include "calendar_control/DayGrid.h"
#include "calendar_control/LunarCalendarWidget.h"

#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>

PickerDropDown::PickerDropDown(LunarCalendarWidget &picker, QObject *parent)
    : QObject(parent), m_picker(picker) {
    // Filters installed later run first: the digits open the calendar, not the picker's own
    // month and year menus (still on the right button).
    for (QLabel *digits : {m_picker.monthLabel(), m_picker.yearLabel()})
        digits->installEventFilter(this);
}

PickerDropDown::~PickerDropDown() {
    delete m_popup;
}

bool PickerDropDown::isOpen() const {
    return m_popup && m_popup->isVisible();
}

void PickerDropDown::build() {
    if (m_popup) return;
    m_popup = new QWidget(&m_picker, Qt::Popup);
    m_popup->setObjectName(QStringLiteral("PickerDropDown"));
    m_calendar = new LunarCalendarWidget(m_popup);
    m_calendar->setObjectName(QStringLiteral("chnDropDown"));
    m_calendar->setHolidays(m_picker.holidays());
    m_popup->resize(m_calendar->size());
    m_popup->installEventFilter(this);
    // A press moves the selection, the release on it chooses: a drag ends on the day it shows.
    connect(m_calendar, &LunarCalendarWidget::selectedDateClicked, this, &PickerDropDown::choose);
}

void PickerDropDown::open() {
    build();
    m_calendar->setDateTime(m_picker.dateTime());
    QRect place(m_picker.mapToGlobal(QPoint(0, m_picker.height())), m_popup->size());
    if (const QScreen *screen = m_picker.screen()) {
        const QRect room = screen->availableGeometry();
        if (place.right() > room.right()) place.moveRight(room.right());
        if (place.left() < room.left()) place.moveLeft(room.left());
        // Near the bottom of the screen it opens above the picker instead.
        if (place.bottom() > room.bottom())
            place.moveBottom(m_picker.mapToGlobal(QPoint(0, 0)).y() - 1);
    }
    // The calendar itself, not a frame a window system may add around it, starts there.
    m_popup->setGeometry(place);
    m_popup->show();
    m_calendar->dayGrid()->setFocus(Qt::PopupFocusReason);
}

void PickerDropDown::choose(const QDate &date) {
    // Closed first: a failed save before the reload shows its message over the window.
    m_popup->close();
    if (date != m_picker.date()) m_picker.setDateTime(QDateTime(date, m_picker.dateTime().time()));
}

bool PickerDropDown::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_popup) {
        if (event->type() == QEvent::MouseButtonPress) {
            // A press on the digits closes the calendar; where the window system passes the
            // press that closed a popup on to what lies under it, it must not open it again.
            const auto *mouse = static_cast<QMouseEvent *>(event);
            bool onDigits = false;
            for (const QLabel *digits : {m_picker.monthLabel(), m_picker.yearLabel()})
                onDigits = onDigits ||
                           (digits->isVisible() && digits->rect().contains(digits->mapFromGlobal(
                                                       mouse->globalPosition().toPoint())));
            m_popup->setAttribute(Qt::WA_NoMouseReplay, onDigits);
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                choose(m_calendar->date());
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (event->type() == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
        m_pressedOn = watched;
    } else if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        const bool click =
            m_pressedOn == watched &&
            static_cast<QWidget *>(watched)->rect().contains(mouse->position().toPoint());
        m_pressedOn = nullptr;
        if (click) open();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
