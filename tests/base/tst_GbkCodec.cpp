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
