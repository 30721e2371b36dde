#include "../ChncalAnswers.h"
#include "base/HolidayTable.h"
#include "base/MonthGrid.h"
#include "calendar_control/DayGrid.h"
#include "calendar_control/LunarCalendarWidget.h"
#include "calendar_control/SpinArrows.h"
#include "lunar/EraTable.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleFactory>
#include <QtTest>

#include <memory>

namespace {

QDateTime At(int y, int m, int d, const QTime &time = QTime(0, 0)) {
    return QDateTime(QDate(y, m, d), time);
}

QAction *FindAction(QMenu *menu, const QString &text) {
    for (QAction *action : menu->actions())
        if (action->text() == text) return action;
    return nullptr;
}

QStringList Texts(QMenu *menu) {
    QStringList texts;
    for (QAction *action : menu->actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return texts;
}

// Centre of cell i in grid coordinates.
QPoint CellCentre(const LunarCalendarWidget &calendar, int i) {
    const int column = (i - 1) % 7 + 1;
    const int row = (i - 1) / 7 + 1;
    return calendar.dayGrid()->cellRect(column, row).center();
}

const QColor Red(255, 0, 0);

// Paints the day cells its own way once `recording` is on: notes each day's text and leaves
// 10 February, the selected day, to its gradient, without number, caption or outline.
class RecordingCalendar : public LunarCalendarWidget {
public:
    bool recording = false;
    QStringList dayTexts;
    int selectedSeen = 0;

protected:
    void paintCell(QPainter &painter, const QRect &rect, const CalendarCell &cell,
                   bool selected) override {
        if (recording) {
            // The painter draws on the cell alone.
            QCOMPARE(rect.topLeft(), QPoint(0, 0));
            QCOMPARE(painter.device()->width(), rect.width());
            QCOMPARE(painter.device()->height(), rect.height());
            dayTexts << cell.dayText;
            if (selected) {
                ++selectedSeen;
                QCOMPARE(cell.day, 10);
            }
            if (cell.day == 10) {
                QCOMPARE(cell.caption, QStringLiteral("春节"));
                return;
            }
        }
        LunarCalendarWidget::paintCell(painter, rect, cell, selected);
    }
};

} // namespace

class tst_LunarCalendarWidget : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void initialState();
    void march2023();
    void february2024();
    void weekNumbers_data();
    void weekNumbers();
    void statusLine_data();
    void statusLine();
    void holidayMarks_data();
    void holidayMarks();
    void noChangeForSameOrOutOfRange();
    void cellColoursTakeEffectAtNextFill();
    void steps_data();
    void steps();
    void stepBeyondRangeKeepsSpinsOnShownDate();
    void monthMenu();
    void yearMenu();
    void historyMenuReaches1850();
    void clickOrder();
    void clickOnSelectedCell();
    void dragAcrossCells();
    void surfaceClickAndLeave();
    void clicksOutsideDays_data();
    void clicksOutsideDays();
    void keyboardStaysOnDays();
    void pickerSize();
    void alphaBlend_data();
    void alphaBlend();
    void subclassPaintsCells();
    void weekNumberColumn();
    void handlerErrorIsContained();
    void upDown();
    void titlesDoNotDependOnHistory_data();
    void titlesDoNotDependOnHistory();
    void statusEraDoesNotDependOnHistory();
    void droppedDaysOf1582_data();
    void droppedDaysOf1582();
    void cellsAreTheDaysChncalNames_data();
    void cellsAreTheDaysChncalNames();
    void mothersDayOfYear3();
    void festivalsInTheirColumns_data();
    void festivalsInTheirColumns();
    void frameAndBackDigits();
    void hideSelection();
    void labelsOpenMenus();
    void gridContextMenu();
    void dayTextsFitTheirRows_data();
    void dayTextsFitTheirRows();

private:
    std::unique_ptr<LunarCalendarWidget> Make(const QDateTime &date) {
        auto calendar = std::make_unique<LunarCalendarWidget>();
        calendar->setDateTime(date);
        return calendar;
    }
};

void tst_LunarCalendarWidget::initTestCase() {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
}

void tst_LunarCalendarWidget::initialState() {
    LunarCalendarWidget calendar;
    QCOMPARE(calendar.size(), QSize(313, 253));
    QVERIFY(calendar.showTitle());
    QVERIFY(!calendar.showWeekNumbers());
    QVERIFY(calendar.showFrame());
    QVERIFY(calendar.showBackgroundDigits());
    QVERIFY(calendar.showWeekNumberLine());
    QVERIFY(!calendar.hideSelection());
    QCOMPARE(calendar.alphaBlend(), 50);
    QCOMPARE(calendar.civilFestivalColor(), QColor(255, 128, 0));
    QCOMPARE(calendar.solarTermColor(), QColor(83, 83, 255));
    QCOMPARE(calendar.lunarDayColor(), QColor(0, 128, 0));
    QCOMPARE(calendar.monthLabelColor(), QColor(128, 128, 192));
    QCOMPARE(calendar.yearLabelColor(), QColor(0, 0, 255));
    QCOMPARE(calendar.statusLineColor(), QColor(128, 128, 128));
    QVERIFY(calendar.dateFont().bold());
    QVERIFY(!calendar.captionFont().bold());
    // Created showing now.
    QCOMPARE(calendar.dateTime().date(), QDate::currentDate());
    QVERIFY(!calendar.lunarDateText().isEmpty());
    QCOMPARE(calendar.lunarDateText(), calendar.lunarMonthText() + calendar.lunarDayText());
    QCOMPARE(calendar.dayGrid()->geometry(), QRect(8, 40, 298, 186));
    QVERIFY(!calendar.monthSpin()->isHidden());
    QCOMPARE(calendar.monthSpin()->minimum(), 0);
    QCOMPARE(calendar.monthSpin()->maximum(), 13);
    QCOMPARE(calendar.yearSpin()->minimum(), 1);
    QCOMPARE(calendar.yearSpin()->maximum(), 2100);
    QCOMPARE(calendar.todayLabel()->text(), QStringLiteral("今天"));
    QCOMPARE(calendar.backBuffer().size(), QSize(313, 253));
    QCOMPARE(calendar.backBuffer().format(), QImage::Format_RGB888);
    QVERIFY(calendar.pictureBuffer().isNull());
}

void tst_LunarCalendarWidget::march2023() {
    auto calendar = Make(At(2023, 3, 15));
    for (int i = 1; i <= 42; ++i) {
        const CalendarCell &cell = calendar->cell(i);
        if (i >= 4 && i <= 34) {
            QVERIFY2(cell.valid, qPrintable(QString::number(i)));
            QCOMPARE(cell.day, i - 3);
            QCOMPARE(cell.dayText, QString::number(i - 3));
        } else if (i < 40) {
            QVERIFY2(!cell.valid, qPrintable(QString::number(i)));
        } else {
            QVERIFY(cell.valid);
        }
    }
    // 22 March is the first day of the leap second month: its name, in red.
    QCOMPARE(calendar->cell(25).caption, QStringLiteral("闰二"));
    QCOMPARE(calendar->cell(25).captionColor, Red);
    QCOMPARE(calendar->cell(25).lunarMonth, QStringLiteral("闰二"));
    QCOMPARE(calendar->cell(25).lunarDay, QStringLiteral("初一"));
    QCOMPARE(calendar->cell(24).caption, QStringLiteral("春分"));
    QCOMPARE(calendar->cell(24).captionColor, calendar->solarTermColor());
    QCOMPARE(calendar->cell(24).lunarMonth, QStringLiteral("二月"));
    QCOMPARE(calendar->cell(24).lunarDay, QStringLiteral("三十"));
    // 8 March: civil festival.
    QCOMPARE(calendar->cell(11).caption, QStringLiteral("妇女节"));
    QCOMPARE(calendar->cell(11).captionColor, calendar->civilFestivalColor());
    // Weekend columns have red day numbers.
    QCOMPARE(calendar->cell(8).dateColor, Red);
    QCOMPARE(calendar->cell(14).dateColor, Red);
    QCOMPARE(calendar->cell(9).dateColor, calendar->dateColor());
    // The selection is on 15 March.
    QCOMPARE(calendar->currentCell(), QPoint(4, 3));
}

void tst_LunarCalendarWidget::february2024() {
    auto calendar = Make(At(2024, 2, 10));
    QCOMPARE(calendar->cell(5).day, 1);
    QCOMPARE(calendar->cell(33).day, 29);
    QVERIFY(!calendar->cell(34).valid);
    QCOMPARE(calendar->cell(14).caption, QStringLiteral("春节"));
    QCOMPARE(calendar->cell(14).captionColor, calendar->lunarFestivalColor());
    QCOMPARE(calendar->cell(13).caption, QStringLiteral("除夕"));
    QCOMPARE(calendar->cell(8).caption, QStringLiteral("立春"));
    QCOMPARE(calendar->cell(8).captionColor, calendar->solarTermColor());
    QCOMPARE(calendar->cell(15).caption, QStringLiteral("初二"));
    QCOMPARE(calendar->cell(15).captionColor, calendar->lunarDayColor());
    QCOMPARE(calendar->cell(18).caption, QStringLiteral("情人节"));
    QCOMPARE(calendar->cell(28).caption, QStringLiteral("元宵节"));
    // Title cells: star sign of the selected day, year name, zodiac year.
    QCOMPARE(calendar->cell(40).dayText, QStringLiteral("宝瓶"));
    QCOMPARE(calendar->cell(41).dayText, QStringLiteral("甲辰"));
    QCOMPARE(calendar->cell(42).dayText, QStringLiteral("龙年"));
    QVERIFY(!calendar->cell(38).valid);
    QVERIFY(!calendar->cell(39).valid);
    QCOMPARE(calendar->lunarMonthText(), QStringLiteral("正月"));
    QCOMPARE(calendar->lunarDayText(), QStringLiteral("初一"));
    QCOMPARE(calendar->lunarDateText(), QStringLiteral("正月初一"));
    QCOMPARE(calendar->currentCell(), QPoint(7, 2));
    QCOMPARE(calendar->yearLabel()->text(), QStringLiteral("2024"));
    QCOMPARE(calendar->monthLabel()->text(), QStringLiteral("2"));
    QCOMPARE(calendar->yearSpin()->position(), 2024);
    QCOMPARE(calendar->monthSpin()->position(), 2);
}

void tst_LunarCalendarWidget::weekNumbers_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QStringList>("weeks");
    QTest::newRow("February 2024")
        << QDate(2024, 2, 10) << QStringList{"5", "6", "7", "8", "9", ""};
    QTest::newRow("March 2023") << QDate(2023, 3, 1)
                                << QStringList{"9", "10", "11", "12", "13", ""};
    // 1 January 2022 is a Saturday in ISO week 52 of 2021.
    QTest::newRow("January 2022") << QDate(2022, 1, 5)
                                  << QStringList{"52", "1", "2", "3", "4", "5"};
    // Monday 29 December 2025 starts week 1 of 2026.
    QTest::newRow("December 2025")
        << QDate(2025, 12, 1) << QStringList{"49", "50", "51", "52", "1", ""};
}

void tst_LunarCalendarWidget::weekNumbers() {
    QFETCH(QDate, date);
    QFETCH(QStringList, weeks);
    auto calendar = Make(QDateTime(date, QTime(0, 0)));
    QStringList got;
    for (const QString &week : calendar->weekNumbers()) got << week;
    QCOMPARE(got, weeks);
}

void tst_LunarCalendarWidget::statusLine_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("status");
    QTest::newRow("2011") << QDate(2011, 6, 29) << QStringLiteral("2011-06-29 农历五月廿八");
    QTest::newRow("1911") << QDate(1911, 5, 1)
                          << QStringLiteral("[近、现代]中华民国  民国元年 农历四月初三");
    QTest::newRow("1850") << QDate(1850, 6, 29)
                          << QString::fromStdString(lunar::EraTextOf(1850)) +
                                 QStringLiteral(" 农历五月二十");
    QTest::newRow("1949 is shown as a date")
        << QDate(1949, 10, 1) << QStringLiteral("1949-10-01 农历八月初十");
}

void tst_LunarCalendarWidget::statusLine() {
    QFETCH(QDate, date);
    QFETCH(QString, status);
    auto calendar = Make(QDateTime(date, QTime(0, 0)));
    QCOMPARE(calendar->statusText(), status);
    QCOMPARE(calendar->statusLabel()->text(), status);
}

void tst_LunarCalendarWidget::holidayMarks_data() {
    QTest::addColumn<QDate>("date");
    QTest::addColumn<int>("holiday");
    QTest::addColumn<QString>("status");
    const int off = int(CalendarCell::Holiday::DayOff);
    const int work = int(CalendarCell::Holiday::WorkingDay);
    const int none = int(CalendarCell::Holiday::None);
    QTest::newRow("day off on a Tuesday")
        << QDate(2026, 2, 17) << off << QStringLiteral("2026-02-17 农历正月初一 春节放假");
    QTest::newRow("working Saturday")
        << QDate(2026, 2, 14) << work << QStringLiteral("2026-02-14 农历腊月廿七 春节调休上班");
    QTest::newRow("ordinary day") << QDate(2026, 2, 25) << none
                                  << QStringLiteral("2026-02-25 农历正月初九");
    QTest::newRow("year without data")
        << QDate(2027, 1, 1) << none << QStringLiteral("2027-01-01 农历冬月廿四");
}

void tst_LunarCalendarWidget::holidayMarks() {
    QFETCH(QDate, date);
    QFETCH(int, holiday);
    QFETCH(QString, status);
    auto table = std::make_shared<HolidayTable>(*HolidayTable::parse("2026-02-14\t春节\t0\n"
                                                                     "2026-02-17\t春节\t1\n"));
    auto calendar = Make(QDateTime(date, QTime(0, 0)));
    const int i = calendar->currentCell().x() + 7 * (calendar->currentCell().y() - 1);
    QCOMPARE(int(calendar->cell(i).holiday), int(CalendarCell::Holiday::None));

    // The table marks the shown month at once, and the next months as they come.
    calendar->setHolidays(table);
    QCOMPARE(calendar->cell(i).day, date.day());
    QCOMPARE(int(calendar->cell(i).holiday), holiday);
    QCOMPARE(calendar->statusText(), status);
    const bool dayOff = holiday == int(CalendarCell::Holiday::DayOff);
    QCOMPARE(calendar->cell(i).dateColor == QColor(255, 0, 0), dayOff || date.dayOfWeek() >= 6);
    calendar->setDateTime(QDateTime(date.addMonths(1), QTime(0, 0)));
    calendar->setDateTime(QDateTime(date, QTime(0, 0)));
    QCOMPARE(int(calendar->cell(i).holiday), holiday);
    if (holiday != int(CalendarCell::Holiday::None))
        QCOMPARE(calendar->cell(i).holidayName, QStringLiteral("春节"));
}

void tst_LunarCalendarWidget::noChangeForSameOrOutOfRange() {
    auto calendar = Make(At(2024, 2, 10));
    int changes = 0;
    connect(calendar.get(), &LunarCalendarWidget::dateChanged, [&changes] { ++changes; });
    calendar->setDateTime(At(2024, 2, 10));
    QCOMPARE(changes, 0);
    calendar->setDateTime(At(2101, 1, 1));
    QCOMPARE(changes, 0);
    QCOMPARE(calendar->dateTime(), At(2024, 2, 10));
    calendar->setDateTime(QDateTime());
    QCOMPARE(changes, 0);
    // A time of day makes it another value.
    calendar->setDateTime(At(2024, 2, 10, QTime(9, 30)));
    QCOMPARE(changes, 1);
    calendar->setDateTime(At(2100, 12, 31));
    QCOMPARE(changes, 2);
    calendar->setDateTime(At(1, 1, 1));
    QCOMPARE(changes, 3);
    QCOMPARE(calendar->cell(7).day, 1); // 1 January of year 1 was a Saturday (Julian)
}

void tst_LunarCalendarWidget::cellColoursTakeEffectAtNextFill() {
    auto calendar = Make(At(2024, 2, 10));
    const QColor blue(0, 0, 200);
    calendar->setCivilFestivalColor(blue);
    calendar->setLunarDayColor(QColor(1, 2, 3));
    QCOMPARE(calendar->cell(18).captionColor, QColor(255, 128, 0));
    QCOMPARE(calendar->cell(15).captionColor, QColor(0, 128, 0));
    calendar->setDateTime(At(2024, 2, 11));
    QCOMPARE(calendar->cell(18).captionColor, blue);
    QCOMPARE(calendar->cell(15).captionColor, QColor(1, 2, 3));
}

void tst_LunarCalendarWidget::steps_data() {
    QTest::addColumn<QDate>("start");
    QTest::addColumn<QString>("spin");
    QTest::addColumn<bool>("up");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("31 January + 1 month")
        << QDate(2024, 1, 31) << "month" << true << QDate(2024, 2, 29);
    QTest::newRow("29 February + 1 month")
        << QDate(2024, 2, 29) << "month" << true << QDate(2024, 3, 29);
    QTest::newRow("December + 1 month")
        << QDate(2024, 12, 15) << "month" << true << QDate(2025, 1, 15);
    QTest::newRow("January - 1 month")
        << QDate(2025, 1, 15) << "month" << false << QDate(2024, 12, 15);
    QTest::newRow("31 March - 1 month")
        << QDate(2023, 3, 31) << "month" << false << QDate(2023, 2, 28);
    QTest::newRow("29 February + 1 year")
        << QDate(2024, 2, 29) << "year" << true << QDate(2025, 2, 28);
    QTest::newRow("29 February - 1 year")
        << QDate(2024, 2, 29) << "year" << false << QDate(2023, 2, 28);
    QTest::newRow("December 2100 + 1 month stays")
        << QDate(2100, 12, 15) << "month" << true << QDate(2100, 12, 15);
    QTest::newRow("January of year 1 - 1 month stays")
        << QDate(1, 1, 15) << "month" << false << QDate(1, 1, 15);
    QTest::newRow("2100 + 1 year stays")
        << QDate(2100, 6, 1) << "year" << true << QDate(2100, 6, 1);
}

void tst_LunarCalendarWidget::steps() {
    QFETCH(QDate, start);
    QFETCH(QString, spin);
    QFETCH(bool, up);
    QFETCH(QDate, expected);
    auto calendar = Make(QDateTime(start, QTime(0, 0)));
    int changes = 0;
    connect(calendar.get(), &LunarCalendarWidget::dateChanged, [&changes] { ++changes; });
    (spin == "month" ? calendar->monthSpin() : calendar->yearSpin())->step(up);
    QCOMPARE(calendar->dateTime(), QDateTime(expected, QTime(0, 0)));
    QCOMPARE(changes, expected != start ? 1 : 0);
    QCOMPARE(calendar->yearSpin()->position(), expected.year());
    QCOMPARE(calendar->monthSpin()->position(), expected.month());
    QCOMPARE(calendar->yearLabel()->text(), QString::number(expected.year()));
}

void tst_LunarCalendarWidget::stepBeyondRangeKeepsSpinsOnShownDate() {
    auto calendar = Make(At(2100, 12, 15));
    calendar->monthSpin()->step(true);
    calendar->monthSpin()->step(true);
    // Still December 2100: a step up does nothing, it never wraps back into the year.
    QCOMPARE(calendar->dateTime(), At(2100, 12, 15));
    calendar->monthSpin()->step(false);
    QCOMPARE(calendar->dateTime(), At(2100, 11, 15));
}

void tst_LunarCalendarWidget::monthMenu() {
    LunarCalendarWidget calendar;
    QMenu *menu = calendar.monthMenu();
    QCOMPARE(Texts(menu), (QStringList{"今日", "-", "一月", "二月", "三月", "四月", "五月", "六月",
                                       "七月", "八月", "九月", "十月", "十一月", "十二月"}));
    QCOMPARE(menu->defaultAction(), menu->actions().at(0));
    QCOMPARE(menu->actions().at(0)->objectName(), QStringLiteral("MenuMonth_ToDay"));
    QCOMPARE(menu->actions().at(2)->objectName(), QStringLiteral("MenuMonth_0"));
    QCOMPARE(menu->actions().at(13)->objectName(), QStringLiteral("MenuMonth_11"));

    calendar.setDateTime(At(2024, 1, 31));
    menu->actions().at(3)->trigger(); // February
    QCOMPARE(calendar.dateTime(), At(2024, 2, 29));
    menu->actions().at(0)->trigger();
    QCOMPARE(calendar.dateTime().date(), QDate::currentDate());
}

void tst_LunarCalendarWidget::yearMenu() {
    LunarCalendarWidget calendar;
    QMenu *menu = calendar.yearMenu();
    const QList<QAction *> items = menu->actions();
    QCOMPARE(items.size(), 4 + 20);
    QCOMPARE(items.at(0)->text(), QStringLiteral("今日"));
    QCOMPARE(menu->defaultAction(), items.at(0));
    QVERIFY(items.at(1)->isSeparator());
    QCOMPARE(items.at(2)->text(), QStringLiteral("历史日期"));
    QVERIFY(items.at(3)->isSeparator());

    QMenu *history = items.at(2)->menu();
    QVERIFY(history);
    QStringList centuries;
    for (QAction *group : history->actions()) centuries << group->text();
    QStringList expectedCenturies;
    for (int c = 0; c <= 1800; c += 100) expectedCenturies << QString::number(c);
    QCOMPARE(centuries, expectedCenturies);
    QCOMPARE(Texts(history->actions().first()->menu()),
             (QStringList{"10", "20", "30", "40", "50", "60", "70", "80", "90", "100"}));
    QCOMPARE(Texts(history->actions().last()->menu()),
             (QStringList{"1810", "1820", "1830", "1840", "1850", "1860", "1870", "1880", "1890",
                          "1900"}));

    for (int k = 0; k < 20; ++k) {
        QAction *decade = items.at(4 + k);
        const int first = 1900 + 10 * k;
        QCOMPARE(decade->text(), QString::number(first));
        QVERIFY(decade->menu());
        QStringList years;
        for (int y = first; y < first + 10; ++y) years << QString::number(y);
        QCOMPARE(Texts(decade->menu()), years);
    }
    QCOMPARE(items.last()->menu()->actions().last()->text(), QStringLiteral("2099"));
}

void tst_LunarCalendarWidget::historyMenuReaches1850() {
    auto calendar = Make(At(2011, 6, 29));
    QAction *history = FindAction(calendar->yearMenu(), QStringLiteral("历史日期"));
    QVERIFY(history && history->menu());
    QAction *century = FindAction(history->menu(), QStringLiteral("1800"));
    QVERIFY(century && century->menu());
    QAction *year = FindAction(century->menu(), QStringLiteral("1850"));
    QVERIFY(year);
    year->trigger();
    QCOMPARE(calendar->dateTime(), At(1850, 6, 29));
    QCOMPARE(calendar->yearLabel()->text(), QStringLiteral("1850"));
    QCOMPARE(calendar->monthLabel()->text(), QStringLiteral("6"));
    QCOMPARE(calendar->cell(calendar->currentCell().x() + 7 * calendar->currentCell().y() - 7).day,
             29);
    const QString era = QString::fromStdString(lunar::EraTextOf(1850));
    QVERIFY(era.startsWith(QStringLiteral("[清]")));
    QCOMPARE(calendar->statusText(), era + QStringLiteral(" 农历") + calendar->lunarDateText());
}

void tst_LunarCalendarWidget::clickOrder() {
    auto calendar = Make(At(2024, 2, 10));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    QStringList events;
    connect(calendar.get(), &LunarCalendarWidget::dateChanged, [&events] { events << "change"; });
    connect(calendar.get(), &LunarCalendarWidget::dateClicked, [&events] { events << "click"; });
    connect(calendar.get(), &LunarCalendarWidget::selectedDateClicked,
            [&events] { events << "select"; });
    // 21 February 2024 is cell 25.
    QTest::mouseClick(calendar->dayGrid(), Qt::LeftButton, {}, CellCentre(*calendar, 25));
    QCOMPARE(events, (QStringList{"change", "click", "select"}));
    QCOMPARE(calendar->dateTime(), At(2024, 2, 21));
    QVERIFY(calendar->isMousePressed());
    QCOMPARE(calendar->currentCell(), QPoint(4, 4));
}

void tst_LunarCalendarWidget::dragAcrossCells() {
    auto calendar = Make(At(2024, 2, 10));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    QStringList events;
    connect(calendar.get(), &LunarCalendarWidget::dateChanged,
            [&events](QDate date) { events << date.toString("d"); });
    connect(calendar.get(), &LunarCalendarWidget::dateClicked, [&events] { events << "click"; });
    connect(calendar.get(), &LunarCalendarWidget::selectedDateClicked,
            [&events] { events << "select"; });
    DayGrid *grid = calendar->dayGrid();
    QTest::mousePress(grid, Qt::LeftButton, {}, CellCentre(*calendar, 25));
    for (int i : {26, 27, 34}) { // 34 is empty: the selection stays on 23 February
        const QPoint at = CellCentre(*calendar, i);
        QMouseEvent move(QEvent::MouseMove, at, grid->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(grid, &move);
    }
    QTest::mouseRelease(grid, Qt::LeftButton, {}, CellCentre(*calendar, 34));
    QCOMPARE(events, (QStringList{"21", "click", "22", "click", "23", "click"}));
    QCOMPARE(calendar->dateTime(), At(2024, 2, 23));
}

void tst_LunarCalendarWidget::surfaceClickAndLeave() {
    auto calendar = Make(At(2024, 2, 10));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    int clicks = 0;
    connect(calendar.get(), &LunarCalendarWidget::clicked, [&clicks] { ++clicks; });
    QTest::mouseClick(calendar.get(), Qt::LeftButton, {}, QPoint(3, 248));
    QCOMPARE(clicks, 1);
    // Clicks on the parts are theirs.
    QTest::mouseClick(calendar->dayGrid(), Qt::LeftButton, {}, CellCentre(*calendar, 20));
    QTest::mouseClick(calendar->statusLabel(), Qt::LeftButton);
    QCOMPARE(clicks, 1);

    // A press in the grid marks a mouse choice until the mouse leaves.
    QVERIFY(calendar->isMousePressed());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(calendar->dayGrid(), &leave);
    QVERIFY(!calendar->isMousePressed());
    int dateClicks = 0;
    connect(calendar.get(), &LunarCalendarWidget::dateClicked, [&dateClicks] { ++dateClicks; });
    calendar->dayGrid()->setFocus();
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Left);
    QCOMPARE(calendar->dateTime(), At(2024, 2, 15));
    QCOMPARE(dateClicks, 0);
}

void tst_LunarCalendarWidget::clickOnSelectedCell() {
    auto calendar = Make(At(2024, 2, 10, QTime(15, 20)));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    QStringList events;
    connect(calendar.get(), &LunarCalendarWidget::dateChanged, [&events] { events << "change"; });
    connect(calendar.get(), &LunarCalendarWidget::selectedDateClicked,
            [&events] { events << "select"; });
    // The selected day with a time of day: the date becomes that day at 00:00.
    QTest::mouseClick(calendar->dayGrid(), Qt::LeftButton, {}, CellCentre(*calendar, 14));
    QCOMPARE(events, (QStringList{"change", "select"}));
    QCOMPARE(calendar->dateTime(), At(2024, 2, 10));
    events.clear();
    QTest::mouseClick(calendar->dayGrid(), Qt::LeftButton, {}, CellCentre(*calendar, 14));
    QCOMPARE(events, (QStringList{"select"}));
}

void tst_LunarCalendarWidget::clicksOutsideDays_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::newRow("header") << 3 << 0;
    QTest::newRow("week number column") << 0 << 3;
    QTest::newRow("filler column") << 8 << 3;
    QTest::newRow("empty cell before the 1st") << 2 << 1;
    QTest::newRow("empty cell 38") << 3 << 6;
    QTest::newRow("title cell 41") << 6 << 6;
}

void tst_LunarCalendarWidget::clicksOutsideDays() {
    QFETCH(int, column);
    QFETCH(int, row);
    auto calendar = Make(At(2024, 2, 10));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    int events = 0;
    connect(calendar.get(), &LunarCalendarWidget::dateChanged, [&events] { ++events; });
    connect(calendar.get(), &LunarCalendarWidget::dateClicked, [&events] { ++events; });
    connect(calendar.get(), &LunarCalendarWidget::selectedDateClicked, [&events] { ++events; });
    QTest::mouseClick(calendar->dayGrid(), Qt::LeftButton, {},
                      calendar->dayGrid()->cellRect(column, row).center());
    QCOMPARE(events, 0);
    QCOMPARE(calendar->dateTime(), At(2024, 2, 10));
    QCOMPARE(calendar->currentCell(), QPoint(7, 2));
}

void tst_LunarCalendarWidget::keyboardStaysOnDays() {
    auto calendar = Make(At(2024, 2, 10));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    calendar->dayGrid()->setFocus();
    int clicks = 0;
    connect(calendar.get(), &LunarCalendarWidget::dateClicked, [&clicks] { ++clicks; });
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Right); // filler column: refused
    QCOMPARE(calendar->dateTime(), At(2024, 2, 10));
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Left);
    QCOMPARE(calendar->dateTime(), At(2024, 2, 9));
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Up);
    QCOMPARE(calendar->dateTime(), At(2024, 2, 2));
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Up); // header row: refused
    QCOMPARE(calendar->dateTime(), At(2024, 2, 2));
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Left);
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Left); // 31 January is not shown
    QCOMPARE(calendar->dateTime(), At(2024, 2, 1));
    QCOMPARE(clicks, 0); // no mouse press
    calendar->setDateTime(At(2024, 2, 29));
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Down);  // title cell below
    QTest::keyClick(calendar->dayGrid(), Qt::Key_Right); // empty cell
    QCOMPARE(calendar->dateTime(), At(2024, 2, 29));
}

void tst_LunarCalendarWidget::pickerSize() {
    LunarCalendarWidget calendar;
    calendar.resize(242, 42);
    calendar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&calendar));
    QCOMPARE(calendar.dayGrid()->height(), 0);
    QVERIFY(calendar.monthSpin()->isVisible());
    QVERIFY(calendar.yearSpin()->isVisible());
    QVERIFY(calendar.monthLabel()->isVisible());
    QVERIFY(calendar.yearLabel()->isVisible());
    QCOMPARE(calendar.backBuffer().size(), QSize(242, 42));
    calendar.setDateTime(At(2024, 1, 31));
    calendar.monthSpin()->step(true);
    QCOMPARE(calendar.dateTime(), At(2024, 2, 29));
    calendar.yearSpin()->step(false);
    QCOMPARE(calendar.dateTime(), At(2023, 2, 28));
    FindAction(calendar.yearMenu(), QStringLiteral("2010"))->menu()->actions().at(6)->trigger();
    QCOMPARE(calendar.dateTime(), At(2016, 2, 28));
    QCOMPARE(calendar.monthLabel()->text(), QStringLiteral("2"));
    // Without the title row the grid fills the control and the year menu is its context menu.
    calendar.resize(313, 253);
    calendar.setShowTitle(false);
    QCOMPARE(calendar.dayGrid()->geometry(), QRect(2, 2, 309, 249));
    QVERIFY(calendar.monthSpin()->isHidden());
    QCOMPARE(calendar.dayGrid()->contextMenuPolicy(), Qt::CustomContextMenu);
}

void tst_LunarCalendarWidget::alphaBlend_data() {
    QTest::addColumn<int>("alphaBlend");
    QTest::addColumn<int>("expected");
    QTest::newRow("50") << 50 << 127;
    QTest::newRow("100 blends at 0 %") << 100 << 255;
    QTest::newRow("150 blends at 50 %") << 150 << 127;
}

void tst_LunarCalendarWidget::alphaBlend() {
    QFETCH(int, alphaBlend);
    QFETCH(int, expected);
    auto calendar = Make(At(2024, 2, 10));
    calendar->setShowFrame(false);
    calendar->setShowBackgroundDigits(false);
    QImage picture(100, 60, QImage::Format_RGB888);
    picture.fill(Qt::black);
    picture.setPixelColor(0, 0, Qt::red);
    calendar->setBackgroundImage(picture);
    calendar->setAlphaBlend(alphaBlend);
    QCOMPARE(calendar->pictureBuffer().size(), QSize(313, 253));
    // The picture sits at the top left, its corner pixel being the key colour; the white
    // around it blends with white.
    QCOMPARE(calendar->backBuffer().pixelColor(50, 30), QColor(expected, expected, expected));
    QCOMPARE(calendar->backBuffer().pixelColor(200, 200), QColor(Qt::white));

    calendar->setBackgroundCentered(true);
    // Now the key is the white of the corner.
    QCOMPARE(calendar->backBuffer().pixelColor(50, 30), QColor(Qt::white));
    QCOMPARE(calendar->backBuffer().pixelColor(156, 126), QColor(expected, expected, expected));

    // The placed picture outlives a date change and follows a change of size.
    calendar->setDateTime(At(2024, 3, 10));
    QCOMPARE(calendar->backBuffer().pixelColor(156, 126), QColor(expected, expected, expected));
    calendar->show(); // a hidden widget gets its resize event only when shown
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    calendar->resize(413, 253);
    QCOMPARE(calendar->pictureBuffer().size(), QSize(413, 253));
    QCOMPARE(calendar->backBuffer().pixelColor(120, 126), QColor(Qt::white));
    QCOMPARE(calendar->backBuffer().pixelColor(206, 126), QColor(expected, expected, expected));

    // A point of the grid where the blended picture shows through, between the texts (none
    // where the picture blends at 0 %: the grid is white there whatever the background).
    const QPoint gridAt = calendar->dayGrid()->pos();
    QPoint through(-1, -1);
    for (int y = 100; y < 150 && expected != 255 && through.x() < 0; ++y)
        for (int x = 160; x < 250 && through.x() < 0; ++x)
            if (calendar->dayGrid()->picture().pixelColor(QPoint(x, y) - gridAt) ==
                QColor(expected, expected, expected))
                through = QPoint(x, y) - gridAt;
    QCOMPARE(through.x() >= 0, expected != 255);

    calendar->setBackgroundImage(QImage());
    QVERIFY(calendar->pictureBuffer().isNull());
    QCOMPARE(calendar->backBuffer().pixelColor(156, 126), QColor(Qt::white));
    // The grid follows the background.
    if (through.x() >= 0)
        QCOMPARE(calendar->dayGrid()->picture().pixelColor(through), QColor(Qt::white));
}

void tst_LunarCalendarWidget::subclassPaintsCells() {
    RecordingCalendar calendar;
    calendar.setDateTime(At(2024, 2, 10));
    DayGrid *grid = calendar.dayGrid();
    const QRect selectedCell = grid->cellRect(7, 2);
    const QColor frame = calendar.selectionFrameColor();
    QCOMPARE(grid->picture().pixelColor(selectedCell.topLeft()), frame);

    calendar.recording = true;
    calendar.setSelectionFrameColor(frame); // redraw
    const QImage &picture = grid->picture();
    QCOMPARE(calendar.dayTexts.size(), 29);
    QCOMPARE(calendar.dayTexts.first(), QStringLiteral("1"));
    QCOMPARE(calendar.selectedSeen, 1);
    // No caption and no outline: the gradient shows at the corner.
    QCOMPARE(picture.pixelColor(selectedCell.topLeft()), QColor(0, 175, 83));
    const QRect lowerHalf(selectedCell.x(), selectedCell.y() + selectedCell.height() / 2,
                          selectedCell.width(), selectedCell.height() / 2);
    for (int y = lowerHalf.top(); y <= lowerHalf.bottom(); ++y)
        for (int x = lowerHalf.left(); x <= lowerHalf.right(); ++x)
            QVERIFY(picture.pixelColor(x, y) != calendar.lunarFestivalColor());
}

void tst_LunarCalendarWidget::weekNumberColumn() {
    auto calendar = Make(At(2024, 2, 10));
    QCOMPARE(calendar->dayGrid()->columnWidth(0), 6);
    calendar->setShowWeekNumbers(true);
    QCOMPARE(calendar->dayGrid()->columnWidth(0), 18);
    QCOMPARE(calendar->dayGrid()->columnWidth(1), 39);
    QCOMPARE(calendar->dayGrid()->columnWidth(8), 7);
    const QImage &picture = calendar->dayGrid()->picture();
    const QRect weekCell = calendar->dayGrid()->cellRect(0, 1);
    // The week number "5" in grey (its digits are smoothed: the darkest pixel is grey).
    QColor darkest(Qt::white);
    for (int y = weekCell.top(); y <= weekCell.bottom(); ++y)
        for (int x = weekCell.left(); x < weekCell.right(); ++x)
            if (picture.pixelColor(x, y).lightness() < darkest.lightness())
                darkest = picture.pixelColor(x, y);
    QCOMPARE(darkest.red(), darkest.green());
    QCOMPARE(darkest.green(), darkest.blue());
    QVERIFY(darkest.red() >= 128 && darkest.red() < 160);
    // The line at the column's right edge.
    QCOMPARE(picture.pixelColor(weekCell.right(), weekCell.center().y()),
             calendar->headerLineColor());
    calendar->setShowWeekNumbers(false);
    QCOMPARE(calendar->dayGrid()->columnWidth(0), 6);
    QCOMPARE(calendar->dayGrid()->columnWidth(1), 40);
}

void tst_LunarCalendarWidget::handlerErrorIsContained() {
    auto calendar = Make(At(2024, 2, 10));
    const QMetaObject::Connection failing =
        connect(calendar.get(), &LunarCalendarWidget::dateChanged,
                [] { throw std::runtime_error("handler failed"); });
    calendar->setDateTime(At(2024, 3, 5));
    QCOMPARE(calendar->dateTime(), At(2024, 3, 5));
    QCOMPARE(calendar->cell(6).day, 1); // March 2024 begins on a Friday
    disconnect(failing);
    calendar->setDateTime(At(2024, 4, 5));
    QCOMPARE(calendar->cell(2).day, 1);
}

void tst_LunarCalendarWidget::upDown() {
    SpinArrows spin(0, 13);
    QSignalSpy clicks(&spin, &SpinArrows::stepped);
    spin.setPosition(20);
    QCOMPARE(spin.position(), 13);
    QCOMPARE(clicks.count(), 0);
    // At its end the position stays, and the click is still reported.
    spin.step(true);
    QCOMPARE(spin.position(), 13);
    QCOMPARE(clicks.count(), 1);
    spin.setPosition(1);
    spin.resize(17, 24);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(8, 20));
    QCOMPARE(spin.position(), 0);
    QTest::mouseClick(&spin, Qt::LeftButton, {}, QPoint(8, 3));
    QCOMPARE(spin.position(), 1);
    QCOMPARE(clicks.count(), 3);
}

void tst_LunarCalendarWidget::labelsOpenMenus() {
    auto calendar = Make(At(2024, 2, 10));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    // The menus pop up with their items, also when nothing asked for them before.
    auto *yearMenu = calendar->findChild<QMenu *>(QStringLiteral("YearMenu"));
    auto *monthMenu = calendar->findChild<QMenu *>(QStringLiteral("MonthMenu"));
    QTest::mouseClick(calendar->yearLabel(), Qt::LeftButton);
    QTRY_VERIFY(yearMenu->isVisible());
    QVERIFY(FindAction(yearMenu, QStringLiteral("2010")));
    yearMenu->hide();
    QTest::mouseClick(calendar->monthUnitLabel(), Qt::LeftButton);
    QTRY_VERIFY(monthMenu->isVisible());
    QCOMPARE(monthMenu->actions().size(), 14);
    monthMenu->hide();
    QContextMenuEvent context(QContextMenuEvent::Mouse, QPoint(2, 2), QCursor::pos());
    QApplication::sendEvent(calendar->yearUnitLabel(), &context);
    QTRY_VERIFY(calendar->yearMenu()->isVisible());
    calendar->yearMenu()->hide();

    QTest::mouseClick(calendar->todayLabel(), Qt::LeftButton);
    QCOMPARE(calendar->dateTime().date(), QDate::currentDate());
}

void tst_LunarCalendarWidget::gridContextMenu() {
    auto calendar = Make(At(2024, 2, 10));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    const QPoint inside = CellCentre(*calendar, 20);
    QContextMenuEvent withTitle(QContextMenuEvent::Mouse, inside, QCursor::pos());
    QApplication::sendEvent(calendar->dayGrid(), &withTitle);
    QTest::qWait(50);
    QVERIFY(!calendar->yearMenu()->isVisible());

    calendar->setShowTitle(false);
    QTest::mouseClick(calendar->dayGrid(), Qt::RightButton, {}, inside);
    QContextMenuEvent withoutTitle(QContextMenuEvent::Mouse, inside, QCursor::pos());
    QApplication::sendEvent(calendar->dayGrid(), &withoutTitle);
    QTRY_VERIFY(calendar->yearMenu()->isVisible());
    calendar->yearMenu()->hide();
    // A right click selects nothing.
    QCOMPARE(calendar->dateTime(), At(2024, 2, 10));
}

void tst_LunarCalendarWidget::titlesDoNotDependOnHistory_data() {
    QTest::addColumn<QDate>("before");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("yearName");
    QTest::addColumn<QString>("zodiacYear");
    // 5 February 2024: after 立春 (甲辰), still in the lunar year of the rabbit.
    QTest::newRow("from January") << QDate(2024, 1, 20) << QDate(2024, 2, 5) << "甲辰"
                                  << "兔年";
    QTest::newRow("from March") << QDate(2024, 3, 20) << QDate(2024, 2, 5) << "甲辰"
                                << "兔年";
    QTest::newRow("fresh") << QDate() << QDate(2024, 2, 5) << "甲辰"
                           << "兔年";
    QTest::newRow("before 立春") << QDate(2024, 3, 1) << QDate(2024, 2, 3) << "癸卯"
                                 << "兔年";
    // Early January of year 1 lies in lunar year 0, the year before year 1.
    QTest::newRow("lunar year 0") << QDate(2024, 2, 10) << QDate(1, 1, 5) << "庚申"
                                  << "猴年";
}

void tst_LunarCalendarWidget::titlesDoNotDependOnHistory() {
    QFETCH(QDate, before);
    QFETCH(QDate, date);
    QFETCH(QString, yearName);
    QFETCH(QString, zodiacYear);
    LunarCalendarWidget calendar;
    if (before.isValid()) calendar.setDateTime(QDateTime(before, QTime(0, 0)));
    calendar.setDateTime(QDateTime(date, QTime(0, 0)));
    QCOMPARE(calendar.cell(41).dayText, yearName);
    QCOMPARE(calendar.cell(42).dayText, zodiacYear);
}

void tst_LunarCalendarWidget::statusEraDoesNotDependOnHistory() {
    LunarCalendarWidget calendar;
    // 10 January 1912 still lies in the lunar year that began in 1911, and era years follow
    // the lunar year.
    calendar.setDateTime(At(1911, 12, 20));
    calendar.setDateTime(At(1912, 1, 10));
    const QString era = QString::fromStdString(lunar::EraTextOf(1911));
    QVERIFY(!era.isEmpty());
    QCOMPARE(calendar.statusText(), era + QStringLiteral(" 农历") + calendar.lunarDateText());

    // From a date without an era into lunar year 0 (January of year 1).
    calendar.setDateTime(At(2024, 2, 10));
    calendar.setDateTime(At(1, 1, 5));
    // That lunar year began in 1 BC, which the era table numbers 0.
    QCOMPARE(calendar.statusText(),
             QString::fromStdString(lunar::EraTextOf(0)) + QStringLiteral(" 农历冬月廿三"));
}

void tst_LunarCalendarWidget::droppedDaysOf1582_data() {
    QTest::addColumn<QDate>("before");
    QTest::addColumn<int>("day");
    QTest::newRow("fresh") << QDate() << 7;
    QTest::newRow("from 2024") << QDate(2024, 2, 10) << 10;
    QTest::newRow("from the day before") << QDate(1582, 10, 4) << 5;
    QTest::newRow("last dropped day") << QDate(1582, 11, 20) << 14;
}

void tst_LunarCalendarWidget::droppedDaysOf1582() {
    // The engine's calendar goes from Thursday 1582-10-04 straight to Friday 10-15: the grid
    // has no cells for the days between, and they cannot become the date.
    QFETCH(QDate, before);
    QFETCH(int, day);
    LunarCalendarWidget calendar;
    if (before.isValid()) calendar.setDateTime(QDateTime(before, QTime(0, 0)));
    const QDateTime shown = calendar.dateTime();
    QSignalSpy changes(&calendar, &LunarCalendarWidget::dateChanged);
    calendar.setDateTime(At(1582, 10, day));
    QCOMPARE(changes.count(), 0);
    QCOMPARE(calendar.dateTime(), shown);

    calendar.setDateTime(At(1582, 10, 20));
    // 1 October 1582 was a Monday (Julian): day 4 in cell 5, day 15 in cell 6.
    QCOMPARE(calendar.cell(5).day, 4);
    QCOMPARE(calendar.cell(6).day, 15);
    QCOMPARE(calendar.cell(22).day, 31);
    QVERIFY(!calendar.cell(23).valid);
    for (int i = 1; i <= 37; ++i) {
        const CalendarCell &cell = calendar.cell(i);
        QVERIFY2(!cell.valid || cell.day < 5 || cell.day > 14, qPrintable(cell.dayText));
    }
    QCOMPARE(calendar.cell(5).lunarDay, QStringLiteral("十八"));
    QCOMPARE(calendar.cell(6).lunarDay, QStringLiteral("十九"));
    // The keys step from the 4th to the 15th.
    calendar.setDateTime(At(1582, 10, 4));
    calendar.dayGrid()->setFocus();
    QTest::keyClick(calendar.dayGrid(), Qt::Key_Right);
    QCOMPARE(calendar.date(), QDate(1582, 10, 15));
    // A month step onto a dropped day takes the last day before it.
    calendar.setDateTime(At(1582, 9, 7));
    calendar.monthSpin()->step(true);
    QCOMPARE(calendar.date(), QDate(1582, 10, 4));
    QCOMPARE(calendar.lunarDayText(), QStringLiteral("十八"));
}

void tst_LunarCalendarWidget::cellsAreTheDaysChncalNames_data() {
    QTest::addColumn<QDate>("month");
    QTest::newRow("0003-05") << QDate(3, 5, 1);
    QTest::newRow("1582-10") << QDate(1582, 10, 1);
    QTest::newRow("0100-02") << QDate(100, 2, 1);
    QTest::newRow("1582-09") << QDate(1582, 9, 1);
    QTest::newRow("2024-05") << QDate(2024, 5, 1);
}

void tst_LunarCalendarWidget::cellsAreTheDaysChncalNames() {
    // Every day cell: its column, lunar texts and caption (festival, solar term) are those
    // chncal gives for one and the same day.
    QFETCH(QDate, month);
    auto calendar = Make(QDateTime(month, QTime(0, 0)));
    QList<CivilDay> days;
    for (int i = 1; i <= 37; ++i)
        if (calendar->cell(i).valid)
            days << CivilDay{month.year(), month.month(), calendar->cell(i).day};
    QCOMPARE(days.size(), MonthGrid(month).dayCount());
    const QHash<QString, ChncalAnswer> answers = chncalAnswers(days);
    QCOMPARE(answers.size(), days.size());
    for (int i = 1; i <= 37; ++i) {
        const CalendarCell &cell = calendar->cell(i);
        if (!cell.valid) continue;
        const ChncalAnswer answer =
            answers.value(chncalDateText({month.year(), month.month(), cell.day}));
        const QByteArray where = QByteArray::number(cell.day);
        QVERIFY2((i - 1) % 7 == answer.weekday, where);
        QVERIFY2(cell.lunarMonth == answer.monthName, where);
        QVERIFY2(cell.lunarDay == answer.dayName, where);
        QVERIFY2(cell.caption == answer.caption, where + ' ' + cell.caption.toUtf8());
    }
}

void tst_LunarCalendarWidget::mothersDayOfYear3() {
    // The second Sunday of May 3, in the Sunday column and as chncal dates it.
    auto calendar = Make(At(3, 5, 1));
    QCOMPARE(calendar->cell(3).day, 1); // a Tuesday
    QCOMPARE(calendar->cell(15).day, 13);
    QCOMPARE(calendar->cell(15).caption, QStringLiteral("母亲节"));
    QCOMPARE(chncalAnswers({{3, 5, 13}}).value(QStringLiteral("0003-05-13")).civilFestival,
             QStringLiteral("母亲节"));
}

void tst_LunarCalendarWidget::festivalsInTheirColumns_data() {
    QTest::addColumn<QDate>("month");
    QTest::addColumn<QString>("festival");
    QTest::addColumn<int>("column"); // 1 Sunday .. 7 Saturday
    const struct {
        int year, month;
        const char *festival;
        int column;
    } rows[] = {
        // The second Sunday of May in year 10 is 立夏, whose caption wins.
        {10, 6, "父亲节", 1},   {10, 11, "感恩节", 5},   {1500, 5, "母亲节", 1},
        {1500, 6, "父亲节", 1}, {1500, 11, "感恩节", 5}, {1582, 5, "母亲节", 1},
        {1582, 6, "父亲节", 1}, {2024, 5, "母亲节", 1},  {2024, 11, "感恩节", 5},
    };
    for (const auto &r : rows)
        QTest::addRow("%d %s", r.year, r.festival)
            << QDate(r.year, r.month, 1) << QString::fromUtf8(r.festival) << r.column;
}

void tst_LunarCalendarWidget::festivalsInTheirColumns() {
    QFETCH(QDate, month);
    QFETCH(QString, festival);
    QFETCH(int, column);
    auto calendar = Make(QDateTime(month, QTime(0, 0)));
    QList<int> columns;
    for (int i = 1; i <= 37; ++i)
        if (calendar->cell(i).valid && calendar->cell(i).caption == festival)
            columns << (i - 1) % 7 + 1;
    QCOMPARE(columns, QList<int>{column});
}

void tst_LunarCalendarWidget::frameAndBackDigits() {
    auto calendar = Make(At(2024, 2, 10));
    auto count = [&](const QColor &color) {
        int n = 0;
        const QImage &back = calendar->backBuffer();
        for (int y = 0; y < back.height(); ++y)
            for (int x = 0; x < back.width(); ++x) n += back.pixelColor(x, y) == color;
        return n;
    };
    QVERIFY(count(calendar->backgroundMonthColor()) > 500);
    QVERIFY(count(calendar->backgroundYearColor()) > 500);
    calendar->setBackgroundMonthColor(QColor(240, 200, 200));
    QCOMPARE(count(QColor(235, 235, 235)), 0);
    QVERIFY(count(QColor(240, 200, 200)) > 500);
    calendar->setShowBackgroundDigits(false);
    QCOMPARE(count(QColor(240, 200, 200)), 0);
    QCOMPARE(count(calendar->backgroundYearColor()), 0);

    // Without a themed style the frame is a rectangle in ColorShowFrame.
    std::unique_ptr<QStyle> classic(QStyleFactory::create(QStringLiteral("Windows")));
    QVERIFY(classic);
    calendar->setStyle(classic.get());
    QCOMPARE(calendar->backBuffer().pixelColor(0, 100), QColor(128, 128, 128));
    calendar->setFrameColor(QColor(200, 0, 0));
    QCOMPARE(calendar->backBuffer().pixelColor(0, 100), QColor(200, 0, 0));
    QCOMPARE(calendar->backBuffer().pixelColor(312, 252), QColor(200, 0, 0));
    calendar->setShowFrame(false);
    QCOMPARE(calendar->backBuffer().pixelColor(0, 100), QColor(Qt::white));
    calendar->setStyle(nullptr);
}

void tst_LunarCalendarWidget::hideSelection() {
    auto calendar = Make(At(2024, 2, 10));
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    const QPoint corner = calendar->dayGrid()->cellRect(7, 2).topLeft() + QPoint(1, 1);
    const QColor gradient(0, 176, 84);
    QCOMPARE(calendar->dayGrid()->picture().pixelColor(corner), gradient);
    calendar->setHideSelection(true);
    calendar->dayGrid()->clearFocus(); // redraws
    QVERIFY(!calendar->dayGrid()->hasFocus());
    QVERIFY(calendar->dayGrid()->picture().pixelColor(corner) != gradient);
    calendar->activateWindow();
    calendar->dayGrid()->setFocus();
    QTRY_VERIFY(calendar->dayGrid()->hasFocus());
    QCOMPARE(calendar->dayGrid()->picture().pixelColor(corner), gradient);
}

void tst_LunarCalendarWidget::dayTextsFitTheirRows_data() {
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("rowHeight");     // of rows 1..5
    QTest::addColumn<int>("datePixels");    // 0: the control's own font
    QTest::addColumn<int>("captionPixels"); // 0: the control's own font
    QTest::newRow("default") << QSize(313, 253) << 27 << 0 << 0;
    QTest::newRow("large captions") << QSize(313, 253) << 27 << 0 << 18;
    QTest::newRow("large numbers") << QSize(313, 253) << 27 << 16 << 0;
    QTest::newRow("short rows") << QSize(313, 230) << 23 << 0 << 0;
    QTest::newRow("tall rows") << QSize(313, 320) << 38 << 0 << 0;
}

void tst_LunarCalendarWidget::dayTextsFitTheirRows() {
    // With the fonts of this machine, every day cell shows its number above its caption with
    // a blank row above, between and below them: a caption never touches the number under it.
    QFETCH(QSize, size);
    QFETCH(int, rowHeight);
    QFETCH(int, datePixels);
    QFETCH(int, captionPixels);
    auto calendar = Make(At(2024, 2, 10));
    calendar->resize(size);
    calendar->show();
    QVERIFY(QTest::qWaitForWindowExposed(calendar.get()));
    QCOMPARE(calendar->dayGrid()->rowHeight(1), rowHeight);
    // Texts on white alone: no large digits, no selection.
    calendar->setShowBackgroundDigits(false);
    calendar->setHideSelection(true);
    calendar->dayGrid()->clearFocus();
    if (datePixels > 0) {
        QFont font = calendar->dateFont();
        font.setPixelSize(datePixels);
        calendar->setDateFont(font);
    }
    if (captionPixels > 0) {
        QFont font = calendar->captionFont();
        font.setPixelSize(captionPixels);
        calendar->setCaptionFont(font);
    }
    const QImage picture = calendar->dayGrid()->picture();
    const QColor white(Qt::white);
    // Day numbers are grey or red (and their blends with white: green equals blue); captions
    // are green, orange or blue.
    auto isNumber = [](const QColor &c) { return c.green() == c.blue() && c.red() >= c.green(); };
    for (int i = 1; i <= 37; ++i) {
        if (!calendar->cell(i).valid) continue;
        const QRect cell = calendar->dayGrid()->cellRect((i - 1) % 7 + 1, (i - 1) / 7 + 1);
        QVERIFY(picture.rect().contains(cell));
        int firstInk = -1, lastInk = -1, lastNumber = -1, firstCaption = -1;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                if (c == white) continue;
                if (firstInk < 0) firstInk = y;
                lastInk = y;
                if (isNumber(c))
                    lastNumber = y;
                else if (firstCaption < 0)
                    firstCaption = y;
            }
        const QString where = QStringLiteral("day %1 (%2): cell rows %3..%4, ink %5..%6, number "
                                             "down to %7, caption from %8")
                                  .arg(calendar->cell(i).day)
                                  .arg(calendar->cell(i).caption)
                                  .arg(cell.top())
                                  .arg(cell.bottom())
                                  .arg(firstInk)
                                  .arg(lastInk)
                                  .arg(lastNumber)
                                  .arg(firstCaption);
        QVERIFY2(firstInk > cell.top() && lastInk < cell.bottom(), qPrintable(where));
        QVERIFY2(lastNumber >= 0 && firstCaption >= 0, qPrintable(where));
        QVERIFY2(lastNumber + 1 < firstCaption, qPrintable(where));
    }
}

QTEST_MAIN(tst_LunarCalendarWidget)
#include "tst_LunarCalendarWidget.moc"
