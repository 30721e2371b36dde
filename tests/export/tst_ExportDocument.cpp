#include "export/ExportDocument.h"
#include "export/ExportFile.h"

#include <QFile>
#include <QTest>

#include <map>

namespace {

using MonthCells = std::array<QString, ExportDocument::MonthCellCount>;
using YearMonths = std::array<QString, ExportDocument::YearMonthCount>;

QByteArray fixture(const QString &name) {
    QFile file(QStringLiteral(KESTROVA_FIXTURES_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing fixture>");
}

// The notes as the editors hand them over: with stray blanks, tabs, embedded objects and
// paragraph breaks that the export has to clean up.
MonthCells cells(const std::map<int, QString> &notes) {
    MonthCells result;
    for (const auto &[cell, text] : notes) result[cell] = text;
    return result;
}

QStringList lines(const ExportDocument &doc) {
    QStringList result = doc.text().split(QStringLiteral("\r\n"));
    if (result.last().isEmpty()) result.removeLast();
    return result;
}

} // namespace

class TestExportDocument : public QObject {
    Q_OBJECT

private slots:
    // GBK bytes and CR LF, compared with files written independently of this code.
    void filesMatchByteForByte_data() {
        QTest::addColumn<QString>("fixtureName");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");

        const ExportDocument june2010 = ExportDocument::monthNotes(
            QDate(2010, 6, 17), cells({{0, QStringLiteral("五月三十日 大扫除")},
                                       {2, QStringLiteral("  儿童节\t")},
                                       {6, QStringLiteral(" \n ")},
                                       {15, QStringLiteral("\u3000端午节\u3000 ")},
                                       {20, QStringLiteral("看书\uFFFC")},
                                       {32, QStringLiteral("七月一日")},
                                       {41, QStringLiteral("最后一格\n")}}));
        QTest::newRow("June 2010") << "june2010.txt" << june2010.title() << june2010.text();

        const ExportDocument february2015 = ExportDocument::monthNotes(
            QDate(2015, 2, 28), cells({{0, QStringLiteral("立春前")},
                                       {3, QStringLiteral("第一行\n第二行")},
                                       {18, QStringLiteral("春节")},
                                       {28, QStringLiteral("\uFFFC三月")},
                                       {41, QStringLiteral(" 末 ")}}));
        QTest::newRow("February 2015")
            << "february2015.txt" << february2015.title() << february2015.text();

        YearMonths months;
        months[0] = QStringLiteral("新年计划");
        months[2] = QStringLiteral("三月\u2029要做的事\r\n");
        months[11] = QStringLiteral("\t年终总结");
        const ExportDocument year2011 = ExportDocument::yearNotes(2011, months);
        QTest::newRow("year 2011") << "year2011.txt" << year2011.title() << year2011.text();
    }
    void filesMatchByteForByte() {
        QFETCH(QString, fixtureName);
        QFETCH(QString, title);
        QFETCH(QString, text);
        QVERIFY(ExportFile::fitsGbk(text));
        QCOMPARE(ExportFile::encode(text, ExportFile::Encoding::Gbk), fixture(fixtureName));
        QVERIFY(text.startsWith(title + QStringLiteral("\r\n")));
    }

    void monthLinesFollowTheGridOfTheShownMonth() {
        const QStringList june = lines(ExportDocument::monthNotes(QDate(2010, 6, 1), MonthCells()));
        QCOMPARE(june.size(), 43);
        QCOMPARE(june[0], QStringLiteral("2010年6月-月记事"));
        QCOMPARE(june[1], QStringLiteral("记录：")); // 30 May
        QCOMPARE(june[2], QStringLiteral("记录："));
        for (int day = 1; day <= 30; ++day)
            QCOMPARE(june[2 + day], QStringLiteral("6月%1号：").arg(day));
        for (int line = 33; line < 43; ++line) QCOMPARE(june[line], QStringLiteral("记录："));

        const QStringList february =
            lines(ExportDocument::monthNotes(QDate(2015, 2, 14), MonthCells()));
        QCOMPARE(february[1], QStringLiteral("2月1号："));
        QCOMPARE(february[28], QStringLiteral("2月28号："));
        QCOMPARE(february.mid(29), QStringList(14, QStringLiteral("记录：")));
    }

    void monthLinesBeforeTheChangeAreTheCalendarsShown() {
        // October 1582 as the month page shows it: Monday the 1st (Julian), the 4th followed
        // by the 15th.
        const QStringList october =
            lines(ExportDocument::monthNotes(QDate(1582, 10, 1), MonthCells()));
        QCOMPARE(october[1], QStringLiteral("记录：")); // 30 September
        QCOMPARE(october[2], QStringLiteral("10月1号："));
        QCOMPARE(october[5], QStringLiteral("10月4号："));
        QCOMPARE(october[6], QStringLiteral("10月15号："));
        QCOMPARE(october[22], QStringLiteral("10月31号："));
        QCOMPARE(october.mid(23), QStringList(20, QStringLiteral("记录：")));
    }

    void yearLabelsInOrderTheTwelfthWithoutColon() {
        YearMonths months;
        for (int m = 0; m < 12; ++m) months[m] = QString::number(m + 1);
        const ExportDocument doc = ExportDocument::yearNotes(2011, months);
        QCOMPARE(doc.title(), QStringLiteral("2011年-年度记事"));
        const QStringList all = lines(doc);
        QCOMPARE(all.size(), 13);
        QCOMPARE(all[1], QStringLiteral("一月份：1"));
        QCOMPARE(all[11], QStringLiteral("十一月份：11"));
        QCOMPARE(all[12], QStringLiteral("十二月份12"));
        QVERIFY(doc.text().endsWith(QStringLiteral("十二月份12\r\n")));
    }

    void noteText_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("note");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("blanks only") << " \t\r\n "
                                     << "";
        QTest::newRow("trimmed both ends") << "\t 记事 \n"
                                           << "记事";
        QTest::newRow("inner blanks stay") << " a  b "
                                           << "a  b";
        QTest::newRow("ideographic space stays") << "\u3000记\u3000"
                                                 << "\u3000记\u3000";
        QTest::newRow("control characters trimmed") << "\x01\x1f记\x7f"
                                                    << "记\x7f";
        QTest::newRow("LF to CR LF") << "a\nb"
                                     << "a\r\nb";
        QTest::newRow("CR LF kept") << "a\r\nb"
                                    << "a\r\nb";
        QTest::newRow("lone CR") << "a\rb"
                                 << "a\r\nb";
        QTest::newRow("paragraph and line separators") << "a\u2029b\u2028c"
                                                       << "a\r\nb\r\nc";
        QTest::newRow("empty line inside kept") << "a\n\nb"
                                                << "a\r\n\r\nb";
        QTest::newRow("objects dropped") << "\uFFFC图\uFFFC片\uFFFC"
                                         << "图片";
        QTest::newRow("object then blank trimmed") << "\uFFFC 字"
                                                   << "字";
        QTest::newRow("emoji kept") << "\U0001F600"
                                    << "\U0001F600";
    }
    void noteText() {
        QFETCH(QString, plain);
        QFETCH(QString, note);
        QCOMPARE(ExportDocument::noteText(plain), note);
    }

    void finalName_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("proposed title") << "/d/2010年6月-月记事"
                                        << "/d/2010年6月-月记事.txt";
        QTest::newRow("lower case") << "/d/abc.txt"
                                    << "/d/abc.txt";
        QTest::newRow("upper case") << "/d/abc.TXT"
                                    << "/d/abc.TXT";
        QTest::newRow("mixed case") << "/d/abc.Txt"
                                    << "/d/abc.Txt";
        QTest::newRow("other suffix") << "/d/abc.doc"
                                      << "/d/abc.doc.txt";
        QTest::newRow("txt without dot") << "/d/abctxt"
                                         << "/d/abctxt.txt";
        QTest::newRow("trailing dot") << "/d/abc."
                                      << "/d/abc..txt";
        QTest::newRow("txt in the folder only") << "/d.txt/abc"
                                                << "/d.txt/abc.txt";
    }
    void finalName() {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QCOMPARE(ExportFile::finalName(chosen), written);
    }

    void encodings() {
        const QString text = QStringLiteral("年\U0001F600\r\n");
        QCOMPARE(ExportFile::encode(text, ExportFile::Encoding::Gbk), QByteArray("\xC4\xEA?\r\n"));
        QCOMPARE(ExportFile::encode(text, ExportFile::Encoding::Utf8WithBom),
                 QByteArray("\xEF\xBB\xBF") + text.toUtf8());
        QVERIFY(!ExportFile::fitsGbk(text));
        QVERIFY(ExportFile::fitsGbk(QStringLiteral("年\u3000")));
        // Windows' 0x80 for the euro sign is no strict GBK: strict readers reject the file.
        QVERIFY(!ExportFile::fitsGbk(QStringLiteral("年€")));
        QCOMPARE(ExportFile::encode(QStringLiteral("€5"), ExportFile::Encoding::Gbk),
                 QByteArray("?5"));
    }
};

QTEST_GUILESS_MAIN(TestExportDocument)
#include "tst_ExportDocument.moc"
