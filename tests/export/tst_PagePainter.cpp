// The printed form of the pages as PDF files, read back with poppler's tools: every note's text
// and the title come out as text, the grid lines lie where the layout puts them, and a note
// too long for its box ends with "…".
#include "ContextFixture.h"
#include "DocumentTestMain.h"
#include "base/HolidayTable.h"
#include "pages/AnnualNotesDocument.h"
#include "pages/MonthNotesDocument.h"
#include "pages/PagePainter.h"
#include "pages/PrintLayout.h"
#include "pages/SheetDocument.h"

#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <memory>

namespace {

const QDate October(2026, 10, 1); // days off on the 1st to the 7th, a working Saturday the 10th

QString tool(const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Text as pdftotext gives it, without the spaces and line breaks it puts between glyphs.
QString squeezed(const QString &text) {
    QString result = text;
    result.remove(QRegularExpression(QStringLiteral("\\s")));
    return result;
}

QString longNote(const QString &head, const QString &tail) {
    QString text = head;
    for (int i = 0; i < 60; ++i) text += QStringLiteral("\n第%1行的内容").arg(i);
    return text + QLatin1Char('\n') + tail;
}

// The pages' documents over a real store in a temporary folder, filled as a user would have
// typed; loaded first, so each holds a period.
struct Pages : ContextFixture {
    MonthNotesDocument month{context};
    AnnualNotesDocument year{context};
    SheetDocument sheet{context, SheetDocument::Kind::general()};
    std::shared_ptr<const HolidayTable> holidays;

    Pages() {
        saving.open();
        month.load(October);
        year.load(October);
        sheet.load(October);
        const std::optional<HolidayTable> table = HolidayTable::readFile(
            QStringLiteral(KESTROVA_SOURCE_DIR "/resources/holidays/cn_public_holidays.tsv"));
        if (table) holidays = std::make_shared<HolidayTable>(*table);
    }

    const NoteDocument &document(const QString &kind) const {
        if (kind == QLatin1String("year")) return year;
        if (kind == QLatin1String("sheet")) return sheet;
        return month;
    }
    QByteArray pdf(const QString &kind) const {
        return PagePainter::forDocument(document(kind), holidays)->pdf();
    }
};

// The PDF written into `dir`; its path.
QString written(const QTemporaryDir &dir, const QByteArray &pdf) {
    const QString path = dir.filePath(QStringLiteral("out.pdf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf) != pdf.size()) return QString();
    return path;
}

} // namespace

class TestPagePainter : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pdfHoldsTitleAndEveryNote_data();
    void pdfHoldsTitleAndEveryNote();
    void gridLinesLieWhereTheLayoutPutsThem_data();
    void gridLinesLieWhereTheLayoutPutsThem();
    void overLongNoteEndsWithEllipsis_data();
    void overLongNoteEndsWithEllipsis();
    void yearTakesASecondPageOnlyWhenANoteNeedsIt();
    void monthShowsHolidayMarksAndLunarCaptions();
};

void TestPagePainter::initTestCase() {
    if (tool(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("command -v pdftotext "
                                                                         "&& command -v pdftoppm")})
            .isEmpty())
        QSKIP("pdftotext and pdftoppm (poppler-utils) are needed");
}

void TestPagePainter::pdfHoldsTitleAndEveryNote_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("notes");
    QTest::newRow("month") << "month"
                           << "2026年10月"
                           << QStringList{"国庆出游", "Bold words", "红色提醒", "last cell 42"};
    QTest::newRow("year") << "year"
                          << "2026年年度记事"
                          << QStringList{"一月份", "新年计划", "十二月份", "year end review"};
    QTest::newRow("general notes") << "sheet"
                                   << "2026年10月一般记事" << QStringList{"买菜", "line forty-two"};
}

void TestPagePainter::pdfHoldsTitleAndEveryNote() {
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QStringList, notes);
    Pages p;
    const int cell1 = p.month.grid().cellOf(October);
    p.month.cell(cell1)->setHtml(QStringLiteral("国庆出游"));
    p.month.cell(10)->setHtml(QStringLiteral("<b>Bold</b> <i>words</i>"));
    p.month.cell(20)->setHtml(QStringLiteral("<span style='color:#ff0000'>红色提醒</span>"));
    p.month.cell(41)->setHtml(QStringLiteral("last cell 42"));
    p.year.month(1)->setHtml(QStringLiteral("新年计划"));
    p.year.month(12)->setHtml(QStringLiteral("year end review"));
    p.sheet.setText(1, QStringLiteral("买菜"));
    p.sheet.setText(42, QStringLiteral("line forty-two"));

    QTemporaryDir dir;
    const QString path = written(dir, p.pdf(kind));
    QVERIFY(!path.isEmpty());
    const QString text =
        squeezed(tool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                                    path, QStringLiteral("-")}));
    QVERIFY2(text.contains(squeezed(title)), qPrintable(text));
    for (const QString &note : notes) QVERIFY2(text.contains(squeezed(note)), qPrintable(note));
}

// The lines are found in the picture at 72 dots per inch, where a design pixel is 0.75 points
// from the printable area's corner.
void TestPagePainter::gridLinesLieWhereTheLayoutPutsThem_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QList<double>>("xs"); // vertical lines, design pixels
    QTest::addColumn<QList<double>>("ys"); // horizontal lines
    QTest::addColumn<QRectF>("span");      // where the lines run
    const QSizeF area =
        PagePainter::designArea(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                            QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    const PrintLayout::Month month = PrintLayout::month(area);
    QList<double> xs, ys;
    for (int j = 0; j <= 7; ++j) xs << month.columnLine(j);
    for (int r = 0; r <= 6; ++r) ys << month.rowLine(r);
    QTest::newRow("month") << "month" << xs << ys << month.grid;
    const PrintLayout::Year year = PrintLayout::year(area, 4, 3);
    xs.clear();
    ys.clear();
    for (int j = 0; j < 4; ++j) xs << year.boxes[std::size_t(j)].left();
    xs << year.boxes[3].right();
    for (int r = 0; r < 3; ++r)
        ys << year.boxes[std::size_t(4 * r)].top() << year.captions[std::size_t(4 * r)].bottom();
    ys << year.boxes[8].bottom();
    QTest::newRow("year") << "year" << xs << ys
                          << QRectF(year.boxes[0].topLeft(), year.boxes[11].bottomRight());
}

void TestPagePainter::gridLinesLieWhereTheLayoutPutsThem() {
    QFETCH(QString, kind);
    QFETCH(QList<double>, xs);
    QFETCH(QList<double>, ys);
    QFETCH(QRectF, span);
    Pages p;
    QTemporaryDir dir;
    const QString path = written(dir, p.pdf(kind));
    QVERIFY(!path.isEmpty());
    tool(QStringLiteral("pdftoppm"),
         {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-gray"),
          QStringLiteral("-singlefile"), path, dir.filePath(QStringLiteral("page"))});
    const QImage page(dir.filePath(QStringLiteral("page.pgm")));
    QVERIFY(!page.isNull());
    const QPageLayout layout = PagePainter::forDocument(p.document(kind))->pageLayout();
    QCOMPARE(page.size(), layout.fullRectPoints().size());
    const QPointF corner = layout.paintRect(QPageLayout::Point).topLeft();
    const auto at = [&](double designX, double designY) {
        return QPoint(int(corner.x() + designX * 0.75), int(corner.y() + designY * 0.75));
    };
    // The darkest of the pixels within one of `p` across the line's direction.
    const auto darkest = [&](const QPoint &p, bool vertical) {
        int dark = 255;
        for (int d = -1; d <= 1; ++d) {
            const QPoint q = vertical ? p + QPoint(d, 0) : p + QPoint(0, d);
            if (page.rect().contains(q)) dark = std::min(dark, qGray(page.pixel(q)));
        }
        return dark;
    };
    for (const double x : xs)
        for (double y = span.top() + 30; y < span.bottom() - 4; y += 37)
            QVERIFY2(darkest(at(x, y), true) < 100,
                     qPrintable(QStringLiteral("no line at x %1, y %2").arg(x).arg(y)));
    for (const double y : ys)
        for (double x = span.left() + 23; x < span.right() - 4; x += 41)
            QVERIFY2(darkest(at(x, y), false) < 100,
                     qPrintable(QStringLiteral("no line at y %1, x %2").arg(y).arg(x)));
    // And none half way between two lines, where the notes are empty.
    const double between = (xs[0] + xs[1]) / 2;
    const double below = ys[ys.size() - 2] + 40;
    QVERIFY(qGray(page.pixel(at(between, below))) > 200);
}

// Short lines, where the mark goes after the last visible one, and one long paragraph, whose
// last visible line gives up characters to the mark.
void TestPagePainter::overLongNoteEndsWithEllipsis_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("note");
    QString paragraph = QStringLiteral("开头的话");
    for (int i = 0; i < 120; ++i) paragraph += QStringLiteral("很长的一段话");
    paragraph += QStringLiteral("最后一句");
    const QString lines = longNote(QStringLiteral("开头的话"), QStringLiteral("最后一句"));
    QTest::newRow("month, lines") << "month" << lines;
    QTest::newRow("month, paragraph") << "month" << paragraph;
    QTest::newRow("year, lines") << "year" << lines;
    QTest::newRow("year, paragraph") << "year" << paragraph;
}

void TestPagePainter::overLongNoteEndsWithEllipsis() {
    QFETCH(QString, kind);
    QFETCH(QString, note);
    Pages p;
    if (kind == QLatin1String("month"))
        p.month.cell(15)->setPlainText(note);
    else
        p.year.month(5)->setPlainText(note);
    QTemporaryDir dir;
    const QString path = written(dir, p.pdf(kind));
    QVERIFY(!path.isEmpty());
    const QString text =
        tool(QStringLiteral("pdftotext"),
             {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    const QString flat = squeezed(text);
    QVERIFY2(flat.contains(QStringLiteral("开头的话")), qPrintable(text));
    QVERIFY2(!flat.contains(QStringLiteral("最后一句")), qPrintable(text));
    // Once, right after text of the note.
    QCOMPARE(flat.count(QStringLiteral("…")), 1);
    const QChar before = flat.at(flat.indexOf(QStringLiteral("…")) - 1);
    QVERIFY2(squeezed(note).contains(before), qPrintable(text));
}

void TestPagePainter::yearTakesASecondPageOnlyWhenANoteNeedsIt() {
    Pages p;
    p.year.month(3)->setHtml(QStringLiteral("短的记事"));
    const PagePainter painter = *PagePainter::forDocument(p.year);
    const QSizeF area = PagePainter::designArea(painter.pageLayout());
    QCOMPARE(painter.pageCount(area), 1);
    QTemporaryDir dir;
    QString path = written(dir, painter.pdf());
    QCOMPARE(
        tool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")}).count(QLatin1Char('\f')), 1);

    // A note of fourteen lines: too tall for a box of a 4 x 3 page, not for one of a 3 x 2 page.
    QString lines = QStringLiteral("第0行");
    for (int i = 1; i < 14; ++i) lines += QStringLiteral("\n第%1行").arg(i);
    p.year.month(3)->setPlainText(lines);
    QVERIFY(!PagePainter::fits(*p.year.month(3), PrintLayout::year(area, 4, 3).notes[2].size()));
    QVERIFY(PagePainter::fits(*p.year.month(3), PrintLayout::year(area, 3, 2).notes[2].size()));
    QCOMPARE(painter.pageCount(area), 2);
    path = written(dir, painter.pdf());
    const QString text = tool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    QCOMPARE(text.count(QLatin1Char('\f')), 2);
    const QStringList pages = text.split(QLatin1Char('\f'));
    QVERIFY(squeezed(pages[0]).contains(QStringLiteral("六月份")));
    QVERIFY(squeezed(pages[0]).contains(QStringLiteral("第13行")));
    QVERIFY(!squeezed(pages[0]).contains(QStringLiteral("七月份")));
    QVERIFY(squeezed(pages[1]).contains(QStringLiteral("七月份")));
    QVERIFY(squeezed(pages[1]).contains(QStringLiteral("十二月份")));
}

// As the month page shows them: the day-off and working-day marks of the holiday list (the
// leading 27 September is the last day off of the Mid-Autumn Festival) and the lunar captions,
// here the solar term of 8 October and the Double Ninth Festival on 18 October.
void TestPagePainter::monthShowsHolidayMarksAndLunarCaptions() {
    Pages p;
    QVERIFY(p.holidays);
    QTemporaryDir dir;
    const QString path = written(dir, p.pdf(QStringLiteral("month")));
    const QString flat =
        squeezed(tool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"),
                                                    path, QStringLiteral("-")}));
    QCOMPARE(flat.count(QStringLiteral("休")), 8);
    QCOMPARE(flat.count(QStringLiteral("班")), 1);
    QVERIFY2(flat.contains(QStringLiteral("寒露")), qPrintable(flat));
    QVERIFY2(flat.contains(QStringLiteral("重阳节")), qPrintable(flat));
}

KESTROVA_DOCUMENT_TEST_MAIN(TestPagePainter)
#include "tst_PagePainter.moc"
