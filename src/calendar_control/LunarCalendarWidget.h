#pragma once

// The Chinese month calendar (unit ChnCalendarPicker): title row with month and year,
// spin buttons and the "今天" link; a grid of the days of one civil month with the lunar
// day, festival or solar term under each day number; three title cells (star sign, year
// name, zodiac year) and a status line with the lunar date or the reign era.
//
// The whole control is 313 x 253 by default; at 242 x 42 only the title row fits and it
// serves as a date picker.

#include "calendar_control/CalendarCell.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

class LunarCalendarMonth;
class QLabel;
class QMenu;
class QPainter;
class DayGrid;
class SpinArrows;

namespace lunar {
class DateInfo;
}

class LunarCalendarWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool ShowTitle READ ShowTitle WRITE SetShowTitle)
    Q_PROPERTY(bool ShowWeekNum READ ShowWeekNum WRITE SetShowWeekNum)
    Q_PROPERTY(bool ShowFrame READ ShowFrame WRITE SetShowFrame)
    Q_PROPERTY(bool ShowBackYearMonth READ ShowBackYearMonth WRITE SetShowBackYearMonth)
    Q_PROPERTY(bool ShowWeekNumLine READ ShowWeekNumLine WRITE SetShowWeekNumLine)
    Q_PROPERTY(bool HideSelection READ HideSelection WRITE SetHideSelection)
    Q_PROPERTY(QFont FontDate READ FontDate WRITE SetFontDate)
    Q_PROPERTY(QFont FontCnDate READ FontCnDate WRITE SetFontCnDate)
    Q_PROPERTY(QColor ColorTitleWeekLine READ ColorTitleWeekLine WRITE SetColorTitleWeekLine)
    Q_PROPERTY(QColor ColorTitleWeekEnd READ ColorTitleWeekEnd WRITE SetColorTitleWeekEnd)
    Q_PROPERTY(QColor ColorTitleWeek READ ColorTitleWeek WRITE SetColorTitleWeek)
    Q_PROPERTY(QColor ColorCnDate READ ColorCnDate WRITE SetColorCnDate)
    Q_PROPERTY(QColor ColorDate READ ColorDate WRITE SetColorDate)
    Q_PROPERTY(QColor ColorHoliday READ ColorHoliday WRITE SetColorHoliday)
    Q_PROPERTY(QColor ColorLunarHolDay READ ColorLunarHolDay WRITE SetColorLunarHolDay)
    Q_PROPERTY(QColor ColorCnHolDay READ ColorCnHolDay WRITE SetColorCnHolDay)
    Q_PROPERTY(QColor ColorSelectedStart READ ColorSelectedStart WRITE SetColorSelectedStart)
    Q_PROPERTY(QColor ColorSelectedEnd READ ColorSelectedEnd WRITE SetColorSelectedEnd)
    Q_PROPERTY(QColor ColorSelectedFrame READ ColorSelectedFrame WRITE SetColorSelectedFrame)
    Q_PROPERTY(QColor ColorWeekNum READ ColorWeekNum WRITE SetColorWeekNum)
    Q_PROPERTY(QColor ColorShowFrame READ ColorShowFrame WRITE SetColorShowFrame)
    Q_PROPERTY(QColor ColorBackYear READ ColorBackYear WRITE SetColorBackYear)
    Q_PROPERTY(QColor ColorBackMonth READ ColorBackMonth WRITE SetColorBackMonth)
    Q_PROPERTY(QColor ColorTitleToday READ ColorTitleToday WRITE SetColorTitleToday)
    Q_PROPERTY(QColor ColorTitleMonth READ ColorTitleMonth WRITE SetColorTitleMonth)
    Q_PROPERTY(QColor ColorTitleYear READ ColorTitleYear WRITE SetColorTitleYear)
    Q_PROPERTY(QColor ColorTitleSelected READ ColorTitleSelected WRITE SetColorTitleSelected)
    Q_PROPERTY(QColor ColorTitleConstellation READ ColorTitleConstellation WRITE
                   SetColorTitleConstellation)
    Q_PROPERTY(
        QColor ColorTitleAnimalsYear READ ColorTitleAnimalsYear WRITE SetColorTitleAnimalsYear)
    Q_PROPERTY(QDateTime DateTime READ DateTime WRITE SetDateTime)
    Q_PROPERTY(QString CnDate READ CnDate)
    Q_PROPERTY(QString CnMonth READ CnMonth)
    Q_PROPERTY(QString CnDay READ CnDay)
    Q_PROPERTY(QImage BackGround READ BackGround WRITE SetBackGround)
    Q_PROPERTY(bool Center READ Center WRITE SetCenter)
    Q_PROPERTY(bool Stretch READ Stretch WRITE SetStretch)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(int AlphaBlend READ AlphaBlend WRITE SetAlphaBlend)

public:
    using TNotifyEvent = std::function<void(LunarCalendarWidget *Sender)>;
    // Called before the day number (OnDrawDateCell) or the caption (OnDrawCnDateCell) of a
    // day cell is drawn. R is the cell in aCanvas coordinates (left and top 0). The handler
    // may change Text, draw on aCanvas itself and set defaultDraw false to suppress the
    // control's own drawing of that text (for the caption also the selection outline).
    using TDrawDateCellEvent =
        std::function<void(LunarCalendarWidget *Sender, int Day, QPainter &aCanvas, const QRect &R,
                           bool Selected, QString &Text, bool &defaultDraw)>;

    // Created 313 x 253 and ready: menus filled, date set to now, title row shown.
    explicit LunarCalendarWidget(QWidget *parent = nullptr);
    ~LunarCalendarWidget() override;

    // ---- Date
    QDateTime DateTime() const { return FDateTime; }
    // No effect (and no OnChange) when x equals DateTime() or its year is outside 1..2100.
    // Otherwise refills the month, rebuilds the background, redraws and fires OnChange.
    void SetDateTime(const QDateTime &x);
    // Lunar month and day of the current date: "五月", "廿九" and "五月廿九".
    QString CnDate() const { return FCnDate; }
    QString CnMonth() const { return FCnMonth; }
    QString CnDay() const { return FCnDay; }

    // ---- Appearance
    bool ShowTitle() const { return FShowTitle; }
    void SetShowTitle(bool value);
    bool ShowWeekNum() const { return FShowWeekNum; }
    void SetShowWeekNum(bool value);
    bool ShowFrame() const { return FShowFrame; }
    void SetShowFrame(bool value);
    bool ShowBackYearMonth() const { return FShowBackYearMonth; }
    void SetShowBackYearMonth(bool value);
    bool ShowWeekNumLine() const { return FShowWeekNumLine; }
    void SetShowWeekNumLine(bool value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value) { FHideSelection = value; }
    QFont FontDate() const { return FFontDate; }
    void SetFontDate(const QFont &value);
    QFont FontCnDate() const { return FFontCnDate; }
    void SetFontCnDate(const QFont &value);

    QColor ColorTitleWeekLine() const { return FColorTitleWeekLine; }
    void SetColorTitleWeekLine(const QColor &value);
    QColor ColorTitleWeekEnd() const { return FColorTitleWeekEnd; }
    void SetColorTitleWeekEnd(const QColor &value);
    QColor ColorTitleWeek() const { return FColorTitleWeek; }
    void SetColorTitleWeek(const QColor &value);
    // The five cell colours are used by the next month fill (the next date change).
    QColor ColorCnDate() const { return FColorCnDate; }
    void SetColorCnDate(const QColor &value) { FColorCnDate = value; }
    QColor ColorDate() const { return FColorDate; }
    void SetColorDate(const QColor &value) { FColorDate = value; }
    QColor ColorHoliday() const { return FColorHoliday; }
    void SetColorHoliday(const QColor &value) { FColorHoliday = value; }
    QColor ColorLunarHolDay() const { return FColorLunarHolDay; }
    void SetColorLunarHolDay(const QColor &value) { FColorLunarHolDay = value; }
    QColor ColorCnHolDay() const { return FColorCnHolDay; }
    void SetColorCnHolDay(const QColor &value) { FColorCnHolDay = value; }
    QColor ColorSelectedStart() const { return FColorSelectedStart; }
    void SetColorSelectedStart(const QColor &value);
    QColor ColorSelectedEnd() const { return FColorSelectedEnd; }
    void SetColorSelectedEnd(const QColor &value);
    QColor ColorSelectedFrame() const { return FColorSelectedFrame; }
    void SetColorSelectedFrame(const QColor &value);
    QColor ColorWeekNum() const { return FColorWeekNum; }
    void SetColorWeekNum(const QColor &value);
    QColor ColorShowFrame() const { return FColorShowFrame; }
    void SetColorShowFrame(const QColor &value);
    QColor ColorBackYear() const { return FColorBackYear; }
    void SetColorBackYear(const QColor &value);
    QColor ColorBackMonth() const { return FColorBackMonth; }
    void SetColorBackMonth(const QColor &value);
    // Font colours of the today label, month label, year label and status line.
    QColor ColorTitleToday() const;
    void SetColorTitleToday(const QColor &value);
    QColor ColorTitleMonth() const;
    void SetColorTitleMonth(const QColor &value);
    QColor ColorTitleYear() const;
    void SetColorTitleYear(const QColor &value);
    QColor ColorTitleSelected() const;
    void SetColorTitleSelected(const QColor &value);
    // Used at the next paint of the title cells.
    QColor ColorTitleConstellation() const { return FColorTitleConstellation; }
    void SetColorTitleConstellation(const QColor &value) { FColorTitleConstellation = value; }
    QColor ColorTitleAnimalsYear() const { return FColorTitleAnimalsYear; }
    void SetColorTitleAnimalsYear(const QColor &value) { FColorTitleAnimalsYear = value; }

    // Background picture, blended behind the grid; a null image means none.
    QImage BackGround() const { return FBackGround; }
    void SetBackGround(const QImage &value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    // Kept and answered for hosts that set it; it changes no drawing.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // Blend strength of the picture in per cent, taken modulo 100 (100 blends at 0 %).
    int AlphaBlend() const { return FAlphaBlend; }
    void SetAlphaBlend(int value);

    // ---- Events
    TNotifyEvent OnChange;     // every effective date change, from any source
    TNotifyEvent OnDateClick;  // a day cell chosen after a mouse press in the grid
    TNotifyEvent OnDateSelect; // a click on the selected day cell
    TNotifyEvent OnClick;      // a click on the control's own surface outside its parts
    TDrawDateCellEvent OnDrawDateCell;
    TDrawDateCellEvent OnDrawCnDateCell;

    // ---- Model (read access)
    // Cell i = column + 7 * (row - 1), i = 1..42, columns 1..7 Sunday..Saturday. Cells
    // 40, 41, 42 are the title cells. Out-of-range indices give an empty invalid cell.
    const CalendarCell &cell(int i) const;
    // Week number texts of grid rows 1..6 (index 0..5), filled in date order.
    const std::array<QString, 6> &WeekNumbers() const;
    // The grid's current cell: x = column 0..8, y = row 0..6.
    QPoint GridSelection() const;
    // The status line: "2011-06-29 农历五月廿八", or the reign era before 1949.
    QString StatusText() const;
    bool MousePressed() const { return FMousePressed; }
    // The date-information record; after a date change it holds the last day of the month.
    const lunar::DateInfo &DateInfo() const { return *FDateInfo; }

    // ---- Owned parts
    DayGrid *dayGrid() const { return FDayGrid; }
    QLabel *TodayLabel() const { return FTodayLabel; }
    QLabel *MonthLabel() const { return FMonthLabel; }
    QLabel *MonthUnitLabel() const { return FMonthUnitLabel; }
    QLabel *YearLabel() const { return FYearLabel; }
    QLabel *YearUnitLabel() const { return FYearUnitLabel; }
    QLabel *StatusLabel() const { return FStatusLabel; }
    SpinArrows *MonthUpDown() const { return FMonthUpDown; }
    SpinArrows *YearUpDown() const { return FYearUpDown; }
    // The menus get their items when first shown or asked for: the year menu alone holds some
    // 400 items in 40 submenus.
    QMenu *MonthMenu() {
        FillMenus();
        return FMonthMenu;
    }
    QMenu *YearMenu() {
        FillMenus();
        return FYearMenu;
    }
    // Control-sized 24-bit images: frame, large digits and blended picture; the placed
    // picture (0 x 0 without one).
    const QImage &BackBuffer() const {
        EnsureBackground();
        return FBackBuffer;
    }
    const QImage &PictureBuffer() const { return FPictureBuffer; }

    // ---- Navigation (also reachable through the parts)
    // Date and time now.
    void TodayClick();
    // Month spin moved: position 13 / 0 wraps into the next / previous year.
    void MonthUpDownClick();
    // Year spin moved: the year of its position, the day kept where the month allows.
    void YearUpDownClick();
    // A month (1..12) or year picked from the menus.
    void MonthItemClick(int tag);
    void YearItemClick(int tag);
    // The grid asks before it moves its current cell to (column, row).
    void SelectCell(int column, int row, bool &allowed);
    // A click in the grid at gridPos (grid client coordinates).
    void GridClick(const QPoint &gridPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateWnd();
    void FillMenus();
    void ApplyLayout();
    void DistributeGrid();
    // Frame, large digits and the placed picture blended in. A change only marks the image
    // stale (and the grid, which shows it through); it is drawn once when next painted or read,
    // not once for each of several settings made in a row.
    void BackgroundChanged();
    void EnsureBackground() const;
    void RebuildBackground() const;
    // The picture placed on a control-sized image: only when the picture, its placement or
    // the control's size changes.
    void PlacePicture();
    void RedrawGrid();
    void PaintCell(int column, int row, QPainter &target, const QRect &rect);
    void PaintCellContent(int column, int row, QPainter &canvas, const QRect &r);
    void ShowMenuAtCursor(QMenu *menu);
    // The date (y, m, d), or the last valid day before d in that month, at 00:00; false
    // when the month has none.
    bool SetDayIfValid(int y, int m, int d);
    void SyncSpinsWithDate();

    QDateTime FDateTime;
    QString FCnDate;
    QString FCnMonth;
    QString FCnDay;

    bool FShowTitle = false;
    bool FShowWeekNum = false;
    bool FShowFrame = true;
    bool FShowBackYearMonth = true;
    bool FShowWeekNumLine = true;
    bool FHideSelection = false;
    QFont FFontDate;
    QFont FFontCnDate;
    QColor FColorTitleWeekLine;
    QColor FColorTitleWeekEnd;
    QColor FColorTitleWeek;
    QColor FColorCnDate;
    QColor FColorDate;
    QColor FColorHoliday;
    QColor FColorLunarHolDay;
    QColor FColorCnHolDay;
    QColor FColorSelectedStart;
    QColor FColorSelectedEnd;
    QColor FColorSelectedFrame;
    QColor FColorWeekNum;
    QColor FColorShowFrame;
    QColor FColorBackYear;
    QColor FColorBackMonth;
    QColor FColorTitleConstellation;
    QColor FColorTitleAnimalsYear;
    QImage FBackGround;
    bool FCenter = false;
    bool FStretch = false;
    bool FTransparent = false;
    int FAlphaBlend = 50;

    std::unique_ptr<LunarCalendarMonth> FMonth;
    QRect FGridBounds;
    int FMonthLabelRight = 0;
    bool FOwnPress = false;
    bool FMousePressed = false;
    bool FSelecting = false;
    bool FWindowCreated = false;
    bool FMenusFilled = false;

    DayGrid *FDayGrid = nullptr;
    QLabel *FTodayLabel = nullptr;
    QLabel *FMonthLabel = nullptr;
    QLabel *FMonthUnitLabel = nullptr;
    QLabel *FYearLabel = nullptr;
    QLabel *FYearUnitLabel = nullptr;
    QLabel *FStatusLabel = nullptr;
    SpinArrows *FMonthUpDown = nullptr;
    SpinArrows *FYearUpDown = nullptr;
    QMenu *FMonthMenu = nullptr;
    QMenu *FYearMenu = nullptr;
    mutable QImage FBackBuffer;
    mutable bool FBackBufferStale = true;
    QImage FCellBuffer;
    QImage FPictureBuffer;
    std::unique_ptr<lunar::DateInfo> FDateInfo;
};
