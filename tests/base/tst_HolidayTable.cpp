#include "base/HolidayTable.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString shippedFile =
    QStringLiteral(KESTROVA_SOURCE_DIR "/resources/holidays/cn_public_holidays.tsv");

// A newer list: 2026 announced again with one day only, and 2027 added.
const QByteArray newerList = "# date\tholiday\toff\n"
                             "2026-12-31\t元旦\t1\n"
                             "2027-01-01\t元旦\t1\n"
                             "2027-02-06\t春节\t1\n"
                             "2027-02-20\t春节\t0\n"
                             "2026-05-01\t劳动节\t1\n";

bool writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestHolidayTable : public QObject {
    Q_OBJECT

private slots:
    void looksUpDays_data() {
        QTest::addColumn<bool>("withUserList");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");

        const int off = int(HolidayTable::Kind::DayOff);
        const int work = int(HolidayTable::Kind::WorkingDay);
        const int ordinary = int(HolidayTable::Kind::Ordinary);
        QTest::newRow("day off on a Monday") << false << QDate(2026, 2, 16) << off << "春节";
        QTest::newRow("working Saturday") << false << QDate(2026, 2, 28) << work << "春节";
        QTest::newRow("plain weekend day") << false << QDate(2026, 3, 7) << ordinary << "";
        QTest::newRow("New Year from the December before")
            << false << QDate(2018, 12, 30) << off << "元旦";
        QTest::newRow("year beyond the data") << false << QDate(2027, 1, 1) << ordinary << "";
        QTest::newRow("2027 from the user's list") << true << QDate(2027, 2, 20) << work << "春节";
        QTest::newRow("2027's New Year in December 2026")
            << true << QDate(2026, 12, 31) << off << "元旦";
        QTest::newRow("2026 replaced: kept day") << true << QDate(2026, 5, 1) << off << "劳动节";
        QTest::newRow("2026 replaced: dropped day") << true << QDate(2026, 2, 16) << ordinary << "";
        QTest::newRow("earlier years stay")
            << true << QDate(2025, 10, 1) << off << "国庆节、中秋节";
    }
    void looksUpDays() {
        QFETCH(bool, withUserList);
        QFETCH(QDate, date);
        QFETCH(int, kind);
        QFETCH(QString, name);

        QTemporaryDir dir;
        const QString userFile = dir.filePath(QStringLiteral("holidays.tsv"));
        if (withUserList) QVERIFY(writeFile(userFile, newerList));
        QString error;
        const HolidayTable table = HolidayTable::load(shippedFile, userFile, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const HolidayTable::Day day = table.day(date);
        QCOMPARE(int(day.kind), kind);
        QCOMPARE(day.name, name);

        QList<int> years;
        for (int y = 2007; y <= (withUserList ? 2027 : 2026); ++y) years.append(y);
        QCOMPARE(table.years(), years);
    }

    void refusesBadLines_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");

        QTest::newRow("two fields")
            << QByteArray("# list\n2027-01-01\t元旦\t1\n2027-01-02\t元旦\n")
            << "节假日列表第 3 行有误：应为日期、名称、1 或 0 三项，以制表符分隔";
        QTest::newRow("bad date") << QByteArray("2027-02-30\t春节\t1\n")
                                  << "节假日列表第 1 行有误：日期“2027-02-30”无效";
        QTest::newRow("bad flag") << QByteArray("\n2027-02-06\t春节\t2\n")
                                  << "节假日列表第 2 行有误：第三项应为 1（放假）或 0（调休上班）";
        QTest::newRow("twice") << QByteArray("2027-02-06\t春节\t1\n2027-02-06\t春节\t1\n")
                               << "节假日列表第 2 行有误：日期 2027-02-06 重复";
    }
    void refusesBadLines() {
        QFETCH(QByteArray, text);
        QFETCH(QString, error);

        QString message;
        QVERIFY(!HolidayTable::parse(text, &message));
        QCOMPARE(message, error);

        // An import of such a file leaves the user's list as it was.
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("new.tsv"));
        const QString userFile = dir.filePath(QStringLiteral("holidays.tsv"));
        QVERIFY(writeFile(source, text));
        QVERIFY(writeFile(userFile, newerList));
        QString importError;
        QVERIFY(!HolidayTable::importFile(source, userFile, &importError));
        QCOMPARE(importError, error);
        QCOMPARE(readAll(userFile), newerList);
    }

    void importsAddYearsToTheUsersList() {
        QTemporaryDir dir;
        const QString userFile = dir.filePath(QStringLiteral("holidays.tsv"));
        const QString first = dir.filePath(QStringLiteral("first.tsv"));
        const QString second = dir.filePath(QStringLiteral("second.tsv"));
        QVERIFY(writeFile(first, newerList));
        QVERIFY(writeFile(second, "2028-01-01\t元旦\t1\n"));
        QString error;
        QVERIFY2(HolidayTable::importFile(first, userFile, &error), qPrintable(error));
        QVERIFY2(HolidayTable::importFile(second, userFile, &error), qPrintable(error));
        const std::optional<HolidayTable> user = HolidayTable::readFile(userFile, &error);
        QVERIFY2(user, qPrintable(error));
        QCOMPARE(user->years(), (QList<int>{2026, 2027, 2028}));
        QCOMPARE(user->day(QDate(2027, 2, 6)).kind, HolidayTable::Kind::DayOff);
    }
};

QTEST_GUILESS_MAIN(TestHolidayTable)
#include "tst_HolidayTable.moc"
