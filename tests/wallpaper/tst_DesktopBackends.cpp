#include "wallpaper/install/CommandRunner.h"
#include "wallpaper/install/DesktopDetect.h"
#include "wallpaper/install/GSettingsWallpaper.h"
#include "wallpaper/install/KdeWallpaper.h"
#include "wallpaper/install/XfceWallpaper.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QMutex>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QUrl>

namespace {

// A path with a blank, a quote and Chinese in it.
QString awkwardPath(const QTemporaryDir &dir) {
    return dir.filePath(QStringLiteral("my pictures/it's 壁纸.bmp"));
}

// The string gsettings prints, in either of the quotes GVariant uses.
QString gvariantString(const QByteArray &printed) {
    const QString text = QString::fromUtf8(printed).trimmed();
    if (text.size() < 2 || text.front() != text.back()) return QString();
    QString out;
    for (int i = 1; i < text.size() - 1; ++i) {
        if (text[i] == u'\\' && i + 1 < text.size() - 1) ++i;
        out += text[i];
    }
    return out;
}

} // namespace

// Stands in for the Plasma shell on the session bus: records each script, or refuses it as a
// shell with locked widgets does.
class PlasmaStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")
public:
    explicit PlasmaStandIn(bool refuse) : m_refuse(refuse) {}
    QStringList scripts() const {
        QMutexLocker lock(&m_mutex);
        return m_scripts;
    }
public slots:
    QString evaluateScript(const QString &script) {
        if (m_refuse) {
            sendErrorReply(QStringLiteral("org.kde.plasmashell.error"),
                           QStringLiteral("Widgets are locked"));
            return QString();
        }
        QMutexLocker lock(&m_mutex);
        m_scripts << script;
        return QString();
    }

private:
    bool m_refuse;
    mutable QMutex m_mutex;
    QStringList m_scripts;
};

class TestDesktopBackends : public QObject {
    Q_OBJECT
private slots:
    void detection_data() {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<int>("kind");
        auto row = [](const char *name, QStringList vars, DesktopKind kind) {
            QTest::newRow(name) << vars << int(kind);
        };
        row("GNOME", {"XDG_CURRENT_DESKTOP=GNOME", "DISPLAY=:0"}, DesktopKind::Gnome);
        row("Ubuntu", {"XDG_CURRENT_DESKTOP=ubuntu:GNOME"}, DesktopKind::Gnome);
        row("Unity", {"XDG_CURRENT_DESKTOP=Unity"}, DesktopKind::Gnome);
        row("Budgie", {"XDG_CURRENT_DESKTOP=Budgie:GNOME"}, DesktopKind::Gnome);
        row("Pantheon", {"XDG_CURRENT_DESKTOP=Pantheon"}, DesktopKind::Gnome);
        row("MATE", {"XDG_CURRENT_DESKTOP=MATE"}, DesktopKind::Mate);
        row("Cinnamon", {"XDG_CURRENT_DESKTOP=X-Cinnamon"}, DesktopKind::Cinnamon);
        row("KDE", {"XDG_CURRENT_DESKTOP=KDE"}, DesktopKind::Kde);
        row("XFCE", {"XDG_CURRENT_DESKTOP=XFCE"}, DesktopKind::Xfce);
        row("lower case", {"XDG_CURRENT_DESKTOP=xfce"}, DesktopKind::Xfce);
        row("unknown first", {"XDG_CURRENT_DESKTOP=Foo:KDE"}, DesktopKind::Kde);
        row("session name", {"DESKTOP_SESSION=mate"}, DesktopKind::Mate);
        row("session plasma", {"DESKTOP_SESSION=plasmawayland", "WAYLAND_DISPLAY=wayland-0"},
            DesktopKind::Kde);
        row("KDE version only", {"KDE_SESSION_VERSION=5", "DISPLAY=:0"}, DesktopKind::Kde);
        row("plain X11", {"DISPLAY=:1"}, DesktopKind::PlainX11);
        row("unknown desktop on X", {"XDG_CURRENT_DESKTOP=i3", "DISPLAY=:1"},
            DesktopKind::PlainX11);
        row("Wayland session", {"XDG_SESSION_TYPE=wayland", "DISPLAY=:1"}, DesktopKind::Unknown);
        row("Wayland display", {"WAYLAND_DISPLAY=wayland-0", "DISPLAY=:1"}, DesktopKind::Unknown);
        row("nothing", {}, DesktopKind::Unknown);
    }
    void detection() {
        QFETCH(QStringList, variables);
        QFETCH(int, kind);
        QProcessEnvironment env;
        for (const QString &v : variables) env.insert(v.section('=', 0, 0), v.section('=', 1));
        QCOMPARE(int(DesktopDetect::detect(env)), kind);
    }

    void gvariantQuoting() {
        QCOMPARE(GSettingsWallpaper::quoted("a b"), QString("'a b'"));
        QCOMPARE(GSettingsWallpaper::quoted("it's"), QString("'it\\'s'"));
        QCOMPARE(GSettingsWallpaper::quoted("a\\b"), QString("'a\\\\b'"));
    }

    // The real gsettings tool and the real schemas, written to a key file.
    void gsettings_data() {
        QTest::addColumn<int>("desktop");
        QTest::addColumn<QString>("schema");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<bool>("uri");
        QTest::newRow("GNOME") << int(DesktopKind::Gnome) << "org.gnome.desktop.background"
                               << QStringList{"picture-uri", "picture-uri-dark"} << true;
        QTest::newRow("MATE") << int(DesktopKind::Mate) << "org.mate.background"
                              << QStringList{"picture-filename"} << false;
        QTest::newRow("Cinnamon") << int(DesktopKind::Cinnamon) << "org.cinnamon.desktop.background"
                                  << QStringList{"picture-uri"} << true;
    }
    void gsettings() {
        QFETCH(int, desktop);
        QFETCH(QString, schema);
        QFETCH(QStringList, keys);
        QFETCH(bool, uri);
        if (QStandardPaths::findExecutable("gsettings").isEmpty()) QSKIP("gsettings missing");
        QTemporaryDir dir;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("GSETTINGS_BACKEND", "keyfile");
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        const CommandRunner runner(10000, env);
        if (!runner.run("gsettings", {"list-keys", schema}).ok) QSKIP("schema not installed");

        // 'none' hides the picture: it must become 'zoom'.
        const bool hasNone =
            runner.run("gsettings", {"set", schema, "picture-options", "'none'"}).ok;
        const QString path = awkwardPath(dir);
        QString error;
        QVERIFY2(GSettingsWallpaper(runner).set(DesktopKind(desktop), path, &error),
                 qPrintable(error));
        const QString expected =
            uri ? QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded) : path;
        for (const QString &key : keys) {
            const auto got = runner.run("gsettings", {"get", schema, key});
            QVERIFY(got.ok);
            QCOMPARE(gvariantString(got.output), expected);
        }
        if (uri) QCOMPARE(QUrl(expected).toLocalFile(), path);
        if (hasNone)
            QCOMPARE(runner.run("gsettings", {"get", schema, "picture-options"}).output.trimmed(),
                     QByteArray("'zoom'"));
    }

    void gsettingsMissingTool() {
        QProcessEnvironment env;
        env.insert("PATH", "/nonexistent");
        const CommandRunner runner(2000, env);
        QString error;
        QVERIFY(!GSettingsWallpaper(runner).set(DesktopKind::Gnome, "/x.bmp", &error));
        QVERIFY(!error.isEmpty());
    }

    // xfconf-query with its daemon on this test's session bus (run under dbus-run-session).
    void xfce() {
        if (QStandardPaths::findExecutable("xfconf-query").isEmpty()) QSKIP("xfconf missing");
        if (!QDBusConnection::sessionBus().isConnected()) QSKIP("no session bus");
        QTemporaryDir dir;
        const CommandRunner runner(10000);
        const QString path = awkwardPath(dir);
        const QString channel = "xfce4-desktop";
        runner.run("xfconf-query", {"-c", channel, "-p", "/backdrop", "-r", "-R"});

        // No property yet: the primary monitor's first workspace gets one.
        QString error;
        QVERIFY2(XfceWallpaper(runner, "Virtual-1").set(path, &error), qPrintable(error));
        const QString created = "/backdrop/screen0/monitorVirtual-1/workspace0/last-image";
        QCOMPARE(
            QString::fromUtf8(runner.run("xfconf-query", {"-c", channel, "-p", created}).output)
                .trimmed(),
            path);

        // Every existing workspace of every monitor is updated.
        const QString other = "/backdrop/screen0/monitorHDMI-1/workspace3/last-image";
        QVERIFY(runner
                    .run("xfconf-query",
                         {"-c", channel, "-p", other, "-n", "-t", "string", "-s", "old"})
                    .ok);
        const QString next = dir.filePath("next.bmp");
        QVERIFY2(XfceWallpaper(runner, "Virtual-1").set(next, &error), qPrintable(error));
        for (const QString &p : {created, other})
            QCOMPARE(QString::fromUtf8(runner.run("xfconf-query", {"-c", channel, "-p", p}).output)
                         .trimmed(),
                     next);
    }

    void kdeScriptEscapes() {
        QCOMPARE(KdeWallpaper::jsString("a\"b\\c\nd"), QString("\"a\\\"b\\\\c\\nd\""));
        const QString script = KdeWallpaper::script("/tmp/a \"b\"/壁纸.bmp");
        QVERIFY(script.contains("org.kde.image"));
        QVERIFY(script.contains("desktops()"));
        QVERIFY(script.contains(KdeWallpaper::jsString(
            QUrl::fromLocalFile("/tmp/a \"b\"/壁纸.bmp").toString(QUrl::FullyEncoded))));
    }

    // The script goes to the shell over D-Bus; a refusing shell hands over to
    // plasma-apply-wallpaperimage.
    void kde_data() {
        QTest::addColumn<bool>("refuse");
        QTest::newRow("shell takes the script") << false;
        QTest::newRow("shell refuses") << true;
    }
    void kde() {
        QFETCH(bool, refuse);
        if (!QDBusConnection::sessionBus().isConnected()) QSKIP("no session bus");
        QTemporaryDir dir;
        // The stand-in answers from a thread and a connection of its own, as the shell would.
        QThread thread;
        thread.start();
        PlasmaStandIn shell(refuse);
        shell.moveToThread(&thread);
        const QString connName = QStringLiteral("standin-%1").arg(refuse);
        QDBusConnection standIn =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, connName);
        QVERIFY(standIn.registerObject("/PlasmaShell", &shell, QDBusConnection::ExportAllSlots));
        QVERIFY(standIn.registerService("org.kde.plasmashell"));

        // A stand-in for the command-line tool that records its arguments.
        const QString bin = dir.filePath("bin");
        QDir().mkpath(bin);
        QFile tool(bin + "/plasma-apply-wallpaperimage");
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$(dirname \"$0\")/called\"\n");
        tool.close();
        tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PATH", bin + ":" + env.value("PATH"));
        const CommandRunner runner(5000, env);

        const QString path = awkwardPath(dir);
        QString error;
        const bool ok = KdeWallpaper(runner, QDBusConnection::sessionBus()).set(path, &error);
        standIn.unregisterService("org.kde.plasmashell");
        QDBusConnection::disconnectFromBus(connName);
        thread.quit();
        thread.wait();
        QVERIFY2(ok, qPrintable(error));
        if (refuse) {
            QVERIFY(shell.scripts().isEmpty());
            QFile called(bin + "/called");
            QVERIFY(called.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(called.readAll()), path);
        } else {
            QCOMPARE(shell.scripts(), QStringList{KdeWallpaper::script(path)});
            QVERIFY(!QFile::exists(bin + "/called"));
        }
    }

    // Neither the shell nor the tool: a failure, never a success.
    void kdeNothingThere() {
        if (!QDBusConnection::sessionBus().isConnected()) QSKIP("no session bus");
        QProcessEnvironment env;
        env.insert("PATH", "/nonexistent");
        const CommandRunner runner(2000, env);
        QString error;
        QVERIFY(!KdeWallpaper(runner, QDBusConnection::sessionBus(), 2000).set("/x.bmp", &error));
        QVERIFY(!error.isEmpty());
    }

    void timeoutIsAFailure() {
        const CommandRunner runner(200);
        const auto r = runner.run("sleep", {"5"});
        QVERIFY(!r.ok);
        QVERIFY(!r.error.isEmpty());
        QVERIFY(!runner.run("false", {}).ok);
        QVERIFY(runner.run("true", {}).ok);
    }
};

QTEST_GUILESS_MAIN(TestDesktopBackends)
#include "tst_DesktopBackends.moc"
