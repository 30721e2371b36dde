#include "../TestMounts.h"
#include "store/FormIni.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(WindowSettings)

namespace {

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool same(const WindowSettings &a, const WindowSettings &b) {
    return a.width == b.width && a.height == b.height && a.left == b.left && a.top == b.top &&
           a.fullWidth == b.fullWidth;
}

WindowSettings ws(int w, int h, int l, int t, bool full) {
    return WindowSettings{w, h, l, t, full};
}

} // namespace

class TestFormIni : public QObject {
    Q_OBJECT

private slots:
    void defaults_data() {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        QTest::newRow("1920x1080") << QSize(1920, 1080) << 448 << 156;
        QTest::newRow("1366x768") << QSize(1366, 768) << 171 << 0;
        QTest::newRow("odd sizes truncate") << QSize(1025, 769) << 0 << 0;
        QTest::newRow("smaller than the window truncates toward zero")
            << QSize(1023, 700) << 0 << -34;
        QTest::newRow("800x600") << QSize(800, 600) << -112 << -84;
    }
    void defaults() {
        QFETCH(QSize, screen);
        QFETCH(int, left);
        QFETCH(int, top);
        QVERIFY(same(FormIni::defaults(screen), ws(1024, 738, left, top, false)));
    }

    // The file as found -> the values read and the file afterwards ("" = unchanged).
    void read_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<WindowSettings>("expected");
        QTest::addColumn<bool>("rewritten");
        const QByteArray defaultFile = "1024\r\n738\r\n448\r\n156\r\n0\r\n";
        const WindowSettings def = ws(1024, 738, 448, 156, false);
        QTest::newRow("missing") << false << QByteArray() << def << true;
        QTest::newRow("stored values") << true << QByteArray("1280\r\n770\r\n10\r\n20\r\n0\r\n")
                                       << ws(1280, 770, 10, 20, false) << false;
        QTest::newRow("full width") << true << QByteArray("1280\r\n770\r\n10\r\n20\r\n1\r\n")
                                    << ws(1280, 770, 10, 20, true) << false;
        QTest::newRow("any nonzero flag") << true << QByteArray("1024\r\n738\r\n0\r\n0\r\n-1\r\n")
                                          << ws(1024, 738, 0, 0, true) << false;
        QTest::newRow("surrounding spaces and tabs")
            << true << QByteArray(" 1024 \r\n\t738\r\n 5\x01\r\n-7 \r\n0\r\n")
            << ws(1024, 738, 5, -7, false) << false;
        QTest::newRow("LF and CR line ends")
            << true << QByteArray("1100\n750\r1\n2\r\n0") << ws(1100, 750, 1, 2, false) << false;
        QTest::newRow("later lines ignored")
            << true << QByteArray("1100\r\n750\r\n1\r\n2\r\n0\r\nrubbish\r\n")
            << ws(1100, 750, 1, 2, false) << false;
        QTest::newRow("four lines")
            << true << QByteArray("1280\r\n770\r\n10\r\n20\r\n") << def << true;
        QTest::newRow("abc in line 0")
            << true << QByteArray("abc\r\n770\r\n10\r\n20\r\n0\r\n") << def << true;
        QTest::newRow("abc in line 4")
            << true << QByteArray("1280\r\n770\r\n10\r\n20\r\nabc\r\n") << def << true;
        QTest::newRow("empty line")
            << true << QByteArray("1280\r\n\r\n10\r\n20\r\n0\r\n") << def << true;
        QTest::newRow("number with junk")
            << true << QByteArray("1280px\r\n770\r\n1\r\n2\r\n0\r\n") << def << true;
        QTest::newRow("out of int range")
            << true << QByteArray("99999999999\r\n770\r\n1\r\n2\r\n0\r\n") << def << true;
        QTest::newRow("empty file") << true << QByteArray() << def << true;
        // Sizes the size dialog never produces: the window would not map, be a speck, or take
        // gigabytes.
        QTest::newRow("zero size")
            << true << QByteArray("0\r\n0\r\n10\r\n20\r\n0\r\n") << def << true;
        QTest::newRow("negative width")
            << true << QByteArray("-1024\r\n738\r\n10\r\n20\r\n0\r\n") << def << true;
        QTest::newRow("one by one")
            << true << QByteArray("1\r\n1\r\n10\r\n20\r\n0\r\n") << def << true;
        QTest::newRow("huge") << true << QByteArray("99999\r\n99999\r\n10\r\n20\r\n0\r\n") << def
                              << true;
        QTest::newRow("too tall") << true << QByteArray("1024\r\n30000\r\n10\r\n20\r\n0\r\n") << def
                                  << true;
        QTest::newRow("largest offered") << true << QByteArray("1400\r\n870\r\n10\r\n20\r\n0\r\n")
                                         << ws(1400, 870, 10, 20, false) << false;
        QTest::newRow("binary") << true << QByteArray("\x00\xff\x10\r\n", 4) << def << true;
        Q_UNUSED(defaultFile);
    }
    void read() {
        QFETCH(bool, exists);
        QFETCH(QByteArray, content);
        QFETCH(WindowSettings, expected);
        QFETCH(bool, rewritten);
        QTemporaryDir dir;
        const FormIni ini(dir.filePath("form.ini"));
        if (exists) {
            QFile f(ini.filePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QVERIFY(same(ini.read(QSize(1920, 1080)), expected));
        QCOMPARE(readFile(ini.filePath()),
                 rewritten ? QByteArray("1024\r\n738\r\n448\r\n156\r\n0\r\n") : content);
    }

    void unreadableFileGivesDefaults() {
        QTemporaryDir dir;
        const FormIni ini(dir.filePath("form.ini"));
        QVERIFY(QDir().mkpath(ini.filePath())); // a folder in its place: cannot be read or replaced
        QVERIFY(same(ini.read(QSize(1024, 768)), ws(1024, 738, 0, 0, false)));
    }

    void write_data() {
        QTest::addColumn<WindowSettings>("settings");
        QTest::addColumn<int>("currentWidth");
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("normal") << ws(1280, 770, 10, 20, false) << 1280 << 1920
                                << QByteArray("1280\r\n770\r\n10\r\n20\r\n0\r\n");
        QTest::newRow("screen-wide keeps the configured size")
            << ws(1024, 738, 0, 0, true) << 1920 << 1920
            << QByteArray("1024\r\n738\r\n0\r\n0\r\n1\r\n");
        QTest::newRow("negative position") << ws(1024, 738, -5, -30, false) << 1024 << 1366
                                           << QByteArray("1024\r\n738\r\n-5\r\n-30\r\n0\r\n");
    }
    void write() {
        QFETCH(WindowSettings, settings);
        QFETCH(int, currentWidth);
        QFETCH(int, screenWidth);
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        const FormIni ini(dir.filePath("form.ini"));
        WindowSettings s = settings;
        QVERIFY(ini.write(s, currentWidth, screenWidth));
        QCOMPARE(readFile(ini.filePath()), file);
        QCOMPARE(s.width, settings.width);
        QCOMPARE(s.height, settings.height);
        // What is written reads back.
        const WindowSettings back = ini.read(QSize(1920, 1080));
        QCOMPARE(back.width, settings.width);
        QCOMPARE(back.left, settings.left);
        QCOMPARE(back.fullWidth, currentWidth == screenWidth);
    }

    void failedWriteFallsBackInMemory() {
        QTemporaryDir dir;
        const FormIni ini(dir.filePath("no-such-folder/form.ini"));
        WindowSettings s = ws(1280, 770, 10, 20, false);
        QVERIFY(!ini.write(s, 1280, 1920));
        QVERIFY(same(s, ws(1024, 738, 10, 20, false)));
        QVERIFY(!QFile::exists(ini.filePath()));
    }

    void failedWriteLeavesOldFile() {
        QTemporaryDir dir;
        const FormIni ini(dir.filePath("form.ini"));
        const QByteArray old = "1280\r\n770\r\n10\r\n20\r\n0\r\n";
        {
            QFile f(ini.filePath());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        // A read-only mount stops root too.
        const auto readOnly = TestMount::readOnly(dir.path());
        if (!readOnly->ok()) QSKIP("cannot mount the folder read-only here (not root?)");
        WindowSettings s = ws(1400, 800, 1, 2, false);
        QVERIFY(!ini.write(s, 1400, 1920));
        QCOMPARE(readFile(ini.filePath()), old);
        QCOMPARE(s.width, 1024);
        QCOMPARE(s.height, 738);
    }
};

QTEST_GUILESS_MAIN(TestFormIni)
#include "tst_FormIni.moc"
