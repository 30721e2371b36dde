#include <QDate>
#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run chncal(const QStringList &args, const QByteArray &input = {}) {
    QProcess p;
    p.start(CHNCAL_PATH, args);
    if (!p.waitForStarted(10000)) qFatal("chncal did not start");
    if (!input.isEmpty()) p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(30000)) qFatal("chncal did not finish");
    Run r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList lines(const QString &text) {
    QStringList l = text.split('\n');
    if (!l.isEmpty() && l.last().isEmpty()) l.removeLast();
    return l;
}

const QStringList kRecordNames = {"Date",       "LunarYear",     "LunarMonth",    "LunarDay",
                                  "Leap",       "MonthName",     "DayName",       "TermName",
                                  "YearPillar", "MonthPillar",   "DayPillar",     "Animal",
                                  "StarSign",   "CivilFestival", "LunarFestival", "Era"};

} // namespace

class TestChncal : public QObject {
    Q_OBJECT

private slots:
    void record_data();
    void record();
    void recordOutOfRange();
    void batchFormat();
    void batchLinesStandAlone();
    void batchAgreesWithRecord();
    void batchWholeRange();
    void droppedDays();
    void astronomical();
    void toCivil_data();
    void toCivil();
    void terms();
    void badArguments_data();
    void badArguments();
    void help();
    void monthGrid();
};

void TestChncal::record_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QStringList>("expected"); // "Name: value" lines that must appear

    QTest::newRow("spring festival")
        << "2024-02-10"
        << QStringList{"LunarYear: 2024",  "LunarMonth: 1",     "LunarDay: 1",
                       "Leap: 0",          "MonthName: 正月",   "DayName: 初一",
                       "YearPillar: 甲辰", "Animal: 龙",        "LunarFestival: 春节",
                       "DayPillar: 甲辰",  "MonthPillar: 丙寅", "StarSign: 宝瓶",
                       "CivilFestival: ",  "TermName: ",        "Era: "};
    QTest::newRow("leap month") << "2023-03-22"
                                << QStringList{"LunarMonth: 2", "Leap: 1", "MonthName: 闰二"};
    QTest::newRow("era") << "1911-05-01"
                         << QStringList{"Era: [近、现代]中华民国  民国元年",
                                        "CivilFestival: 劳动节"};
    QTest::newRow("term") << "2024-12-21" << QStringList{"TermName: 冬至"};
    QTest::newRow("before year 1")
        << "-0100-03-05" << QStringList{"Date: -0100-03-05", "LunarYear: -101"};
    QTest::newRow("julian") << "1582-10-04" << QStringList{"Date: 1582-10-04"};
}

void TestChncal::record() {
    QFETCH(QString, date);
    QFETCH(QStringList, expected);
    const Run r = chncal({date});
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    const QStringList l = lines(r.out);
    QCOMPARE(l.size(), kRecordNames.size());
    for (int i = 0; i < l.size(); ++i)
        QVERIFY2(l[i].startsWith(kRecordNames[i] + ": "), qPrintable(l[i]));
    for (const QString &e : expected) QVERIFY2(l.contains(e), qPrintable(e));
}

void TestChncal::recordOutOfRange() {
    for (const QString &date : {QString("2101-01-01"), QString("-0850-12-31")}) {
        const Run r = chncal({date});
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(lines(r.err).size(), 1);
    }
}

void TestChncal::batchFormat() {
    const QByteArray input = "2024-02-10\n"
                             "-0100-03-05\n"
                             "not a date\n"
                             "\n"
                             "2024-02-30\n"
                             "0000-01-01\n"
                             "1582-10-10\n"
                             "2101-01-01\n"
                             "-0850-06-01\n"
                             "2024-02-09\r\n"
                             "1911-05-01";
    const Run r = chncal({"--batch"}, input);
    QCOMPARE(r.status, 0);
    QVERIFY(r.err.isEmpty());
    const QStringList l = lines(r.out);
    QCOMPARE(l.size(), 11);

    const QStringList first = l[0].split('\t');
    QCOMPARE(first.size(), 17);
    QCOMPARE(first, (QStringList{"2024-02-10", "1", "2024", "1", "1", "0", "正月", "初一", "",
                                 "甲辰", "丙寅", "甲辰", "龙", "宝瓶", "", "春节", ""}));

    const QStringList old = l[1].split('\t');
    QCOMPARE(old.size(), 17);
    QCOMPARE(old[0], "-0100-03-05");
    QCOMPARE(old[1], "1");
    QCOMPARE(old[2], "-101");    // lunar year -100 begins on -0100-04-07
    QVERIFY(!old[16].isEmpty()); // an era of the Western Han

    QCOMPARE(l[2], "ERROR\tnot a date");
    QCOMPARE(l[3], "ERROR\t");
    QCOMPARE(l[4], "ERROR\t2024-02-30");
    QCOMPARE(l[5], "ERROR\t0000-01-01");
    QCOMPARE(l[6], "ERROR\t1582-10-10"); // see droppedDays

    for (int i : {7, 8}) {
        const QStringList failed = l[i].split('\t');
        QCOMPARE(failed.size(), 17);
        QCOMPARE(failed[1], "0");
        for (int f = 2; f < 17; ++f) QVERIFY(failed[f].isEmpty());
    }
    QCOMPARE(l[7].section('\t', 0, 0), "2101-01-01");

    const QStringList eve = l[9].split('\t');
    QCOMPARE(eve[0], "2024-02-09");
    QCOMPARE(eve[15], "除夕");
    QCOMPARE(l[10].split('\t')[16], "[近、现代]中华民国  民国元年");
}

void TestChncal::batchLinesStandAlone() {
    // A record walked from 2024-01-31 would keep 癸卯 for 2024-02-05; a line stands alone.
    const Run alone = chncal({"--batch"}, "2024-02-05\n");
    const Run after = chncal({"--batch"}, "2024-01-31\n2024-02-05\n");
    QCOMPARE(lines(after.out).size(), 2);
    QCOMPARE(lines(after.out)[1], lines(alone.out)[0]);
    QCOMPARE(lines(alone.out)[0].split('\t')[9], "甲辰");
}

void TestChncal::batchAgreesWithRecord() {
    const QString date = "2033-12-22";
    const QStringList batch = lines(chncal({"--batch"}, date.toUtf8() + "\n").out)[0].split('\t');
    const QStringList record = lines(chncal({date}).out);
    // Batch fields 2.. are the record's values from LunarYear on, in the same order.
    QCOMPARE(batch.size(), 17);
    QCOMPARE(batch[1], "1");
    for (int i = 1; i < record.size(); ++i) QCOMPARE(batch[i + 1], record[i].section(": ", 1));
}

void TestChncal::batchWholeRange() {
    QByteArray input;
    int days = 0;
    for (QDate d(1900, 1, 1); d.year() <= 2100; d = d.addDays(1), ++days)
        input += d.toString(Qt::ISODate).toUtf8() + '\n';
    QCOMPARE(days, 73414);
    const Run r = chncal({"--batch"}, input);
    QCOMPARE(r.status, 0);
    const QStringList l = lines(r.out);
    QCOMPARE(l.size(), days);
    int springs = 0;
    for (const QString &line : l) {
        const QStringList f = line.split('\t');
        QVERIFY2(f.size() == 17 && f[1] == "1", qPrintable(line));
        if (f[15] == "春节") ++springs;
    }
    QCOMPARE(springs, 201);
}

void TestChncal::droppedDays() {
    // The ten days the calendar reform dropped are no dates, in a batch as for one date;
    // the days around them are.
    QByteArray input;
    for (int day = 1; day <= 20; ++day)
        input += QStringLiteral("1582-10-%1\n").arg(day, 2, 10, QChar('0')).toUtf8();
    const Run r = chncal({"--batch"}, input);
    QCOMPARE(r.status, 0);
    const QStringList l = lines(r.out);
    QCOMPARE(l.size(), 20);
    for (int day = 1; day <= 20; ++day) {
        const QString date = QStringLiteral("1582-10-%1").arg(day, 2, 10, QChar('0'));
        const bool dropped = day >= 5 && day <= 14;
        if (dropped) {
            QCOMPARE(l[day - 1], "ERROR\t" + date);
            const Run record = chncal({date});
            QCOMPARE(record.status, 2);
            QVERIFY(record.out.isEmpty());
            QVERIFY2(record.err.contains("1582-10-04 is followed by 1582-10-15"),
                     qPrintable(record.err));
            continue;
        }
        const QStringList f = l[day - 1].split('\t');
        QVERIFY2(f.size() == 17 && f[1] == "1", qPrintable(l[day - 1]));
        QCOMPARE(f[9], "壬午");
        QCOMPARE(f[12], "马");
        QCOMPARE(f[16], "[明]神宗 朱翊钧 万历10年");
    }
    // 10-04 and 10-15 are neighbours in the lunar month too.
    QCOMPARE(l[3].split('\t')[4].toInt() + 1, l[14].split('\t')[4].toInt());
}

void TestChncal::astronomical() {
    // The computed calendar next to the historical one: 0500-05-05 is 三月廿一 in the
    // records and 三月廿二 by the astronomy; from 1900 on they are one.
    const QStringList inForce = lines(chncal({"0500-05-05"}).out);
    const Run computed = chncal({"--astronomical", "0500-05-05"});
    QCOMPARE(computed.status, 0);
    QVERIFY(inForce.contains("DayName: 廿一"));
    QVERIFY(lines(computed.out).contains("DayName: 廿二"));
    const QStringList batch =
        lines(chncal({"--astronomical", "--batch"}, "0500-05-05\n2024-02-10\n").out);
    QCOMPARE(batch.size(), 2);
    QCOMPARE(batch[0].split('\t')[4], "22");
    QCOMPARE(batch[1], lines(chncal({"--batch"}, "2024-02-10\n").out).value(0));
    QCOMPARE(chncal({"--to-civil", "237", "4", "1"}).out, "0237-04-12\n");
    QCOMPARE(chncal({"--astronomical", "--to-civil", "237", "4", "1"}).out, "0237-05-12\n");
    QCOMPARE(chncal({"--astronomical", "--terms", "2024"}).status, 2);
}

void TestChncal::toCivil_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::newRow("leap month") << QStringList{"2023", "2", "1", "leap"} << 0 << "2023-03-22\n";
    QTest::newRow("leap as 1") << QStringList{"2023", "2", "1", "1"} << 0 << "2023-03-22\n";
    QTest::newRow("regular") << QStringList{"2024", "1", "1"} << 0 << "2024-02-10\n";
    QTest::newRow("regular as 0") << QStringList{"2024", "1", "1", "0"} << 0 << "2024-02-10\n";
    QTest::newRow("no such leap") << QStringList{"2024", "2", "1", "leap"} << 1 << "none\n";
    QTest::newRow("month 13") << QStringList{"2024", "13", "1"} << 1 << "none\n";
    QTest::newRow("out of range") << QStringList{"2200", "1", "1"} << 1 << "none\n";
}

void TestChncal::toCivil() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    const Run r = chncal(QStringList{"--to-civil"} + args);
    QCOMPARE(r.status, status);
    QCOMPARE(r.out, out);
}

void TestChncal::terms() {
    const Run r = chncal({"--terms", "2024"});
    QCOMPARE(r.status, 0);
    const QStringList l = lines(r.out);
    QCOMPARE(l.size(), 24);
    QCOMPARE(l[0], "小寒\t2024-01-06 04:47");
    QCOMPARE(l[2], "立春\t2024-02-04 16:25");
    QCOMPARE(l[23], "冬至\t2024-12-21 17:18");
    for (const QString &line : l)
        QVERIFY2(QRegularExpression("^\\S{2}\\t2024-\\d\\d-\\d\\d ([01]\\d|2[0-3]):[0-5]\\d$")
                     .match(line)
                     .hasMatch(),
                 qPrintable(line));

    // A moment rounding to minute 60 is carried into the hour; at midnight it stays on its day
    // as 23:59, so the time never contradicts the term's date.
    QCOMPARE(lines(chncal({"--terms", "2"}).out).value(8), "立夏\t0002-05-09 08:00");
    QCOMPARE(lines(chncal({"--terms", "254"}).out).value(19), "霜降\t0254-10-23 23:59");
    // A term the formula puts before 1 January is printed as a day of the previous December.
    const QStringList old = lines(chncal({"--terms", "1037"}).out);
    QCOMPARE(old.size(), 24);
    QVERIFY2(old[0].startsWith("小寒\t1036-12-"), qPrintable(old[0]));
}

void TestChncal::badArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--foo"};
    QTest::newRow("bad date") << QStringList{"2024-13-01"};
    QTest::newRow("no year 0") << QStringList{"0000-05-01"};
    QTest::newRow("not a date") << QStringList{"tomorrow"};
    QTest::newRow("two dates") << QStringList{"2024-02-10", "2024-02-11"};
    QTest::newRow("terms without year") << QStringList{"--terms"};
    QTest::newRow("terms year 0") << QStringList{"--terms", "0"};
    QTest::newRow("terms before -849") << QStringList{"--terms", "-850"};
    QTest::newRow("terms after 2100") << QStringList{"--terms", "2101"};
    QTest::newRow("terms huge") << QStringList{"--terms", "99999999999"};
    QTest::newRow("terms not a year") << QStringList{"--terms", "abc"};
    QTest::newRow("batch with argument") << QStringList{"--batch", "x"};
    QTest::newRow("help with argument") << QStringList{"--help", "x"};
    QTest::newRow("to-civil short") << QStringList{"--to-civil", "2023", "2"};
    QTest::newRow("to-civil not a number") << QStringList{"--to-civil", "2023", "two", "1"};
    QTest::newRow("to-civil bad flag") << QStringList{"--to-civil", "2023", "2", "1", "maybe"};
    QTest::newRow("to-civil too many") << QStringList{"--to-civil", "2023", "2", "1", "1", "1"};
}

void TestChncal::badArguments() {
    QFETCH(QStringList, args);
    const Run r = chncal(args);
    QCOMPARE(r.status, 2);
    QVERIFY(r.out.isEmpty());
    QCOMPARE(lines(r.err).size(), 1);
    // Only year 0 is called "no year 0".
    QCOMPARE(r.err.contains("year 0"), args == QStringList({"--terms", "0"}));
}

void TestChncal::help() {
    const Run r = chncal({"--help"});
    QCOMPARE(r.status, 0);
    for (const char *word : {"--batch", "--to-civil", "--terms", "YYYY-MM-DD", "ERROR",
                             "--astronomical", "1900", "1582-10-15", "1645", "mean terms"})
        QVERIFY2(r.out.contains(word), word);
}

void TestChncal::monthGrid() {
    const QDate today = QDate::currentDate();
    const Run r = chncal({});
    QCOMPARE(r.status, 0);
    const QStringList l = lines(r.out);
    QVERIFY(l.size() >= 2 + 2 * 4);
    QVERIFY(l[0].startsWith(QString("%1年%2月").arg(today.year()).arg(today.month())));
    QCOMPARE(l[1].simplified(), "日 一 二 三 四 五 六");
    // Day numbers on even lines, captions below them; every day appears once.
    QStringList numbers;
    for (int i = 2; i < l.size(); i += 2) numbers += l[i].split(' ', Qt::SkipEmptyParts);
    QCOMPARE(numbers.size(), today.daysInMonth());
    QCOMPARE(numbers.first(), "1");
    QCOMPARE(numbers.last(), QString::number(today.daysInMonth()));
    // The first week starts in the column of the 1st's weekday (Sunday first, 8 columns).
    const int column = QDate(today.year(), today.month(), 1).dayOfWeek() % 7;
    QCOMPARE(l[2].indexOf('1'), column * 8 + 3);
}

QTEST_APPLESS_MAIN(TestChncal)
#include "tst_chncal.moc"
