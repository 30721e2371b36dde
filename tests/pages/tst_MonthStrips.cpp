// The title strips of the month grid: the control's captions and the official marks for
// February 2026, and every glyph inside its strip at the window sizes the size dialog offers.
#include "../ChncalAnswers.h"
#include "base/HolidayTable.h"
#include "calendar_control/LunarCalendarWidget.h"
#include "pages/MonthGridModel.h"
#include "pages/MonthGridView.h"
#include "pages/MonthPageLayout.h"
#include "pages/MonthStrips.h"

#include <QFontMetrics>
#include <QPainter>
#include <QtTest>

#include <memory>

namespace {

const QString shippedList =
    QStringLiteral(KESTROVA_SOURCE_DIR "/resources/holidays/cn_public_holidays.tsv");

std::shared_ptr<const HolidayTable> shippedHolidays() {
    QString error;
    auto table = HolidayTable::readFile(shippedList, &error);
    if (!table) qFatal("%s", qPrintable(error));
    return std::make_shared<const HolidayTable>(std::move(*table));
}

// The ink's bounds of what `draw` paints on a white image of `size`.
QRect inkOf(const QSize &size, const std::function<void(QPainter &)> &draw) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        draw(painter);
    }
    QRect ink;
    const QRgb white = QColor(Qt::white).rgb();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != white) ink |= QRect(x, y, 1, 1);
    return ink;
}

int pixelsOf(const QImage &image, const QRect &rect, const QColor &color) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) == color) ++count;
    return count;
}

} // namespace

class TestMonthStrips : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void february2026_data() {
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("mark");
        const int off = int(MonthStrips::Mark::DayOff);
        QTest::newRow("4th") << 4 << "立春" << int(MonthStrips::Mark::None);
        QTest::newRow("14th") << 14 << "" << int(MonthStrips::Mark::WorkingDay);
        for (int day = 15; day <= 23; ++day)
            QTest::addRow("%dth", day) << day << (day == 17 ? "春节" : "") << off;
        QTest::newRow("24th") << 24 << "" << int(MonthStrips::Mark::None);
        QTest::newRow("28th") << 28 << "" << int(MonthStrips::Mark::WorkingDay);
    }
    void february2026() {
        QFETCH(int, day);
        QFETCH(QString, caption);
        QFETCH(int, mark);

        MonthGridModel model(QDate(2026, 2, 1));
        MonthGridView view(model);
        view.resize(806, 606);
        view.setHolidays(shippedHolidays());
        const int cell = model.cellOf(QDate(2026, 2, day));
        const MonthStrips::Strip &strip = view.strips().strip(cell);
        if (!caption.isEmpty()) QCOMPARE(strip.caption, caption);
        QVERIFY(!strip.caption.isEmpty());
        QCOMPARE(int(strip.mark), mark);

        // Drawn: the badge in its colour, the caption in the control's, a day off's number red.
        const MonthStrips::Arrangement parts = view.stripArrangement(cell);
        const QImage shot = view.grab().toImage();
        QCOMPARE(parts.captionText, strip.caption);
        QVERIFY(pixelsOf(shot, parts.caption, strip.captionColor) > 0);
        if (mark != int(MonthStrips::Mark::None)) {
            const QColor badge =
                mark == int(MonthStrips::Mark::DayOff) ? QColor(224, 32, 32) : QColor(80, 96, 120);
            QVERIFY(pixelsOf(shot, parts.badge, badge) > parts.badge.width());
        } else {
            QVERIFY(parts.badge.isEmpty());
        }
        QCOMPARE(pixelsOf(shot, parts.day, QColor(255, 0, 0)) > 0,
                 mark == int(MonthStrips::Mark::DayOff));
    }

    // The same text and colour as under the day in the calendar control, for whole months.
    void captionsAreTheControls_data() {
        QTest::addColumn<QDate>("month");
        for (const QDate month : {QDate(2026, 2, 1), QDate(2024, 2, 1), QDate(2025, 6, 1),
                                  QDate(1949, 10, 1), QDate(2100, 12, 1)})
            QTest::addRow("%s", qPrintable(month.toString(QStringLiteral("yyyy-MM")))) << month;
    }
    void captionsAreTheControls() {
        QFETCH(QDate, month);
        MonthGridModel model(month);
        MonthGridView view(model);
        LunarCalendarWidget calendar;
        calendar.setDateTime(QDateTime(month, QTime(0, 0)));
        const int firstCell = model.cellOf(month);
        for (int day = 1; day <= month.daysInMonth(); ++day) {
            const CalendarCell &shown = calendar.cell(firstCell + day);
            QCOMPARE(shown.day, day);
            const MonthStrips::Strip &strip = view.strips().strip(firstCell + day - 1);
            QCOMPARE(strip.caption, shown.caption);
            QCOMPARE(strip.captionColor, shown.captionColor);
        }
    }

    // Before 1582-10-15 too: every one of the 42 cells, the neighbouring months' days as
    // well, stands in the column of its weekday and shows the caption chncal gives that day.
    void cellsAreTheDaysChncalNames_data() {
        QTest::addColumn<QDate>("month");
        QTest::newRow("0003-05") << QDate(3, 5, 1);
        QTest::newRow("1582-10") << QDate(1582, 10, 1);
        QTest::newRow("1582-09") << QDate(1582, 9, 1);
        QTest::newRow("0100-03") << QDate(100, 3, 1);
    }
    void cellsAreTheDaysChncalNames() {
        QFETCH(QDate, month);
        MonthGridModel model(month);
        MonthGridView view(model);
        QList<CivilDay> days;
        for (int cell = 0; cell < MonthGridModel::CellCount; ++cell) days << model.cellDay(cell);
        const QHash<QString, ChncalAnswer> answers = chncalAnswers(days);
        QCOMPARE(answers.size(), MonthGridModel::CellCount);
        for (int cell = 0; cell < MonthGridModel::CellCount; ++cell) {
            const CivilDay day = model.cellDay(cell);
            const ChncalAnswer answer = answers.value(chncalDateText(day));
            const QByteArray where = chncalDateText(day).toUtf8();
            QVERIFY2(cell % 7 == answer.weekday, where);
            QVERIFY2(model.dayText(cell).endsWith(QString::number(day.day)), where);
            QVERIFY2(view.strips().strip(cell).caption == answer.caption,
                     where + ' ' + view.strips().strip(cell).caption.toUtf8());
        }
        // 母亲节 of year 3 on the second Sunday shown, the 13th.
        if (month == QDate(3, 5, 1))
            QCOMPARE(view.strips().strip(14).caption, QStringLiteral("母亲节"));
    }

    void marksNeedAListedYear() {
        MonthGridModel model(QDate(2027, 2, 1));
        MonthGridView view(model);
        view.resize(806, 606);
        view.setHolidays(shippedHolidays());
        for (int cell = 0; cell < MonthGridModel::CellCount; ++cell)
            QCOMPARE(int(view.strips().strip(cell).mark), int(MonthStrips::Mark::None));
        // A month change refills the strips.
        QCOMPARE(view.strips().firstCell(), model.firstCellDate());
    }

    // Page sizes of the month page in the window sizes of the size dialog (the page area is
    // 218 x 132 smaller than the window).
    void nothingClipped_data() {
        QTest::addColumn<QSize>("pageSize");
        QTest::addColumn<QDate>("month");
        for (const QSize window :
             {QSize(1024, 738), QSize(1280, 770), QSize(1366, 738), QSize(1400, 870)}) {
            const QSize page = window - QSize(218, 132);
            for (const QDate month :
                 {QDate(2026, 2, 1), QDate(2026, 5, 1), QDate(2025, 10, 1), QDate(2015, 9, 1)})
                QTest::addRow("%dx%d %s", window.width(), window.height(),
                              qPrintable(month.toString(QStringLiteral("yyyy-MM"))))
                    << page << month;
        }
    }
    void nothingClipped() {
        QFETCH(QSize, pageSize);
        QFETCH(QDate, month);

        MonthGridModel model(month);
        MonthGridView view(model);
        view.resize(pageSize);
        view.setHolidays(shippedHolidays());
        const MonthPageLayout layout(pageSize.width(), pageSize.height());
        for (int cell = 0; cell < MonthGridModel::CellCount; ++cell) {
            const QRect frame = layout.cellRect(cell);
            // Inside the cell's frame lines.
            const QRect strip =
                QRect(frame.left(), frame.top(), frame.width(), MonthPageLayout::TitleHeight)
                    .adjusted(1, 1, -1, 0);
            const MonthStrips::Strip &texts = view.strips().strip(cell);
            const MonthStrips::Arrangement parts = view.stripArrangement(cell);
            const QString where = QStringLiteral("cell %1 (%2)").arg(cell).arg(texts.caption);

            // The whole caption is shown, not cut, and the boxes do not overlap.
            QVERIFY2(parts.captionText == texts.caption, qPrintable(where));
            QVERIFY2(strip.contains(parts.day), qPrintable(where));
            QVERIFY2(strip.contains(parts.caption), qPrintable(where));
            QVERIFY2(!parts.caption.intersects(parts.day), qPrintable(where));
            if (texts.mark != MonthStrips::Mark::None) {
                QVERIFY2(strip.contains(parts.badge), qPrintable(where));
                QVERIFY2(!parts.badge.intersects(parts.day), qPrintable(where));
                QVERIFY2(!parts.badge.intersects(parts.caption), qPrintable(where));
            }

            // Every drawn pixel of each part stays in its box.
            const QRect captionInk = inkOf(pageSize, [&](QPainter &p) {
                p.setFont(parts.captionFont);
                p.setPen(Qt::black);
                p.drawText(parts.captionLine, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                           parts.captionText);
            });
            QVERIFY2(parts.caption.contains(captionInk), qPrintable(where));
            const QRect dayInk = inkOf(pageSize, [&](QPainter &p) {
                p.setFont(MonthGridView::dayFont());
                p.setPen(Qt::black);
                p.drawText(strip.adjusted(2, -1, -1, 0), Qt::AlignLeft | Qt::AlignVCenter,
                           model.dayText(cell));
            });
            QVERIFY2(strip.contains(dayInk), qPrintable(where));
            QVERIFY2(!dayInk.intersects(parts.caption), qPrintable(where));
            if (texts.mark != MonthStrips::Mark::None)
                QVERIFY2(!dayInk.intersects(parts.badge), qPrintable(where));
        }
    }
};

QTEST_MAIN(TestMonthStrips)
#include "tst_MonthStrips.moc"
