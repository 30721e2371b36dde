#include "lunar/CivilDate.h"
#include "lunar/Cycles.h"
#include "lunar/DateInfo.h"
#include "lunar/DayCaption.h"
#include "lunar/EraTable.h"
#include "lunar/Festivals.h"
#include "lunar/LunarDate.h"
#include "lunar/detail/TextFields.h"

#include <QtTest>

#include <climits>
#include <map>
#include <set>

using namespace lunar;

namespace {

QString text(const std::string &s) {
    return QString::fromStdString(s);
}

// The record's texts by field name, so one table can check any of them.
QString field(const DateInfo &r, const QString &name) {
    const std::map<QString, const std::string *> fields = {
        {"TermName", &r.TermName},
        {"CivilFestival", &r.CivilFestival},
        {"MonthName", &r.MonthName},
        {"DayPillar", &r.DayPillar},
        {"YearPillar", &r.YearPillar},
        {"MonthPillar", &r.MonthPillar},
        {"LunarFestival", &r.LunarFestival},
        {"LunarYearName", &r.LunarYearName},
        {"DayName", &r.DayName},
        {"Animal", &r.Animal},
        {"StarSign", &r.StarSign},
        {"Era", &r.Era},
    };
    const auto it = fields.find(name);
    if (it == fields.end()) qFatal("no field %s", qPrintable(name));
    return text(*it->second);
}

double dateOf(int y, int m, int d) {
    double date = 0;
    if (!CivilToDate(y, m, d, date)) qFatal("no Date for %d-%d-%d", y, m, d);
    return date;
}

// "2024-02-10" (Gregorian era only, which is all the tables below use).
double dateOf(const QString &iso) {
    const QStringList p = iso.split('-');
    return dateOf(p[0].toInt(), p[1].toInt(), p[2].toInt());
}

struct Block {
    QString dynasty;
    int first = 0;
    int last = 0;
    int rows = 0;
};

// The era rows grouped into runs of equal dynasty field, in table order.
QList<Block> blocksOfTable() {
    QList<Block> blocks;
    for (const char *row : lunar::EraTable::Rows()) {
        const std::string r(row);
        const QString dynasty = text(lunar::detail::SplitField(r, ",", 4, false));
        const int start = std::stoi(lunar::detail::SplitField(r, ",", 1, false));
        if (blocks.isEmpty() || blocks.last().dynasty != dynasty)
            blocks.append({dynasty, start, start, 0});
        blocks.last().last = start;
        ++blocks.last().rows;
    }
    return blocks;
}

} // namespace

class TestDateInfo : public QObject {
    Q_OBJECT

private slots:
    void freshRecord_data();
    void freshRecord();
    void recordAfterAnother_data();
    void recordAfterAnother();
    void outOfRangeKeepsTexts();
    void invalidCivilDateIsRefused();
    void firstYearTextsAreBuilt();
    void lunarYearZero_data();
    void lunarYearZero();
    void droppedDays_data();
    void droppedDays();
    void dateAndCivilPathsAgree();
    void monthWalkMatchesFreshDayTexts();

    void civilFestivals_data();
    void civilFestivals();
    void festivalWeekdaysOfTheDate_data();
    void festivalWeekdaysOfTheDate();
    void lunarFestivals_data();
    void lunarFestivals();
    void newYearsEveOnlyBeforeNewYear();
    void dayCaption_data();
    void dayCaption();
    void dateToLunar();

    void lunarYearTexts_data();
    void lunarYearTexts();
    void eraText_data();
    void eraText();
    void eraBlocks();
    void eraRowsWellFormed();
    void everyEraYearHasText();

    void splitField_data();
    void splitField();
    void chooseText();
    void nextCivilDay_data();
    void nextCivilDay();
};

// ---- The record

void TestDateInfo::freshRecord_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    QTest::newRow("2024-02-10 day") << "2024-02-10"
                                    << "DayName"
                                    << "初一";
    QTest::newRow("2024-02-10 month") << "2024-02-10"
                                      << "MonthName"
                                      << "正月";
    QTest::newRow("2024-02-10 festival") << "2024-02-10"
                                         << "LunarFestival"
                                         << "春节";
    QTest::newRow("2024-02-10 animal") << "2024-02-10"
                                       << "Animal"
                                       << "龙";
    QTest::newRow("2024-02-10 year") << "2024-02-10"
                                     << "YearPillar"
                                     << "甲辰";
    QTest::newRow("2024-02-10 year name") << "2024-02-10"
                                          << "LunarYearName"
                                          << "2024";
    QTest::newRow("2024-02-10 day pillar") << "2024-02-10"
                                           << "DayPillar"
                                           << "甲辰";
    QTest::newRow("2024-02-10 month pillar") << "2024-02-10"
                                             << "MonthPillar"
                                             << "丙寅";
    QTest::newRow("2024-02-10 star") << "2024-02-10"
                                     << "StarSign"
                                     << "宝瓶";
    QTest::newRow("2024-02-09 eve") << "2024-02-09"
                                    << "LunarFestival"
                                    << "除夕";
    QTest::newRow("2024-02-09 animal") << "2024-02-09"
                                       << "Animal"
                                       << "兔";
    QTest::newRow("2024-02-09 year after lichun") << "2024-02-09"
                                                  << "YearPillar"
                                                  << "甲辰";
    QTest::newRow("2024-02-09 year name") << "2024-02-09"
                                          << "LunarYearName"
                                          << "2023";
    QTest::newRow("2023-03-22 month") << "2023-03-22"
                                      << "MonthName"
                                      << "闰二";
    QTest::newRow("2023-03-22 day") << "2023-03-22"
                                    << "DayName"
                                    << "初一";
    QTest::newRow("2024-02-04 term") << "2024-02-04"
                                     << "TermName"
                                     << "立春";
    QTest::newRow("2024-02-05 no term") << "2024-02-05"
                                        << "TermName"
                                        << "";
    QTest::newRow("2024-12-21 term") << "2024-12-21"
                                     << "TermName"
                                     << "冬至";
    QTest::newRow("2024-05-12 mother") << "2024-05-12"
                                       << "CivilFestival"
                                       << "母亲节";
    QTest::newRow("2024-05-05 first sunday") << "2024-05-05"
                                             << "CivilFestival"
                                             << "";
    QTest::newRow("2024-11-28 thanksgiving") << "2024-11-28"
                                             << "CivilFestival"
                                             << "感恩节";
    QTest::newRow("2024-10-06 elders") << "2024-10-06"
                                       << "CivilFestival"
                                       << "老人节";
    QTest::newRow("2023-06-22 duanwu") << "2023-06-22"
                                       << "LunarFestival"
                                       << "端午节";
    QTest::newRow("1911-05-01 era") << "1911-05-01"
                                    << "Era"
                                    << "[近、现代]中华民国  民国元年";
    QTest::newRow("1949-10-01 no era") << "1949-10-01"
                                       << "Era"
                                       << "";
    QTest::newRow("1948-12-31 era") << "1948-12-31"
                                    << "Era"
                                    << "[近、现代]中华民国  民国38年";
    // Mended dates of the engine show through the record.
    QTest::newRow("2025-04-07 mended") << "2025-04-07"
                                       << "DayName"
                                       << "初十";
    QTest::newRow("2025-04-28 mended") << "2025-04-28"
                                       << "MonthName"
                                       << "四月";
    QTest::newRow("1916-02-03 spring festival") << "1916-02-03"
                                                << "LunarFestival"
                                                << "春节";
    QTest::newRow("1914-11-17 new month") << "1914-11-17"
                                          << "MonthName"
                                          << "十月";
}

void TestDateInfo::freshRecord() {
    QFETCH(QString, date);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    DateInfo record;
    record.SetDate(dateOf(date));
    QCOMPARE(field(record, name), expected);
    QCOMPARE(record.DateValue, dateOf(date));
}

void TestDateInfo::recordAfterAnother_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    // The year texts are cached per lunar year, so the year name does not turn at 立春.
    QTest::newRow("year pillar kept") << "2024-01-31"
                                      << "2024-02-05"
                                      << "YearPillar"
                                      << "癸卯";
    QTest::newRow("year pillar before") << "2024-01-31"
                                        << "2024-01-31"
                                        << "YearPillar"
                                        << "癸卯";
    QTest::newRow("day still moves") << "2024-01-31"
                                     << "2024-02-05"
                                     << "DayName"
                                     << "廿六";
    QTest::newRow("leap month after regular") << "2023-03-21"
                                              << "2023-03-22"
                                              << "MonthName"
                                              << "闰二";
    QTest::newRow("leap day after regular") << "2023-03-21"
                                            << "2023-03-22"
                                            << "DayName"
                                            << "初一";
    QTest::newRow("regular month before leap") << "2023-03-20"
                                               << "2023-03-21"
                                               << "MonthName"
                                               << "二月";
    QTest::newRow("regular month last day") << "2023-03-20"
                                            << "2023-03-21"
                                            << "DayName"
                                            << "三十";
    // Same lunar month number in another lunar year: year and month texts are rebuilt.
    QTest::newRow("next year same month, year") << "2023-06-01"
                                                << "2024-05-22"
                                                << "YearPillar"
                                                << "甲辰";
    QTest::newRow("next year same month, animal") << "2023-06-01"
                                                  << "2024-05-22"
                                                  << "Animal"
                                                  << "龙";
    QTest::newRow("next year same month, pillar") << "2023-06-01"
                                                  << "2024-05-22"
                                                  << "MonthPillar"
                                                  << "己巳";
    QTest::newRow("next year same month, name") << "2023-06-01"
                                                << "2024-05-22"
                                                << "MonthName"
                                                << "四月";
}

void TestDateInfo::recordAfterAnother() {
    QFETCH(QString, before);
    QFETCH(QString, date);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    DateInfo record;
    record.SetDate(dateOf(before));
    record.SetDate(dateOf(date));
    QCOMPARE(field(record, name), expected);
}

void TestDateInfo::outOfRangeKeepsTexts() {
    DateInfo record;
    record.SetDate(dateOf(2024, 2, 10));
    const DateInfo before = record;
    const double outside = dateOf(2101, 1, 1);
    record.SetDate(outside);
    QCOMPARE(record.DateValue, outside);
    QCOMPARE(text(record.DayName), text(before.DayName));
    QCOMPARE(text(record.LunarFestival), "春节");
    QCOMPARE(text(record.YearPillar), "甲辰");
    QCOMPARE(record.CachedLunarYear, 2024);
    QCOMPARE(record.CachedLunarMonth, 1);

    QVERIFY(!record.SetCivilDate(-850, 12, 31));
    QCOMPARE(text(record.DayName), "初一");
    // A Date that does not decode at all.
    record.SetDate(-1e12);
    QCOMPARE(text(record.MonthName), "正月");
}

void TestDateInfo::invalidCivilDateIsRefused() {
    DateInfo record;
    QVERIFY(record.SetCivilDate(2024, 2, 10));
    for (const auto &[y, m, d] :
         {std::tuple{2023, 2, 29}, {0, 1, 1}, {2024, 13, 1}, {2024, 4, 31}, {2024, 1, 0}}) {
        QVERIFY2(!record.SetCivilDate(y, m, d),
                 qPrintable(QString("%1-%2-%3").arg(y).arg(m).arg(d)));
        QCOMPARE(text(record.DayName), "初一");
    }
    // 1500 is a Julian leap year, so February 29 exists there.
    QVERIFY(record.SetCivilDate(1500, 2, 29));
}

void TestDateInfo::firstYearTextsAreBuilt() {
    // Early January of year 1 lies in the lunar year before it; a fresh record must still
    // build its year texts. The era year is that of the lunar year: 元始 began with the lunar
    // new year of year 1, so 1 BC's 元寿2年 runs on until then.
    DateInfo record;
    QVERIFY(record.SetCivilDate(1, 1, 5));
    QVERIFY(record.LunarYear < 1);
    QVERIFY(!record.YearPillar.empty());
    QVERIFY(!record.Animal.empty());
    QCOMPARE(text(record.LunarYearName), QString::number(record.LunarYear));
    QCOMPARE(text(record.Era), "[西汉]哀帝 刘欣 元寿2年");
    QVERIFY(record.SetCivilDate(1, 2, 12));
    QCOMPARE(text(record.Era), "[西汉]平帝 刘衎 元始元年");
}

void TestDateInfo::lunarYearZero_data() {
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<QString>("yearPillar");
    QTest::addColumn<QString>("monthPillar");
    QTest::addColumn<QString>("animal");
    // Lunar year 0 is the year before year 1 (-1, 庚申, 猴); 立春 of year 1 falls on
    // February 5, the lunar new year on February 12.
    QTest::newRow("01-01") << 1 << 1 << "庚申"
                           << "戊子"
                           << "猴";
    QTest::newRow("01-10") << 1 << 10 << "庚申"
                           << "己丑"
                           << "猴";
    QTest::newRow("after 立春") << 2 << 8 << "辛酉"
                                << "庚寅"
                                << "猴";
    QTest::newRow("new year") << 2 << 12 << "辛酉"
                              << "庚寅"
                              << "鸡";
}

void TestDateInfo::lunarYearZero() {
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(QString, yearPillar);
    QFETCH(QString, monthPillar);
    QFETCH(QString, animal);
    DateInfo civil, byDate;
    QVERIFY(civil.SetCivilDate(1, m, d));
    byDate.SetDate(dateOf(1, m, d));
    for (const DateInfo *record : {&civil, &byDate}) {
        QCOMPARE(text(record->YearPillar), yearPillar);
        QCOMPARE(text(record->MonthPillar), monthPillar);
        QCOMPARE(text(record->Animal), animal);
    }
    // The month before year 1 began runs on with the same month name.
    QCOMPARE(text(PillarName(MonthPillarOf(-1, 12, 31))), "戊子");
}

void TestDateInfo::droppedDays_data() {
    QTest::addColumn<bool>("byDate");
    QTest::newRow("Date") << true;
    QTest::newRow("civil date") << false;
}

void TestDateInfo::droppedDays() {
    // 1582-10-05 .. 10-14 are days of the month grid (Dates count them) that the engine's
    // calendar skips: no lunar texts, and never those of another day, whether the record
    // comes from a walk through the month or straight from another year.
    QFETCH(bool, byDate);
    const auto set = [byDate](DateInfo &record, int y, int m, int d) {
        if (byDate)
            record.SetDate(dateOf(y, m, d));
        else
            QVERIFY(record.SetCivilDate(y, m, d));
    };
    DateInfo walk;
    for (int day = 1; day <= 30; ++day) {
        DateInfo jump;
        set(jump, 2024, 2, 10);
        set(jump, 1582, 10, day);
        set(walk, 1582, 10, day);
        const bool dropped = day >= 5 && day <= 14;
        for (const DateInfo *record : {&walk, &jump}) {
            const QString where = QString("1582-10-%1").arg(day);
            QVERIFY2(record->HasLunarDate == !dropped, qPrintable(where));
            QVERIFY2(record->DayName.empty() == dropped, qPrintable(where));
            QVERIFY2(record->MonthName.empty() == dropped, qPrintable(where));
            QVERIFY2(record->DayPillar.empty() == dropped, qPrintable(where));
            QVERIFY2(record->MonthPillar.empty() == dropped, qPrintable(where));
            if (dropped) {
                QVERIFY2(record->TermName.empty(), qPrintable(where));
                QVERIFY2(record->LunarFestival.empty(), qPrintable(where));
            }
            QCOMPARE(text(record->YearPillar), "壬午");
            QCOMPARE(text(record->Animal), "马");
            QCOMPARE(text(record->StarSign), day < 23 ? "天秤" : "天蝎");
            QCOMPARE(text(record->Era), "[明]神宗 朱翊钧 万历10年");
            QCOMPARE(text(record->CivilFestival), day == 6 ? "老人节" : day == 1 ? "国庆节" : "");
        }
    }
    // The month texts come back on the first day after the gap.
    set(walk, 1582, 10, 4);
    const QString before = text(walk.MonthName);
    set(walk, 1582, 10, 10);
    set(walk, 1582, 10, 15);
    QCOMPARE(text(walk.MonthName), before);
    QCOMPARE(text(walk.DayName), "十九");
}

void TestDateInfo::dateAndCivilPathsAgree() {
    // A Date and the civil date it decodes to give the same record, day for day.
    for (int y = 1900; y <= 2100; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInCivilMonth(y, m); ++d) {
                DateInfo a, b;
                a.SetDate(dateOf(y, m, d));
                QVERIFY(b.SetCivilDate(y, m, d));
                if (a.LunarFestival != b.LunarFestival || a.DayName != b.DayName ||
                    a.TermName != b.TermName || a.CivilFestival != b.CivilFestival ||
                    a.YearPillar != b.YearPillar || a.Era != b.Era)
                    QFAIL(qPrintable(QString("%1-%2-%3").arg(y).arg(m).arg(d)));
            }
}

void TestDateInfo::monthWalkMatchesFreshDayTexts() {
    // Walking a month in date order (as the calendar control does) gives every day and
    // month text a fresh record would give; only the year texts follow the cache.
    for (int y : {1911, 1984, 2023, 2024, 2033}) {
        for (int m = 1; m <= 12; ++m) {
            DateInfo walk;
            for (int d = 1; d <= DaysInCivilMonth(y, m); ++d) {
                DateInfo fresh;
                walk.SetDate(dateOf(y, m, d));
                fresh.SetDate(dateOf(y, m, d));
                const QString where = QString("%1-%2-%3").arg(y).arg(m).arg(d);
                QVERIFY2(walk.DayName == fresh.DayName && walk.MonthName == fresh.MonthName &&
                             walk.LunarFestival == fresh.LunarFestival &&
                             walk.TermName == fresh.TermName && walk.DayPillar == fresh.DayPillar &&
                             walk.Animal == fresh.Animal && walk.StarSign == fresh.StarSign,
                         qPrintable(where));
            }
        }
    }
}

// ---- Festivals

void TestDateInfo::civilFestivals_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<QString>("expected");
    const struct {
        int y, m, d;
        const char *text;
    } rows[] = {
        {2024, 1, 1, "元旦节"},
        {2024, 2, 14, "情人节"},
        {2024, 3, 8, "妇女节"},
        {2024, 4, 1, "愚人节"},
        {2024, 5, 1, "劳动节"},
        {2024, 5, 4, "青年节"},
        {2024, 5, 12, "母亲节"},
        {2024, 5, 5, ""},
        {2024, 5, 19, ""},
        {2024, 6, 1, "儿童节"},
        {2024, 6, 16, "父亲节"},
        {2024, 6, 9, ""},
        {2024, 7, 1, "建党节"},
        {2024, 8, 1, "建军节"},
        {2024, 9, 10, "教师节"},
        {2024, 10, 1, "国庆节"},
        {2024, 10, 6, "老人节"},
        {2024, 10, 31, "万圣节"},
        {2024, 11, 8, "记者日"},
        {2024, 11, 28, "感恩节"},
        {2024, 11, 21, ""},
        {2024, 12, 25, "圣诞节"},
        {2024, 12, 24, ""},
        {2024, 1, 2, ""},
        // May 4 falling on the second Sunday cannot happen; 2025-05-11 is one.
        {2025, 5, 11, "母亲节"},
        {2025, 6, 15, "父亲节"},
        {2025, 11, 27, "感恩节"},
        // Weekdays are counted on the engine's calendar before 1582 as well: 1500-05-10
        // (Julian) was a Sunday.
        {1500, 5, 10, "母亲节"},
        {1500, 5, 13, ""},
    };
    for (const auto &r : rows)
        QTest::addRow("%04d-%02d-%02d", r.y, r.m, r.d) << r.y << r.m << r.d << QString(r.text);
}

void TestDateInfo::civilFestivals() {
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(QString, expected);
    QCOMPARE(text(lunar::CivilFestivalTextOf(y, m, d)), expected);
    if (y > 1582) QCOMPARE(text(lunar::CivilFestivalText(d, dateOf(y, m, 1))), expected);
}

void TestDateInfo::festivalWeekdaysOfTheDate_data() {
    QTest::addColumn<int>("y");
    QTest::newRow("10") << 10;
    QTest::newRow("1500") << 1500;
    QTest::newRow("1582") << 1582;
    QTest::newRow("2024") << 2024;
}

void TestDateInfo::festivalWeekdaysOfTheDate() {
    // A Date (and the month grid, whose columns follow it) counts proleptic Gregorian days;
    // the weekday festivals land in its Sunday and Thursday columns in every year.
    QFETCH(int, y);
    const struct {
        int month;
        const char *text;
        int weekday; // Qt::DayOfWeek
    } rules[] = {
        {5, "母亲节", Qt::Sunday}, {6, "父亲节", Qt::Sunday}, {11, "感恩节", Qt::Thursday}};
    for (const auto &rule : rules) {
        int found = 0;
        for (int d = 1; d <= QDate(y, rule.month, 1).daysInMonth(); ++d) {
            DateInfo record;
            record.SetDate(dateOf(y, rule.month, d));
            const bool festival = text(record.CivilFestival) == rule.text;
            QCOMPARE(text(lunar::CivilFestivalText(d, dateOf(y, rule.month, 1))) == rule.text,
                     festival);
            if (!festival) continue;
            ++found;
            QCOMPARE(QDate(y, rule.month, d).dayOfWeek(), rule.weekday);
        }
        QVERIFY2(found == 1, rule.text);
    }
}

void TestDateInfo::lunarFestivals_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("expected");
    QTest::newRow("spring") << 1 << 1 << "2024-02-10"
                            << "春节";
    QTest::newRow("lantern") << 1 << 15 << "2024-02-24"
                             << "元宵节";
    QTest::newRow("dragon boat") << 5 << 5 << "2024-06-10"
                                 << "端午节";
    QTest::newRow("qixi") << 7 << 7 << "2024-08-10"
                          << "七夕节";
    QTest::newRow("mid-autumn") << 8 << 15 << "2024-09-17"
                                << "中秋节";
    QTest::newRow("double ninth") << 9 << 9 << "2024-10-11"
                                  << "重阳节";
    QTest::newRow("laba") << 12 << 8 << "2025-01-07"
                          << "腊八节";
    QTest::newRow("eve on 30") << 12 << 30 << "2024-02-09"
                               << "除夕";
    QTest::newRow("eve on 29") << 12 << 29 << "2025-01-28"
                               << "除夕";
    QTest::newRow("day before eve") << 12 << 28 << "2025-01-27"
                                    << "";
    QTest::newRow("15 of month 2") << 2 << 15 << "2024-03-24"
                                   << "";
    QTest::newRow("1 of month 12") << 12 << 1 << "2024-12-31"
                                   << "";
}

void TestDateInfo::lunarFestivals() {
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(QString, date);
    QFETCH(QString, expected);
    QCOMPARE(text(lunar::LunarFestivalText(month, day, dateOf(date))), expected);
    const QStringList p = date.split('-');
    QCOMPARE(text(lunar::LunarFestivalTextOf(month, day, p[0].toInt(), p[1].toInt(), p[2].toInt())),
             expected);
    // The record agrees with the engine's lunar date of that civil day.
    DateInfo record;
    record.SetDate(dateOf(date));
    QCOMPARE(record.LunarMonth, month);
    QCOMPARE(record.LunarDay, day);
    QCOMPARE(text(record.LunarFestival), expected);
}

void TestDateInfo::newYearsEveOnlyBeforeNewYear() {
    // Every lunar year of 1900-2100 has exactly one 除夕, on the day before 春节; the fifth
    // day of a leap fifth month is 端午节 as well.
    int eves = 0, springs = 0, leapDuanwu = 0;
    for (int y = 1900; y <= 2100; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInCivilMonth(y, m); ++d) {
                DateInfo r;
                QVERIFY(r.SetCivilDate(y, m, d));
                if (r.LunarFestival == "除夕") {
                    ++eves;
                    int ny = y, nm = m, nd = d;
                    QVERIFY(lunar::NextCivilDay(ny, nm, nd));
                    DateInfo next;
                    QVERIFY(next.SetCivilDate(ny, nm, nd));
                    QCOMPARE(text(next.LunarFestival), "春节");
                }
                if (r.LunarFestival == "春节") ++springs;
                if (r.LunarLeap && r.LunarMonth == 5 && r.LunarDay == 5) {
                    QCOMPARE(text(r.LunarFestival), "端午节");
                    ++leapDuanwu;
                }
            }
    QCOMPARE(springs, 201);
    QCOMPARE(eves, 201); // the eve of 1900 is 1900-01-30, of 2101 on 2101-01-28 is outside
    QVERIFY(leapDuanwu > 0);
}

void TestDateInfo::dateToLunar() {
    int y = 7, m = 7, d = 7;
    bool leap = true;
    QVERIFY(lunar::DateToLunar(dateOf(2023, 3, 22), y, m, d, leap));
    QCOMPARE(y, 2023);
    QCOMPARE(m, 2);
    QCOMPARE(d, 1);
    QCOMPARE(leap, true);
    y = m = d = 7;
    QVERIFY(!lunar::DateToLunar(dateOf(2101, 1, 1), y, m, d, leap));
    QCOMPARE(y, 7);
    QCOMPARE(m, 7);
    QCOMPARE(d, 7);
}

// ---- Eras

void TestDateInfo::lunarYearTexts_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<QString>("era");
    QTest::addColumn<QString>("festival");
    QTest::addColumn<QString>("animal");
    // Era years count from the lunar new year: 1700-01-01 is still lunar 1699.
    QTest::newRow("1700-01-01") << 1700 << 1 << 1 << "[清]圣祖 爱新觉罗玄烨 康熙38年"
                                << ""
                                << "兔";
    QTest::newRow("1700 new year") << 1700 << 2 << 19 << "[清]圣祖 爱新觉罗玄烨 康熙39年"
                                   << "春节"
                                   << "龙";
    QTest::newRow("last day of 顺治") << 1662 << 2 << 17 << "[清]世祖 爱新觉罗福临 顺治18年"
                                      << "除夕"
                                      << "牛";
    QTest::newRow("康熙元年") << 1662 << 2 << 18 << "[清]圣祖 爱新觉罗玄烨 康熙元年"
                              << "春节"
                              << "虎";
    // Year 8 ended after month 11; the 12th month of 236 had 28 days.
    QTest::newRow("eve after month 11") << 9 << 1 << 14 << "[西汉]孺子 刘婴 初始元年"
                                        << "除夕"
                                        << "龙";
    QTest::newRow("eve on the 28th") << 237 << 2 << 11 << "[三国-魏]明帝 曹叡 青龙4年"
                                     << "除夕"
                                     << "龙";
}

void TestDateInfo::lunarYearTexts() {
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(QString, era);
    QFETCH(QString, festival);
    QFETCH(QString, animal);
    DateInfo fresh, walked;
    QVERIFY(fresh.SetCivilDate(y, m, d));
    int py = y, pm = m, pd = d;
    // The day before, then this one: the year texts must follow the lunar year.
    if (pd > 1) --pd;
    QVERIFY(walked.SetCivilDate(py, pm, pd));
    QVERIFY(walked.SetCivilDate(y, m, d));
    for (const DateInfo *record : {&fresh, &walked}) {
        QCOMPARE(text(record->Era), era);
        QCOMPARE(text(record->LunarFestival), festival);
        QCOMPARE(text(record->Animal), animal);
    }
}

void TestDateInfo::eraText_data() {
    QTest::addColumn<int>("year");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first") << -2069 << "[夏]禹  禹元年";
    QTest::newRow("before first") << -2070 << "";
    QTest::newRow("shang") << -1599 << "[商]商太祖 汤 商汤元年";
    QTest::newRow("qin king") << -245 << "[秦]嬴政 嬴政 嬴政元年";
    QTest::newRow("yuanshi 2") << 2 << "[西汉]平帝 刘衎 元始2年";
    QTest::newRow("south first") << 500 << "[南朝/齐]东昏侯 萧宝卷 永元2年";
    QTest::newRow("hongwu") << 1368 << "[明]太祖 朱元璋 洪武元年";
    QTest::newRow("hongwu 31") << 1398 << "[明]太祖 朱元璋 洪武31年";
    QTest::newRow("jianwen") << 1399 << "[明]惠帝 朱允炆 建文元年";
    QTest::newRow("shunzhi") << 1644 << "[清]世祖 爱新觉罗福临 顺治元年";
    QTest::newRow("kangxi 61") << 1722 << "[清]圣祖 爱新觉罗玄烨 康熙61年";
    QTest::newRow("xuantong 2") << 1910 << "[清]逊帝 爱新觉罗溥仪 宣统2年";
    QTest::newRow("republic") << 1911 << "[近、现代]中华民国  民国元年";
    QTest::newRow("1948") << 1948 << "[近、现代]中华民国  民国38年";
    QTest::newRow("1949") << 1949 << "";
    QTest::newRow("2024") << 2024 << "";
    QTest::newRow("chen after sui came") << 588 << "[隋]文帝 杨坚 开皇8年";
    QTest::newRow("wu zhou") << 690 << "[武周]则天后 武曌 天授元年";
    QTest::newRow("tang again") << 705 << "[唐]中宗 李显 神龙元年";
    QTest::newRow("kaiyuan") << 741 << "[唐]玄宗 李隆基 开元29年";
    QTest::newRow("song") << 960 << "[北宋]太祖 赵匡胤 建隆元年";
    QTest::newRow("southern song, not yuan") << 1275 << "[南宋]恭帝 赵㬎 德祐元年";
    QTest::newRow("taichang") << 1620 << "[明]光宗 朱常洛 泰昌元年";
    // A ruler who kept his predecessor's era goes on counting its years.
    QTest::newRow("tianyou 2") << 905 << "[唐]哀帝 李柷 天祐2年";
    QTest::newRow("qianhua 3") << 913 << "[五代/梁]末帝 朱友贞 乾化3年";
    QTest::newRow("tianfu 7") << 942 << "[五代/晋]出帝 石重贵 天福7年";
    QTest::newRow("tianfu 12") << 947 << "[五代/汉]高祖 刘知远 天福12年";
    QTest::newRow("xiande 6") << 959 << "[五代/周]恭帝 柴宗训 显德6年";
    QTest::newRow("1271 still southern song") << 1271 << "[南宋]度宗 赵禥 咸淳7年";
    QTest::newRow("zhiyuan 16") << 1279 << "[元]世祖 忽必烈 至元16年";
    QTest::newRow("min") << INT_MIN << "";
    QTest::newRow("max") << INT_MAX << "";
}

void TestDateInfo::eraText() {
    QFETCH(int, year);
    QFETCH(QString, expected);
    QCOMPARE(text(lunar::EraTextOf(year)), expected);
}

void TestDateInfo::eraBlocks() {
    const QList<Block> expected = {
        {"夏", -2069, -1652, 19},    {"商", -1599, -1074, 31},
        {"西周", -1045, -780, 13},   {"东周", -769, -313, 24},
        {"战国-秦", -305, -248, 3},  {"秦", -245, -208, 3},
        {"西汉", -205, 8, 45},       {"新", 9, 20, 3},
        {"西汉", 23, 23, 1},         {"东汉", 25, 196, 35},
        {"三国-魏", 220, 264, 10},   {"西晋", 265, 313, 11},
        {"东晋", 317, 419, 19},      {"南朝/宋", 420, 477, 11},
        {"南朝/齐", 479, 501, 8},    {"南朝/梁", 502, 556, 13},
        {"南朝/陈", 557, 587, 7},    {"南朝/后梁", 555, 586, 3},
        {"北朝/北魏", 386, 532, 40}, {"北朝/东魏", 534, 543, 4},
        {"北朝/西魏", 535, 554, 3},  {"北朝/北齐", 550, 577, 10},
        {"北朝/北周", 557, 581, 10}, {"隋", 581, 617, 4},
        {"唐", 618, 684, 18},        {"武周", 684, 705, 18},
        {"唐", 705, 905, 41},        {"五代/梁", 907, 921, 6},
        {"五代/唐", 923, 934, 5},    {"五代/晋", 936, 944, 3},
        {"五代/汉", 947, 948, 3},    {"五代/周", 951, 959, 4},
        {"北宋", 960, 1126, 35},     {"南宋", 1127, 1278, 22},
        {"元", 1271, 1341, 15},      {"明", 1368, 1628, 17},
        {"清", 1644, 1909, 10},      {"近、现代", 1911, 1911, 1},
        {"当代", 1949, 1949, 1},
    };
    const QList<Block> actual = blocksOfTable();
    QCOMPARE(actual.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QString where = QString("block %1 (%2)").arg(i).arg(expected[i].dynasty);
        QVERIFY2(actual[i].dynasty == expected[i].dynasty, qPrintable(where));
        QVERIFY2(actual[i].first == expected[i].first, qPrintable(where));
        QVERIFY2(actual[i].last == expected[i].last, qPrintable(where));
        QVERIFY2(actual[i].rows == expected[i].rows, qPrintable(where));
    }
    QCOMPARE(int(lunar::EraTable::Rows().size()), 529);
    int total = 0;
    for (const Block &b : actual) total += b.rows;
    QCOMPARE(total, 529);
}

void TestDateInfo::eraRowsWellFormed() {
    const auto &rows = lunar::EraTable::Rows();
    const std::set<std::string> quoted = {
        "-2069,45,0,夏,禹,,禹",
        "-1599,11,0,商,商太祖,汤,商汤",
        "-245,25,0,秦,嬴政,嬴政,嬴政",
        "1368,31,0,明,太祖,朱元璋,洪武",
        "1644,18,0,清,世祖,爱新觉罗福临,顺治",
        "1911,37,0,近、现代,中华民国,,民国",
        "1949,9999,1948,当代,中国,,公历",
    };
    std::set<std::string> found;
    for (const char *row : rows) {
        const std::string r(row);
        const QString where = text(r);
        QVERIFY2(std::count(r.begin(), r.end(), ',') == 6, qPrintable(where));
        bool ok = false;
        text(lunar::detail::SplitField(r, ",", 1, false)).toInt(&ok);
        QVERIFY2(ok, qPrintable(where));
        QVERIFY2(text(lunar::detail::SplitField(r, ",", 2, false)).toInt(&ok) > 0 && ok,
                 qPrintable(where));
        QVERIFY2(text(lunar::detail::SplitField(r, ",", 3, false)).toInt(&ok) >= 0 && ok,
                 qPrintable(where));
        QVERIFY2(!lunar::detail::SplitField(r, ",", 4, false).empty(), qPrintable(where));
        QVERIFY2(!lunar::detail::SplitField(r, ",", 7, false).empty(), qPrintable(where));
        if (quoted.count(r)) found.insert(r);
    }
    QCOMPARE(found.size(), quoted.size());
    QCOMPARE(rows.front(), "-2069,45,0,夏,禹,,禹");
    QCOMPARE(rows.back(), "1949,9999,1948,当代,中国,,公历");
}

void TestDateInfo::everyEraYearHasText() {
    // Every year of the range finds a row before the last one.
    for (int y = -2069; y < 1949; ++y) {
        if (y == 0) continue;
        const QString era = text(lunar::EraTextOf(y));
        QVERIFY2(era.startsWith('[') && era.endsWith("年") && !era.contains("当代"),
                 qPrintable(QString::number(y)));
    }
}

// ---- Texts

void TestDateInfo::splitField_data() {
    QTest::addColumn<QString>("textIn");
    QTest::addColumn<QString>("sep");
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("skipEmpty");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first") << "a,b,c"
                           << "," << 1 << false << "a";
    QTest::newRow("middle") << "a,b,c"
                            << "," << 2 << false << "b";
    QTest::newRow("tail") << "a,b,c"
                          << "," << 3 << false << "c";
    QTest::newRow("beyond") << "a,b,c"
                            << "," << 4 << false << "";
    QTest::newRow("zero") << "a,b,c"
                          << "," << 0 << false << "";
    QTest::newRow("negative") << "a,b,c"
                              << "," << -1 << false << "";
    QTest::newRow("trimmed") << "  a , b  ,c "
                             << "," << 2 << false << "b";
    QTest::newRow("tail trimmed") << "a,b,  c  "
                                  << "," << 3 << false << "c";
    QTest::newRow("empty counted") << "a,,c"
                                   << "," << 2 << false << "";
    QTest::newRow("empty counted, next") << "a,,c"
                                         << "," << 3 << false << "c";
    QTest::newRow("empty skipped") << "a,,c"
                                   << "," << 2 << true << "c";
    QTest::newRow("blank skipped") << "a, ,c"
                                   << "," << 2 << true << "c";
    QTest::newRow("empty tail") << "a,b,"
                                << "," << 3 << false << "";
    QTest::newRow("empty tail skipped") << "a,b,"
                                        << "," << 3 << true << "";
    QTest::newRow("no separator") << "abc"
                                  << "," << 1 << false << "abc";
    QTest::newRow("no separator, 2") << "abc"
                                     << "," << 2 << false << "";
    QTest::newRow("empty text") << ""
                                << "," << 1 << false << "";
    QTest::newRow("long separator") << "a::b::c"
                                    << "::" << 3 << false << "c";
    QTest::newRow("utf-8 fields") << "1911,37,0,近、现代,中华民国,,民国"
                                  << "," << 4 << false << "近、现代";
    QTest::newRow("utf-8 empty name") << "1911,37,0,近、现代,中华民国,,民国"
                                      << "," << 6 << false << "";
    QTest::newRow("utf-8 skip empty name") << "1911,37,0,近、现代,中华民国,,民国"
                                           << "," << 6 << true << "民国";
}

void TestDateInfo::splitField() {
    QFETCH(QString, textIn);
    QFETCH(QString, sep);
    QFETCH(int, n);
    QFETCH(bool, skipEmpty);
    QFETCH(QString, expected);
    QCOMPARE(text(lunar::detail::SplitField(textIn.toStdString(), sep.toStdString(), n, skipEmpty)),
             expected);
}

void TestDateInfo::chooseText() {
    QCOMPARE(text(lunar::detail::ChooseText(true, "甲", "乙")), "甲");
    QCOMPARE(text(lunar::detail::ChooseText(false, "甲", "乙")), "乙");
}

void TestDateInfo::nextCivilDay_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << 2024 << 2 << 10 << true << "2024-2-11";
    QTest::newRow("leap day") << 2024 << 2 << 28 << true << "2024-2-29";
    QTest::newRow("end of february") << 2023 << 2 << 28 << true << "2023-3-1";
    QTest::newRow("new year") << 2024 << 12 << 31 << true << "2025-1-1";
    QTest::newRow("calendar change") << 1582 << 10 << 4 << true << "1582-10-15";
    QTest::newRow("julian 1500 leap") << 1500 << 2 << 28 << true << "1500-2-29";
    QTest::newRow("no year 0") << -1 << 12 << 31 << true << "1-1-1";
    QTest::newRow("before 1") << -101 << 2 << 28 << true << "-101-2-29";
    QTest::newRow("dropped day") << 1582 << 10 << 10 << false << "1582-10-10";
    QTest::newRow("year 0") << 0 << 1 << 1 << false << "0-1-1";
    QTest::newRow("bad day") << 2023 << 2 << 29 << false << "2023-2-29";
}

void TestDateInfo::nextCivilDay() {
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(bool, ok);
    QFETCH(QString, expected);
    QCOMPARE(lunar::NextCivilDay(y, m, d), ok);
    QCOMPARE(QString("%1-%2-%3").arg(y).arg(m).arg(d), expected);
}

void TestDateInfo::dayCaption_data() {
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("day");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("source");
    using Kind = DayCaption::Kind;
    QTest::newRow("lunar day") << 2026 << 2 << 25 << "初九" << int(Kind::LunarDay);
    QTest::newRow("month name on its first day")
        << 2026 << 3 << 19 << "二月" << int(Kind::MonthStart);
    QTest::newRow("civil festival over the lunar day")
        << 2026 << 10 << 1 << "国庆节" << int(Kind::CivilFestival);
    QTest::newRow("solar term") << 2026 << 2 << 4 << "立春" << int(Kind::SolarTerm);
    QTest::newRow("lunar festival over the month name")
        << 2026 << 2 << 17 << "春节" << int(Kind::LunarFestival);
}

void TestDateInfo::dayCaption() {
    QFETCH(int, year);
    QFETCH(int, month);
    QFETCH(int, day);
    QFETCH(QString, caption);
    QFETCH(int, source);
    DateInfo info;
    QVERIFY(info.SetCivilDate(year, month, day));
    const DayCaption shown = CaptionOf(info);
    QCOMPARE(text(shown.Text), caption);
    QCOMPARE(int(shown.Source), source);
}

QTEST_APPLESS_MAIN(TestDateInfo)
#include "tst_DateInfo.moc"
