#include "base/IconvCache.h"

#include <QByteArray>
#include <QTest>

#include <thread>

namespace {

// Converts `in` without flushing, so a stateful encoding stays in whatever shift it reached.
QByteArray convertOpen(iconv_t converter, const QByteArray &in) {
    char buffer[64];
    char *inPtr = const_cast<char *>(in.constData());
    size_t inLeft = static_cast<size_t>(in.size());
    char *outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1))
        return "error";
    return QByteArray(buffer, static_cast<int>(outPtr - buffer));
}

} // namespace

class TestIconvCache : public QObject {
    Q_OBJECT

private slots:
    void samePairSameConverter() {
        const iconv_t gbk = IconvCache::converter("UTF-8", "CP936");
        QVERIFY(gbk != IconvCache::invalid());
        QCOMPARE(IconvCache::converter("UTF-8", "CP936"), gbk);
        QVERIFY(IconvCache::converter("CP936", "UTF-8") != gbk);
    }

    void unknownPairIsInvalid() {
        QCOMPARE(IconvCache::converter("UTF-8", "NO-SUCH-CODE-PAGE"), IconvCache::invalid());
        QCOMPARE(IconvCache::converter("UTF-8", "NO-SUCH-CODE-PAGE"), IconvCache::invalid());
    }

    void handedOutInItsInitialState() {
        // ISO-2022-JP shifts into JIS for "日" and back only on a flush; the next user of the
        // converter must start in ASCII again.
        const QByteArray shifted =
            convertOpen(IconvCache::converter("ISO-2022-JP", "UTF-8"), QByteArray("\xe6\x97\xa5"));
        QVERIFY(shifted.startsWith("\x1b$B"));
        QCOMPARE(convertOpen(IconvCache::converter("ISO-2022-JP", "UTF-8"), "a"), QByteArray("a"));
    }

    void eachThreadHasItsOwn() {
        const iconv_t mine = IconvCache::converter("UTF-16LE", "CP936");
        iconv_t theirs = IconvCache::invalid();
        QByteArray converted;
        std::thread other([&] {
            theirs = IconvCache::converter("UTF-16LE", "CP936");
            converted = convertOpen(theirs, "\xd6\xd0");
        });
        other.join();
        QVERIFY(theirs != IconvCache::invalid());
        QVERIFY(theirs != mine);
        QCOMPARE(converted, QByteArray("\x2d\x4e", 2)); // 中 U+4E2D
    }
};

QTEST_GUILESS_MAIN(TestIconvCache)
#include "tst_IconvCache.moc"
