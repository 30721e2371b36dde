#pragma once

#include <QDate>
#include <QObject>
#include <QPointer>

class LunarCalendarWidget;
class QWidget;

// The full calendar that drops down from the compact date picker of the top bar. A click on the
// picker's month or year digits opens it under the picker, at the picker's date; a day chosen
// there (clicked, or Return on the selected day) becomes the picker's date, so the pages follow
// as for every other date change. Escape or a click elsewhere closes it and changes nothing.
class PickerDropDown : public QObject {
    Q_OBJECT
public:
    explicit PickerDropDown(LunarCalendarWidget &picker, QObject *parent = nullptr);
    ~PickerDropDown() override;

    // Shows the calendar under the picker, within the picker's screen.
    void open();
    bool isOpen() const;
    // The popup window and its calendar; null until first opened.
    QWidget *popup() const { return m_popup; }
    LunarCalendarWidget *calendar() const { return m_calendar; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void build();
    void choose(const QDate &date);

    LunarCalendarWidget &m_picker;
    QPointer<QWidget> m_popup;
    LunarCalendarWidget *m_calendar = nullptr;
    // The digit label the left button went down on: a release alone (after the press that
    // closed the popup) opens nothing.
    QObject *m_pressedOn = nullptr;
};
