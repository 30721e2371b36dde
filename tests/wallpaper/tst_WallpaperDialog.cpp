#include "wallpaper/BmpFile.h"
#include "wallpaper/ContentPicture.h"
#include "wallpaper/WallpaperBlend.h"
#include "wallpaper_ui/WallpaperDialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage plain(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(colour);
    return image;
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A picture folder with two distinguishable backgrounds and a dialog over it that records its
// messages and installations instead of showing and doing them.
struct Fixture {
    QTemporaryDir dir;
    WallpaperDialog dialog{dir.path()};
    QStringList messages;
    QStringList installed;
    bool installWorks = true;

    Fixture() {
        BmpFile::save(dir.filePath("A1.bmp"), plain(1024, 768, QColor(0, 0, 0)));
        BmpFile::save(dir.filePath("A2.bmp"), plain(1024, 768, QColor(255, 255, 255)));
        dialog.setScreenSize(QSize());
        dialog.setMessageSink([this](const QString &m) { messages << m; });
        dialog.setInstaller([this](const QString &file, const QImage &, QString *error) {
            installed << file;
            if (!installWorks) *error = "refused";
            return installWorks;
        });
        dialog.cells()[0].note = "A&B 记事";
        dialog.drawMonthContent();
    }
};

} // namespace

class TestWallpaperDialog : public QObject {
    Q_OBJECT
private slots:
    void widgets() {
        Fixture fx;
        QCOMPARE(fx.dialog.windowTitle(), QStringLiteral("桌面背景设置"));
        auto *ok = fx.dialog.findChild<QPushButton *>("btnOk");
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("确  定"));
        QCOMPARE(ok->toolTip(), QStringLiteral("应用到桌面背景"));
        QCOMPARE(fx.dialog.findChild<QPushButton *>("btnCancel")->text(), QStringLiteral("取  消"));
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(fx.dialog.width() <= avail.width() && fx.dialog.height() <= avail.height());
    }

    void contentFileIsWritten() {
        Fixture fx;
        const QImage content = BmpFile::load(fx.dir.filePath("Content.bmp"));
        QCOMPARE(content, ContentPicture::drawMonth(fx.dialog.cells()));
        QVERIFY(fx.dialog.drawNoteContent());
        QCOMPARE(BmpFile::load(fx.dir.filePath("Content.bmp")),
                 ContentPicture::drawNotes(fx.dialog.cells()));
    }

    // A directory where Content.bmp belongs: an error and no dialog.
    void contentWriteFailure() {
        Fixture fx;
        QFile::remove(fx.dir.filePath("Content.bmp"));
        QVERIFY(QDir(fx.dir.path()).mkdir("Content.bmp"));
        QVERIFY(!fx.dialog.drawMonthContent());
        QCOMPARE(fx.messages.size(), 1);
        QVERIFY(fx.messages[0].contains("Content.bmp"));
    }

    // Openings alternate A1/2, A2/4, A1/2, a cancelled opening included; the preview is the
    // composite of the background under the block.
    void alternation() {
        Fixture fx;
        const QImage content = BmpFile::load(fx.dir.filePath("Content.bmp"));
        struct Step {
            const char *file;
            int strength;
            QColor background;
        };
        const Step steps[] = {
            {"A1.bmp", 2, Qt::black}, {"A2.bmp", 4, Qt::white}, {"A1.bmp", 2, Qt::black}};
        for (const Step &s : steps) {
            QVERIFY(fx.dialog.prepare());
            QCOMPARE(QFileInfo(fx.dialog.backgroundFile()).fileName(), QString(s.file));
            QCOMPARE(fx.dialog.strength(), s.strength);
            QCOMPARE(fx.dialog.composite(),
                     WallpaperBlend::compose(plain(1024, 768, s.background), content, s.strength));
            fx.dialog.reject(); // cancel writes nothing
            QVERIFY(!QFile::exists(fx.dir.filePath("Mix.bmp")));
        }
        QVERIFY(fx.installed.isEmpty());
    }

    void loadFailure_data() {
        QTest::addColumn<QString>("missing");
        QTest::newRow("content") << "Content.bmp";
        QTest::newRow("background") << "A1.bmp";
    }
    void loadFailure() {
        QFETCH(QString, missing);
        Fixture fx;
        QVERIFY(QFile::remove(fx.dir.filePath(missing)));
        QVERIFY(!fx.dialog.prepare());
        QCOMPARE(fx.messages, QStringList{QStringLiteral("加载失败！")});
        // The alternation moved on all the same.
        QCOMPARE(fx.dialog.backgroundToggle(), 1);
    }

    void shippedBackgroundWhereNoneIsKept_data() {
        QTest::addColumn<bool>("own");     // the picture folder holds its own A1.bmp
        QTest::addColumn<bool>("shipped"); // the shipped folder holds A1.png
        QTest::newRow("own background first") << true << true;
        QTest::newRow("shipped one where none is kept") << false << true;
        QTest::newRow("neither") << false << false;
    }
    // A background the picture folder lacks is written there as a bitmap from the shipped PNG
    // when first needed; one the user keeps there is taken instead and left as it is.
    void shippedBackgroundWhereNoneIsKept() {
        QFETCH(bool, own);
        QFETCH(bool, shipped);
        QTemporaryDir pictures;
        QTemporaryDir shippedDir;
        if (own) QVERIFY(BmpFile::save(pictures.filePath("A1.bmp"), plain(640, 480, Qt::black)));
        const QImage shippedPicture = plain(640, 480, QColor(30, 140, 200));
        if (shipped) QVERIFY(shippedPicture.save(shippedDir.filePath("A1.png"), "PNG"));
        const QByteArray ownBytes = readFile(pictures.filePath("A1.bmp"));
        WallpaperDialog dialog(pictures.path(), shippedDir.path());
        QStringList messages;
        dialog.setMessageSink([&](const QString &m) { messages << m; });
        dialog.setScreenSize(QSize());
        QVERIFY(dialog.drawMonthContent());
        const QImage content = BmpFile::load(pictures.filePath("Content.bmp"));

        QCOMPARE(dialog.prepare(), own || shipped);
        QCOMPARE(QFile::exists(pictures.filePath("A1.bmp")), own || shipped);
        QVERIFY(!QFile::exists(pictures.filePath("A2.bmp"))); // not needed yet
        if (!own && !shipped) {
            QCOMPARE(messages, QStringList{QStringLiteral("加载失败！")});
            return;
        }
        QCOMPARE(dialog.backgroundFile(), pictures.filePath("A1.bmp"));
        if (own) QCOMPARE(readFile(pictures.filePath("A1.bmp")), ownBytes);
        const QImage expected = own ? plain(640, 480, Qt::black) : shippedPicture;
        QCOMPARE(BmpFile::load(pictures.filePath("A1.bmp")), expected);
        QCOMPARE(dialog.composite(), WallpaperBlend::compose(expected, content, 2));
        QVERIFY(messages.isEmpty());
    }

    // A shipped background that cannot be written into the picture folder: a message naming the
    // file, no composite.
    void shippedBackgroundCannotBeWritten() {
        QTemporaryDir dir;
        QTemporaryDir shippedDir;
        QVERIFY(plain(64, 48, Qt::white).save(shippedDir.filePath("A1.png"), "PNG"));
        const QString folder = dir.filePath("pictures"); // never made
        WallpaperDialog dialog(folder, shippedDir.path());
        QStringList messages;
        dialog.setMessageSink([&](const QString &m) { messages << m; });
        QVERIFY(!dialog.prepare());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("无法写入文件 %1/A1.bmp：").arg(folder)),
                 qPrintable(messages[0]));
        QVERIFY(dialog.composite().isNull());
        QCOMPARE(dialog.backgroundToggle(), 1);
    }

    // Apply writes Mix.bmp exactly as previewed, installs a fresh copy per setting and keeps the
    // current and the previous copy only.
    void applyInstallsFreshCopies() {
        Fixture fx;
        QStringList copies;
        for (int i = 0; i < 4; ++i) {
            QVERIFY(fx.dialog.prepare());
            QVERIFY(fx.dialog.apply());
            QCOMPARE(BmpFile::load(fx.dir.filePath("Mix.bmp")), fx.dialog.composite());
            QCOMPARE(fx.installed.size(), i + 1);
            const QString copy = fx.installed.last();
            QVERIFY(!copies.contains(copy));
            QCOMPARE(QFileInfo(copy).absolutePath(), QFileInfo(fx.dir.path()).absoluteFilePath());
            QCOMPARE(readFile(copy), readFile(fx.dir.filePath("Mix.bmp")));
            copies << copy;
        }
        QVERIFY(fx.messages.isEmpty());
        const QStringList left = QDir(fx.dir.path()).entryList({"Wallpaper-*"}, QDir::Files);
        QCOMPARE(left.size(), 2);
        QVERIFY(QFile::exists(copies[2]) && QFile::exists(copies[3]));
    }

    // A Mix.bmp that cannot be written: a message, nothing installed, the dialog stays.
    void applyWriteFailure() {
        Fixture fx;
        QVERIFY(QDir(fx.dir.path()).mkdir("Mix.bmp"));
        fx.dialog.show();
        QVERIFY(fx.dialog.prepare());
        QVERIFY(!fx.dialog.apply());
        QVERIFY(fx.dialog.isVisible());
        QVERIFY(fx.installed.isEmpty());
        QCOMPARE(fx.messages.size(), 1);
        QVERIFY(fx.messages[0].contains("Mix.bmp"));
    }

    // The desktop refusing: the user learns where the picture is; no success is claimed.
    void installFailureSaysWhere() {
        Fixture fx;
        fx.installWorks = false;
        QVERIFY(fx.dialog.prepare());
        QVERIFY(fx.dialog.apply());
        QCOMPARE(fx.messages, QStringList{QStringLiteral("桌面背景未能自动设置，图片已保存在：%1")
                                              .arg(fx.dir.filePath("Mix.bmp"))});
    }

    // A full disk: Mix.bmp is not written, the old one stays, nothing is installed and the
    // dialog stays open; then Content.bmp cannot be written either.
    void fullDisk() {
        QTemporaryDir dir;
        const QString folder = dir.filePath("pictures");
        QVERIFY(QDir().mkpath(folder));
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=2m", "tmpfs", folder}) != 0)
            QSKIP("cannot mount a small tmpfs here");
        struct Unmount {
            QString path;
            ~Unmount() { QProcess::execute("umount", {path}); }
        } unmount{folder};

        QStringList messages;
        QStringList installed;
        WallpaperDialog dialog(folder);
        dialog.setScreenSize(QSize());
        dialog.setMessageSink([&](const QString &m) { messages << m; });
        dialog.setInstaller([&](const QString &file, const QImage &, QString *) {
            installed << file;
            return true;
        });
        // 720 KB of background and 990 KB of content leave too little room for the composite.
        QVERIFY(BmpFile::save(folder + "/A1.bmp", plain(600, 400, Qt::gray)));
        QVERIFY(dialog.drawMonthContent());
        QVERIFY(BmpFile::save(folder + "/Mix.bmp", plain(2, 2, Qt::red)));
        const QByteArray oldMix = readFile(folder + "/Mix.bmp");
        dialog.show();
        QVERIFY(dialog.prepare());
        QVERIFY(!dialog.apply());
        QVERIFY(dialog.isVisible());
        QCOMPARE(readFile(folder + "/Mix.bmp"), oldMix);
        QVERIFY(installed.isEmpty());
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains("Mix.bmp"));

        // Fill what is left: the content picture cannot be replaced and the old one stays.
        QFile filler(folder + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        while (filler.write(QByteArray(4096, 'x')) > 0 && filler.flush()) {
        }
        filler.close();
        const QByteArray oldContent = readFile(folder + "/Content.bmp");
        dialog.cells()[0].note = "changed";
        QVERIFY(!dialog.drawMonthContent());
        QCOMPARE(readFile(folder + "/Content.bmp"), oldContent);
        QCOMPARE(messages.size(), 2);
    }

    // The background is scaled to cover the screen before the block goes in.
    void coversTheScreen() {
        Fixture fx;
        fx.dialog.setScreenSize(QSize(1280, 1024));
        QVERIFY(fx.dialog.prepare());
        QCOMPARE(fx.dialog.composite().size(), QSize(1280, 1024));
        QCOMPARE(fx.dialog.composite().pixelColor(1280 - 662, 2),
                 WallpaperBlend::compose(plain(1280, 1024, Qt::black),
                                         BmpFile::load(fx.dir.filePath("Content.bmp")), 2)
                     .pixelColor(1280 - 662, 2));
    }
};

QTEST_MAIN(TestWallpaperDialog)
#include "tst_WallpaperDialog.moc"
