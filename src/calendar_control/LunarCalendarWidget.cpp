#include "calendar_control/LunarCalendarWidget.h"

#include "calendar_control/DayGrid.h"
#include "calendar_control/LunarCalendarDrawing.h"
#include "calendar_control/LunarCalendarGeometry.h"
#include "calendar_control/LunarCalendarMonth.h"
#include "calendar_control/SpinArrows.h"
#include "lunar/CivilDate.h"
#include "lunar/DateInfo.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <cstring>
#include <limits>

namespace {

using Geometry = LunarCalendarGeometry;
using Drawing = LunarCalendarDrawing;

const QColor Grey = Drawing::colorFromBgr(8421504);

QString Text(const std::string &utf8) {
    return QString::fromStdString(utf8);
}

QColor LabelColor(const QLabel *label) {
    return label->palette().color(QPalette::WindowText);
}

void SetLabelColor(QLabel *label, const QColor &color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

// Where the label's line of text starts: its place without the room for ink above it.
QPoint TextOrigin(const QLabel *label) {
    return label->pos() + QPoint(0, label->contentsMargins().top());
}

// Sizes the label to its text, glyphs whole, with the line of text starting at `at`.
void SetLabelText(QLabel *label, const QString &text, const QPoint &at) {
    label->setText(text);
    const QMargins ink = Drawing::inkMargins(label->font(), text);
    label->setContentsMargins(ink);
    label->adjustSize();
    label->move(at.x(), at.y() - ink.top());
}

void SetLabelText(QLabel *label, const QString &text) {
    SetLabelText(label, text, TextOrigin(label));
}

QLabel *MakeLabel(QWidget *parent, const QString &text, const QPoint &at, const QFont &font,
                  const QColor &color, bool hand) {
    auto *label = new QLabel(parent);
    label->setFont(font);
    label->setMargin(0);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground);
    SetLabelColor(label, color);
    if (hand) label->setCursor(Qt::PointingHandCursor);
    SetLabelText(label, text, at);
    return label;
}

// The right edge of the month label stays where it was placed: the number grows to the left
// of its unit "月".
void SetRightAnchoredText(QLabel *label, const QString &text, int right) {
    SetLabelText(label, text);
    label->move(right - label->width(), label->y());
}

QString MenuName(const QString &prefix, int number) {
    return prefix + QString::number(number);
}

} // namespace

LunarCalendarWidget::LunarCalendarWidget(QWidget *parent)
    : QWidget(parent), FDateTime(QDate(1899, 12, 30), QTime(0, 0)),
      FMonth(std::make_unique<LunarCalendarMonth>()),
      FDateInfo(std::make_unique<lunar::DateInfo>()) {
    FFontDate = Drawing::namedFont(QStringLiteral("黑体"), 9, true);
    FFontCnDate = Drawing::namedFont(QStringLiteral("宋体"), 9, false);
    FColorTitleWeekLine = Drawing::colorFromBgr(12961221);
    FColorTitleWeekEnd = Drawing::colorFromBgr(255);
    FColorTitleWeek = Drawing::colorFromBgr(5197647);
    FColorCnDate = Drawing::colorFromBgr(32768);
    FColorDate = Drawing::colorFromBgr(5197647);
    FColorHoliday = Drawing::colorFromBgr(33023);
    FColorLunarHolDay = Drawing::colorFromBgr(16733011);
    FColorCnHolDay = Drawing::colorFromBgr(33023);
    FColorSelectedStart = Drawing::colorFromBgr(5484032);
    FColorSelectedEnd = Drawing::colorFromBgr(6673664);
    FColorSelectedFrame = Drawing::colorFromBgr(4625152);
    FColorWeekNum = Grey;
    FColorShowFrame = Grey;
    FColorBackYear = Drawing::colorFromBgr(14543103);
    FColorBackMonth = Drawing::colorFromBgr(15461355);
    FColorTitleConstellation = QColor(0, 0, 0);
    FColorTitleAnimalsYear = QColor(0, 0, 0);

    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(313, 253);

    FDayGrid = new DayGrid(Geometry::kColumnCount, Geometry::kRowCount, this);
    FDayGrid->setGeometry(8, 40, 298, 186);
    FDayGrid->setCellPainter([this](int c, int r, QPainter &target, const QRect &rect) {
        PaintCell(c, r, target, rect);
    });
    FDayGrid->setSelectionFilter([this](int c, int r) {
        bool allowed = true;
        SelectCell(c, r, allowed);
        return allowed;
    });
    connect(FDayGrid, &DayGrid::mousePressed, this, [this] { FMousePressed = true; });
    connect(FDayGrid, &DayGrid::clicked, this, [this](const QPoint &pos) { GridClick(pos); });
    connect(FDayGrid, &DayGrid::mouseLeft, this, [this] { FMousePressed = false; });
    FDayGrid->setContextMenuPolicy(Qt::PreventContextMenu);
    connect(FDayGrid, &QWidget::customContextMenuRequested, this,
            [this] { ShowMenuAtCursor(FYearMenu); });

    const QFont song = Drawing::namedFont(QStringLiteral("宋体"), 9);
    QFont todayFont = song;
    todayFont.setUnderline(true);
    FTodayLabel = MakeLabel(this, QStringLiteral("今天"), QPoint(272, 18), todayFont,
                            QColor(0, 0, 255), true);
    FMonthLabel = MakeLabel(this, QString(), QPoint(34, 3),
                            Drawing::namedFont(QStringLiteral("Arial"), 24, true),
                            Drawing::colorFromBgr(12615808), true);
    FMonthLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // An empty label measures as one blank; its right edge then stays put.
    SetLabelText(FMonthLabel, QStringLiteral(" "));
    FMonthLabelRight = FMonthLabel->x() + FMonthLabel->width();
    SetLabelText(FMonthLabel, QString());
    FMonthUnitLabel =
        MakeLabel(this, QStringLiteral("月"), QPoint(45, 20), song, QColor(0, 0, 0), true);
    FYearLabel =
        MakeLabel(this, QString(), QPoint(120, 0),
                  Drawing::namedFont(QStringLiteral("Arial Black"), 22), QColor(0, 0, 255), true);
    FYearUnitLabel =
        MakeLabel(this, QStringLiteral("年"), QPoint(205, 18), song, QColor(0, 0, 0), true);
    FStatusLabel = MakeLabel(this, QString(), QPoint(10, 236), song, Grey, false);
    // Labels lie under the grid, as text painted on the control's own surface would.
    for (QLabel *label :
         {FTodayLabel, FMonthLabel, FMonthUnitLabel, FYearLabel, FYearUnitLabel, FStatusLabel}) {
        label->lower();
        label->installEventFilter(this);
    }

    FMonthUpDown = new SpinArrows(0, 13, this);
    FMonthUpDown->move(60, 10);
    connect(FMonthUpDown, &SpinArrows::stepped, this, [this] { MonthUpDownClick(); });
    FYearUpDown = new SpinArrows(1, 2100, this);
    FYearUpDown->move(220, 10);
    connect(FYearUpDown, &SpinArrows::stepped, this, [this] { YearUpDownClick(); });

    FMonthMenu = new QMenu(this);
    FMonthMenu->setObjectName(QStringLiteral("MonthMenu"));
    FYearMenu = new QMenu(this);
    FYearMenu->setObjectName(QStringLiteral("YearMenu"));
    for (QMenu *menu : {FMonthMenu, FYearMenu})
        connect(menu, &QMenu::aboutToShow, this, [this] { FillMenus(); });

    CreateWnd();
}

LunarCalendarWidget::~LunarCalendarWidget() = default;

void LunarCalendarWidget::CreateWnd() {
    FDayGrid->setColumnWidth(0, 6);
    FDayGrid->setRowHeight(0, 18);
    FWindowCreated = true;
    SetDateTime(QDateTime::currentDateTime());
    SetShowTitle(true);
}

void LunarCalendarWidget::FillMenus() {
    if (FMenusFilled) return;
    FMenusFilled = true;
    QAction *monthToday = FMonthMenu->addAction(QStringLiteral("今日"));
    monthToday->setObjectName(QStringLiteral("MenuMonth_ToDay"));
    connect(monthToday, &QAction::triggered, this, [this] { TodayClick(); });
    FMonthMenu->setDefaultAction(monthToday);
    FMonthMenu->addSeparator()->setObjectName(QStringLiteral("MenuMonth_ToDay_"));
    // The default locale is the system's unless the application chose another.
    const QLocale locale;
    for (int month = 1; month <= 12; ++month) {
        QAction *item = FMonthMenu->addAction(locale.monthName(month, QLocale::LongFormat));
        item->setObjectName(MenuName(QStringLiteral("MenuMonth_"), month - 1));
        item->setData(month);
        connect(item, &QAction::triggered, this, [this, month] { MonthItemClick(month); });
    }

    QAction *yearToday = FYearMenu->addAction(QStringLiteral("今日"));
    yearToday->setObjectName(QStringLiteral("MenuYear_ToDay"));
    connect(yearToday, &QAction::triggered, this, [this] { TodayClick(); });
    FYearMenu->setDefaultAction(yearToday);
    FYearMenu->addSeparator()->setObjectName(QStringLiteral("MenuYear_ToDay_1"));

    auto addYear = [this](QMenu *group, const QString &prefix, int year) {
        QAction *item = group->addAction(QString::number(year));
        item->setObjectName(MenuName(prefix, year));
        item->setData(year);
        connect(item, &QAction::triggered, this, [this, year] { YearItemClick(year); });
    };

    QMenu *history = FYearMenu->addMenu(QStringLiteral("历史日期"));
    history->setObjectName(QStringLiteral("MenuYear_History"));
    for (int r = 10; r < 1890; r += 100) {
        QMenu *century = history->addMenu(QString::number(r - 10));
        century->setObjectName(MenuName(QStringLiteral("MenuYear_History_"), r));
        for (int year = r; year <= r + 90; year += 10)
            addYear(century, QStringLiteral("MenuYear_History_"), year);
    }
    FYearMenu->addSeparator()->setObjectName(QStringLiteral("MenuYear_ToDay_2"));
    for (int r = 1900; r < 2100; r += 10) {
        QMenu *decade = FYearMenu->addMenu(QString::number(r));
        decade->setObjectName(MenuName(QStringLiteral("MenuYear_"), r));
        for (int year = r; year <= r + 9; ++year)
            addYear(decade, QStringLiteral("MenuYear_"), year);
    }
}

// ---- Date

void LunarCalendarWidget::SetDateTime(const QDateTime &x) {
    if (x == FDateTime || !x.isValid()) return;
    const QDate date = x.date();
    const int y = date.year();
    if (y < FYearUpDown->minimum() || y > FYearUpDown->maximum()) return;
    const int m = date.month();
    const int d = date.day();

    FDateTime = x;
    FYearUpDown->setPosition(y);
    FMonthUpDown->setPosition(m);

    // The record keeps its year-level texts (year name, animal, era) while the lunar year
    // stays the same, whichever civil date they were built for; the title cells and the
    // status line must show those of this date, not of the last month walked through.
    // 0 is a real lunar year (January of year 1): only a value no date has forces the rebuild.
    FDateInfo->CachedLunarYear = std::numeric_limits<int>::min();
    double dateValue = 0.0;
    if (lunar::CivilToDate(y, m, d, dateValue)) FDateInfo->SetDate(dateValue);
    FCnMonth = Text(FDateInfo->MonthName);
    FCnDay = Text(FDateInfo->DayName);
    FCnDate = FCnMonth + FCnDay;
    SetLabelText(FYearLabel, QString::number(y));
    SetRightAnchoredText(FMonthLabel, QString::number(m), FMonthLabelRight);

    FMonth->setTitles(Text(FDateInfo->YearPillar), Text(FDateInfo->Animal));

    const QString lunarText = QStringLiteral(" 农历") + FCnDate;
    if (y < 1949)
        SetLabelText(FStatusLabel, Text(FDateInfo->Era) + lunarText);
    else
        SetLabelText(FStatusLabel, date.toString(QStringLiteral("yyyy-MM-dd")) + lunarText);

    FMonth->clear(FColorDate);
    // A failure while filling, drawing or in the host's handler must not take the control
    // down; what was filled so far stays.
    try {
        const LunarCalendarMonth::Colors colors{FColorDate, FColorCnDate, FColorHoliday,
                                                FColorLunarHolDay, FColorCnHolDay};
        const int selected = FMonth->fill(*FDateInfo, y, m, d, colors);
        if (selected > 0) {
            const QPoint at = Geometry::cellPosition(selected);
            FSelecting = true;
            FDayGrid->setCurrentCell(at.x(), at.y());
            FSelecting = false;
        }
        BackgroundChanged();
        if (OnChange) OnChange(this);
    } catch (...) {
        FSelecting = false;
    }
}

const CalendarCell &LunarCalendarWidget::cell(int i) const {
    return FMonth->cell(i);
}

const std::array<QString, 6> &LunarCalendarWidget::WeekNumbers() const {
    return FMonth->weekNumbers();
}

QPoint LunarCalendarWidget::GridSelection() const {
    return QPoint(FDayGrid->currentColumn(), FDayGrid->currentRow());
}

QString LunarCalendarWidget::StatusText() const {
    return FStatusLabel->text();
}

// ---- Appearance

void LunarCalendarWidget::SetShowTitle(bool value) {
    FShowTitle = value;
    ApplyLayout();
}

void LunarCalendarWidget::SetShowWeekNum(bool value) {
    if (value == FShowWeekNum) return;
    FShowWeekNum = value;
    FDayGrid->setColumnWidth(0, value ? 18 : 6);
    DistributeGrid();
    RedrawGrid();
}

void LunarCalendarWidget::SetShowFrame(bool value) {
    FShowFrame = value;
    BackgroundChanged();
}

void LunarCalendarWidget::SetShowBackYearMonth(bool value) {
    FShowBackYearMonth = value;
    BackgroundChanged();
}

void LunarCalendarWidget::SetShowWeekNumLine(bool value) {
    FShowWeekNumLine = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetFontDate(const QFont &value) {
    FFontDate = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetFontCnDate(const QFont &value) {
    FFontCnDate = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetColorTitleWeekLine(const QColor &value) {
    FColorTitleWeekLine = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetColorTitleWeekEnd(const QColor &value) {
    FColorTitleWeekEnd = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetColorTitleWeek(const QColor &value) {
    FColorTitleWeek = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetColorSelectedStart(const QColor &value) {
    FColorSelectedStart = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetColorSelectedEnd(const QColor &value) {
    FColorSelectedEnd = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetColorSelectedFrame(const QColor &value) {
    FColorSelectedFrame = value;
    RedrawGrid();
}

void LunarCalendarWidget::SetColorWeekNum(const QColor &value) {
    FColorWeekNum = value;
    if (FShowWeekNum) RedrawGrid();
}

void LunarCalendarWidget::SetColorShowFrame(const QColor &value) {
    FColorShowFrame = value;
    if (!FShowFrame) return;
    BackgroundChanged();
}

void LunarCalendarWidget::SetColorBackYear(const QColor &value) {
    FColorBackYear = value;
    BackgroundChanged();
}

void LunarCalendarWidget::SetColorBackMonth(const QColor &value) {
    FColorBackMonth = value;
    BackgroundChanged();
}

QColor LunarCalendarWidget::ColorTitleToday() const {
    return LabelColor(FTodayLabel);
}

void LunarCalendarWidget::SetColorTitleToday(const QColor &value) {
    SetLabelColor(FTodayLabel, value);
}

QColor LunarCalendarWidget::ColorTitleMonth() const {
    return LabelColor(FMonthLabel);
}

void LunarCalendarWidget::SetColorTitleMonth(const QColor &value) {
    SetLabelColor(FMonthLabel, value);
}

QColor LunarCalendarWidget::ColorTitleYear() const {
    return LabelColor(FYearLabel);
}

void LunarCalendarWidget::SetColorTitleYear(const QColor &value) {
    SetLabelColor(FYearLabel, value);
}

QColor LunarCalendarWidget::ColorTitleSelected() const {
    return LabelColor(FStatusLabel);
}

void LunarCalendarWidget::SetColorTitleSelected(const QColor &value) {
    SetLabelColor(FStatusLabel, value);
}

void LunarCalendarWidget::SetBackGround(const QImage &value) {
    FBackGround = value;
    PlacePicture();
    BackgroundChanged();
}

void LunarCalendarWidget::SetCenter(bool value) {
    FCenter = value;
    PlacePicture();
    BackgroundChanged();
}

void LunarCalendarWidget::SetStretch(bool value) {
    FStretch = value;
    PlacePicture();
    BackgroundChanged();
}

void LunarCalendarWidget::SetTransparent(bool value) {
    FTransparent = value;
    BackgroundChanged();
}

void LunarCalendarWidget::SetAlphaBlend(int value) {
    FAlphaBlend = value & 0xFF;
    BackgroundChanged();
}

// ---- Layout and buffers

void LunarCalendarWidget::ApplyLayout() {
    FGridBounds = Geometry::gridBounds(size(), FShowTitle);
    FMonthUpDown->setVisible(FShowTitle);
    FYearUpDown->setVisible(FShowTitle);
    FDayGrid->setGeometry(FGridBounds.x(), FGridBounds.y(), std::max(0, FGridBounds.width()),
                          std::max(0, FGridBounds.height()));
    FDayGrid->setContextMenuPolicy(FShowTitle ? Qt::PreventContextMenu : Qt::CustomContextMenu);
    DistributeGrid();
    PlacePicture();
    BackgroundChanged();
}

void LunarCalendarWidget::DistributeGrid() {
    const std::vector<int> widths =
        Geometry::columnWidths(FGridBounds.width(), FDayGrid->columnWidth(0));
    const std::vector<int> heights =
        Geometry::rowHeights(FGridBounds.height(), FDayGrid->rowHeight(0));
    for (int c = 1; c < Geometry::kColumnCount; ++c)
        FDayGrid->setColumnWidth(c, widths[std::size_t(c)]);
    for (int r = 1; r < Geometry::kRowCount; ++r)
        FDayGrid->setRowHeight(r, heights[std::size_t(r)]);
}

void LunarCalendarWidget::BackgroundChanged() {
    FBackBufferStale = true;
    RedrawGrid();
    update();
}

void LunarCalendarWidget::EnsureBackground() const {
    if (!FBackBufferStale && FBackBuffer.size() == size()) return;
    FBackBufferStale = false;
    RebuildBackground();
}

void LunarCalendarWidget::RebuildBackground() const {
    if (FBackBuffer.size() != size()) FBackBuffer = QImage(size(), QImage::Format_RGB888);
    if (FBackBuffer.isNull()) return;
    FBackBuffer.fill(Qt::white);
    {
        QPainter painter(&FBackBuffer);
        if (FShowFrame) {
            // The classic style has no themed frame; every other style draws its own.
            if (style()->name().compare(QStringLiteral("windows"), Qt::CaseInsensitive) != 0) {
                QStyleOptionFrame frame;
                frame.initFrom(this);
                frame.rect = rect();
                frame.lineWidth = 1;
                frame.midLineWidth = 0;
                frame.state |= QStyle::State_Sunken;
                style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
            } else {
                painter.setPen(FColorShowFrame);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(0, 0, width() - 1, height() - 1);
            }
        }
        if (FShowBackYearMonth) {
            const QDate date = FDateTime.date();
            painter.setFont(Drawing::namedFont(QStringLiteral("Arial Black"), 48));
            painter.setPen(FColorBackYear);
            Drawing::drawSingleLine(painter, Geometry::backYearRect(FGridBounds), Qt::AlignCenter,
                                    QString::number(date.year()));
            painter.setFont(Drawing::namedFont(QStringLiteral("Arial Black"), 90));
            painter.setPen(FColorBackMonth);
            Drawing::drawSingleLine(painter, Geometry::backMonthRect(FGridBounds), Qt::AlignCenter,
                                    QString::number(date.month()));
        }
    }
    Drawing::blendPicture(FBackBuffer, FPictureBuffer, FAlphaBlend);
}

void LunarCalendarWidget::PlacePicture() {
    if (FBackGround.isNull() || size().isEmpty()) {
        FPictureBuffer = QImage();
        return;
    }
    FPictureBuffer = QImage(size(), QImage::Format_RGB888);
    FPictureBuffer.fill(Qt::white);
    QPainter painter(&FPictureBuffer);
    const QRect target = Geometry::picturePlacement(FBackGround.size(), size(), FCenter, FStretch);
    painter.drawImage(target, FBackGround);
}

void LunarCalendarWidget::RedrawGrid() {
    FDayGrid->redraw();
}

void LunarCalendarWidget::PaintCell(int column, int row, QPainter &target, const QRect &rect) {
    if (FCellBuffer.size() != rect.size()) FCellBuffer = QImage(rect.size(), QImage::Format_RGB888);
    // The grid shows the background through: start from what lies under the cell.
    EnsureBackground();
    const QRect under = rect.translated(FDayGrid->pos());
    if (QRect(QPoint(0, 0), FBackBuffer.size()).contains(under)) {
        const int bytes = 3 * rect.width();
        for (int y = 0; y < rect.height(); ++y)
            std::memcpy(FCellBuffer.scanLine(y),
                        FBackBuffer.constScanLine(under.y() + y) + 3 * under.x(),
                        std::size_t(bytes));
    } else {
        FCellBuffer.fill(Qt::white);
        QPainter copy(&FCellBuffer);
        copy.drawImage(QPoint(0, 0), FBackBuffer, under);
    }
    try {
        QPainter canvas(&FCellBuffer);
        canvas.setFont(font());
        canvas.setBrush(Qt::NoBrush);
        PaintCellContent(column, row, canvas, QRect(QPoint(0, 0), rect.size()));
    } catch (...) {
        // The cell is still drawn with what was composed.
    }
    target.drawImage(rect.topLeft(), FCellBuffer);
}

void LunarCalendarWidget::PaintCellContent(int column, int row, QPainter &canvas, const QRect &r) {
    const int w = r.width();
    const int h = r.height();
    if (row == 0) {
        const QRect textRect(0, 0, w - 2, h);
        QString text;
        if (column == 0) {
            if (FShowWeekNum) {
                text = QStringLiteral("W");
                canvas.setPen(FColorWeekNum);
            }
        } else if (column <= 7) {
            static const char16_t *const shortNames[] = {u"日", u"一", u"二", u"三",
                                                         u"四", u"五", u"六"};
            if (textRect.width() > 36) {
                // Qt counts Monday = 1 .. Sunday = 7; column 1 is Sunday.
                text = QLocale().dayName(column == 1 ? 7 : column - 1, QLocale::LongFormat);
            } else {
                text = QString::fromUtf16(shortNames[column - 1]);
            }
            canvas.setPen(column == 1 || column == 7 ? FColorTitleWeekEnd : FColorTitleWeek);
        }
        Drawing::drawSingleLine(canvas, textRect, Qt::AlignHCenter | Qt::AlignTop, text);
        canvas.setPen(FColorTitleWeekLine);
        canvas.drawLine(0, h - 4, w - 1, h - 4);
        if (column == 0 && FShowWeekNum && FShowWeekNumLine)
            canvas.drawLine(w - 1, 0, w - 1, h - 1);
        return;
    }

    if (column == 0) {
        const QString &week = FMonth->weekNumbers()[std::size_t(row - 1)];
        if (FShowWeekNum && !week.isEmpty()) {
            canvas.setFont(Drawing::namedFont(QStringLiteral("宋体"), 9));
            canvas.setPen(FColorWeekNum);
            canvas.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, week);
        }
        if (FShowWeekNumLine) {
            canvas.setPen(FColorTitleWeekLine);
            canvas.drawLine(w - 1, 0, w - 1, h - 1);
        }
        return;
    }
    if (column > 7) return;

    const int i = Geometry::cellIndex(column, row);
    const bool selected = column == FDayGrid->currentColumn() && row == FDayGrid->currentRow();
    const bool showSelection = selected && (!FHideSelection || FDayGrid->hasFocus());
    if (showSelection) {
        canvas.end();
        Drawing::fillGradient(FCellBuffer, r, FColorSelectedStart, FColorSelectedEnd);
        canvas.begin(&FCellBuffer);
        canvas.setBrush(Qt::NoBrush);
    }
    const CalendarCell &info = FMonth->cell(i);
    if (!info.valid) return;

    if (i < 40) {
        const QRect upper(QPoint(2, 0), QPoint(w - 2 - 1, h / 2 - 1));
        QString text = info.dayText;
        bool defaultDraw = true;
        canvas.setFont(FFontDate);
        canvas.setPen(info.dateColor);
        if (OnDrawDateCell) OnDrawDateCell(this, info.day, canvas, r, selected, text, defaultDraw);
        if (defaultDraw)
            Drawing::drawSingleLine(canvas, upper, Qt::AlignHCenter | Qt::AlignBottom, text);

        const QRect lower(QPoint(2, h / 2), QPoint(w - 2 - 1, h - 1));
        text = info.caption;
        defaultDraw = true;
        canvas.setFont(FFontCnDate);
        canvas.setPen(info.captionColor);
        if (OnDrawCnDateCell)
            OnDrawCnDateCell(this, info.day, canvas, r, selected, text, defaultDraw);
        if (defaultDraw) {
            Drawing::drawSingleLine(canvas, lower, Qt::AlignHCenter | Qt::AlignTop, text);
            if (showSelection) {
                canvas.setPen(FColorSelectedFrame);
                canvas.setBrush(Qt::NoBrush);
                canvas.drawRect(0, 0, w - 1, h - 1);
            }
        }
        return;
    }

    if (info.dayText.isEmpty()) return;
    // Title texts may wrap; laid out from the top, 8 pixels below the cell's top edge.
    const QRect titleRect(QPoint(0, 8), QPoint(w - 1, h - 1));
    canvas.setFont(Drawing::namedFont(QStringLiteral("宋体"), 9));
    int alignment = Qt::AlignHCenter;
    if (i == 40) {
        canvas.setPen(FColorTitleConstellation);
    } else {
        canvas.setPen(FColorTitleAnimalsYear);
        alignment = i == 41 ? Qt::AlignRight : Qt::AlignLeft;
    }
    const QFontMetrics metrics(canvas.font());
    QString text = info.dayText;
    if (metrics.horizontalAdvance(text) > titleRect.width() && !text.contains(QLatin1Char(' ')))
        text = metrics.elidedText(text, Qt::ElideRight, titleRect.width());
    canvas.drawText(titleRect, alignment | Qt::AlignTop | Qt::TextWordWrap, text);
}

// ---- Painting and messages

void LunarCalendarWidget::paintEvent(QPaintEvent *) {
    EnsureBackground();
    QPainter painter(this);
    painter.drawImage(0, 0, FBackBuffer);
}

void LunarCalendarWidget::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (!FWindowCreated) return;
    ApplyLayout();
    update();
}

void LunarCalendarWidget::mousePressEvent(QMouseEvent *event) {
    // Presses that the labels let through are still theirs, not the surface's.
    FOwnPress = event->button() == Qt::LeftButton && !childAt(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void LunarCalendarWidget::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = FOwnPress && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    FOwnPress = false;
    if (click && OnClick) OnClick(this);
    QWidget::mouseReleaseEvent(event);
}

void LunarCalendarWidget::leaveEvent(QEvent *event) {
    FMousePressed = false;
    QWidget::leaveEvent(event);
}

void LunarCalendarWidget::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        RedrawGrid();
        update();
    } else if (event->type() == QEvent::StyleChange && FWindowCreated) {
        // The frame comes from the style.
        BackgroundChanged();
    }
}

bool LunarCalendarWidget::eventFilter(QObject *watched, QEvent *event) {
    QMenu *menu = nullptr;
    if (watched == FMonthLabel || watched == FMonthUnitLabel)
        menu = FMonthMenu;
    else if (watched == FYearLabel || watched == FYearUnitLabel)
        menu = FYearMenu;
    const bool today = watched == FTodayLabel;
    if (!menu && !today) return QWidget::eventFilter(watched, event);

    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *label = static_cast<QWidget *>(watched);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (today)
                TodayClick();
            else
                ShowMenuAtCursor(menu);
            return true;
        }
    } else if (event->type() == QEvent::ContextMenu && menu) {
        ShowMenuAtCursor(menu);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LunarCalendarWidget::ShowMenuAtCursor(QMenu *menu) {
    menu->popup(QCursor::pos());
}

// ---- Navigation

void LunarCalendarWidget::TodayClick() {
    SetDateTime(QDateTime::currentDateTime());
}

bool LunarCalendarWidget::SetDayIfValid(int y, int m, int d) {
    if (y < 1 || m < 1 || m > 12) return false;
    int day = d;
    while (day > 0 && !QDate::isValid(y, m, day)) --day;
    if (day <= 0) return false;
    SetDateTime(QDateTime(QDate(y, m, day), QTime(0, 0)));
    return true;
}

void LunarCalendarWidget::SyncSpinsWithDate() {
    const QDate date = FDateTime.date();
    FYearUpDown->setPosition(date.year());
    FMonthUpDown->setPosition(date.month());
}

void LunarCalendarWidget::MonthUpDownClick() {
    const QDate date = FDateTime.date();
    int y = date.year();
    if (FMonthUpDown->position() == 13) {
        ++y;
        FYearUpDown->setPosition(y);
        FMonthUpDown->setPosition(1);
    } else if (FMonthUpDown->position() == 0) {
        --y;
        FYearUpDown->setPosition(y);
        FMonthUpDown->setPosition(12);
    }
    SetDayIfValid(y, FMonthUpDown->position(), date.day());
    // A step beyond the years 1..2100 changes nothing; the spins must then show the
    // month and year still displayed, or the next step would start from a month not shown.
    SyncSpinsWithDate();
}

void LunarCalendarWidget::YearUpDownClick() {
    const QDate date = FDateTime.date();
    if (!SetDayIfValid(FYearUpDown->position(), date.month(), date.day()))
        SetDateTime(QDateTime::currentDateTime());
    SyncSpinsWithDate();
}

void LunarCalendarWidget::MonthItemClick(int tag) {
    FMonthUpDown->setPosition(tag);
    MonthUpDownClick();
}

void LunarCalendarWidget::YearItemClick(int tag) {
    FYearUpDown->setPosition(tag);
    YearUpDownClick();
}

void LunarCalendarWidget::SelectCell(int column, int row, bool &allowed) {
    if (FSelecting) return;
    // Only day cells (1..37) can be chosen: CellIndex gives 0 for the header row and the
    // week-number and filler columns.
    const int i = Geometry::cellIndex(column, row);
    allowed = i >= 1 && i <= 37 && FMonth->cell(i).valid;
    if (!allowed) return;
    const QDate shown = FDateTime.date();
    SetDateTime(QDateTime(QDate(shown.year(), shown.month(), FMonth->cell(i).day), QTime(0, 0)));
    if (OnDateClick && FMousePressed) OnDateClick(this);
}

void LunarCalendarWidget::GridClick(const QPoint &gridPos) {
    const QPoint cell = FDayGrid->cellAt(gridPos);
    if (cell == QPoint(FDayGrid->currentColumn(), FDayGrid->currentRow()) && OnDateSelect)
        OnDateSelect(this);
}
