#include "base/GbkCodec.h"

#include <QTest>

class TestGbkCodec : public QObject {
    Q_OBJECT

private slots:
    void encodeReplacing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("ascii") << "abc\r\n" << QByteArray("abc\r\n") << false;
        QTest::newRow("chinese and marks")
            << QString::fromUtf8("记录：√×")
            << QByteArray("\xbc\xc7\xc2\xbc\xa3\xba\xa1\xcc\xa1\xc1") << false;
        QTest::newRow("emoji is one character")
            << QString::fromUtf8("a\xf0\x9f\x98\x80z") << QByteArray("a?z") << true;
        QTest::newRow("lone surrogate") << QString(QChar(0xd800)) + "b" << QByteArray("?b") << true;
    }
    void encodeReplacing() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, replaced);
        bool wasReplaced = !replaced;
        QCOMPARE(GbkCodec::encodeReplacing(text, '?', &wasReplaced), bytes);
        QCOMPARE(wasReplaced, replaced);
        QByteArray exact;
        QCOMPARE(GbkCodec::encode(text, exact), !replaced);
    }

    // Windows' code page 936 has the euro sign as 0x80; strict GBK has no such byte.
    void strictTable_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("codePage936");
        QTest::addColumn<QByteArray>("strict");
        QTest::newRow("euro") << QString::fromUtf8("价€5")
                              << QByteArray("\xbc\xdb\x80"
                                            "5")
                              << QByteArray("\xbc\xdb?5");
        QTest::newRow("chinese and marks")
            << QString::fromUtf8("记录：√×")
            << QByteArray("\xbc\xc7\xc2\xbc\xa3\xba\xa1\xcc\xa1\xc1")
            << QByteArray("\xbc\xc7\xc2\xbc\xa3\xba\xa1\xcc\xa1\xc1");
        QTest::newRow("extension with ASCII trail byte")
            << QString::fromUtf8("這丂") << QByteArray("\xdf\x40\x81\x40")
            << QByteArray("\xdf\x40\x81\x40");
    }
    void strictTable() {
        QFETCH(QString, text);
        QFETCH(QByteArray, codePage936);
        QFETCH(QByteArray, strict);
        QCOMPARE(GbkCodec::encodeReplacing(text), codePage936);
        bool replaced = false;
        QCOMPARE(GbkCodec::encodeReplacing(text, '?', &replaced, GbkCodec::Table::Strict), strict);
        QCOMPARE(replaced, strict != codePage936);
        QByteArray exact;
        QCOMPARE(GbkCodec::encode(text, exact, GbkCodec::Table::Strict), strict == codePage936);
    }

    void byteLength_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("bytes");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("ascii") << "ab 1" << 4;
        QTest::newRow("chinese") << QString::fromUtf8("记事") << 4;
        QTest::newRow("latin-1 is not ascii") << QString::fromUtf8("é") << 2;
        QTest::newRow("surrogate pair") << QString::fromUtf8("a\xf0\x9f\x98\x80") << 5;
        QTest::newRow("lone surrogate") << QString(QChar(0xd800)) << 2;
    }
    void byteLength() {
        QFETCH(QString, text);
        QFETCH(int, bytes);
        QCOMPARE(GbkCodec::byteLength(text), bytes);
    }
};

QTEST_GUILESS_MAIN(TestGbkCodec)
#include "tst_GbkCodec.moc"
