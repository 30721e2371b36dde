// The whole control on a real X display, checked by pixels where its colours are fixed.

#include "calendar_control/DayGrid.h"
#include "calendar_control/LunarCalendarWidget.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
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

// Rows of `rect` holding at least one pixel of exactly `color`.
int InkedRows(const QImage &image, const QRect &rect, const QColor &color) {
    int rows = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        if (Count(image, QRect(rect.left(), y, rect.width(), 1), color) > 0) ++rows;
    return rows;
}

// The text drawn the way the grid draws its captions, with room all round.
QImage DrawnAsInTheGrid(const QString &text, const QFont &font, const QColor &color) {
    QImage image(200, 60, QImage::Format_RGB888);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRect(10, 10, 180, 40), Qt::AlignLeft | Qt::AlignVCenter, text);
    return image;
}

} // namespace

class tst_LunarCalendarWidgetScreenshot : public QObject {
    Q_OBJECT
private slots:
    void february2024();
    void labelsShowWholeGlyphs();
    void cleanup();

private:
    QImage Shot(QWidget &window);

    // The picture stays on disk only when a check failed, for a look at it.
    QTemporaryDir FDir;
};

void tst_LunarCalendarWidgetScreenshot::cleanup() {
    if (QTest::currentTestFailed()) {
        FDir.setAutoRemove(false);
        qInfo("screenshot kept in %s", qPrintable(FDir.path()));
    }
}

QImage tst_LunarCalendarWidgetScreenshot::Shot(QWidget &window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return {};
    QTest::qWait(200);
    QScreen *screen = window.windowHandle()->screen();
    if (!screen) return {};
    const QImage shot = screen->grabWindow(window.winId(), 0, 0, window.width(), window.height())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB888);
    if (FDir.isValid())
        shot.save(FDir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + ".png"));
    return shot;
}

void tst_LunarCalendarWidgetScreenshot::february2024() {
    QWidget window;
    auto *calendar = new LunarCalendarWidget(&window);
    calendar->move(0, 0);
    window.setFixedSize(313, 253);
    calendar->setDateTime(QDateTime(QDate(2024, 2, 10), QTime(0, 0)));
    const QImage shot = Shot(window);
    QCOMPARE(shot.size(), QSize(313, 253));

    const QPoint grid = calendar->dayGrid()->pos();
    auto cellRect = [&](int i) {
        const int column = (i - 1) % 7 + 1;
        const int row = (i - 1) / 7 + 1;
        return calendar->dayGrid()->cellRect(column, row).translated(grid);
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
    QVERIFY(Count(shot, QRect(grid.x(), 113, calendar->dayGrid()->width(), 113),
                  QColor(235, 235, 235)) > 200);
    QVERIFY(Count(shot, QRect(120, 0, 90, 40), QColor(0, 0, 255)) > 50);
}

void tst_LunarCalendarWidgetScreenshot::labelsShowWholeGlyphs() {
    // Every row of the glyphs of "今天", "月", "年" and the status line is on the screen: as many
    // inked rows as the same text drawn as the grid draws text, where nothing cuts it off.
    QWidget window;
    auto *calendar = new LunarCalendarWidget(&window);
    window.setFixedSize(313, 253);
    calendar->setDateTime(QDateTime(QDate(2024, 2, 10), QTime(0, 0)));
    const QImage shot = Shot(window);
    QCOMPARE(shot.size(), QSize(313, 253));

    const struct {
        QLabel *label;
        QPoint lineAt; // where the line of text starts
    } labels[] = {{calendar->todayLabel(), {272, 18}},
                  {calendar->monthUnitLabel(), {45, 20}},
                  {calendar->yearUnitLabel(), {205, 18}},
                  {calendar->statusLabel(), {10, 236}}};
    for (const auto &[label, lineAt] : labels) {
        const QString what = label->text();
        const QColor color = label->palette().color(QPalette::WindowText);
        const int expected =
            InkedRows(DrawnAsInTheGrid(what, label->font(), color), QRect(0, 0, 200, 60), color);
        QVERIFY2(expected >= 10, qPrintable(what));
        // The label's columns, a few rows beyond it either way.
        const QRect around(label->x(), label->y() - 4, label->width(), label->height() + 8);
        QVERIFY2(InkedRows(shot, around, color) == expected,
                 qPrintable(QStringLiteral("%1: %2 of %3 rows")
                                .arg(what)
                                .arg(InkedRows(shot, around, color))
                                .arg(expected)));
        // The text stays where it is placed.
        QCOMPARE(label->pos() + QPoint(0, label->contentsMargins().top()), lineAt);
    }
}

QTEST_MAIN(tst_LunarCalendarWidgetScreenshot)
#include "tst_LunarCalendarWidgetScreenshot.moc"
