// The whole control on a real X display, checked by pixels where its colours are fixed.

#include "TChnCalendar.h"
#include "TDayGrid.h"

#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

namespace {

// Pixels of exactly `color` in `rect`.
int Count(const QImage &image, const QRect &rect, const QColor &color) {
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) == color) ++count;
    return count;
}

} // namespace

class tst_TChnCalendarScreenshot : public QObject {
    Q_OBJECT
private slots:
    void february2024();
    void cleanup();

private:
    // The picture stays on disk only when a check failed, for a look at it.
    QTemporaryDir FDir;
};

void tst_TChnCalendarScreenshot::cleanup() {
    if (QTest::currentTestFailed()) {
        FDir.setAutoRemove(false);
        qInfo("screenshot kept in %s", qPrintable(FDir.path()));
    }
}

void tst_TChnCalendarScreenshot::february2024() {
    QWidget window;
    auto *calendar = new TChnCalendar(&window);
    calendar->move(0, 0);
    window.setFixedSize(313, 253);
    calendar->SetDateTime(QDateTime(QDate(2024, 2, 10), QTime(0, 0)));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(200);

    QScreen *screen = window.windowHandle()->screen();
    QVERIFY(screen);
    const QImage shot = screen->grabWindow(window.winId(), 0, 0, 313, 253)
                            .toImage()
                            .convertToFormat(QImage::Format_RGB888);
    QCOMPARE(shot.size(), QSize(313, 253));
    QVERIFY(FDir.isValid());
    QVERIFY(shot.save(FDir.filePath(QStringLiteral("chncalendar-2024-02.png"))));

    const QPoint grid = calendar->DayGrid()->pos();
    auto cellRect = [&](int i) {
        const int column = (i - 1) % 7 + 1;
        const int row = (i - 1) / 7 + 1;
        return calendar->DayGrid()->CellRect(column, row).translated(grid);
    };

    // 10 February, cell 14, is selected: outline, then the gradient's first and last rows.
    const QRect selected = cellRect(14);
    QCOMPARE(selected.size(), QSize(40, 27));
    QCOMPARE(shot.pixelColor(selected.left() + 3, selected.top()), QColor(0, 147, 70));
    QCOMPARE(shot.pixelColor(selected.left() + 3, selected.top() + 1), QColor(0, 176, 84));
    QCOMPARE(shot.pixelColor(selected.left() + 3, selected.bottom() - 1), QColor(0, 211, 100));
    QCOMPARE(shot.pixelColor(selected.left() + 3, selected.bottom()), QColor(0, 147, 70));

    auto upper = [](const QRect &cell) {
        return QRect(cell.left(), cell.top(), cell.width(), cell.height() / 2);
    };
    auto lower = [](const QRect &cell) {
        return QRect(cell.left(), cell.top() + cell.height() / 2, cell.width(),
                     cell.height() - cell.height() / 2);
    };
    const QColor red(255, 0, 0);
    // Weekend day numbers in red: Sunday 4 and Saturday 3 February; Wednesday 14 February's is not.
    QVERIFY(Count(shot, upper(cellRect(8)), red) > 2);
    QVERIFY(Count(shot, upper(cellRect(7)), red) > 2);
    QVERIFY(Count(shot, upper(cellRect(14)), red) > 2);
    QCOMPARE(Count(shot, upper(cellRect(18)), red), 0);
    QVERIFY(Count(shot, upper(cellRect(18)), QColor(79, 79, 79)) > 2);

    // Captions: 春节 (lunar festival), 立春 (solar term), 初二 (plain lunar day).
    QVERIFY(Count(shot, lower(cellRect(14)), QColor(255, 128, 0)) > 10);
    QVERIFY(Count(shot, lower(cellRect(8)), QColor(83, 83, 255)) > 10);
    QVERIFY(Count(shot, lower(cellRect(15)), QColor(0, 128, 0)) > 10);
    QCOMPARE(Count(shot, lower(cellRect(15)), QColor(255, 128, 0)), 0);

    // Title cells: star sign, year name and zodiac year in black, laid out 8 pixels below the
    // top (tall glyphs may rise a little above their line).
    for (int i = 40; i <= 42; ++i) {
        const QRect title = cellRect(i);
        QVERIFY(Count(shot, title.adjusted(0, 8, 0, 0), QColor(0, 0, 0)) > 10);
        QCOMPARE(Count(shot, QRect(title.left(), title.top(), title.width(), 5), QColor(0, 0, 0)),
                 0);
    }
    // The status line in grey.
    QVERIFY(Count(shot, QRect(10, 236, 200, 14), QColor(128, 128, 128)) > 20);

    // The large pale month digit behind the grid, and the blue year in the title row.
    QVERIFY(Count(shot, QRect(grid.x(), 113, calendar->DayGrid()->width(), 113),
                  QColor(235, 235, 235)) > 200);
    QVERIFY(Count(shot, QRect(120, 0, 90, 40), QColor(0, 0, 255)) > 50);
}

QTEST_MAIN(tst_TChnCalendarScreenshot)
#include "tst_TChnCalendarScreenshot.moc"
