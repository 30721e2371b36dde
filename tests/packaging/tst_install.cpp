// `cmake --install` of the build into a temporary prefix: the layout, and the desktop entry,
// AppStream metadata, icons, manual pages, copyright and changelog as the desktop's and Debian's
// own tools check them.
#include "Command.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

class TestInstall : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_prefix.isValid());
        const CommandResult r =
            runCommand(QStringLiteral(KESTROVA_CMAKE),
                       {"--install", QStringLiteral(KESTROVA_BUILD_DIR), "--prefix", usr()});
        QVERIFY2(r.ok(), qPrintable(r.output));
    }

    void layout_data() {
        QTest::addColumn<QString>("path");
        for (const char *p :
             {"bin/kestrova", "bin/chncal", "share/kestrova/pictures/logo.png",
              "share/kestrova/pictures/title_strip.png", "share/kestrova/lock/login_top.png",
              "share/kestrova/web/welcome.html", "share/kestrova/holidays/cn_public_holidays.tsv",
              "share/applications/org.kestrova.Kestrova.desktop",
              "share/metainfo/org.kestrova.Kestrova.metainfo.xml",
              "share/kestrova/DeskTopBG/A1.png", "share/kestrova/DeskTopBG/A2.png",
              "share/icons/hicolor/scalable/apps/kestrova.svg", "share/man/man1/chncal.1.gz",
              "share/man/man1/kestrova.1.gz", "share/doc/kestrova/copyright",
              "share/doc/kestrova/changelog.gz"})
            QTest::newRow(p) << QString::fromLatin1(p);
    }
    void layout() {
        QFETCH(QString, path);
        QVERIFY2(QFileInfo(usr() + '/' + path).isFile(), qPrintable(path));
    }

    void programsAreExecutable() {
        for (const char *name : {"kestrova", "chncal"})
            QVERIFY(QFileInfo(usr() + "/bin/" + name).isExecutable());
        const CommandResult r = runCommand(usr() + "/bin/chncal", {"2024-02-10"});
        QVERIFY2(r.ok() && r.output.contains(QStringLiteral("春节")), qPrintable(r.output));
    }

    void iconSizes_data() {
        QTest::addColumn<int>("size");
        for (int s : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::newRow(qPrintable(QString::number(s))) << s;
    }
    void iconSizes() {
        QFETCH(int, size);
        const QImage icon(usr() +
                          QStringLiteral("/share/icons/hicolor/%1x%1/apps/kestrova.png").arg(size));
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
    }

    void scalableIconIsAnSvgDocument() {
        QFile svg(usr() + "/share/icons/hicolor/scalable/apps/kestrova.svg");
        QVERIFY(svg.open(QIODevice::ReadOnly));
        const QByteArray text = svg.readAll();
        QVERIFY(text.contains("<svg xmlns=\"http://www.w3.org/2000/svg\""));
        QVERIFY(text.contains("viewBox=\"0 0 256 256\""));
    }

    void desktopEntryPassesDesktopFileValidate() {
        const QString file = usr() + "/share/applications/org.kestrova.Kestrova.desktop";
        const CommandResult r = runCommand("desktop-file-validate", {file});
        QVERIFY2(r.ok() && r.output.trimmed().isEmpty(), qPrintable(r.output));
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
        for (const QString &expected :
             {QStringLiteral("Exec=kestrova"), QStringLiteral("Icon=kestrova"),
              QStringLiteral("Categories=Office;Calendar;"),
              QStringLiteral("StartupWMClass=Kestrova1024K715"),
              QStringLiteral("Name[zh_CN]=Kestrova 桌面月历")})
            QVERIFY2(lines.contains(expected), qPrintable(expected));
    }

    void metainfoPassesAppstreamcliValidate() {
        const CommandResult r = runCommand(
            "appstreamcli",
            {"validate", "--no-net", usr() + "/share/metainfo/org.kestrova.Kestrova.metainfo.xml"});
        QVERIFY2(r.ok(), qPrintable(r.output));
    }

    void compressedFiles_data() {
        QTest::addColumn<QString>("path");
        for (const char *p : {"share/man/man1/chncal.1.gz", "share/man/man1/kestrova.1.gz",
                              "share/doc/kestrova/changelog.gz"})
            QTest::newRow(p) << QString::fromLatin1(p);
    }
    // gzip -9n: best compression, no name and no time, so that a rebuild gives the same bytes.
    void compressedFiles() {
        QFETCH(QString, path);
        QFile f(usr() + '/' + path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray header = f.read(10);
        QCOMPARE(header.left(3), QByteArray("\x1f\x8b\x08"));
        QCOMPARE(int(header[3]) & 0x08, 0);           // no file name
        QCOMPARE(header.mid(4, 4), QByteArray(4, 0)); // no time
        QCOMPARE(int(header[8]), 2);                  // best compression
    }

    void manualPageFormatsWithoutWarnings_data() {
        QTest::addColumn<QString>("page");
        QTest::newRow("kestrova") << "kestrova.1.gz";
        QTest::newRow("chncal") << "chncal.1.gz";
    }
    void manualPageFormatsWithoutWarnings() {
        QFETCH(QString, page);
        const CommandResult r = runCommand("sh", {"-c", "zcat \"$1\" | groff -man -ww -z", "sh",
                                                  usr() + "/share/man/man1/" + page});
        QVERIFY2(r.ok() && r.output.trimmed().isEmpty(), qPrintable(r.output));
    }

    // The changelog of this version, the machine-readable copyright of a GPL-3.0-or-later program,
    // and the AppStream licence to match.
    void changelogCopyrightAndLicence() {
        const CommandResult log =
            runCommand("sh", {"-c", "zcat \"$1\" | dpkg-parsechangelog -l - -S Version", "sh",
                              usr() + "/share/doc/kestrova/changelog.gz"});
        QVERIFY2(log.ok(), qPrintable(log.output));
        QCOMPARE(log.output.trimmed(), QStringLiteral(KESTROVA_VERSION));

        QFile copyright(usr() + "/share/doc/kestrova/copyright");
        QVERIFY(copyright.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(copyright.readAll());
        QVERIFY(text.startsWith(
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"));
        QVERIFY(text.contains("\nLicense: GPL-3.0+\n"));
        QVERIFY(text.contains("\"/usr/share/common-licenses/GPL-3\""));

        QFile metainfo(usr() + "/share/metainfo/org.kestrova.Kestrova.metainfo.xml");
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        QVERIFY(metainfo.readAll().contains("<project_license>GPL-3.0-or-later</project_license>"));
    }

private:
    QString usr() const { return m_prefix.filePath("usr"); }
    QTemporaryDir m_prefix;
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
