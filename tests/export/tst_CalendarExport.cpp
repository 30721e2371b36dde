#include "../TestMounts.h"
#include "ScriptedQuestions.h"
#include "base/MonthGrid.h"
#include "export/CalendarExport.h"
#include "export/ExportController.h"
#include "export/IcsWriter.h"
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include <map>

namespace {

// The Debian interpreter, which has python3-icalendar; the one first on PATH may not.
const QString kPython = QStringLiteral("/usr/bin/python3");

const QDateTime kStamp(QDate(2026, 12, 11), QTime(9, 30, 5), Qt::UTC);

QByteArray rtf(const QString &text) {
    QTextDocument doc;
    doc.setPlainText(text);
    return richtext::toRtf(doc);
}

// The grid cell of `day` on the page of `page`'s month.
int cellOf(const QDate &page, const QDate &day) {
    return MonthGrid(page).cellOf(day);
}

// A note database in a temporary folder, filled as the month page would fill it.
struct NoteFixture {
    QTemporaryDir dir;
    NoteStore store;
    std::map<QString, MonthCells> pages;

    NoteFixture() {
        store.setPlainText(richtext::plainText);
        store.open(dir.filePath(QStringLiteral("CalendarD.db")),
                   NoteStore::OpenMode::CreateIfMissing);
    }
    // `text` in the cell of `day` on the page of `page`'s month.
    void cell(const QDate &page, const QDate &day, const QString &text) {
        const QString key = NoteStore::yearMonthKey(page);
        MonthCells &cells = pages[key];
        cells[std::size_t(cellOf(page, day))] = rtf(text);
        store.writeMonth(key, cells);
    }
    void plan(const QDate &day, const QString &text) {
        store.writeDayPlan(NoteStore::dayKey(day), rtf(text));
    }
};

// The logical lines of a file: folds undone, CR LF taken off.
QList<QByteArray> unfolded(QByteArray bytes) {
    bytes.replace("\r\n ", "");
    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QByteArray &line : lines) line.chop(1);
    return lines;
}

QStringList uids(const QByteArray &bytes) {
    QStringList found;
    for (const QByteArray &line : unfolded(bytes))
        if (line.startsWith("UID:")) found << QString::fromUtf8(line.mid(4));
    return found;
}

// What RFC 5545 asks of the bytes: CR LF after every line and nowhere else, at most 75 octets
// a line, every line valid UTF-8 on its own, and a UID and a DTSTAMP in every event.
void checkBytes(const QByteArray &bytes) {
    QVERIFY(bytes.startsWith("BEGIN:VCALENDAR\r\n"));
    QVERIFY(bytes.endsWith("END:VCALENDAR\r\n"));
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r')
            QVERIFY2(i + 1 < bytes.size() && bytes[i + 1] == '\n', qPrintable(QString::number(i)));
        if (bytes[i] == '\n')
            QVERIFY2(i > 0 && bytes[i - 1] == '\r', qPrintable(QString::number(i)));
    }
    QList<QByteArray> physical = bytes.split('\n');
    physical.removeLast();
    for (QByteArray line : physical) {
        line.chop(1);
        QVERIFY2(line.size() <= 75, line.constData());
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = decoder(line);
        QVERIFY2(!decoder.hasError(), line.toHex().constData());
        Q_UNUSED(text);
    }
    int events = 0, uidCount = 0, stampCount = 0;
    bool inEvent = false;
    const QRegularExpression stampForm(QStringLiteral("^DTSTAMP:\\d{8}T\\d{6}Z$"));
    for (const QByteArray &line : unfolded(bytes)) {
        if (line == "BEGIN:VEVENT") {
            QVERIFY(!inEvent);
            inEvent = true;
            uidCount = stampCount = 0;
        } else if (line == "END:VEVENT") {
            QVERIFY(inEvent);
            QCOMPARE(uidCount, 1);
            QCOMPARE(stampCount, 1);
            inEvent = false;
            ++events;
        } else if (inEvent && line.startsWith("UID:")) {
            ++uidCount;
        } else if (inEvent && line.startsWith("DTSTAMP:")) {
            QVERIFY2(stampForm.match(QString::fromLatin1(line)).hasMatch(), line.constData());
            ++stampCount;
        }
    }
    QVERIFY(!inEvent);
    QVERIFY(events > 0);
}

bool pythonHasIcalendar() {
    QProcess probe;
    probe.start(kPython, {QStringLiteral("-c"), QStringLiteral("import icalendar")});
    return probe.waitForFinished(30000) && probe.exitStatus() == QProcess::NormalExit &&
           probe.exitCode() == 0;
}

// The file read back by the icalendar package (tests/export/read_ics.py).
QJsonObject readBack(const QString &path) {
    QProcess reader;
    reader.start(kPython, {QStringLiteral(KESTROVA_SOURCE_DIR "/tests/export/read_ics.py"), path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0) {
        qWarning("%s", reader.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
}

const QDate kMarch(2026, 3, 1);
const QString kPunctuated =
    QStringLiteral("会议：北京, 上海; 路径 C:\\temp\\新建\n第二行 \U0001F600");
// 300 bytes in UTF-8, on one line: three- and four-byte sequences across every fold.
const QString kLong =
    QString(95, QChar(u'长')) + QStringLiteral("\U0001F600\U0001F600\U0001F600末");

} // namespace

class TestCalendarExport : public QObject {
    Q_OBJECT

private:
    // March 2026: notes on its own page and on the pages of February and April, which show
    // some of its days; a note of April's own that must stay out.
    void fill(NoteFixture &f) {
        f.cell(kMarch, QDate(2026, 3, 2), kPunctuated);
        f.plan(QDate(2026, 3, 2), QStringLiteral("带伞\\雨; 下午, 3点"));
        f.cell(kMarch, QDate(2026, 3, 3), kLong);
        f.cell(kMarch, QDate(2026, 3, 5), QStringLiteral("三月五日"));
        f.cell(QDate(2026, 2, 1), QDate(2026, 3, 5), QStringLiteral("二月页上的三月五日"));
        f.cell(QDate(2026, 4, 1), QDate(2026, 3, 31), QStringLiteral("四月页上的三月末"));
        f.cell(kMarch, QDate(2026, 4, 1), QStringLiteral("三月页上的四月一日"));
        f.cell(kMarch, QDate(2026, 3, 20), QStringLiteral(" \n\t "));
        f.plan(QDate(2026, 3, 10), QStringLiteral("只有日安排\n第二项"));
        f.plan(QDate(2026, 4, 2), QStringLiteral("四月的安排"));
    }

private slots:
    void escapesText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("escaped");
        QTest::newRow("specials") << QStringLiteral("a\\b;c,d:e") << QByteArray("a\\\\b\\;c\\,d:e");
        QTest::newRow("line breaks")
            << QStringLiteral("1\n2\r\n3\r4\u20295") << QByteArray("1\\n2\\n3\\n4\\n5");
        QTest::newRow("controls") << QStringLiteral("a\tb\x01\x7F"
                                                    "c")
                                  << QByteArray("a\tbc");
        QTest::newRow("Chinese and emoji")
            << QStringLiteral("中文\U0001F600") << QStringLiteral("中文\U0001F600").toUtf8();
    }
    void escapesText() {
        QFETCH(QString, text);
        QFETCH(QByteArray, escaped);
        QCOMPARE(IcsWriter::escapedText(text), escaped);
    }

    // Folds come before the octet that would pass 75, never inside a sequence or a pair.
    void foldsAt75Octets_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("folded");
        const QByteArray a75(75, 'a');
        QTest::newRow("75 fit") << a75 << a75 + "\r\n";
        QTest::newRow("76 fold") << a75 + "b" << a75 + "\r\n b\r\n";
        QTest::newRow("continuation holds 74")
            << a75 + QByteArray(74, 'b') + "c"
            << a75 + "\r\n " + QByteArray(74, 'b') + "\r\n c\r\n";
        const QByteArray zhong = QStringLiteral("中").toUtf8();
        QTest::newRow("sequence kept whole")
            << QByteArray(73, 'a') + zhong << QByteArray(73, 'a') + "\r\n " + zhong + "\r\n";
        QTest::newRow("escape pair kept whole") << QByteArray(74, 'a') + "\\n"
                                                << QByteArray(74, 'a') + "\r\n \\n\r\n";
    }
    void foldsAt75Octets() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, folded);
        QCOMPARE(IcsWriter::folded(line), folded);
    }

    void dayEventJoinsCellsAndPlan_data() {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<QString>("description");
        QTest::newRow("cell") << QStringList{"一\n二"} << QString() << "一"
                              << "一\n二";
        QTest::newRow("plan") << QStringList() << "安排\n细节"
                              << "安排"
                              << "日安排：\n安排\n细节";
        QTest::newRow("both") << QStringList{"甲", "乙"} << "丙"
                              << "甲"
                              << "甲\n\n乙\n\n日安排：\n丙";
    }
    void dayEventJoinsCellsAndPlan() {
        QFETCH(QStringList, cells);
        QFETCH(QString, plan);
        QFETCH(QString, summary);
        QFETCH(QString, description);
        const auto event = CalendarExport::dayEvent(QDate(2026, 12, 11), cells, plan);
        QVERIFY(event);
        QCOMPARE(event->uid, QStringLiteral("20261211-day@kestrova"));
        QCOMPARE(event->summary, summary);
        QCOMPARE(event->description, description);
        QVERIFY(!CalendarExport::dayEvent(QDate(2026, 12, 11), {}, QString()));
    }

    void bytesFollowTheFormat() {
        NoteFixture f;
        fill(f);
        const QByteArray bytes = CalendarExport::calendar(f.store, {kMarch, kMarch}, kStamp);
        checkBytes(bytes);
        const QList<QByteArray> lines = unfolded(bytes);
        QVERIFY(lines.contains("VERSION:2.0"));
        QVERIFY(lines.contains("CALSCALE:GREGORIAN"));
        QVERIFY(lines.contains("DTSTAMP:20261211T093005Z"));
        QVERIFY(std::any_of(lines.begin(), lines.end(),
                            [](const QByteArray &l) { return l.startsWith("PRODID:"); }));
        QCOMPARE(uids(bytes), QStringList({"20260302-day@kestrova", "20260303-day@kestrova",
                                           "20260305-day@kestrova", "20260310-day@kestrova",
                                           "20260331-day@kestrova"}));
        QVERIFY(lines.contains("SUMMARY:会议：北京\\, 上海\\; 路径 C:\\\\temp\\\\新建"));
        QVERIFY(lines.contains("SUMMARY:" + kLong.toUtf8()));
        QCOMPARE(kLong.toUtf8().size(), 300);
    }

    // An independent reader gets back every date and text.
    void icalendarReadsItBack() {
        if (!QFile::exists(kPython) || !pythonHasIcalendar())
            QSKIP("/usr/bin/python3 has no icalendar package (apt-get install python3-icalendar)");
        NoteFixture f;
        fill(f);
        QTemporaryDir out;
        const QString path = out.filePath(QStringLiteral("march.ics"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(CalendarExport::calendar(f.store, {kMarch, kMarch}, kStamp));
        file.close();

        const QJsonObject read = readBack(path);
        QCOMPARE(read.value("version").toString(), QStringLiteral("2.0"));
        QCOMPARE(read.value("calscale").toString(), QStringLiteral("GREGORIAN"));
        struct Expected {
            QString start, end, summary, description;
        };
        const QList<Expected> expected = {
            {"2026-03-02", "2026-03-03", "会议：北京, 上海; 路径 C:\\temp\\新建",
             kPunctuated + "\n\n日安排：\n带伞\\雨; 下午, 3点"},
            {"2026-03-03", "2026-03-04", kLong, kLong},
            {"2026-03-05", "2026-03-06", "三月五日", "三月五日\n\n二月页上的三月五日"},
            {"2026-03-10", "2026-03-11", "只有日安排", "日安排：\n只有日安排\n第二项"},
            {"2026-03-31", "2026-04-01", "四月页上的三月末", "四月页上的三月末"},
        };
        const QJsonArray events = read.value("events").toArray();
        QCOMPARE(events.size(), expected.size());
        for (int i = 0; i < events.size(); ++i) {
            const QJsonObject event = events[i].toObject();
            QCOMPARE(event.value("start").toString(), expected[i].start);
            QCOMPARE(event.value("end").toString(), expected[i].end);
            QCOMPARE(event.value("summary").toString(), expected[i].summary);
            QCOMPARE(event.value("description").toString(), expected[i].description);
            QCOMPARE(event.value("uid").toString(),
                     QString(expected[i].start).remove(u'-') + QStringLiteral("-day@kestrova"));
            QCOMPARE(event.value("dtstamp").toString(),
                     QStringLiteral("2026-12-11T09:30:05+00:00"));
        }
    }

    // Importing a later export again updates the same events: the UIDs do not change, nor does
    // anything but the stamp.
    void exportingTwiceKeepsTheUids() {
        NoteFixture f;
        fill(f);
        const QByteArray first = CalendarExport::calendar(f.store, {kMarch, kMarch}, kStamp);
        const QByteArray second =
            CalendarExport::calendar(f.store, {kMarch, kMarch}, kStamp.addSecs(3600));
        QCOMPARE(uids(second), uids(first));
        QByteArray shifted = second;
        shifted.replace("DTSTAMP:20261211T103005Z", "DTSTAMP:20261211T093005Z");
        QCOMPARE(shifted, first);
    }

    // Before 1582-10-15 the program shows Julian dates; the file gives the same days in the
    // Gregorian calendar iCalendar counts in, and keeps the UID of the day as shown.
    void oldDatesAreGivenInTheGregorianCalendar() {
        NoteFixture f;
        f.cell(QDate(1500, 3, 1), QDate(1500, 3, 1), QStringLiteral("弘治"));
        f.plan(QDate(1582, 10, 4), QStringLiteral("四日"));
        f.plan(QDate(1582, 10, 15), QStringLiteral("十五日"));
        const QByteArray bytes =
            CalendarExport::calendar(f.store, {QDate(1582, 10, 1), QDate(1500, 3, 1)}, kStamp);
        checkBytes(bytes);
        const QList<QByteArray> lines = unfolded(bytes);
        QVERIFY(lines.contains("DTSTART;VALUE=DATE:15000311"));
        QVERIFY(lines.contains("DTEND;VALUE=DATE:15000312"));
        // The day after Julian 4 October is Gregorian 15 October: the two follow each other.
        QVERIFY(lines.contains("DTSTART;VALUE=DATE:15821014"));
        QVERIFY(lines.contains("DTSTART;VALUE=DATE:15821015"));
        QCOMPARE(uids(bytes), QStringList({"15000301-day@kestrova", "15821004-day@kestrova",
                                           "15821015-day@kestrova"}));
    }

    // The questions in their order, the name with ".ics", then the same replace question and
    // failure message as the text export.
    void controllerAsksMonthsThenFile() {
        NoteFixture f;
        fill(f);
        QTemporaryDir out;
        ScriptedQuestions q;
        q.choose(out.filePath(QStringLiteral("notes")));
        ExportController controller(q);
        QCOMPARE(controller.runCalendar(f.store, QDate(2026, 12, 11)),
                 ExportController::Outcome::Written);
        QCOMPARE(q.asked,
                 QStringList({"months:2026-1 2026-12", ".ics file:日历记事 2026年1月-2026年12月"}));
        QCOMPARE(controller.path(), out.filePath(QStringLiteral("notes.ics")));
        QFile file(controller.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(uids(file.readAll()).size(), 7); // April 1st and 2nd too

        q.asked.clear();
        q.replace = false;
        q.months = CalendarExport::Months{kMarch, kMarch};
        QCOMPARE(controller.runCalendar(f.store, QDate(2026, 12, 11)),
                 ExportController::Outcome::Cancelled);
        QCOMPARE(q.asked.last(), QStringLiteral("replace:notes.ics"));
        file.seek(0);
        QCOMPARE(uids(file.readAll()).size(), 7);
    }

    void cancelledQuestionsWriteNothing_data() {
        QTest::addColumn<bool>("atMonths");
        QTest::newRow("months") << true;
        QTest::newRow("file") << false;
    }
    void cancelledQuestionsWriteNothing() {
        QFETCH(bool, atMonths);
        NoteFixture f;
        ScriptedQuestions q;
        q.cancelMonths = atMonths;
        ExportController controller(q);
        QCOMPARE(controller.runCalendar(f.store, QDate(2026, 12, 11)),
                 ExportController::Outcome::Cancelled);
        QCOMPARE(q.asked.size(), atMonths ? 1 : 2);
        QVERIFY(q.failures.isEmpty());
    }

    // On a full disk the message comes and the old file stays whole.
    void fullDiskKeepsTheOldFile() {
        NoteFixture f;
        fill(f);
        QTemporaryDir out;
        const auto disk = TestMount::tmpfs(out.path(), "64k");
        if (!disk->ok()) QSKIP("cannot mount a small tmpfs here (not root?)");

        ScriptedQuestions q;
        q.months = CalendarExport::Months{kMarch, kMarch};
        q.choose(out.filePath(QStringLiteral("notes")));
        ExportController controller(q);
        QCOMPARE(controller.runCalendar(f.store, kMarch), ExportController::Outcome::Written);
        QFile file(controller.path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray old = file.readAll();
        file.close();

        f.plan(QDate(2026, 3, 25), QString(40 * 1024, QChar(u'满')));
        QCOMPARE(controller.runCalendar(f.store, kMarch), ExportController::Outcome::Failed);
        QCOMPARE(q.failures.size(), 1);
        QVERIFY(q.failures[0].contains(QStringLiteral("notes.ics")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), old);
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"notes.ics"});
    }

    void unreadableNotesGiveTheFailureMessage() {
        NoteFixture f;
        fill(f);
        f.store.close();
        QTemporaryDir out;
        ScriptedQuestions q;
        q.choose(out.filePath(QStringLiteral("notes.ICS")));
        ExportController controller(q);
        QCOMPARE(controller.runCalendar(f.store, QDate(2026, 12, 11)),
                 ExportController::Outcome::Failed);
        QCOMPARE(q.failures.size(), 1);
        QVERIFY(q.failures[0].startsWith(ExportController::failureMessage(
            out.filePath(QStringLiteral("notes.ICS")), QString())));
        QVERIFY(!q.failures[0].endsWith(QStringLiteral("原因：")));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList());
    }
};

QTEST_MAIN(TestCalendarExport)
#include "tst_CalendarExport.moc"
