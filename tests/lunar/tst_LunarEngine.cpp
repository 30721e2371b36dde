#include "lunar/CivilDate.h"
#include "lunar/Cycles.h"
#include "lunar/LunarDate.h"
#include "lunar/SolarTerms.h"
#include "lunar/detail/HistoricalTable.h"
#include "lunar/detail/LeapMonths.h"
#include "lunar/detail/YearCache.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <thread>
#include <vector>

using namespace lunar;

namespace {

// Walks every civil day from a to b inclusive.
template <typename F> void forEachDay(const CivilDate &a, const CivilDate &b, F f) {
    const int last = CivilDayNumber(b.year, b.month, b.day);
    for (int n = CivilDayNumber(a.year, a.month, a.day); n <= last; ++n) {
        CivilDate c;
        QVERIFY(CivilDateOfDayNumber(n, c.year, c.month, c.day));
        f(c);
    }
}

QString text(const std::string &s) {
    return QString::fromStdString(s);
}

struct TermOverrideRow {
    int year, n, month, day, hour, minute, second;
    const char *name;
};

// Terms whose civil day comes from the astronomical moment rather than the closed formula.
const TermOverrideRow kOverrides[] = {
    {1911, 9, 5, 7, 0, 0, 18, "立夏"},    {1912, 19, 10, 9, 0, 6, 42, "寒露"},
    {1923, 4, 2, 19, 23, 59, 40, "雨水"}, {1927, 17, 9, 9, 0, 5, 25, "白露"},
    {1928, 12, 6, 22, 0, 6, 23, "夏至"},  {1979, 2, 1, 20, 23, 59, 56, "大寒"},
    {2016, 13, 7, 7, 0, 3, 21, "小暑"},   {2020, 23, 12, 7, 0, 9, 30, "大雪"},
    {2037, 18, 9, 23, 0, 13, 7, "秋分"},  {2040, 19, 10, 8, 0, 5, 34, "寒露"},
    {2042, 14, 7, 23, 0, 6, 21, "大暑"},  {2051, 6, 3, 20, 23, 59, 19, "春分"},
    {2059, 4, 2, 19, 0, 5, 18, "雨水"},   {2083, 3, 2, 3, 23, 58, 22, "立春"},
    {2084, 6, 3, 19, 23, 59, 30, "春分"}, {2085, 1, 1, 4, 23, 56, 19, "小寒"},
    {2097, 9, 5, 5, 0, 8, 12, "立夏"},
};

} // namespace

class TestLunarEngine : public QObject {
    Q_OBJECT

private slots:
    // First, so that the per-year values are built while several threads race for them.
    void concurrentFirstUse();

    void dayNumbers_data();
    void dayNumbers();
    void dayNumberRoundTrip();
    void leapYears_data();
    void leapYears();
    void dateValues_data();
    void dateValues();

    void leapMonthTable();
    void leapCountTable_data();
    void leapCountTable();

    void civilToLunar_data();
    void civilToLunar();
    void civilToLunarFailsOutsideRange_data();
    void civilToLunarFailsOutsideRange();
    void lunarToCivil_data();
    void lunarToCivil();
    void lunarCalendarIsContinuous();
    void modernYearsUnchanged();
    void calendarStructure_data();
    void calendarStructure();
    void historicalTableMatchesData();
    void historicalTableRegenerates();
    void historicalAnchors_data();
    void historicalAnchors();
    void calendarsDiffer();
    void compareLunarDates_data();
    void compareLunarDates();
    void lunarTexts_data();
    void lunarTexts();

    void solarTermDates_data();
    void solarTermDates();
    void solarTermTexts_data();
    void solarTermTexts();
    void solarTermOverrides_data();
    void solarTermOverrides();
    void everyMonthHasItsTwoTerms();
    void pillars_data();
    void pillars();
    void names();
    void starSigns_data();
    void starSigns();
    void absurdInputsGiveFailureValues_data();
    void absurdInputsGiveFailureValues();
};

void TestLunarEngine::concurrentFirstUse() {
    constexpr int kThreads = 4;
    std::vector<std::vector<LunarDate>> results(kThreads);
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ++ready;
            while (ready.load() < kThreads) {
            }
            for (int y = 1950; y <= 1960; ++y) {
                for (int m = 1; m <= 12; ++m) {
                    LunarDate l;
                    CivilToLunar(CivilDate{y, m, 15}, l);
                    results[t].push_back(l);
                }
            }
        });
    }
    for (std::thread &t : threads) t.join();
    for (int t = 1; t < kThreads; ++t) {
        QCOMPARE(results[t].size(), results[0].size());
        for (std::size_t i = 0; i < results[0].size(); ++i)
            QCOMPARE(CompareLunarDates(results[t][i], results[0][i]), 0);
    }
    LunarDate first;
    QVERIFY(CivilToLunar(CivilDate{1950, 1, 15}, first));
    QCOMPARE(CompareLunarDates(first, results[0][0]), 0);
}

void TestLunarEngine::dayNumbers_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("dayNumber");
    QTest::newRow("last Julian day") << 1582 << 10 << 4 << 1 << 577735;
    QTest::newRow("dropped day") << 1582 << 10 << 10 << 0 << 0;
    QTest::newRow("first Gregorian day") << 1582 << 10 << 15 << 2 << 577736;
    QTest::newRow("1900-01-01") << 1900 << 1 << 1 << 2 << 693596;
    QTest::newRow("2000-01-01") << 2000 << 1 << 1 << 2 << 730120;
    QTest::newRow("0001-01-01") << 1 << 1 << 1 << 1 << -1;
    QTest::newRow("lunation epoch") << -849 << 1 << 21 << 1 << -310443;
    QTest::newRow("day 0 is the last of the month before") << 2000 << 3 << 0 << 2 << 730179;
}

void TestLunarEngine::dayNumbers() {
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(int, kind);
    QFETCH(int, dayNumber);
    QCOMPARE(CalendarKind(y, m, d), kind);
    QCOMPARE(CivilDayNumber(y, m, d), dayNumber);
}

void TestLunarEngine::dayNumberRoundTrip() {
    const int last = CivilDayNumber(2100, 12, 31);
    for (int n = 0; n <= last; ++n) {
        int y = 0, m = 0, d = 0;
        QVERIFY(CivilDateOfDayNumber(n, y, m, d));
        QVERIFY(d >= 1 && d <= DaysInCivilMonth(y, m));
        if (CivilDayNumber(y, m, d) != n) QFAIL(qPrintable(QString::number(n)));
    }
    int y = 7, m = 7, d = 7;
    QVERIFY(!CivilDateOfDayNumber(-1, y, m, d));
    QCOMPARE(y, 7);
    QCOMPARE(m, 7);
    QCOMPARE(d, 7);
}

void TestLunarEngine::leapYears_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("leap");
    QTest::addColumn<int>("february");
    QTest::newRow("2024") << 2024 << true << 29;
    QTest::newRow("1900 Gregorian") << 1900 << false << 28;
    QTest::newRow("2000") << 2000 << true << 29;
    QTest::newRow("1500 Julian") << 1500 << true << 29;
    QTest::newRow("-1") << -1 << true << 29;
    QTest::newRow("-5") << -5 << true << 29;
    QTest::newRow("-4") << -4 << false << 28;
}

void TestLunarEngine::leapYears() {
    QFETCH(int, y);
    QFETCH(bool, leap);
    QFETCH(int, february);
    QCOMPARE(IsCivilLeapYear(y), leap);
    QCOMPARE(DaysInCivilMonth(y, 2), february);
    QCOMPARE(DaysInCivilMonth(y, 0), 0);
    QCOMPARE(DaysInCivilMonth(y, 13), 0);
    QCOMPARE(DayOfCivilYear(y, 12, 31), leap ? 366 : 365);
}

void TestLunarEngine::dateValues_data() {
    QTest::addColumn<double>("date");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::newRow("day 0") << 0.0 << 1899 << 12 << 30;
    QTest::newRow("with a time of day") << 45332.75 << 2024 << 2 << 10;
    QTest::newRow("before day 0") << -1.25 << 1899 << 12 << 29;
    QTest::newRow("year 1") << -693593.0 << 1 << 1 << 1;
}

void TestLunarEngine::dateValues() {
    QFETCH(double, date);
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    int gy = 0, gm = 0, gd = 0;
    QVERIFY(DateToCivil(date, gy, gm, gd));
    QCOMPARE(gy, y);
    QCOMPARE(gm, m);
    QCOMPARE(gd, d);
    double back = -1;
    QVERIFY(CivilToDate(y, m, d, back));
    QCOMPARE(back, std::trunc(date));
    QVERIFY(!CivilToDate(y, 2, 30, back));
    QVERIFY(!DateToCivil(-693594.0, gy, gm, gd));
}

void TestLunarEngine::leapMonthTable() {
    const std::string_view table = detail::LeapMonthTable();
    QCOMPARE(int(table.size()), 2950);
    QVERIFY(table.substr(0, 59) == "0c0080050010a0070030c0080050010a0070030c0080050020a0070030c");
    const char *const rows[] = {
        "80050040020600500207005004002060050030700600400207",
        "0050030800600400307005004080060040a006005003080050",
        "040020700500409006004002060050030b0060050020700500",
        "308006004003070050040800600400307005004080060040020",
    };
    QVERIFY(table.substr(1900 + 849, 50) == rows[0]);
    QVERIFY(table.substr(1950 + 849, 50) == rows[1]);
    QVERIFY(table.substr(2000 + 849, 50) == rows[2]);
    QVERIFY(table.substr(2050 + 849, 51) == rows[3]);
    for (int y = -849; y <= 2100; ++y) QVERIFY(LeapMonthOf(y) >= 0 && LeapMonthOf(y) <= 12);
    QCOMPARE(LeapMonthOf(2017), 6);
    QCOMPARE(LeapMonthOf(2020), 4);
    QCOMPARE(LeapMonthOf(2023), 2);
    QCOMPARE(LeapMonthOf(2025), 6);
    QCOMPARE(LeapMonthOf(2033), 11);
    QCOMPARE(LeapMonthOf(2024), 0);
    QCOMPARE(LeapMonthOf(2101), -1);
    QCOMPARE(detail::ClampedLeapMonthOf(2101), 0);
    for (int y = 1575; y <= 2100; ++y) QVERIFY(LeapMonthOf(y) != 12);
}

void TestLunarEngine::leapCountTable_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("count");
    QTest::newRow("-849") << -849 << 0;
    QTest::newRow("-848") << -848 << 1;
    QTest::newRow("-1") << -1 << 311;
    QTest::newRow("1") << 1 << 311;
    QTest::newRow("1900") << 1900 << 1011;
    QTest::newRow("1950") << 1950 << 1029;
    QTest::newRow("2000") << 2000 << 1047;
    QTest::newRow("2020") << 2020 << 1055;
    QTest::newRow("2024") << 2024 << 1056;
    QTest::newRow("2100") << 2100 << 1084;
}

void TestLunarEngine::leapCountTable() {
    QFETCH(int, y);
    QFETCH(int, count);
    QCOMPARE(detail::LeapCountOf(y), count);

    // A plain running count everywhere, 1200-1499 included.
    const auto &table = detail::LeapCountTable();
    int running = 0;
    std::size_t index = 0;
    for (int year = -849; year <= 2100; ++year) {
        if (year == 0) continue;
        if (LeapMonthOf(year) > 0) ++running;
        QCOMPARE(table[index], running);
        QCOMPARE(detail::LeapCountOf(year), running);
        ++index;
    }
    QCOMPARE(index, table.size());
}

void TestLunarEngine::civilToLunar_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("ly");
    QTest::addColumn<int>("lm");
    QTest::addColumn<int>("ld");
    QTest::addColumn<bool>("leap");
    auto row = [](const char *name, int y, int m, int d, int ly, int lm, int ld, bool leap) {
        QTest::newRow(name) << y << m << d << ly << lm << ld << leap;
    };
    row("new year 2024", 2024, 2, 10, 2024, 1, 1, false);
    row("new year's eve 2024", 2024, 2, 9, 2023, 12, 30, false);
    row("leap 2nd 2023 first", 2023, 3, 22, 2023, 2, 1, true);
    row("leap 2nd 2023 last", 2023, 4, 19, 2023, 2, 29, true);
    row("3rd after leap 2nd", 2023, 4, 20, 2023, 3, 1, false);
    row("leap 4th 2020", 2020, 5, 23, 2020, 4, 1, true);
    row("leap 6th 2017", 2017, 7, 23, 2017, 6, 1, true);
    row("leap 6th 2025", 2025, 7, 25, 2025, 6, 1, true);
    row("leap 11th 2033", 2033, 12, 22, 2033, 11, 1, true);
    row("12th after leap 11th", 2034, 1, 20, 2033, 12, 1, false);
    row("new year 2034", 2034, 2, 19, 2034, 1, 1, false);
    row("2000-01-01", 2000, 1, 1, 1999, 11, 25, false);
    row("1900-01-31", 1900, 1, 31, 1900, 1, 1, false);
    row("1949-10-01", 1949, 10, 1, 1949, 8, 10, false);
    row("1984-02-02", 1984, 2, 2, 1984, 1, 1, false);
    // Fixed day corrections of the published calendars.
    row("1924 first corrected", 1924, 3, 5, 1924, 2, 1, false);
    row("1924 last corrected", 1924, 4, 3, 1924, 2, 30, false);
    row("2018 first corrected", 2018, 11, 7, 2018, 9, 30, false);
    row("2018 after", 2018, 11, 8, 2018, 10, 1, false);
    row("1914 before", 1914, 11, 16, 1914, 9, 29, false);
    row("1914 first corrected", 1914, 11, 17, 1914, 10, 1, false);
    row("1914 last corrected", 1914, 12, 16, 1914, 10, 30, false);
    row("1914 after", 1914, 12, 17, 1914, 11, 1, false);
    row("1916 new year", 1916, 2, 3, 1916, 1, 1, false);
    row("1916 eve", 1916, 2, 2, 1915, 12, 29, false);
    row("1916 last corrected", 1916, 3, 3, 1916, 1, 30, false);
    row("1916 after", 1916, 3, 4, 1916, 2, 1, false);
    row("1920 first corrected", 1920, 11, 10, 1920, 10, 1, false);
    row("1920 last corrected", 1920, 12, 9, 1920, 10, 30, false);
    row("1920 after", 1920, 12, 10, 1920, 11, 1, false);
    // 2025 follows the series without any correction.
    row("2025-04-06", 2025, 4, 6, 2025, 3, 9, false);
    row("2025-04-07", 2025, 4, 7, 2025, 3, 10, false);
    row("2025-04-27", 2025, 4, 27, 2025, 3, 30, false);
    row("2025-04-28", 2025, 4, 28, 2025, 4, 1, false);
    row("2025-05-26", 2025, 5, 26, 2025, 4, 29, false);
    row("2025-05-27", 2025, 5, 27, 2025, 5, 1, false);
}

void TestLunarEngine::civilToLunar() {
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(int, ly);
    QFETCH(int, lm);
    QFETCH(int, ld);
    QFETCH(bool, leap);
    int gy = 0, gm = 0, gd = 0;
    bool gleap = !leap;
    QVERIFY(CivilToLunar(y, m, d, gy, gm, gd, gleap));
    QCOMPARE(gy, ly);
    QCOMPARE(gm, lm);
    QCOMPARE(gd, ld);
    QCOMPARE(gleap, leap);
    QCOMPARE(detail::LunarDayOf(y, m, d), ld);
    QCOMPARE(detail::LunarMonthOf(y, m, d), leap ? -lm : lm);

    int cy = 0, cm = 0, cd = 0;
    QVERIFY(LunarToCivil(ly, lm, ld, leap, cy, cm, cd));
    QCOMPARE(cy, y);
    QCOMPARE(cm, m);
    QCOMPARE(cd, d);
}

void TestLunarEngine::civilToLunarFailsOutsideRange_data() {
    QTest::addColumn<int>("y");
    QTest::newRow("2101") << 2101;
    QTest::newRow("-850") << -850;
}

void TestLunarEngine::civilToLunarFailsOutsideRange() {
    QFETCH(int, y);
    int ly = 1, lm = 2, ld = 3;
    bool leap = true;
    QVERIFY(!CivilToLunar(y, 1, 15, ly, lm, ld, leap));
    QVERIFY(!detail::CivilToLunarMonthDay(y, 1, 15, lm, ld, leap));
    QCOMPARE(ly, 1);
    QCOMPARE(lm, 2);
    QCOMPARE(ld, 3);
    QCOMPARE(leap, true);
}

void TestLunarEngine::lunarToCivil_data() {
    QTest::addColumn<int>("ly");
    QTest::addColumn<int>("lm");
    QTest::addColumn<int>("ld");
    QTest::addColumn<bool>("leap");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("civil");
    QTest::newRow("leap 2nd 2023") << 2023 << 2 << 1 << true << true << "2023-03-22";
    QTest::newRow("2024 has no leap month") << 2024 << 2 << 1 << true << false << "";
    QTest::newRow("not 2023's leap month") << 2023 << 3 << 1 << true << false << "";
    QTest::newRow("new year 2024") << 2024 << 1 << 1 << false << true << "2024-02-10";
    QTest::newRow("eve 2024") << 2023 << 12 << 30 << false << true << "2024-02-09";
    QTest::newRow("2023's 12th has no day 31") << 2023 << 12 << 31 << false << false << "";
}

void TestLunarEngine::lunarToCivil() {
    QFETCH(int, ly);
    QFETCH(int, lm);
    QFETCH(int, ld);
    QFETCH(bool, leap);
    QFETCH(bool, ok);
    QFETCH(QString, civil);
    int y = 9, m = 9, d = 9;
    QCOMPARE(LunarToCivil(ly, lm, ld, leap, y, m, d), ok);
    if (ok) {
        QCOMPARE(QString::asprintf("%04d-%02d-%02d", y, m, d), civil);
    } else {
        QCOMPARE(y, 9);
        QCOMPARE(m, 9);
        QCOMPARE(d, 9);
    }
}

// Every day of 1900-2100 follows the day before it, and the reverse search finds it again.
void TestLunarEngine::lunarCalendarIsContinuous() {
    LunarDate previous;
    bool first = true;
    int monthLength = 0;
    forEachDay({1900, 1, 31}, {2100, 12, 31}, [&](const CivilDate &c) {
        LunarDate l;
        QVERIFY(CivilToLunar(c, l));
        if (!first) {
            const bool nextDay = l.year == previous.year && l.month == previous.month &&
                                 l.leap == previous.leap && l.day == previous.day + 1;
            const bool nextMonth =
                l.day == 1 &&
                ((l.leap && !previous.leap && l.month == previous.month &&
                  l.year == previous.year && LeapMonthOf(l.year) == l.month) ||
                 (!l.leap && l.year == previous.year && l.month == previous.month + 1) ||
                 (!l.leap && l.year == previous.year + 1 && l.month == 1 && previous.month == 12));
            if (!nextDay && !nextMonth)
                QFAIL(qPrintable(QString::asprintf("%d-%d-%d", c.year, c.month, c.day)));
            if (nextMonth) {
                QVERIFY(monthLength == 29 || monthLength == 30);
                monthLength = 0;
            }
        }
        ++monthLength;
        CivilDate back;
        QVERIFY(LunarToCivil(l, back));
        QCOMPARE(CompareCivilDates(back, c), 0);
        previous = l;
        first = false;
    });
}

// Lunar new year 1900 on, the engine gives every day the lunar date it always gave: a
// fingerprint of all of them, taken before the tables for earlier years came in.
void TestLunarEngine::modernYearsUnchanged() {
    quint64 hash = 1469598103934665603ull;
    const auto mix = [&hash](long long v) {
        hash ^= static_cast<quint64>(v);
        hash *= 1099511628211ull;
    };
    for (const LunarCalendar calendar : {LunarCalendar::InForce, LunarCalendar::Astronomical}) {
        hash = 1469598103934665603ull;
        forEachDay({1900, 1, 31}, {2100, 12, 31}, [&](const CivilDate &c) {
            LunarDate l;
            QVERIFY(CivilToLunar(c, l, calendar));
            mix(l.year);
            mix(l.month);
            mix(l.day);
            mix(l.leap);
        });
        QCOMPARE(QString::number(hash, 16), QString("8e6d448110a53701"));
    }
}

void TestLunarEngine::calendarStructure_data() {
    QTest::addColumn<int>("calendar");
    QTest::newRow("in force") << int(LunarCalendar::InForce);
    QTest::newRow("astronomical") << int(LunarCalendar::Astronomical);
}

// Over the whole range: every lunar month is one run of days, each lunar date belongs to one
// day and converts back to it, and the months and years follow one another.
void TestLunarEngine::calendarStructure() {
    QFETCH(int, calendar);
    const auto cal = LunarCalendar(calendar);
    const bool inForce = cal == LunarCalendar::InForce;
    CivilDate c{-849, 1, 1};
    LunarDate previous;
    bool first = true;
    int length = 0;
    int days = 0;
    // The range begins inside a month.
    bool wholeMonth = false;
    while (c.year <= 2100) {
        const QString where = QString("%1-%2-%3").arg(c.year).arg(c.month).arg(c.day);
        LunarDate l;
        QVERIFY2(CivilToLunar(c, l, cal), qPrintable(where));
        CivilDate back;
        QVERIFY2(LunarToCivil(l, back, cal) && CompareCivilDates(back, c) == 0, qPrintable(where));
        if (!first) {
            const bool nextDay = l.year == previous.year && l.month == previous.month &&
                                 l.leap == previous.leap && l.day == previous.day + 1;
            const int nextYear = previous.year == -1 ? 1 : previous.year + 1;
            // Recorded changes of numbering: year 8 ended after month 11, 237 had no month 3.
            const int lastMonth = inForce && previous.year == 8 ? 11 : 12;
            const int skipped = inForce && l.year == 237 && l.month == 4 ? 1 : 0;
            const bool nextMonth =
                l.day == 1 &&
                ((l.leap && !previous.leap && l.year == previous.year &&
                  l.month == previous.month && LeapMonthIn(l.year, cal) == l.month) ||
                 (!l.leap && l.year == previous.year && l.month == previous.month + 1 + skipped) ||
                 (!l.leap && l.year == nextYear && l.month == 1 && previous.month == lastMonth));
            QVERIFY2(nextDay || nextMonth, qPrintable(where));
            if (nextMonth) {
                // 29 or 30 days; the 12th month of 236 had 28, and the last computed month
                // before the recorded ones runs up to them.
                const bool special = inForce && ((previous.year == 236 && length == 28) ||
                                                 (previous.year == -1 && length == 31));
                QVERIFY2(length == 29 || length == 30 || special || !wholeMonth, qPrintable(where));
                length = 0;
                wholeMonth = true;
            }
        }
        ++length;
        ++days;
        previous = l;
        first = false;
        QVERIFY(NextCivilDay(c.year, c.month, c.day));
    }
    QCOMPARE(days, JulianDayOf(2100, 12, 31) - JulianDayOf(-849, 1, 1) + 1);
    for (int y = 1; y <= 2100; ++y) QVERIFY(LeapMonthIn(y, cal) >= 0);
}

namespace {

struct DataMonth {
    int firstDay = 0, year = 0, month = 0;
    bool leap = false;
};

QList<DataMonth> dataMonths() {
    QFile file(LUNAR_MONTH_STARTS_TSV);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QList<DataMonth> months;
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.isEmpty() || line.startsWith('#')) continue;
        const QList<QByteArray> f = line.split('\t');
        if (f.size() != 4) return {};
        // The data's lunar year 0 is the one that began in 1 BC, -1 in the engine.
        const int year = f[1].toInt();
        months.append({f[0].toInt(), year == 0 ? -1 : year, f[2].toInt(), f[3].toInt() == 1});
    }
    return months;
}

} // namespace

// Every month of the data file starts on its day, has its length, and converts both ways.
void TestLunarEngine::historicalTableMatchesData() {
    const QList<DataMonth> months = dataMonths();
    QCOMPARE(months.size(), 23488);
    int thirteenMonthYears = 0;
    for (int i = 0; i < months.size(); ++i) {
        const DataMonth &m = months[i];
        const int end = i + 1 < months.size() ? months[i + 1].firstDay : 2415051;
        const QString where = QString("%1 %2/%3").arg(m.firstDay).arg(m.year).arg(m.month);
        CivilDate first, last;
        QVERIFY(CivilDateOfJulianDay(m.firstDay, first.year, first.month, first.day));
        QVERIFY(CivilDateOfJulianDay(end - 1, last.year, last.month, last.day));
        LunarDate l;
        QVERIFY2(CivilToLunar(first, l), qPrintable(where));
        QVERIFY2(l.year == m.year && l.month == m.month && l.leap == m.leap && l.day == 1,
                 qPrintable(where));
        QVERIFY2(CivilToLunar(last, l) && l.day == end - m.firstDay, qPrintable(where));
        CivilDate back;
        QVERIFY2(LunarToCivil({m.year, m.month, 1, m.leap}, back) &&
                     CompareCivilDates(back, first) == 0,
                 qPrintable(where));
        QVERIFY2(!LunarToCivil({m.year, m.month, end - m.firstDay + 1, m.leap}, back),
                 qPrintable(where));
        if (m.leap) ++thirteenMonthYears;
    }
    // The compiled records: one per year, starting on the data's first month of that year.
    for (const DataMonth &m : months) {
        const int index = m.year < 0 ? 0 : m.year;
        const detail::YearRecord &r = detail::kHistoricalYears[index];
        if (r.firstDay == m.firstDay) QCOMPARE(int(r.firstMonth), m.month);
        if (m.leap) QCOMPARE(int(r.leapMonth), m.month);
    }
    int leaps = 0;
    for (const detail::YearRecord &r : detail::kHistoricalYears) leaps += r.leapMonth != 0;
    QCOMPARE(leaps, thirteenMonthYears);
}

// The build turns the data file into the compiled table; doing it again gives the same file.
void TestLunarEngine::historicalTableRegenerates() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString out = dir.filePath("HistoricalTable.cpp");
    QProcess generator;
    generator.start(HISTORICAL_TABLE_GENERATOR, {LUNAR_MONTH_STARTS_TSV, out});
    QVERIFY(generator.waitForFinished(30000));
    QCOMPARE(generator.exitCode(), 0);
    QFile regenerated(out), compiled(HISTORICAL_TABLE_CPP);
    QVERIFY(regenerated.open(QIODevice::ReadOnly) && compiled.open(QIODevice::ReadOnly));
    const QByteArray text = regenerated.readAll();
    QCOMPARE(text, compiled.readAll());
    // The text's rows are the compiled records.
    int row = 0;
    for (const QByteArray &line : text.split('\n')) {
        if (!line.startsWith("    {")) continue;
        const detail::YearRecord &r = detail::kHistoricalYears[row++];
        const QByteArray expected =
            QString::asprintf("    {%d, 0x%04x, %d, %d, %d, %d},", r.firstDay, r.longMonths,
                              r.firstMonth, r.leapMonth, r.skippedMonth, r.monthCount)
                .toUtf8();
        QCOMPARE(line, expected);
    }
    QCOMPARE(row, detail::kHistoricalYearCount);
}

void TestLunarEngine::historicalAnchors_data() {
    QTest::addColumn<int>("ly");
    QTest::addColumn<int>("lm");
    QTest::addColumn<int>("ld");
    QTest::addColumn<bool>("leap");
    QTest::addColumn<QString>("civil"); // empty: no such lunar date
    // From the data file (first days as Julian Day Numbers) and the records it comes from.
    QTest::newRow("1645 闰六月") << 1645 << 6 << 1 << true << "1645-07-23";
    QTest::newRow("1670 闰二月") << 1670 << 2 << 1 << true << "1670-03-21";
    QTest::newRow("1669 has no leap month") << 1669 << 2 << 1 << true << "";
    QTest::newRow("乾隆三十年五月初八") << 1765 << 5 << 8 << false << "1765-06-25";
    QTest::newRow("康熙元年正月初一") << 1662 << 1 << 1 << false << "1662-02-18";
    QTest::newRow("year 1 new year") << 1 << 1 << 1 << false << "0001-02-12";
    QTest::newRow("first recorded month") << -1 << 12 << 1 << false << "0001-01-14";
    QTest::newRow("last computed day") << -1 << 11 << 31 << false << "0001-01-13";
    QTest::newRow("no lunar year 0") << 0 << 12 << 1 << false << "";
    QTest::newRow("year 8 ends after month 11") << 8 << 12 << 1 << false << "";
    QTest::newRow("year 9 begins a month early") << 9 << 1 << 1 << false << "0009-01-15";
    QTest::newRow("237 month 2") << 237 << 2 << 1 << false << "0237-03-14";
    QTest::newRow("237 has no month 3") << 237 << 3 << 1 << false << "";
    QTest::newRow("237 month 4") << 237 << 4 << 1 << false << "0237-04-12";
    QTest::newRow("236 month 12 day 28") << 236 << 12 << 28 << false << "0237-02-11";
    QTest::newRow("236 month 12 has no day 29") << 236 << 12 << 29 << false << "";
    QTest::newRow("237 new year") << 237 << 1 << 1 << false << "0237-02-12";
    QTest::newRow("last recorded day") << 1899 << 12 << 30 << false << "1900-01-30";
    QTest::newRow("before year 1") << -100 << 1 << 1 << false << "-0100-04-07";
}

void TestLunarEngine::historicalAnchors() {
    QFETCH(int, ly);
    QFETCH(int, lm);
    QFETCH(int, ld);
    QFETCH(bool, leap);
    QFETCH(QString, civil);
    CivilDate c;
    QCOMPARE(LunarToCivil({ly, lm, ld, leap}, c), !civil.isEmpty());
    if (civil.isEmpty()) return;
    QCOMPARE(QString::asprintf("%s%04d-%02d-%02d", c.year < 0 ? "-" : "", std::abs(c.year), c.month,
                               c.day),
             civil);
    LunarDate l;
    QVERIFY(CivilToLunar(c, l));
    QCOMPARE(CompareLunarDates(l, {ly, lm, ld, leap}), 0);
}

void TestLunarEngine::calendarsDiffer() {
    // The two calendars part where the records have another first day of a month.
    LunarDate inForce, computed;
    QVERIFY(CivilToLunar({500, 5, 5}, inForce, LunarCalendar::InForce));
    QVERIFY(CivilToLunar({500, 5, 5}, computed, LunarCalendar::Astronomical));
    QCOMPARE(inForce.day, 21);
    QCOMPARE(computed.day, 22);
    QCOMPARE(LeapMonthIn(1645, LunarCalendar::InForce), 6);
    QCOMPARE(LeapMonthIn(1669, LunarCalendar::InForce), 0);
    QCOMPARE(LeapMonthIn(1670, LunarCalendar::InForce), 2);
    QCOMPARE(LeapMonthIn(0, LunarCalendar::InForce), -1);
    // Across the start of the era the lunar days run on, as the day pillars do.
    LunarDate before, after;
    QVERIFY(CivilToLunar({-1, 12, 31}, before));
    QVERIFY(CivilToLunar({1, 1, 1}, after));
    QCOMPARE(after.year, before.year);
    QCOMPARE(after.day, before.day + 1);
    QCOMPARE((DayPillarOf(-1, 12, 31) + 1) % 60, DayPillarOf(1, 1, 1));
    QCOMPARE(JulianDayOf(1, 1, 1), JulianDayOf(-1, 12, 31) + 1);
    QCOMPARE(JulianDayOf(1582, 10, 15), JulianDayOf(1582, 10, 4) + 1);
    QCOMPARE(JulianDayOf(1582, 10, 10), 0);
    QCOMPARE(CivilWeekday(1582, 10, 4), 4);  // Thursday
    QCOMPARE(CivilWeekday(1582, 10, 15), 5); // Friday
    QCOMPARE(CivilWeekday(2024, 2, 10), 6);  // Saturday
}

void TestLunarEngine::compareLunarDates_data() {
    QTest::addColumn<int>("ay");
    QTest::addColumn<int>("am");
    QTest::addColumn<int>("ad");
    QTest::addColumn<bool>("aleap");
    QTest::addColumn<int>("by");
    QTest::addColumn<int>("bm");
    QTest::addColumn<int>("bd");
    QTest::addColumn<bool>("bleap");
    QTest::addColumn<int>("order");
    QTest::newRow("year first") << 2023 << 12 << 30 << false << 2024 << 1 << 1 << false << -1;
    QTest::newRow("month") << 2024 << 3 << 1 << false << 2024 << 2 << 30 << false << 1;
    QTest::newRow("day") << 2024 << 3 << 2 << false << 2024 << 3 << 1 << false << 1;
    QTest::newRow("equal") << 2023 << 2 << 5 << true << 2023 << 2 << 5 << true << 0;
    QTest::newRow("leap later whatever the day")
        << 2023 << 2 << 1 << true << 2023 << 2 << 29 << false << 1;
    QTest::newRow("regular earlier") << 2023 << 2 << 30 << false << 2023 << 2 << 1 << true << -1;
}

void TestLunarEngine::compareLunarDates() {
    QFETCH(int, ay);
    QFETCH(int, am);
    QFETCH(int, ad);
    QFETCH(bool, aleap);
    QFETCH(int, by);
    QFETCH(int, bm);
    QFETCH(int, bd);
    QFETCH(bool, bleap);
    QFETCH(int, order);
    QCOMPARE(CompareLunarDates({ay, am, ad, aleap}, {by, bm, bd, bleap}), order);
    QCOMPARE(CompareLunarDates({by, bm, bd, bleap}, {ay, am, ad, aleap}), -order);
}

void TestLunarEngine::lunarTexts_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("leap");
    QTest::addColumn<QString>("day");
    QTest::addColumn<QString>("month");
    QTest::newRow("1") << 1 << false << "初一"
                       << "正月";
    QTest::newRow("2 leap") << 2 << true << "初二"
                            << "闰二";
    QTest::newRow("10") << 10 << false << "初十"
                        << "十月";
    QTest::newRow("11") << 11 << false << "十一"
                        << "冬月";
    QTest::newRow("12") << 12 << false << "十二"
                        << "腊月";
    QTest::newRow("20") << 20 << false << "二十"
                        << "";
    QTest::newRow("21") << 21 << false << "廿一"
                        << "";
    QTest::newRow("29") << 29 << false << "廿九"
                        << "";
    QTest::newRow("30") << 30 << false << "三十"
                        << "";
    QTest::newRow("0") << 0 << false << ""
                       << "";
    QTest::newRow("31") << 31 << true << ""
                        << "";
}

void TestLunarEngine::lunarTexts() {
    QFETCH(int, value);
    QFETCH(bool, leap);
    QFETCH(QString, day);
    QFETCH(QString, month);
    QCOMPARE(text(LunarDayText(value)), day);
    QCOMPARE(text(LunarMonthText(value, leap)), month);
}

void TestLunarEngine::solarTermDates_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("t");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("moment");
    QTest::newRow("小寒 2024") << 2024 << 0 << true << "01-06 04:47";
    QTest::newRow("立春 2024") << 2024 << 2 << true << "02-04 16:25";
    QTest::newRow("冬至 2024") << 2024 << 23 << true << "12-21 17:18";
    QTest::newRow("rounds up to the hour") << 1905 << 19 << true << "10-24 10:00";
    QTest::newRow("last half minute of the day") << 1979 << 1 << true << "01-20 23:59";
    QTest::newRow("24") << 2024 << 24 << false << "";
    QTest::newRow("-1") << 2024 << -1 << false << "";
}

void TestLunarEngine::solarTermDates() {
    QFETCH(int, y);
    QFETCH(int, t);
    QFETCH(bool, ok);
    QFETCH(QString, moment);
    int month = -5, day = -5, hour = -5, minute = -5;
    QCOMPARE(SolarTermDate(y, t, month, day, hour, minute), ok);
    if (ok)
        QCOMPARE(QString::asprintf("%02d-%02d %02d:%02d", month, day, hour, minute), moment);
    else
        QVERIFY(month == -5 && day == -5 && hour == -5 && minute == -5);
}

void TestLunarEngine::solarTermTexts_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<QString>("term");
    QTest::newRow("立春 2024") << 2024 << 2 << 4 << "立春";
    QTest::newRow("冬至 2024") << 2024 << 12 << 21 << "冬至";
    QTest::newRow("冬至 2023") << 2023 << 12 << 22 << "冬至";
    QTest::newRow("小寒 2000") << 2000 << 1 << 6 << "小寒";
    QTest::newRow("none") << 2024 << 2 << 5 << "";
}

void TestLunarEngine::solarTermTexts() {
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(QString, term);
    QCOMPARE(text(SolarTermText(y, m, d)), term);
    double date = 0;
    QVERIFY(CivilToDate(y, m, d, date));
    QCOMPARE(text(SolarTermText(date + 0.5)), term);
}

void TestLunarEngine::solarTermOverrides_data() {
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kOverrides)); ++i) {
        const TermOverrideRow &o = kOverrides[i];
        QTest::newRow(qPrintable(QString::asprintf("%d %s", o.year, o.name))) << i;
    }
}

void TestLunarEngine::solarTermOverrides() {
    QFETCH(int, index);
    const TermOverrideRow &o = kOverrides[index];
    const double expected = DayOfCivilYear(o.year, o.month, o.day) +
                            (o.hour * 3600 + o.minute * 60 + o.second) / 86400.0;
    QVERIFY(std::abs(detail::SolarTermDayOfYear(o.year, o.n) - expected) < 1e-9);

    int month = 0, day = 0, hour = 0, minute = 0;
    QVERIFY(SolarTermDate(o.year, o.n - 1, month, day, hour, minute));
    QCOMPARE(month, o.month);
    QCOMPARE(day, o.day);
    QVERIFY(std::abs(hour * 60 + minute - (o.hour * 60 + o.minute + o.second / 60.0)) <= 0.5 ||
            (hour == 23 && minute == 59));
    QCOMPARE(text(SolarTermText(o.year, o.month, o.day)), QString::fromUtf8(o.name));
    QCOMPARE(text(SolarTermText(o.year, o.month, o.day - 1)), QString());
    QCOMPARE(text(SolarTermText(o.year, o.month, o.day + 1)), QString());
}

// Each civil month of 1900-2100 shows exactly its own two terms, on two different days.
void TestLunarEngine::everyMonthHasItsTwoTerms() {
    for (int y = 1900; y <= 2100; ++y) {
        for (int m = 1; m <= 12; ++m) {
            QStringList found;
            for (int d = 1; d <= DaysInCivilMonth(y, m); ++d) {
                const QString t = text(SolarTermText(y, m, d));
                if (!t.isEmpty()) found << t;
            }
            const QStringList expected = {text(SolarTermName((2 * m + 20) % 24)),
                                          text(SolarTermName((2 * m + 21) % 24))};
            if (found != expected)
                QFAIL(qPrintable(QString::asprintf("%d-%d: ", y, m) + found.join(',')));
        }
    }
}

void TestLunarEngine::pillars_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<QString>("year");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("day");
    QTest::newRow("2024-02-03") << 2024 << 2 << 3 << "癸卯"
                                << "乙丑"
                                << "";
    QTest::newRow("2024-02-04") << 2024 << 2 << 4 << "甲辰"
                                << "丙寅"
                                << "";
    QTest::newRow("2024-01-06") << 2024 << 1 << 6 << "癸卯"
                                << "乙丑"
                                << "";
    QTest::newRow("2024-01-05") << 2024 << 1 << 5 << "癸卯"
                                << "甲子"
                                << "";
    QTest::newRow("2023-12-06") << 2023 << 12 << 6 << "癸卯"
                                << "癸亥"
                                << "";
    QTest::newRow("2000-01-01") << 2000 << 1 << 1 << "己卯"
                                << ""
                                << "戊午";
    QTest::newRow("2024-02-10") << 2024 << 2 << 10 << "甲辰"
                                << "丙寅"
                                << "甲辰";
    // The 2083 立春 falls late in the evening of February 3.
    QTest::newRow("2083-02-03") << 2083 << 2 << 3 << "癸卯"
                                << "甲寅"
                                << "";
    QTest::newRow("2083-02-02") << 2083 << 2 << 2 << "壬寅"
                                << "癸丑"
                                << "";
}

void TestLunarEngine::pillars() {
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(QString, year);
    QFETCH(QString, month);
    QFETCH(QString, day);
    QCOMPARE(text(PillarName(YearPillarOf(y, m, d))), year);
    if (!month.isEmpty()) QCOMPARE(text(PillarName(MonthPillarOf(y, m, d))), month);
    if (!day.isEmpty()) QCOMPARE(text(PillarName(DayPillarOf(y, m, d))), day);
}

void TestLunarEngine::names() {
    QCOMPARE(YearPillarOfYear(2024), 40);
    QCOMPARE(YearPillarOfYear(1984), 0);
    QCOMPARE(YearPillarOf(2024, 2, 3), 39);
    QCOMPARE(YearPillarOf(2024, 2, 4), 40);
    QCOMPARE(DayPillarOf(2000, 1, 1), 54);
    QCOMPARE(ZodiacOf(2024), 4);
    QCOMPARE(ZodiacOf(2023), 3);
    QCOMPARE(text(ZodiacName(ZodiacOf(2024))), QString("龙"));
    // There is no year 0: a lunar year 0 (January of year 1) is the year -1, not year 1.
    QCOMPARE(text(PillarName(YearPillarOfYear(0))), QString("庚申"));
    QCOMPARE(text(ZodiacName(ZodiacOf(0))), QString("猴"));
    QCOMPARE(YearPillarOfYear(-1), YearPillarOfYear(0));
    QCOMPARE(YearPillarOfYear(1), (YearPillarOfYear(-1) + 1) % 60);
    QCOMPARE(ZodiacOf(1), (ZodiacOf(0) + 1) % 12);
    QCOMPARE(PillarOf(0, 1), -1);
    QCOMPARE(PillarOf(9, 11), 59);
    QCOMPARE(PillarOf(10, 0), -1);
    for (int i = 0; i < 60; ++i) {
        int stem = -9, branch = -9;
        QVERIFY(SplitPillar(i, stem, branch));
        QCOMPARE(PillarOf(stem, branch), i);
        QCOMPARE(text(PillarName(i)), text(StemName(stem)) + text(BranchName(branch)));
    }
    int stem = 0, branch = 0;
    QVERIFY(!SplitPillar(60, stem, branch));
    QCOMPARE(stem, -1);
    QCOMPARE(branch, -1);
    QCOMPARE(text(PillarName(0)), QString("甲子"));
    QCOMPARE(text(PillarName(59)), QString("癸亥"));
    QCOMPARE(text(PillarName(60)), QString());
    QCOMPARE(text(ZodiacName(-1)), QString());
    QCOMPARE(text(ZodiacName(11)), QString("猪"));
    QCOMPARE(text(SolarTermName(0)), QString("立春"));
    QCOMPARE(text(SolarTermName(24)), QString());
    QCOMPARE(text(StarSignName(11)), QString("双鱼"));
    QCOMPARE(text(StarSignName(12)), QString());
}

void TestLunarEngine::starSigns_data() {
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<int>("sign");
    const int bounds[][3] = {
        {1, 19, 9},  {1, 20, 10}, {2, 18, 10}, {2, 19, 11}, {3, 20, 11}, {3, 21, 0},  {4, 20, 0},
        {4, 21, 1},  {5, 20, 1},  {5, 21, 2},  {6, 21, 2},  {6, 22, 3},  {7, 22, 3},  {7, 23, 4},
        {8, 22, 4},  {8, 23, 5},  {9, 22, 5},  {9, 23, 6},  {10, 22, 6}, {10, 23, 7}, {11, 22, 7},
        {11, 23, 8}, {12, 21, 8}, {12, 22, 9}, {12, 31, 9}, {1, 1, 9}};
    for (const auto &b : bounds)
        QTest::newRow(qPrintable(QString::asprintf("%02d-%02d", b[0], b[1])))
            << b[0] << b[1] << b[2];
}

void TestLunarEngine::starSigns() {
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(int, sign);
    QCOMPARE(StarSignOf(m, d), sign);
}

void TestLunarEngine::absurdInputsGiveFailureValues_data() {
    QTest::addColumn<int>("y");
    QTest::newRow("int min") << std::numeric_limits<int>::min();
    QTest::newRow("int max") << std::numeric_limits<int>::max();
    QTest::newRow("beyond a million") << 1000001;
}

void TestLunarEngine::absurdInputsGiveFailureValues() {
    QFETCH(int, y);
    const int extreme[] = {std::numeric_limits<int>::min(), -1, 0, 13,
                           std::numeric_limits<int>::max()};
    for (const int v : extreme) {
        QCOMPARE(detail::LunarDayOf(y, v, v), -1);
        QCOMPARE(detail::LunarMonthOf(y, v, v), 0);
        QCOMPARE(YearPillarOf(y, v, v), -1);
        QCOMPARE(MonthPillarOf(y, v, v), -1);
        QCOMPARE(DayPillarOf(y, v, v), -1);
        QCOMPARE(text(SolarTermText(y, v, v)), QString());
        int a = 5, b = 5, c = 5, e = 5;
        bool leap = false;
        QVERIFY(!CivilToLunar(y, v, v, a, b, c, leap));
        QVERIFY(!LunarToCivil(y, 1, 1, false, a, b, c));
        QVERIFY(!SolarTermDate(y, 0, a, b, c, e));
        QVERIFY(!SolarMonthOf(y, v, v, a, b));
        QCOMPARE(a + b + c + e, 20);
        // Plain arithmetic stays defined whatever the input.
        CivilDayNumber(y, v, v);
        DayOfCivilYear(y, v, v);
        StarSignOf(v, v);
    }
    // Lunar years without any convertible civil date.
    int a = 5, b = 5, c = 5;
    QVERIFY(!LunarToCivil(2101, 1, 1, false, a, b, c));
    QVERIFY(!LunarToCivil(-851, 1, 1, false, a, b, c));
    QCOMPARE(a + b + c, 15);
    QVERIFY(!DateToCivil(1e300, a, b, c));
    QVERIFY(!DateToCivil(std::numeric_limits<double>::quiet_NaN(), a, b, c));
}

QTEST_APPLESS_MAIN(TestLunarEngine)
#include "tst_LunarEngine.moc"
