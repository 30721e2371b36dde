#pragma once

// The Chinese month calendar: title row with month and year, spin arrows and the "今天"
// link; a grid of the days of one civil month with the lunar day, festival or solar term
// under each day number; three title cells (star sign, year name, zodiac year) and a status
// line with the lunar date or the reign era.
//
// The whole widget is 313 x 253 by default; at 242 x 42 only the title row fits and it
// serves as a date picker.

#include "calendar_control/CalendarCell.h"
#include "calendar_control/LunarCalendarDrawing.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <memory>

class DayGrid;
class HolidayTable;
class LunarCalendarMonth;
class QLabel;
class QMenu;
class QPainter;
class SpinArrows;

namespace lunar {
class DateInfo;
}

class LunarCalendarWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QDateTime dateTime READ dateTime WRITE setDateTime)
    Q_PROPERTY(QString lunarDateText READ lunarDateText)
    Q_PROPERTY(QString lunarMonthText READ lunarMonthText)
    Q_PROPERTY(QString lunarDayText READ lunarDayText)
    Q_PROPERTY(bool showTitle READ showTitle WRITE setShowTitle)
    Q_PROPERTY(bool showWeekNumbers READ showWeekNumbers WRITE setShowWeekNumbers)
    Q_PROPERTY(bool showFrame READ showFrame WRITE setShowFrame)
    Q_PROPERTY(bool showBackgroundDigits READ showBackgroundDigits WRITE setShowBackgroundDigits)
    Q_PROPERTY(bool showWeekNumberLine READ showWeekNumberLine WRITE setShowWeekNumberLine)
    Q_PROPERTY(bool hideSelection READ hideSelection WRITE setHideSelection)
    Q_PROPERTY(QFont dateFont READ dateFont WRITE setDateFont)
    Q_PROPERTY(QFont captionFont READ captionFont WRITE setCaptionFont)
    Q_PROPERTY(QColor headerLineColor READ headerLineColor WRITE setHeaderLineColor)
    Q_PROPERTY(QColor weekendHeaderColor READ weekendHeaderColor WRITE setWeekendHeaderColor)
    Q_PROPERTY(QColor weekdayHeaderColor READ weekdayHeaderColor WRITE setWeekdayHeaderColor)
    Q_PROPERTY(QColor dateColor READ dateColor WRITE setDateColor)
    Q_PROPERTY(QColor lunarDayColor READ lunarDayColor WRITE setLunarDayColor)
    Q_PROPERTY(QColor civilFestivalColor READ civilFestivalColor WRITE setCivilFestivalColor)
    Q_PROPERTY(QColor solarTermColor READ solarTermColor WRITE setSolarTermColor)
    Q_PROPERTY(QColor lunarFestivalColor READ lunarFestivalColor WRITE setLunarFestivalColor)
    Q_PROPERTY(QColor selectionStartColor READ selectionStartColor WRITE setSelectionStartColor)
    Q_PROPERTY(QColor selectionEndColor READ selectionEndColor WRITE setSelectionEndColor)
    Q_PROPERTY(QColor selectionFrameColor READ selectionFrameColor WRITE setSelectionFrameColor)
    Q_PROPERTY(QColor weekNumberColor READ weekNumberColor WRITE setWeekNumberColor)
    Q_PROPERTY(QColor frameColor READ frameColor WRITE setFrameColor)
    Q_PROPERTY(QColor backgroundYearColor READ backgroundYearColor WRITE setBackgroundYearColor)
    Q_PROPERTY(QColor backgroundMonthColor READ backgroundMonthColor WRITE setBackgroundMonthColor)
    Q_PROPERTY(QColor todayLabelColor READ todayLabelColor WRITE setTodayLabelColor)
    Q_PROPERTY(QColor monthLabelColor READ monthLabelColor WRITE setMonthLabelColor)
    Q_PROPERTY(QColor yearLabelColor READ yearLabelColor WRITE setYearLabelColor)
    Q_PROPERTY(QColor statusLineColor READ statusLineColor WRITE setStatusLineColor)
    Q_PROPERTY(QColor starSignTitleColor READ starSignTitleColor WRITE setStarSignTitleColor)
    Q_PROPERTY(QColor yearTitlesColor READ yearTitlesColor WRITE setYearTitlesColor)
    Q_PROPERTY(QImage backgroundImage READ backgroundImage WRITE setBackgroundImage)
    Q_PROPERTY(bool backgroundCentered READ backgroundCentered WRITE setBackgroundCentered)
    Q_PROPERTY(bool backgroundStretched READ backgroundStretched WRITE setBackgroundStretched)
    Q_PROPERTY(bool transparent READ transparent WRITE setTransparent)
    Q_PROPERTY(int alphaBlend READ alphaBlend WRITE setAlphaBlend)

public:
    // Created 313 x 253 and ready: menus filled, date set to now, title row shown.
    explicit LunarCalendarWidget(QWidget *parent = nullptr);
    ~LunarCalendarWidget() override;

    // The shown date with the time of day it was set with.
    QDateTime dateTime() const { return m_dateTime; }
    QDate date() const { return m_dateTime.date(); }
    // No effect (and no dateChanged) when value equals dateTime(), its year is outside
    // 1..2100 or it is one of the days 1582-10-05 .. 14, which the calendar shown (Julian
    // before 1582-10-15, as the lunar engine counts) has not; another time of day on the same
    // date is a change. Otherwise refills the month,
    // rebuilds the background, redraws and emits dateChanged.
    void setDateTime(const QDateTime &value);
    // Lunar month and day of the current date: "五月", "廿九" and "五月廿九".
    QString lunarDateText() const { return m_lunarDateText; }
    QString lunarMonthText() const { return m_lunarMonthText; }
    QString lunarDayText() const { return m_lunarDayText; }

    bool showTitle() const { return m_showTitle; }
    void setShowTitle(bool value);
    bool showWeekNumbers() const { return m_showWeekNumbers; }
    void setShowWeekNumbers(bool value);
    bool showFrame() const { return m_showFrame; }
    void setShowFrame(bool value);
    // The large year and month digits behind the grid.
    bool showBackgroundDigits() const { return m_showBackgroundDigits; }
    void setShowBackgroundDigits(bool value);
    bool showWeekNumberLine() const { return m_showWeekNumberLine; }
    void setShowWeekNumberLine(bool value);
    bool hideSelection() const { return m_hideSelection; }
    void setHideSelection(bool value) { m_hideSelection = value; }
    // Fonts of the day numbers and of the captions under them.
    QFont dateFont() const { return m_dateFont; }
    void setDateFont(const QFont &value);
    QFont captionFont() const { return m_captionFont; }
    void setCaptionFont(const QFont &value);

    // The weekday header: the line under it (and beside the week numbers), weekend and
    // weekday names.
    QColor headerLineColor() const { return m_headerLineColor; }
    void setHeaderLineColor(const QColor &value);
    QColor weekendHeaderColor() const { return m_weekendHeaderColor; }
    void setWeekendHeaderColor(const QColor &value);
    QColor weekdayHeaderColor() const { return m_weekdayHeaderColor; }
    void setWeekdayHeaderColor(const QColor &value);
    // The five cell colours (weekday numbers; captions showing a plain lunar day, a civil
    // festival, a solar term, a lunar festival) are used by the next month fill, that is at
    // the next date change.
    QColor dateColor() const { return m_dateColor; }
    void setDateColor(const QColor &value) { m_dateColor = value; }
    QColor lunarDayColor() const { return m_lunarDayColor; }
    void setLunarDayColor(const QColor &value) { m_lunarDayColor = value; }
    QColor civilFestivalColor() const { return m_civilFestivalColor; }
    void setCivilFestivalColor(const QColor &value) { m_civilFestivalColor = value; }
    QColor solarTermColor() const { return m_solarTermColor; }
    void setSolarTermColor(const QColor &value) { m_solarTermColor = value; }
    QColor lunarFestivalColor() const { return m_lunarFestivalColor; }
    void setLunarFestivalColor(const QColor &value) { m_lunarFestivalColor = value; }
    // The selected day: gradient from start (top) to end, and its outline.
    QColor selectionStartColor() const { return m_selectionStartColor; }
    void setSelectionStartColor(const QColor &value);
    QColor selectionEndColor() const { return m_selectionEndColor; }
    void setSelectionEndColor(const QColor &value);
    QColor selectionFrameColor() const { return m_selectionFrameColor; }
    void setSelectionFrameColor(const QColor &value);
    QColor weekNumberColor() const { return m_weekNumberColor; }
    void setWeekNumberColor(const QColor &value);
    // The frame drawn when the style has none of its own.
    QColor frameColor() const { return m_frameColor; }
    void setFrameColor(const QColor &value);
    // The large year and month digits.
    QColor backgroundYearColor() const { return m_backgroundYearColor; }
    void setBackgroundYearColor(const QColor &value);
    QColor backgroundMonthColor() const { return m_backgroundMonthColor; }
    void setBackgroundMonthColor(const QColor &value);
    // Font colours of the today label, month label, year label and status line.
    QColor todayLabelColor() const;
    void setTodayLabelColor(const QColor &value);
    QColor monthLabelColor() const;
    void setMonthLabelColor(const QColor &value);
    QColor yearLabelColor() const;
    void setYearLabelColor(const QColor &value);
    QColor statusLineColor() const;
    void setStatusLineColor(const QColor &value);
    // The title cells: star sign, and year name with zodiac year. Used at their next paint.
    QColor starSignTitleColor() const { return m_starSignTitleColor; }
    void setStarSignTitleColor(const QColor &value) { m_starSignTitleColor = value; }
    QColor yearTitlesColor() const { return m_yearTitlesColor; }
    void setYearTitlesColor(const QColor &value) { m_yearTitlesColor = value; }

    // Background picture, blended behind the grid; a null image means none.
    QImage backgroundImage() const { return m_backgroundImage; }
    void setBackgroundImage(const QImage &value);
    bool backgroundCentered() const { return m_backgroundCentered; }
    void setBackgroundCentered(bool value);
    bool backgroundStretched() const { return m_backgroundStretched; }
    void setBackgroundStretched(bool value);
    // Kept and answered for hosts that set it; it changes no drawing.
    bool transparent() const { return m_transparent; }
    void setTransparent(bool value);
    // Blend strength of the picture in per cent, taken modulo 100 (100 blends at 0 %).
    int alphaBlend() const { return m_alphaBlend; }
    void setAlphaBlend(int value);

    // The official days off and make-up working days marked in the grid and named in the
    // status line; none without a table. Refills the shown month.
    void setHolidays(std::shared_ptr<const HolidayTable> holidays);
    const std::shared_ptr<const HolidayTable> &holidays() const { return m_holidays; }

    // Cell i = column + 7 * (row - 1), i = 1..42, columns 1..7 Sunday..Saturday. Cells
    // 40, 41, 42 are the title cells. Out-of-range indices give an empty invalid cell.
    const CalendarCell &cell(int i) const;
    // Week number texts of grid rows 1..6 (index 0..5), filled in date order.
    const std::array<QString, 6> &weekNumbers() const;
    // The grid's current cell: x = column 0..8, y = row 0..6.
    QPoint currentCell() const;
    // The status line: "2011-06-29 农历五月廿八", or the reign era before 1949.
    QString statusText() const;
    // A press in the grid marks a mouse choice until the mouse leaves it.
    bool isMousePressed() const { return m_mousePressed; }
    // The date-information record; after a date change it holds the last day of the month.
    const lunar::DateInfo &dateInfo() const { return *m_dateInfo; }

    DayGrid *dayGrid() const { return m_dayGrid; }
    QLabel *todayLabel() const { return m_todayLabel; }
    QLabel *monthLabel() const { return m_monthLabel; }
    QLabel *monthUnitLabel() const { return m_monthUnitLabel; }
    QLabel *yearLabel() const { return m_yearLabel; }
    QLabel *yearUnitLabel() const { return m_yearUnitLabel; }
    QLabel *statusLabel() const { return m_statusLabel; }
    SpinArrows *monthSpin() const { return m_monthSpin; }
    SpinArrows *yearSpin() const { return m_yearSpin; }
    // The menus get their items when first shown or asked for: the year menu alone holds some
    // 400 items in 40 submenus.
    QMenu *monthMenu() {
        fillMenus();
        return m_monthMenu;
    }
    QMenu *yearMenu() {
        fillMenus();
        return m_yearMenu;
    }
    // Widget-sized 24-bit images: frame, large digits and blended picture; the placed
    // picture (0 x 0 without one).
    const QImage &backBuffer() const {
        ensureBackground();
        return m_backBuffer;
    }
    const QImage &pictureBuffer() const { return m_pictureBuffer; }

public slots:
    // Date and time now, as the "今天" link and the menus' "今日" set it.
    void selectToday();

signals:
    // Every effective change of dateTime(), from any source, with its date.
    void dateChanged(QDate date);
    // A day cell was chosen after a mouse press in the grid; follows its dateChanged.
    void dateClicked(QDate date);
    // A click in the grid released on the selected day cell.
    void selectedDateClicked(QDate date);
    // A click on the widget's own surface outside its parts.
    void clicked();

protected:
    // Paints the texts of day cell `cell` into `rect` of `painter` (the cell alone, its top
    // left at 0, 0): the day number above the caption, and the selection outline when
    // `selected` (the cell is the current one and its selection shows). Background, picture
    // and the selection gradient are already there. Subclasses may draw cells otherwise.
    virtual void paintCell(QPainter &painter, const QRect &rect, const CalendarCell &cell,
                           bool selected);

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finishCreation();
    void fillMenus();
    void applyLayout();
    void distributeGrid();
    // Frame, large digits and the placed picture blended in. A change only marks the image
    // stale (and the grid, which shows it through); it is drawn once when next painted or read,
    // not once for each of several settings made in a row.
    void backgroundChanged();
    void ensureBackground() const;
    void rebuildBackground() const;
    // The picture placed on a widget-sized image: only when the picture, its placement or
    // the widget's size changes.
    void placePicture();
    void redrawGrid();
    void paintGridCell(int column, int row, QPainter &target, const QRect &rect);
    void paintCellContent(int column, int row, QPainter &canvas, const QRect &r);
    // The lines of a day cell `height` pixels tall, kept for the last height asked.
    const LunarCalendarDrawing::CellLines &cellLines(int height);
    void showMenuAtCursor(QMenu *menu);
    // The date (y, m, d), or the last valid day before d in that month, at 00:00; false
    // when the month has none.
    bool setDayIfValid(int y, int m, int d);
    void syncSpinsWithDate();
    // Cells, titles and status line of the month of dateTime(), then the selection.
    void fillMonth();
    // Month spin moved: position 13 / 0 wraps into the next / previous year.
    void stepMonth();
    // Year spin moved: the year of its position, the day kept where the month allows.
    void stepYear();
    // A month (1..12) or year picked from the menus.
    void pickMonth(int month);
    void pickYear(int year);
    // The grid asks before it moves its current cell to (column, row): only day cells, and
    // moving there selects that day.
    bool selectCell(int column, int row);
    // A click in the grid at gridPos (grid coordinates).
    void gridClicked(const QPoint &gridPos);

    QDateTime m_dateTime;
    QString m_lunarDateText;
    QString m_lunarMonthText;
    QString m_lunarDayText;

    bool m_showTitle = false;
    bool m_showWeekNumbers = false;
    bool m_showFrame = true;
    bool m_showBackgroundDigits = true;
    bool m_showWeekNumberLine = true;
    bool m_hideSelection = false;
    QFont m_dateFont;
    QFont m_captionFont;
    LunarCalendarDrawing::CellLines m_cellLines;
    int m_cellLinesHeight = -1; // -1: fonts changed since m_cellLines was made
    QColor m_headerLineColor;
    QColor m_weekendHeaderColor;
    QColor m_weekdayHeaderColor;
    QColor m_lunarDayColor;
    QColor m_dateColor;
    QColor m_civilFestivalColor;
    QColor m_solarTermColor;
    QColor m_lunarFestivalColor;
    QColor m_selectionStartColor;
    QColor m_selectionEndColor;
    QColor m_selectionFrameColor;
    QColor m_weekNumberColor;
    QColor m_frameColor;
    QColor m_backgroundYearColor;
    QColor m_backgroundMonthColor;
    QColor m_starSignTitleColor;
    QColor m_yearTitlesColor;
    QImage m_backgroundImage;
    bool m_backgroundCentered = false;
    bool m_backgroundStretched = false;
    bool m_transparent = false;
    int m_alphaBlend = 50;

    std::unique_ptr<LunarCalendarMonth> m_month;
    std::shared_ptr<const HolidayTable> m_holidays;
    QRect m_gridBounds;
    int m_monthLabelRight = 0;
    bool m_ownPress = false;
    bool m_mousePressed = false;
    bool m_selecting = false;
    bool m_created = false;
    bool m_menusFilled = false;

    DayGrid *m_dayGrid = nullptr;
    QLabel *m_todayLabel = nullptr;
    QLabel *m_monthLabel = nullptr;
    QLabel *m_monthUnitLabel = nullptr;
    QLabel *m_yearLabel = nullptr;
    QLabel *m_yearUnitLabel = nullptr;
    QLabel *m_statusLabel = nullptr;
    SpinArrows *m_monthSpin = nullptr;
    SpinArrows *m_yearSpin = nullptr;
    QMenu *m_monthMenu = nullptr;
    QMenu *m_yearMenu = nullptr;
    mutable QImage m_backBuffer;
    mutable bool m_backBufferStale = true;
    QImage m_cellBuffer;
    QImage m_pictureBuffer;
    std::unique_ptr<lunar::DateInfo> m_dateInfo;
};
