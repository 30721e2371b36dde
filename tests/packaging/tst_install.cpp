// `cmake --install` of the build into a temporary prefix: the layout, and the desktop entry,
// AppStream metadata, icons and manual page as the desktop's own tools check them.
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
              "share/icons/hicolor/scalable/apps/kestrova.svg", "share/man/man1/chncal.1"})
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

    void manualPageFormatsWithoutWarnings() {
        const CommandResult r =
            runCommand("groff", {"-man", "-ww", "-z", usr() + "/share/man/man1/chncal.1"});
        QVERIFY2(r.ok() && r.output.trimmed().isEmpty(), qPrintable(r.output));
    }

private:
    QString usr() const { return m_prefix.filePath("usr"); }
    QTemporaryDir m_prefix;
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
