// The password file: line splitting, the gate flag, GBK and CR LF, and failed reads/writes.
#include "RawFile.h"
#include "base/GbkCodec.h"
#include "lock/LoginFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestLoginFile : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString &name = QStringLiteral("loginstr.db")) const {
        return m_dir.filePath(name);
    }
    static void writeRaw(const QString &path, const QByteArray &bytes) {
        RawFile::write(path, bytes);
    }
    static QByteArray readRaw(const QString &path) { return RawFile::read(path); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void gateFlag_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("on");
        QTest::newRow("minus one") << QByteArray("a\r\na\r\n-1\r\n") << true;
        QTest::newRow("minus one, last line unended") << QByteArray("a\r\na\r\n-1") << true;
        QTest::newRow("zero") << QByteArray("a\r\na\r\n0\r\n") << false;
        QTest::newRow("empty") << QByteArray("a\r\na\r\n\r\n") << false;
        QTest::newRow("True") << QByteArray("a\r\na\r\nTrue\r\n") << false;
        QTest::newRow("true") << QByteArray("a\r\na\r\ntrue\r\n") << false;
        QTest::newRow("leading space") << QByteArray("a\r\na\r\n -1\r\n") << false;
        QTest::newRow("trailing space") << QByteArray("a\r\na\r\n-1 \r\n") << false;
        QTest::newRow("tab") << QByteArray("a\r\na\r\n-1\t\r\n") << false;
        QTest::newRow("minus one on line 3") << QByteArray("a\r\na\r\n0\r\n-1\r\n") << false;
        QTest::newRow("LF only") << QByteArray("a\na\n-1\n") << true;
        QTest::newRow("CR only") << QByteArray("a\ra\r-1\r") << true;
    }
    void gateFlag() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, on);
        writeRaw(path(), bytes);
        QStringList lines;
        QString error;
        QVERIFY2(LoginFile::read(path(), lines, error), qPrintable(error));
        QCOMPARE(LoginFile::gateOn(lines), on);
    }

    void splitting_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("CR LF") << "a\r\nb\r\nc\r\n" << QStringList{"a", "b", "c"};
        QTest::newRow("mixed") << "a\rb\nc\r\nd" << QStringList{"a", "b", "c", "d"};
        QTest::newRow("LF CR is two breaks") << "a\n\rb" << QStringList{"a", "", "b"};
        QTest::newRow("empty lines kept") << "\r\n\r\n\r\n" << QStringList{"", "", ""};
        QTest::newRow("spaces kept") << " a \r\n\tb\r\n" << QStringList{" a ", "\tb"};
        QTest::newRow("empty text") << "" << QStringList{};
    }
    void splitting() {
        QFETCH(QString, text);
        QFETCH(QStringList, lines);
        QCOMPARE(LoginFile::splitLines(text), lines);
    }

    void readsGbk() {
        // "密码 a" in GBK, then the marker, then the flag.
        writeRaw(path(), QByteArray("\xc3\xdc\xc2\xeb a\r\nNOKEY4817203\r\n-1\r\n"));
        QStringList lines;
        QString error;
        QVERIFY2(LoginFile::read(path(), lines, error), qPrintable(error));
        QCOMPARE(lines, (QStringList{QStringLiteral("密码 a"), "NOKEY4817203", "-1"}));
    }

    void readsEuroSign() {
        // Windows writes the euro sign as the single byte 0x80; an old password holding it must
        // not lock the user out.
        writeRaw(path(), QByteArray("a\x80\r\na\x80\r\n-1\r\n"));
        QStringList lines;
        QString error;
        QVERIFY2(LoginFile::read(path(), lines, error), qPrintable(error));
        QCOMPARE(lines.value(0), QStringLiteral("a€"));
    }

    void failedRead_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes"); // null: do not create
        QTest::newRow("missing") << "missing.db" << QByteArray();
        QTest::newRow("empty") << "empty.db" << QByteArray("");
        QTest::newRow("two lines") << "two.db" << QByteArray("a\r\nb\r\n");
        QTest::newRow("two lines and a break") << "two2.db" << QByteArray("a\r\n-1");
        QTest::newRow("not GBK") << "bad.db" << QByteArray("\xff\xff\r\na\r\n-1\r\n");
    }
    void failedRead() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        if (!bytes.isNull()) writeRaw(path(name), bytes);
        QStringList lines{"untouched"};
        QString error;
        QVERIFY(!LoginFile::read(path(name), lines, error));
        QVERIFY2(error.contains(path(name)), qPrintable(error));
        QCOMPARE(lines, QStringList{"untouched"});
    }

    void directoryIsNoFile() {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.db")));
        QStringList lines;
        QString error;
        QVERIFY(!LoginFile::read(path(QStringLiteral("folder.db")), lines, error));
        QVERIFY(!error.isEmpty());
    }

    void writesGbkWithCrLf() {
        QString error;
        const QStringList lines{QStringLiteral("密码 a"), QStringLiteral("NOKEY4817203"),
                                QStringLiteral("-1")};
        QVERIFY2(LoginFile::write(path(), lines, error), qPrintable(error));
        QCOMPARE(readRaw(path()), QByteArray("\xc3\xdc\xc2\xeb a\r\nNOKEY4817203\r\n-1\r\n"));
        QStringList back;
        QVERIFY(LoginFile::read(path(), back, error));
        QCOMPARE(back, lines);
    }

    void refusedLines_data() {
        QTest::addColumn<QString>("line");
        QTest::newRow("line feed") << QStringLiteral("a\nb");
        QTest::newRow("carriage return") << QStringLiteral("a\rb");
        QTest::newRow("not in GBK") << QStringLiteral("a\U0001F600");
    }
    void refusedLines() {
        QFETCH(QString, line);
        writeRaw(path(), "old\r\nold\r\n0\r\n");
        QString error;
        QVERIFY(!LoginFile::write(path(), {line, line, "-1"}, error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readRaw(path()), QByteArray("old\r\nold\r\n0\r\n"));
    }

    void failedWrite_data() {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing folder") << "nofolder/loginstr.db"
                                        << "missing";
        QTest::newRow("folder is a file") << "plainfile/loginstr.db"
                                          << "file";
        QTest::newRow("read-only file") << "readonly.db"
                                        << "readonly";
    }
    void failedWrite() {
        QFETCH(QString, target);
        QFETCH(QString, kind);
        if (kind == QLatin1String("file")) writeRaw(path(QStringLiteral("plainfile")), "x");
        if (kind == QLatin1String("readonly")) {
            writeRaw(path(target), "old\r\nold\r\n0\r\n");
            QVERIFY(QFile::setPermissions(path(target), QFileDevice::ReadOwner));
        }
        QString error;
        QVERIFY(!LoginFile::write(path(target), {"a", "a", "-1"}, error));
        QVERIFY2(error.contains(path(target)), qPrintable(error));
        if (kind == QLatin1String("readonly")) {
            QCOMPARE(readRaw(path(target)), QByteArray("old\r\nold\r\n0\r\n"));
            QFile::setPermissions(path(target), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        } else {
            QVERIFY(!QFile::exists(path(target)));
        }
    }

    void gbkRoundTrip() {
        QByteArray bytes;
        QVERIFY(GbkCodec::encode(QStringLiteral("农历二〇二六年"), bytes));
        QString text;
        QVERIFY(GbkCodec::decode(bytes, text));
        QCOMPARE(text, QStringLiteral("农历二〇二六年"));
        QVERIFY(!GbkCodec::decode(QByteArray("\xc3"), text)); // cut in the middle of a pair
        QCOMPARE(text, QStringLiteral("农历二〇二六年"));
    }
};

QTEST_GUILESS_MAIN(TestLoginFile)
#include "tst_login_file.moc"
