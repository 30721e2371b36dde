#include "../TestMounts.h"
#include "ScriptedQuestions.h"
#include "export/ExportController.h"
#include "export/ExportDocument.h"
#include "export/ExportQuestions.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Answer = ExportQuestions::EncodingAnswer;

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

ExportDocument yearWith(const QString &januaryNote) {
    std::array<QString, ExportDocument::YearMonthCount> months;
    months[0] = januaryNote;
    return ExportDocument::yearNotes(2011, months);
}

const QString kEmojiNote = QStringLiteral("开心\U0001F600𠀀");

} // namespace

class TestExportController : public QObject {
    Q_OBJECT

private slots:
    void writesGbkWithoutQuestionsWhenEverythingFits() {
        QTemporaryDir dir;
        ScriptedQuestions q;
        q.choose(dir.filePath(QStringLiteral("2011年-年度记事")));
        ExportController controller(q);
        QCOMPARE(controller.run(yearWith(QStringLiteral("年"))),
                 ExportController::Outcome::Written);
        QCOMPARE(q.asked, QStringList{QStringLiteral("file:2011年-年度记事")});
        QCOMPARE(controller.path(), dir.filePath(QStringLiteral("2011年-年度记事.txt")));
        const QByteArray bytes = readAll(controller.path());
        QVERIFY(bytes.startsWith("2011\xC4\xEA-\xC4\xEA\xB6\xC8\xBC\xC7\xCA\xC2\r\n"));
        QVERIFY(bytes.contains("\xD4\xC2\xB7\xDD\xA3\xBA\xC4\xEA\r\n")); // 月份：年
    }

    // A character GBK cannot hold asks the user; every answer keeps its promise.
    void charactersOutsideGbkAsk_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("januaryLine");
        QTest::newRow("UTF-8") << int(Answer::Utf8WithBom)
                               << (QStringLiteral("一月份：") + kEmojiNote + "\r\n").toUtf8();
        QTest::newRow("GBK") << int(Answer::GbkWithQuestionMarks)
                             << QByteArray(
                                    "\xD2\xBB\xD4\xC2\xB7\xDD\xA3\xBA\xBF\xAA\xD0\xC4??\r\n");
        QTest::newRow("cancel") << int(Answer::Cancel) << QByteArray();
    }
    void charactersOutsideGbkAsk() {
        QFETCH(int, answer);
        QFETCH(QByteArray, januaryLine);
        QTemporaryDir dir;
        ScriptedQuestions q;
        q.choose(dir.filePath(QStringLiteral("notes")));
        q.encoding = Answer(answer);
        ExportController controller(q);
        const ExportController::Outcome outcome = controller.run(yearWith(kEmojiNote));
        QCOMPARE(q.asked.last(), QStringLiteral("encoding:notes.txt"));
        QVERIFY(q.failures.isEmpty());
        if (januaryLine.isEmpty()) {
            QCOMPARE(outcome, ExportController::Outcome::Cancelled);
            QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                     QStringList());
            return;
        }
        QCOMPARE(outcome, ExportController::Outcome::Written);
        const QByteArray bytes = readAll(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY2(bytes.contains(januaryLine), bytes.toHex().constData());
        if (Answer(answer) == Answer::Utf8WithBom) {
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
            QCOMPARE(QString::fromUtf8(bytes.mid(3)), yearWith(kEmojiNote).text());
        }
    }

    // Windows writes the euro sign as 0x80 in code page 936, a byte strict GBK and GB18030
    // readers reject: it counts as not fitting, and a GBK file has "?" for it.
    void euroIsOutsideGbk_data() {
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("gbkNote"); // as the GBK file has it
        QTest::newRow("euro") << QStringLiteral("价格 €5") << QStringLiteral("价格 ?5");
        QTest::newRow("euro and emoji")
            << QStringLiteral("€ 开心\U0001F600") << QStringLiteral("? 开心?");
    }
    void euroIsOutsideGbk() {
        QFETCH(QString, note);
        QFETCH(QString, gbkNote);
        QTemporaryDir dir;
        ScriptedQuestions q;
        q.choose(dir.filePath(QStringLiteral("notes")));
        q.encoding = Answer::GbkWithQuestionMarks;
        ExportController controller(q);
        QCOMPARE(controller.run(yearWith(note)), ExportController::Outcome::Written);
        QCOMPARE(q.asked.last(), QStringLiteral("encoding:notes.txt"));
        const QString path = dir.filePath(QStringLiteral("notes.txt"));
        QVERIFY(!readAll(path).contains('\x80'));

        // Strict readers nobody here wrote take the file, and read what was promised.
        const QString expected = yearWith(gbkNote).text();
        const QList<QStringList> readers = {
            {QStringLiteral("iconv"), QStringLiteral("-f"), QStringLiteral("GB18030"),
             QStringLiteral("-t"), QStringLiteral("UTF-8"), path},
            {QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
             QStringLiteral("import sys; sys.stdout.buffer.write(open(sys.argv[1], 'rb').read()"
                            ".decode('gbk', 'strict').encode('utf-8'))"),
             path},
        };
        for (QStringList command : readers) {
            QProcess reader;
            reader.start(command.takeFirst(), command);
            QVERIFY2(reader.waitForFinished(60000), qPrintable(reader.errorString()));
            QVERIFY2(reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 0,
                     reader.readAllStandardError().constData());
            QCOMPARE(QString::fromUtf8(reader.readAllStandardOutput()), expected);
        }
    }

    void utf8FilterWritesUtf8WithoutAsking() {
        QTemporaryDir dir;
        ScriptedQuestions q;
        q.choose(dir.filePath(QStringLiteral("notes.TXT")), ExportFile::Encoding::Utf8WithBom);
        ExportController controller(q);
        QCOMPARE(controller.run(yearWith(QStringLiteral("年"))),
                 ExportController::Outcome::Written);
        QCOMPARE(q.asked.size(), 1);
        const QByteArray bytes = readAll(dir.filePath(QStringLiteral("notes.TXT")));
        QCOMPARE(bytes,
                 QByteArray("\xEF\xBB\xBF") + yearWith(QStringLiteral("年")).text().toUtf8());
    }

    void cancelledOrEmptyDialogWritesNothing_data() {
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("cancel") << true;
        QTest::newRow("empty name") << false;
    }
    void cancelledOrEmptyDialogWritesNothing() {
        QFETCH(bool, cancelled);
        QTemporaryDir dir;
        ScriptedQuestions q;
        if (!cancelled) q.choose(QString());
        ExportController controller(q);
        QCOMPARE(controller.run(yearWith(kEmojiNote)), ExportController::Outcome::Cancelled);
        QCOMPARE(q.asked.size(), 1);
        QVERIFY(q.failures.isEmpty());
        QVERIFY(controller.path().isEmpty());
    }

    // The question names the file with ".txt", which is the one replaced.
    void existingFileIsReplacedOnlyWhenConfirmed_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("replace");
        QTest::newRow("typed without suffix, replaced") << "abc" << true;
        QTest::newRow("typed without suffix, kept") << "abc" << false;
        QTest::newRow("typed with suffix, replaced") << "abc.txt" << true;
    }
    void existingFileIsReplacedOnlyWhenConfirmed() {
        QFETCH(QString, chosen);
        QFETCH(bool, replace);
        QTemporaryDir dir;
        const QString existing = dir.filePath(QStringLiteral("abc.txt"));
        QFile file(existing);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old");
        file.close();

        ScriptedQuestions q;
        q.choose(dir.filePath(chosen));
        q.replace = replace;
        ExportController controller(q);
        QCOMPARE(controller.run(yearWith(QString())), replace
                                                          ? ExportController::Outcome::Written
                                                          : ExportController::Outcome::Cancelled);
        QCOMPARE(q.asked.last(), QStringLiteral("replace:abc.txt"));
        QCOMPARE(readAll(existing) == "old", !replace);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"abc.txt"});
    }

    void failureNamesTheFileAndTheReason_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("inTheWay");
        QTest::newRow("directory in the way") << "abc"
                                              << "abc.txt";
        QTest::newRow("folder gone") << "gone/abc"
                                     << "";
    }
    void failureNamesTheFileAndTheReason() {
        QFETCH(QString, chosen);
        QFETCH(QString, inTheWay);
        QTemporaryDir dir;
        if (!inTheWay.isEmpty()) QVERIFY(QDir(dir.path()).mkdir(inTheWay));
        ScriptedQuestions q;
        q.choose(dir.filePath(chosen));
        ExportController controller(q);
        QCOMPARE(controller.run(yearWith(QString())), ExportController::Outcome::Failed);
        QCOMPARE(q.asked.size(), 1); // a directory is not offered for replacing
        QCOMPARE(q.failures.size(), 1);
        const QString path = QDir::toNativeSeparators(dir.filePath(chosen + ".txt"));
        QVERIFY2(q.failures[0].contains(path), qPrintable(q.failures[0]));
        QVERIFY(q.failures[0].contains(QStringLiteral("原因：")));
        QVERIFY(!q.failures[0].endsWith(QStringLiteral("原因：")));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    // A file of another kind goes through the same steps; its bytes are made only once the
    // file may be written.
    void otherKindTakesTheSameSteps_data() {
        QTest::addColumn<QString>("chosen"); // empty: the dialog is cancelled
        QTest::addColumn<bool>("existing");  // "abc.pdf" is there, holding "old"
        QTest::addColumn<bool>("replace");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QStringList>("asked");
        using O = ExportController::Outcome;
        const QString dialog = QStringLiteral(".pdf file:2026年10月");
        QTest::newRow("new file") << "abc" << false << true << int(O::Written)
                                  << QStringList{dialog};
        QTest::newRow("suffix typed")
            << "abc.PDF" << false << true << int(O::Written) << QStringList{dialog};
        QTest::newRow("cancelled")
            << "" << true << true << int(O::Cancelled) << QStringList{dialog};
        QTest::newRow("replaced") << "abc" << true << true << int(O::Written)
                                  << QStringList{dialog, "replace:abc.pdf"};
        QTest::newRow("kept") << "abc" << true << false << int(O::Cancelled)
                              << QStringList{dialog, "replace:abc.pdf"};
        QTest::newRow("folder gone")
            << "gone/abc" << false << true << int(O::Failed) << QStringList{dialog};
    }
    void otherKindTakesTheSameSteps() {
        QFETCH(QString, chosen);
        QFETCH(bool, existing);
        QFETCH(bool, replace);
        QFETCH(int, outcome);
        QFETCH(QStringList, asked);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("abc.pdf"));
        if (existing) {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("old");
        }
        ScriptedQuestions q;
        if (!chosen.isEmpty()) q.choose(dir.filePath(chosen));
        q.replace = replace;
        int made = 0;
        ExportController controller(q);
        const ExportQuestions::FileKind pdf{QStringLiteral("导出 PDF"),
                                            QStringLiteral("PDF (*.pdf)"), QStringLiteral(".pdf")};
        QCOMPARE(int(controller.runFile(pdf, QStringLiteral("2026年10月"),
                                        [&made] {
                                            ++made;
                                            return QByteArray("%PDF-new");
                                        })),
                 outcome);
        QCOMPARE(q.asked, asked);
        const bool written = outcome == int(ExportController::Outcome::Written);
        const bool failed = outcome == int(ExportController::Outcome::Failed);
        QCOMPARE(made, written || failed ? 1 : 0);
        QCOMPARE(q.failures.size(), failed ? 1 : 0);
        if (failed) {
            QVERIFY(q.failures[0].startsWith(QStringLiteral("内容导出失败，文件未能写入：")));
            QVERIFY(q.failures[0].contains(QStringLiteral("abc.pdf")));
        }
        if (written) {
            QCOMPARE(controller.path(), dir.filePath(chosen.endsWith(QStringLiteral(".PDF"))
                                                         ? chosen
                                                         : chosen + QStringLiteral(".pdf")));
            QCOMPARE(readAll(controller.path()), QByteArray("%PDF-new"));
        } else if (existing) {
            QCOMPARE(readAll(target), QByteArray("old"));
        }
    }

    // On a full disk the message comes and the old export stays whole.
    void fullDiskKeepsTheOldFile() {
        QTemporaryDir dir;
        const auto disk = TestMount::tmpfs(dir.path(), "64k");
        if (!disk->ok()) QSKIP("cannot mount a small tmpfs here (not root?)");

        ScriptedQuestions q;
        q.choose(dir.filePath(QStringLiteral("notes")));
        ExportController controller(q);
        QCOMPARE(controller.run(yearWith(QStringLiteral("旧"))),
                 ExportController::Outcome::Written);
        const QByteArray old = readAll(controller.path());

        QCOMPARE(controller.run(yearWith(QString(40 * 1024, QChar(u'满')))),
                 ExportController::Outcome::Failed);
        QCOMPARE(q.failures.size(), 1);
        QVERIFY(q.failures[0].contains(QStringLiteral("notes.txt")));
        QCOMPARE(readAll(controller.path()), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"notes.txt"});
    }

    // On a full disk a file of another kind gives the same message and keeps the old file.
    void fullDiskKeepsTheOldFileOfAnotherKind() {
        QTemporaryDir dir;
        const auto disk = TestMount::tmpfs(dir.path(), "64k");
        if (!disk->ok()) QSKIP("cannot mount a small tmpfs here (not root?)");

        ScriptedQuestions q;
        q.choose(dir.filePath(QStringLiteral("month")));
        ExportController controller(q);
        const ExportQuestions::FileKind pdf{QStringLiteral("导出 PDF"),
                                            QStringLiteral("PDF (*.pdf)"), QStringLiteral(".pdf")};
        QCOMPARE(controller.runFile(pdf, QStringLiteral("x"), [] { return QByteArray("old"); }),
                 ExportController::Outcome::Written);
        QCOMPARE(controller.runFile(pdf, QStringLiteral("x"),
                                    [] { return QByteArray(100 * 1024, 'p'); }),
                 ExportController::Outcome::Failed);
        QCOMPARE(q.failures.size(), 1);
        QVERIFY(q.failures[0].contains(QStringLiteral("month.pdf")));
        QCOMPARE(readAll(controller.path()), QByteArray("old"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"month.pdf"});
    }
};

QTEST_GUILESS_MAIN(TestExportController)
#include "tst_ExportController.moc"
