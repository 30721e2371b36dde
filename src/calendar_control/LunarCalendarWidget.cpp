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

const QColor kGrey = Drawing::colorFromBgr(8421504);

QString toQString(const std::string &utf8) {
    return QString::fromStdString(utf8);
}

QColor labelColor(const QLabel *label) {
    return label->palette().color(QPalette::WindowText);
}

void setLabelColor(QLabel *label, const QColor &color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

// Where the label's line of text starts: its place without the room for ink above it.
QPoint textOrigin(const QLabel *label) {
    return label->pos() + QPoint(0, label->contentsMargins().top());
}

// Sizes the label to its text, glyphs whole, with the line of text starting at `at`.
void setLabelText(QLabel *label, const QString &text, const QPoint &at) {
    label->setText(text);
    const QMargins ink = Drawing::inkMargins(label->font(), text);
    label->setContentsMargins(ink);
    label->adjustSize();
    label->move(at.x(), at.y() - ink.top());
}

void setLabelText(QLabel *label, const QString &text) {
    setLabelText(label, text, textOrigin(label));
}

QLabel *makeLabel(QWidget *parent, const QString &text, const QPoint &at, const QFont &font,
                  const QColor &color, bool hand) {
    auto *label = new QLabel(parent);
    label->setFont(font);
    label->setMargin(0);
    label->setTextFormat(Qt::PlainText);
    label->setAttribute(Qt::WA_TranslucentBackground);
    setLabelColor(label, color);
    if (hand) label->setCursor(Qt::PointingHandCursor);
    setLabelText(label, text, at);
    return label;
}

// The right edge of the month label stays where it was placed: the number grows to the left
// of its unit "月".
void setRightAnchoredText(QLabel *label, const QString &text, int right) {
    setLabelText(label, text);
    label->move(right - label->width(), label->y());
}

QString menuName(const QString &prefix, int number) {
    return prefix + QString::number(number);
}

} // namespace

LunarCalendarWidget::LunarCalendarWidget(QWidget *parent)
    : QWidget(parent), m_dateTime(QDate(1899, 12, 30), QTime(0, 0)),
      m_month(std::make_unique<LunarCalendarMonth>()),
      m_dateInfo(std::make_unique<lunar::DateInfo>()) {
    m_dateFont = Drawing::namedFont(QStringLiteral("黑体"), 9, true);
    m_captionFont = Drawing::namedFont(QStringLiteral("宋体"), 9, false);
    m_headerLineColor = Drawing::colorFromBgr(12961221);
    m_weekendHeaderColor = Drawing::colorFromBgr(255);
    m_weekdayHeaderColor = Drawing::colorFromBgr(5197647);
    const LunarCalendarMonth::Colors colors = LunarCalendarMonth::defaultColors();
    m_lunarDayColor = colors.lunarDay;
    m_dateColor = colors.date;
    m_civilFestivalColor = colors.civilFestival;
    m_solarTermColor = colors.solarTerm;
    m_lunarFestivalColor = colors.lunarFestival;
    m_selectionStartColor = Drawing::colorFromBgr(5484032);
    m_selectionEndColor = Drawing::colorFromBgr(6673664);
    m_selectionFrameColor = Drawing::colorFromBgr(4625152);
    m_weekNumberColor = kGrey;
    m_frameColor = kGrey;
    m_backgroundYearColor = Drawing::colorFromBgr(14543103);
    m_backgroundMonthColor = Drawing::colorFromBgr(15461355);
    m_starSignTitleColor = QColor(0, 0, 0);
    m_yearTitlesColor = QColor(0, 0, 0);

    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(313, 253);

    m_dayGrid = new DayGrid(Geometry::kColumnCount, Geometry::kRowCount, this);
    m_dayGrid->setGeometry(8, 40, 298, 186);
    m_dayGrid->setCellPainter([this](int c, int r, QPainter &target, const QRect &rect) {
        paintGridCell(c, r, target, rect);
    });
    m_dayGrid->setSelectionFilter([this](int c, int r) { return selectCell(c, r); });
    connect(m_dayGrid, &DayGrid::mousePressed, this, [this] { m_mousePressed = true; });
    connect(m_dayGrid, &DayGrid::clicked, this, [this](const QPoint &pos) { gridClicked(pos); });
    connect(m_dayGrid, &DayGrid::mouseLeft, this, [this] { m_mousePressed = false; });
    m_dayGrid->setContextMenuPolicy(Qt::PreventContextMenu);
    connect(m_dayGrid, &QWidget::customContextMenuRequested, this,
            [this] { showMenuAtCursor(m_yearMenu); });

    const QFont song = Drawing::namedFont(QStringLiteral("宋体"), 9);
    QFont todayFont = song;
    todayFont.setUnderline(true);
    m_todayLabel = makeLabel(this, QStringLiteral("今天"), QPoint(272, 18), todayFont,
                             QColor(0, 0, 255), true);
    m_monthLabel = makeLabel(this, QString(), QPoint(34, 3),
                             Drawing::namedFont(QStringLiteral("Arial"), 24, true),
                             Drawing::colorFromBgr(12615808), true);
    m_monthLabel->setAlignment(Qt::AlignRight | Qt::AlignTop);
    // An empty label measures as one blank; its right edge then stays put.
    setLabelText(m_monthLabel, QStringLiteral(" "));
    m_monthLabelRight = m_monthLabel->x() + m_monthLabel->width();
    setLabelText(m_monthLabel, QString());
    m_monthUnitLabel =
        makeLabel(this, QStringLiteral("月"), QPoint(45, 20), song, QColor(0, 0, 0), true);
    m_yearLabel =
        makeLabel(this, QString(), QPoint(120, 0),
                  Drawing::namedFont(QStringLiteral("Arial Black"), 22), QColor(0, 0, 255), true);
    m_yearUnitLabel =
        makeLabel(this, QStringLiteral("年"), QPoint(205, 18), song, QColor(0, 0, 0), true);
    m_statusLabel = makeLabel(this, QString(), QPoint(10, 236), song, kGrey, false);
    // Labels lie under the grid, as text painted on the control's own surface would.
    for (QLabel *label : {m_todayLabel, m_monthLabel, m_monthUnitLabel, m_yearLabel,
                          m_yearUnitLabel, m_statusLabel}) {
        label->lower();
        label->installEventFilter(this);
    }

    m_monthSpin = new SpinArrows(0, 13, this);
    m_monthSpin->move(60, 10);
    connect(m_monthSpin, &SpinArrows::stepped, this, [this] { stepMonth(); });
    m_yearSpin = new SpinArrows(1, 2100, this);
    m_yearSpin->move(220, 10);
    connect(m_yearSpin, &SpinArrows::stepped, this, [this] { stepYear(); });

    m_monthMenu = new QMenu(this);
    m_monthMenu->setObjectName(QStringLiteral("MonthMenu"));
    m_yearMenu = new QMenu(this);
    m_yearMenu->setObjectName(QStringLiteral("YearMenu"));
    for (QMenu *menu : {m_monthMenu, m_yearMenu})
        connect(menu, &QMenu::aboutToShow, this, [this] { fillMenus(); });

    finishCreation();
}

LunarCalendarWidget::~LunarCalendarWidget() = default;

void LunarCalendarWidget::finishCreation() {
    m_dayGrid->setColumnWidth(0, 6);
    m_dayGrid->setRowHeight(0, 18);
    m_created = true;
    setDateTime(QDateTime::currentDateTime());
    setShowTitle(true);
}

void LunarCalendarWidget::fillMenus() {
    if (m_menusFilled) return;
    m_menusFilled = true;
    QAction *monthToday = m_monthMenu->addAction(QStringLiteral("今日"));
    monthToday->setObjectName(QStringLiteral("MenuMonth_ToDay"));
    connect(monthToday, &QAction::triggered, this, [this] { selectToday(); });
    m_monthMenu->setDefaultAction(monthToday);
    m_monthMenu->addSeparator()->setObjectName(QStringLiteral("MenuMonth_ToDay_"));
    // The default locale is the system's unless the application chose another.
    const QLocale locale;
    for (int month = 1; month <= 12; ++month) {
        QAction *item = m_monthMenu->addAction(locale.monthName(month, QLocale::LongFormat));
        item->setObjectName(menuName(QStringLiteral("MenuMonth_"), month - 1));
        item->setData(month);
        connect(item, &QAction::triggered, this, [this, month] { pickMonth(month); });
    }

    QAction *yearToday = m_yearMenu->addAction(QStringLiteral("今日"));
    yearToday->setObjectName(QStringLiteral("MenuYear_ToDay"));
    connect(yearToday, &QAction::triggered, this, [this] { selectToday(); });
    m_yearMenu->setDefaultAction(yearToday);
    m_yearMenu->addSeparator()->setObjectName(QStringLiteral("MenuYear_ToDay_1"));

    auto addYear = [this](QMenu *group, const QString &prefix, int year) {
        QAction *item = group->addAction(QString::number(year));
        item->setObjectName(menuName(prefix, year));
        item->setData(year);
        connect(item, &QAction::triggered, this, [this, year] { pickYear(year); });
    };

    QMenu *history = m_yearMenu->addMenu(QStringLiteral("历史日期"));
    history->setObjectName(QStringLiteral("MenuYear_History"));
    for (int r = 10; r < 1890; r += 100) {
        QMenu *century = history->addMenu(QString::number(r - 10));
        century->setObjectName(menuName(QStringLiteral("MenuYear_History_"), r));
        for (int year = r; year <= r + 90; year += 10)
            addYear(century, QStringLiteral("MenuYear_History_"), year);
    }
    m_yearMenu->addSeparator()->setObjectName(QStringLiteral("MenuYear_ToDay_2"));
    for (int r = 1900; r < 2100; r += 10) {
        QMenu *decade = m_yearMenu->addMenu(QString::number(r));
        decade->setObjectName(menuName(QStringLiteral("MenuYear_"), r));
        for (int year = r; year <= r + 9; ++year)
            addYear(decade, QStringLiteral("MenuYear_"), year);
    }
}

void LunarCalendarWidget::setDateTime(const QDateTime &x) {
    if (x == m_dateTime || !x.isValid()) return;
    const QDate date = x.date();
    const int y = date.year();
    if (y < m_yearSpin->minimum() || y > m_yearSpin->maximum()) return;
    // 1582-10-05 .. 14 are QDates but no days of the calendar shown.
    if (!lunar::IsValidCivilDate(y, date.month(), date.day())) return;

    m_dateTime = x;
    // A failure while filling, drawing or in a slot connected to dateChanged must not take the
    // control down; what was filled so far stays.
    try {
        fillMonth();
        emit dateChanged(m_dateTime.date());
    } catch (...) {
        m_selecting = false;
    }
}

void LunarCalendarWidget::setHolidays(std::shared_ptr<const HolidayTable> holidays) {
    m_holidays = std::move(holidays);
    try {
        fillMonth();
    } catch (...) {
        m_selecting = false;
    }
}

void LunarCalendarWidget::fillMonth() {
    const QDate date = m_dateTime.date();
    const int y = date.year();
    const int m = date.month();
    const int d = date.day();
    m_yearSpin->setPosition(y);
    m_monthSpin->setPosition(m);

    // The record keeps its year-level texts (year name, animal, era) while the lunar year
    // stays the same, whichever civil date they were built for; the title cells and the
    // status line must show those of this date, not of the last month walked through.
    // 0 is a real lunar year (January of year 1): only a value no date has forces the rebuild.
    m_dateInfo->CachedLunarYear = std::numeric_limits<int>::min();
    m_dateInfo->SetCivilDate(y, m, d);
    m_lunarMonthText = toQString(m_dateInfo->MonthName);
    m_lunarDayText = toQString(m_dateInfo->DayName);
    m_lunarDateText = m_lunarMonthText + m_lunarDayText;
    setLabelText(m_yearLabel, QString::number(y));
    setRightAnchoredText(m_monthLabel, QString::number(m), m_monthLabelRight);

    m_month->setTitles(toQString(m_dateInfo->YearPillar), toQString(m_dateInfo->Animal));

    QString lunarText = QStringLiteral(" 农历") + m_lunarDateText;
    CalendarCell official;
    LunarCalendarMonth::markHoliday(official, date, m_holidays.get());
    if (official.holiday == CalendarCell::Holiday::DayOff)
        lunarText += QStringLiteral(" ") + official.holidayName + QStringLiteral("放假");
    else if (official.holiday == CalendarCell::Holiday::WorkingDay)
        lunarText += QStringLiteral(" ") + official.holidayName + QStringLiteral("调休上班");
    if (y < 1949)
        setLabelText(m_statusLabel, toQString(m_dateInfo->Era) + lunarText);
    else
        setLabelText(m_statusLabel, date.toString(QStringLiteral("yyyy-MM-dd")) + lunarText);

    m_month->clear(m_dateColor);
    const LunarCalendarMonth::Colors colors{m_dateColor, m_lunarDayColor, m_civilFestivalColor,
                                            m_solarTermColor, m_lunarFestivalColor};
    const int selected = m_month->fill(*m_dateInfo, y, m, d, colors, m_holidays.get());
    if (selected > 0) {
        const QPoint at = Geometry::cellPosition(selected);
        m_selecting = true;
        m_dayGrid->setCurrentCell(at.x(), at.y());
        m_selecting = false;
    }
    backgroundChanged();
}

const CalendarCell &LunarCalendarWidget::cell(int i) const {
    return m_month->cell(i);
}

const std::array<QString, 6> &LunarCalendarWidget::weekNumbers() const {
    return m_month->weekNumbers();
}

QPoint LunarCalendarWidget::currentCell() const {
    return QPoint(m_dayGrid->currentColumn(), m_dayGrid->currentRow());
}

QString LunarCalendarWidget::statusText() const {
    return m_statusLabel->text();
}

void LunarCalendarWidget::setShowTitle(bool value) {
    m_showTitle = value;
    applyLayout();
}

void LunarCalendarWidget::setShowWeekNumbers(bool value) {
    if (value == m_showWeekNumbers) return;
    m_showWeekNumbers = value;
    m_dayGrid->setColumnWidth(0, value ? 18 : 6);
    distributeGrid();
    redrawGrid();
}

void LunarCalendarWidget::setShowFrame(bool value) {
    m_showFrame = value;
    backgroundChanged();
}

void LunarCalendarWidget::setShowBackgroundDigits(bool value) {
    m_showBackgroundDigits = value;
    backgroundChanged();
}

void LunarCalendarWidget::setShowWeekNumberLine(bool value) {
    m_showWeekNumberLine = value;
    redrawGrid();
}

void LunarCalendarWidget::setDateFont(const QFont &value) {
    m_dateFont = value;
    m_cellLinesHeight = -1;
    redrawGrid();
}

void LunarCalendarWidget::setCaptionFont(const QFont &value) {
    m_captionFont = value;
    m_cellLinesHeight = -1;
    redrawGrid();
}

void LunarCalendarWidget::setHeaderLineColor(const QColor &value) {
    m_headerLineColor = value;
    redrawGrid();
}

void LunarCalendarWidget::setWeekendHeaderColor(const QColor &value) {
    m_weekendHeaderColor = value;
    redrawGrid();
}

void LunarCalendarWidget::setWeekdayHeaderColor(const QColor &value) {
    m_weekdayHeaderColor = value;
    redrawGrid();
}

void LunarCalendarWidget::setSelectionStartColor(const QColor &value) {
    m_selectionStartColor = value;
    redrawGrid();
}

void LunarCalendarWidget::setSelectionEndColor(const QColor &value) {
    m_selectionEndColor = value;
    redrawGrid();
}

void LunarCalendarWidget::setSelectionFrameColor(const QColor &value) {
    m_selectionFrameColor = value;
    redrawGrid();
}

void LunarCalendarWidget::setWeekNumberColor(const QColor &value) {
    m_weekNumberColor = value;
    if (m_showWeekNumbers) redrawGrid();
}

void LunarCalendarWidget::setFrameColor(const QColor &value) {
    m_frameColor = value;
    if (!m_showFrame) return;
    backgroundChanged();
}

void LunarCalendarWidget::setBackgroundYearColor(const QColor &value) {
    m_backgroundYearColor = value;
    backgroundChanged();
}

void LunarCalendarWidget::setBackgroundMonthColor(const QColor &value) {
    m_backgroundMonthColor = value;
    backgroundChanged();
}

QColor LunarCalendarWidget::todayLabelColor() const {
    return labelColor(m_todayLabel);
}

void LunarCalendarWidget::setTodayLabelColor(const QColor &value) {
    setLabelColor(m_todayLabel, value);
}

QColor LunarCalendarWidget::monthLabelColor() const {
    return labelColor(m_monthLabel);
}

void LunarCalendarWidget::setMonthLabelColor(const QColor &value) {
    setLabelColor(m_monthLabel, value);
}

QColor LunarCalendarWidget::yearLabelColor() const {
    return labelColor(m_yearLabel);
}

void LunarCalendarWidget::setYearLabelColor(const QColor &value) {
    setLabelColor(m_yearLabel, value);
}

QColor LunarCalendarWidget::statusLineColor() const {
    return labelColor(m_statusLabel);
}

void LunarCalendarWidget::setStatusLineColor(const QColor &value) {
    setLabelColor(m_statusLabel, value);
}

void LunarCalendarWidget::setBackgroundImage(const QImage &value) {
    m_backgroundImage = value;
    placePicture();
    backgroundChanged();
}

void LunarCalendarWidget::setBackgroundCentered(bool value) {
    m_backgroundCentered = value;
    placePicture();
    backgroundChanged();
}

void LunarCalendarWidget::setBackgroundStretched(bool value) {
    m_backgroundStretched = value;
    placePicture();
    backgroundChanged();
}

void LunarCalendarWidget::setTransparent(bool value) {
    m_transparent = value;
    backgroundChanged();
}

void LunarCalendarWidget::setAlphaBlend(int value) {
    m_alphaBlend = value & 0xFF;
    backgroundChanged();
}

void LunarCalendarWidget::applyLayout() {
    m_gridBounds = Geometry::gridBounds(size(), m_showTitle);
    m_monthSpin->setVisible(m_showTitle);
    m_yearSpin->setVisible(m_showTitle);
    m_dayGrid->setGeometry(m_gridBounds.x(), m_gridBounds.y(), std::max(0, m_gridBounds.width()),
                           std::max(0, m_gridBounds.height()));
    m_dayGrid->setContextMenuPolicy(m_showTitle ? Qt::PreventContextMenu : Qt::CustomContextMenu);
    distributeGrid();
    placePicture();
    backgroundChanged();
}

void LunarCalendarWidget::distributeGrid() {
    const std::vector<int> widths =
        Geometry::columnWidths(m_gridBounds.width(), m_dayGrid->columnWidth(0));
    const std::vector<int> heights =
        Geometry::rowHeights(m_gridBounds.height(), m_dayGrid->rowHeight(0));
    for (int c = 1; c < Geometry::kColumnCount; ++c)
        m_dayGrid->setColumnWidth(c, widths[std::size_t(c)]);
    for (int r = 1; r < Geometry::kRowCount; ++r)
        m_dayGrid->setRowHeight(r, heights[std::size_t(r)]);
}

void LunarCalendarWidget::backgroundChanged() {
    m_backBufferStale = true;
    redrawGrid();
    update();
}

void LunarCalendarWidget::ensureBackground() const {
    if (!m_backBufferStale && m_backBuffer.size() == size()) return;
    m_backBufferStale = false;
    rebuildBackground();
}

void LunarCalendarWidget::rebuildBackground() const {
    if (m_backBuffer.size() != size()) m_backBuffer = QImage(size(), QImage::Format_RGB888);
    if (m_backBuffer.isNull()) return;
    m_backBuffer.fill(Qt::white);
    {
        QPainter painter(&m_backBuffer);
        if (m_showFrame) {
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
                painter.setPen(m_frameColor);
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(0, 0, width() - 1, height() - 1);
            }
        }
        if (m_showBackgroundDigits) {
            const QDate date = m_dateTime.date();
            painter.setFont(Drawing::namedFont(QStringLiteral("Arial Black"), 48));
            painter.setPen(m_backgroundYearColor);
            Drawing::drawSingleLine(painter, Geometry::backYearRect(m_gridBounds), Qt::AlignCenter,
                                    QString::number(date.year()));
            painter.setFont(Drawing::namedFont(QStringLiteral("Arial Black"), 90));
            painter.setPen(m_backgroundMonthColor);
            Drawing::drawSingleLine(painter, Geometry::backMonthRect(m_gridBounds), Qt::AlignCenter,
                                    QString::number(date.month()));
        }
    }
    Drawing::blendPicture(m_backBuffer, m_pictureBuffer, m_alphaBlend);
}

void LunarCalendarWidget::placePicture() {
    if (m_backgroundImage.isNull() || size().isEmpty()) {
        m_pictureBuffer = QImage();
        return;
    }
    m_pictureBuffer = QImage(size(), QImage::Format_RGB888);
    m_pictureBuffer.fill(Qt::white);
    QPainter painter(&m_pictureBuffer);
    const QRect target = Geometry::picturePlacement(m_backgroundImage.size(), size(),
                                                    m_backgroundCentered, m_backgroundStretched);
    painter.drawImage(target, m_backgroundImage);
}

void LunarCalendarWidget::redrawGrid() {
    m_dayGrid->redraw();
}

void LunarCalendarWidget::paintGridCell(int column, int row, QPainter &target, const QRect &rect) {
    if (m_cellBuffer.size() != rect.size())
        m_cellBuffer = QImage(rect.size(), QImage::Format_RGB888);
    // The grid shows the background through: start from what lies under the cell.
    ensureBackground();
    const QRect under = rect.translated(m_dayGrid->pos());
    if (QRect(QPoint(0, 0), m_backBuffer.size()).contains(under)) {
        const int bytes = 3 * rect.width();
        for (int y = 0; y < rect.height(); ++y)
            std::memcpy(m_cellBuffer.scanLine(y),
                        m_backBuffer.constScanLine(under.y() + y) + 3 * under.x(),
                        std::size_t(bytes));
    } else {
        m_cellBuffer.fill(Qt::white);
        QPainter copy(&m_cellBuffer);
        copy.drawImage(QPoint(0, 0), m_backBuffer, under);
    }
    try {
        QPainter canvas(&m_cellBuffer);
        canvas.setFont(font());
        canvas.setBrush(Qt::NoBrush);
        paintCellContent(column, row, canvas, QRect(QPoint(0, 0), rect.size()));
    } catch (...) {
        // The cell is still drawn with what was composed.
    }
    target.drawImage(rect.topLeft(), m_cellBuffer);
}

void LunarCalendarWidget::paintCellContent(int column, int row, QPainter &canvas, const QRect &r) {
    const int w = r.width();
    const int h = r.height();
    if (row == 0) {
        const QRect textRect(0, 0, w - 2, h);
        QString text;
        if (column == 0) {
            if (m_showWeekNumbers) {
                text = QStringLiteral("W");
                canvas.setPen(m_weekNumberColor);
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
            canvas.setPen(column == 1 || column == 7 ? m_weekendHeaderColor : m_weekdayHeaderColor);
        }
        Drawing::drawSingleLine(canvas, textRect, Qt::AlignHCenter | Qt::AlignTop, text);
        canvas.setPen(m_headerLineColor);
        canvas.drawLine(0, h - 4, w - 1, h - 4);
        if (column == 0 && m_showWeekNumbers && m_showWeekNumberLine)
            canvas.drawLine(w - 1, 0, w - 1, h - 1);
        return;
    }

    if (column == 0) {
        const QString &week = m_month->weekNumbers()[std::size_t(row - 1)];
        if (m_showWeekNumbers && !week.isEmpty()) {
            canvas.setFont(Drawing::namedFont(QStringLiteral("宋体"), 9));
            canvas.setPen(m_weekNumberColor);
            canvas.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, week);
        }
        if (m_showWeekNumberLine) {
            canvas.setPen(m_headerLineColor);
            canvas.drawLine(w - 1, 0, w - 1, h - 1);
        }
        return;
    }
    if (column > 7) return;

    const int i = Geometry::cellIndex(column, row);
    const bool current = column == m_dayGrid->currentColumn() && row == m_dayGrid->currentRow();
    const bool showSelection = current && (!m_hideSelection || m_dayGrid->hasFocus());
    if (showSelection) {
        canvas.end();
        Drawing::fillGradient(m_cellBuffer, r, m_selectionStartColor, m_selectionEndColor);
        canvas.begin(&m_cellBuffer);
        canvas.setBrush(Qt::NoBrush);
    }
    const CalendarCell &info = m_month->cell(i);
    if (!info.valid) return;
    if (i < 40) {
        paintCell(canvas, r, info, showSelection);
        return;
    }

    if (info.dayText.isEmpty()) return;
    // Title texts may wrap; laid out from the top, 8 pixels below the cell's top edge.
    const QRect titleRect(QPoint(0, 8), QPoint(w - 1, h - 1));
    canvas.setFont(Drawing::namedFont(QStringLiteral("宋体"), 9));
    int alignment = Qt::AlignHCenter;
    if (i == 40) {
        canvas.setPen(m_starSignTitleColor);
    } else {
        canvas.setPen(m_yearTitlesColor);
        alignment = i == 41 ? Qt::AlignRight : Qt::AlignLeft;
    }
    const QFontMetrics metrics(canvas.font());
    QString text = info.dayText;
    if (metrics.horizontalAdvance(text) > titleRect.width() && !text.contains(QLatin1Char(' ')))
        text = metrics.elidedText(text, Qt::ElideRight, titleRect.width());
    canvas.drawText(titleRect, alignment | Qt::AlignTop | Qt::TextWordWrap, text);
}

void LunarCalendarWidget::paintCell(QPainter &painter, const QRect &rect, const CalendarCell &cell,
                                    bool selected) {
    const LunarCalendarDrawing::CellLines &lines = cellLines(rect.height());
    // A line box of the font with its baseline `baseline` rows below the cell's top.
    auto lineAt = [&rect](const QFont &font, int baseline) {
        const QFontMetrics metrics(font);
        return QRect(rect.left() + 2, rect.top() + baseline - metrics.ascent(), rect.width() - 4,
                     metrics.height());
    };
    painter.setFont(m_dateFont);
    painter.setPen(cell.dateColor);
    Drawing::drawSingleLine(painter, lineAt(m_dateFont, lines.numberBaseline),
                            Qt::AlignHCenter | Qt::AlignTop, cell.dayText);
    painter.setFont(lines.captionFont);
    painter.setPen(cell.captionColor);
    Drawing::drawSingleLine(painter, lineAt(lines.captionFont, lines.captionBaseline),
                            Qt::AlignHCenter | Qt::AlignTop, cell.caption);
    // In the upper half's right corner, clear of the centred day number and of the caption.
    if (cell.holiday != CalendarCell::Holiday::None)
        Drawing::drawHolidayBadge(painter, rect.topLeft() + QPoint(rect.width() - 1, 0),
                                  cell.holiday == CalendarCell::Holiday::DayOff,
                                  Drawing::holidayBadgeFont(9));
    if (selected) {
        painter.setPen(m_selectionFrameColor);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
}

const LunarCalendarDrawing::CellLines &LunarCalendarWidget::cellLines(int height) {
    if (height != m_cellLinesHeight) {
        m_cellLines = Drawing::cellLines(m_dateFont, m_captionFont, height);
        m_cellLinesHeight = height;
    }
    return m_cellLines;
}

void LunarCalendarWidget::paintEvent(QPaintEvent *) {
    ensureBackground();
    QPainter painter(this);
    painter.drawImage(0, 0, m_backBuffer);
}

void LunarCalendarWidget::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (!m_created) return;
    applyLayout();
    update();
}

void LunarCalendarWidget::mousePressEvent(QMouseEvent *event) {
    // Presses that the labels let through are still theirs, not the surface's.
    m_ownPress = event->button() == Qt::LeftButton && !childAt(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void LunarCalendarWidget::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = m_ownPress && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_ownPress = false;
    if (click) emit clicked();
    QWidget::mouseReleaseEvent(event);
}

void LunarCalendarWidget::leaveEvent(QEvent *event) {
    m_mousePressed = false;
    QWidget::leaveEvent(event);
}

void LunarCalendarWidget::changeEvent(QEvent *event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        redrawGrid();
        update();
    } else if (event->type() == QEvent::StyleChange && m_created) {
        // The frame comes from the style.
        backgroundChanged();
    }
}

bool LunarCalendarWidget::eventFilter(QObject *watched, QEvent *event) {
    QMenu *menu = nullptr;
    if (watched == m_monthLabel || watched == m_monthUnitLabel)
        menu = m_monthMenu;
    else if (watched == m_yearLabel || watched == m_yearUnitLabel)
        menu = m_yearMenu;
    const bool today = watched == m_todayLabel;
    if (!menu && !today) return QWidget::eventFilter(watched, event);

    if (event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        auto *label = static_cast<QWidget *>(watched);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (today)
                selectToday();
            else
                showMenuAtCursor(menu);
            return true;
        }
    } else if (event->type() == QEvent::ContextMenu && menu) {
        showMenuAtCursor(menu);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void LunarCalendarWidget::showMenuAtCursor(QMenu *menu) {
    menu->popup(QCursor::pos());
}

void LunarCalendarWidget::selectToday() {
    setDateTime(QDateTime::currentDateTime());
}

bool LunarCalendarWidget::setDayIfValid(int y, int m, int d) {
    if (y < 1 || m < 1 || m > 12) return false;
    int day = d;
    while (day > 0 && !(QDate::isValid(y, m, day) && lunar::IsValidCivilDate(y, m, day))) --day;
    if (day <= 0) return false;
    setDateTime(QDateTime(QDate(y, m, day), QTime(0, 0)));
    return true;
}

void LunarCalendarWidget::syncSpinsWithDate() {
    const QDate date = m_dateTime.date();
    m_yearSpin->setPosition(date.year());
    m_monthSpin->setPosition(date.month());
}

void LunarCalendarWidget::stepMonth() {
    const QDate date = m_dateTime.date();
    int y = date.year();
    if (m_monthSpin->position() == 13) {
        ++y;
        m_yearSpin->setPosition(y);
        m_monthSpin->setPosition(1);
    } else if (m_monthSpin->position() == 0) {
        --y;
        m_yearSpin->setPosition(y);
        m_monthSpin->setPosition(12);
    }
    setDayIfValid(y, m_monthSpin->position(), date.day());
    // A step beyond the years 1..2100 changes nothing; the spins must then show the
    // month and year still displayed, or the next step would start from a month not shown.
    syncSpinsWithDate();
}

void LunarCalendarWidget::stepYear() {
    const QDate date = m_dateTime.date();
    if (!setDayIfValid(m_yearSpin->position(), date.month(), date.day()))
        setDateTime(QDateTime::currentDateTime());
    syncSpinsWithDate();
}

void LunarCalendarWidget::pickMonth(int month) {
    m_monthSpin->setPosition(month);
    stepMonth();
}

void LunarCalendarWidget::pickYear(int year) {
    m_yearSpin->setPosition(year);
    stepYear();
}

bool LunarCalendarWidget::selectCell(int column, int row) {
    // The widget moving the grid to its own date.
    if (m_selecting) return true;
    // Only day cells (1..37) can be chosen: cellIndex() gives 0 for the header row and the
    // week-number and filler columns.
    const int i = Geometry::cellIndex(column, row);
    if (i < 1 || i > 37 || !m_month->cell(i).valid) return false;
    const QDate shown = m_dateTime.date();
    const QDate chosen(shown.year(), shown.month(), m_month->cell(i).day);
    // The 29 February of a Julian leap year such as 100 is shown but is no QDate.
    if (!chosen.isValid()) return false;
    setDateTime(QDateTime(chosen, QTime(0, 0)));
    if (m_mousePressed) emit dateClicked(m_dateTime.date());
    return true;
}

void LunarCalendarWidget::gridClicked(const QPoint &gridPos) {
    const QPoint cell = m_dayGrid->cellAt(gridPos);
    if (cell == QPoint(m_dayGrid->currentColumn(), m_dayGrid->currentRow()))
        emit selectedDateClicked(m_dateTime.date());
}
