#include "platform/FontSubstitutes.h"
#include "wallpaper/ContentCapture.h"
#include "wallpaper/ContentPicture.h"

#include <QApplication>
#include <QTest>

namespace {

std::array<QDate, 42> gridFrom(const QDate &first) {
    std::array<QDate, 42> dates;
    for (int k = 0; k < 42; ++k) dates[k] = first.addDays(k);
    return dates;
}

bool isBlack(const QImage &image, int x, int y) {
    return image.pixelColor(x, y) == QColor(Qt::black);
}

// The pixels where two pictures differ, as their bounding rectangle (null when equal).
QRect difference(const QImage &a, const QImage &b) {
    QRect r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) r |= QRect(x, y, 1, 1);
    return r;
}

WallpaperCells withSlot(int slot, const QString &text) {
    WallpaperCells cells;
    cells[slot].note = text;
    return cells;
}

} // namespace

class TestContentPicture : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { FontSubstitutes::install(); }

    void monthLabels_data() {
        QTest::addColumn<QDate>("firstCell");
        QTest::addColumn<int>("shownMonth");
        QTest::addColumn<QStringList>("labels");
        QStringList june2010;
        for (int k = 0; k < 42; ++k)
            june2010 << (k < 2 || k >= 32 ? QStringLiteral("S") : QString::number(k - 1));
        QTest::newRow("June 2010") << QDate(2010, 5, 30) << 6 << june2010;
        QStringList feb2015;
        for (int k = 0; k < 42; ++k)
            feb2015 << (k >= 28 ? QStringLiteral("S") : QString::number(k + 1));
        QTest::newRow("February 2015") << QDate(2015, 2, 1) << 2 << feb2015;
    }
    void monthLabels() {
        QFETCH(QDate, firstCell);
        QFETCH(int, shownMonth);
        QFETCH(QStringList, labels);
        WallpaperCells cells;
        ContentCapture::captureMonthCells(cells, QStringList(), gridFrom(firstCell), shownMonth);
        for (int k = 0; k < 42; ++k) QCOMPARE(cells[k].dayLabel, labels[k]);
    }

    // The labels follow the month the grid shows, whatever text each cell holds.
    void noteCaptureKeepsLabels() {
        WallpaperCells cells;
        QStringList texts;
        for (int k = 0; k < 42; ++k) texts << QStringLiteral("cell %1").arg(k);
        ContentCapture::captureMonthCells(cells, texts, gridFrom(QDate(2010, 5, 30)), 6);
        QCOMPARE(cells[2].note, QStringLiteral("cell 2"));
        ContentCapture::captureNoteCells(cells, {QStringLiteral(" line one ")});
        QCOMPARE(cells[0].note, QStringLiteral("line one"));
        QCOMPARE(cells[1].note, QString());
        QCOMPARE(cells[2].dayLabel, QStringLiteral("1"));
    }

    void trimming_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("trimmed");
        QTest::newRow("blanks") << "  note  "
                                << "note";
        QTest::newRow("controls") << QString("\t\r\nnote\x01\x1f") << "note";
        QTest::newRow("inner breaks stay") << "\r\na\r\nb\r\n"
                                           << "a\r\nb";
        QTest::newRow("only blanks") << " \r\n \t"
                                     << "";
        QTest::newRow("full-width blank stays")
            << QString::fromUtf8("\u3000记事") << QString::fromUtf8("\u3000记事");
    }
    void trimming() {
        QFETCH(QString, text);
        QFETCH(QString, trimmed);
        QCOMPARE(ContentCapture::trimmed(text), trimmed);
    }

    void weekDayNames() {
        QCOMPARE(ContentPicture::weekdayName(1), QStringLiteral("星期一"));
        QCOMPARE(ContentPicture::weekdayName(6), QStringLiteral("星期六"));
        QCOMPARE(ContentPicture::weekdayName(0), QString());
        QCOMPARE(ContentPicture::weekdayName(7), QString());
    }

    void monthLines() {
        const QImage image = ContentPicture::drawMonth(WallpaperCells());
        QCOMPARE(image.size(), QSize(660, 500));
        for (int x = 0; x < 660; ++x) {
            QVERIFY(isBlack(image, x, 0));
            QVERIFY(isBlack(image, x, 499));
            QVERIFY(isBlack(image, x, 20));
            for (int r = 1; r <= 5; ++r)
                QVERIFY2(isBlack(image, x, 80 * r + 20), qPrintable(QString::number(r)));
        }
        for (int y = 0; y < 500; ++y) {
            QVERIFY(isBlack(image, 0, y));
            QVERIFY(isBlack(image, 659, y));
            for (int j = 1; j <= 6; ++j) QVERIFY(isBlack(image, 94 * j, y));
        }
        // Inside a cell the picture is white; the header has ink.
        QCOMPARE(image.pixelColor(50, 60), QColor(Qt::white));
        QVERIFY(!difference(image.copy(24, 3, 60, 14), QImage(60, 14, image.format())).isNull());
    }

    void noteLines() {
        const QImage image = ContentPicture::drawNotes(WallpaperCells());
        for (int r = 1; r <= 21; ++r) {
            for (int x = 4; x <= 321; ++x) QVERIFY(isBlack(image, x, 23 * r));
            for (int x = 338; x <= 655; ++x) QVERIFY(isBlack(image, x, 23 * r));
            QCOMPARE(image.pixelColor(330, 23 * r), QColor(Qt::white));
        }
    }

    // A note far too long for its box inks that box and nothing else.
    void longNoteStaysInItsBox_data() {
        QTest::addColumn<bool>("monthLayout");
        QTest::addColumn<int>("slot");
        QTest::newRow("month, first cell") << true << 0;
        QTest::newRow("month, middle cell") << true << 24;
        QTest::newRow("month, last cell") << true << 41;
        QTest::newRow("notes, left") << false << 10;
        QTest::newRow("notes, right") << false << 41;
    }
    void longNoteStaysInItsBox() {
        QFETCH(bool, monthLayout);
        QFETCH(int, slot);
        // A word wider than the box, then more wrapped lines than fit.
        const QString longText =
            QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\r\n") +
            QStringLiteral("长长的记事内容 overflowing words ").repeated(40);
        auto draw = monthLayout ? &ContentPicture::drawMonth : &ContentPicture::drawNotes;
        const QImage empty = draw(WallpaperCells());
        const QImage full = draw(withSlot(slot, longText));
        const QRect inked = difference(empty, full);
        const QRect box =
            monthLayout ? ContentPicture::monthTextRect(slot) : ContentPicture::noteTextRect(slot);
        QVERIFY(!inked.isNull());
        QVERIFY2(box.contains(inked), qPrintable(QStringLiteral("ink %1,%2 %3x%4")
                                                     .arg(inked.x())
                                                     .arg(inked.y())
                                                     .arg(inked.width())
                                                     .arg(inked.height())));
        // The text reaches the edges it is cut at.
        QVERIFY(inked.right() >= box.right() - 2);
        if (monthLayout) QVERIFY(inked.bottom() >= box.bottom() - 8);
    }

    // "&" is an ordinary character: "A&B", "AB" and "A&&B" are three different pictures.
    void ampersandIsLiteral_data() {
        QTest::addColumn<bool>("monthLayout");
        QTest::newRow("month") << true;
        QTest::newRow("notes") << false;
    }
    void ampersandIsLiteral() {
        QFETCH(bool, monthLayout);
        auto draw = monthLayout ? &ContentPicture::drawMonth : &ContentPicture::drawNotes;
        const QImage one = draw(withSlot(3, QStringLiteral("A&B")));
        const QImage none = draw(withSlot(3, QStringLiteral("AB")));
        const QImage two = draw(withSlot(3, QStringLiteral("A&&B")));
        QVERIFY(one != none);
        QVERIFY(one != two);
        // "A&B" is wider than "AB" by the ampersand, not underlined below the same width.
        const QRect oneInk = difference(draw(WallpaperCells()), one);
        const QRect noneInk = difference(draw(WallpaperCells()), none);
        QVERIFY(oneInk.width() > noneInk.width() + 3);
    }

    // Month cells: the label on the first line, the note from the line below.
    void noteBelowLabel() {
        WallpaperCells cells;
        cells[9].dayLabel = QStringLiteral("8");
        const QImage labelOnly = ContentPicture::drawMonth(cells);
        cells[9].note = QStringLiteral("记事");
        const QImage withNote = ContentPicture::drawMonth(cells);
        const QRect box = ContentPicture::monthTextRect(9);
        const QRect labelInk = difference(ContentPicture::drawMonth(WallpaperCells()), labelOnly);
        const QRect noteInk = difference(labelOnly, withNote);
        QVERIFY(box.contains(labelInk));
        QVERIFY(noteInk.top() > labelInk.bottom());
        QVERIFY(noteInk.left() < box.left() + 4);
    }
};

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    TestContentPicture t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_ContentPicture.moc"
