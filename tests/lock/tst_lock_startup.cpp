// The real program on a virtual X display: with the start-up password on, the gate is the
// first and only window; a wrong password keeps it with an empty field, the right one shows
// the main window, and cancel ends the program.
#include "lock/LoginFile.h"
#include "lock/PasswordSettings.h"
#include "store/AppPaths.h"
#include "store/StoreError.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

const QString kGateTitle = QStringLiteral("Kestrova 登录");
const QString kMainTitle = QStringLiteral("Kestrova桌面月历K714");
const QString kWrongTitle = QStringLiteral("登陆提示");

// Runs a helper tool and returns its standard output.
QString tool(const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
    }
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Ids of the mapped windows of process `pid` whose name is `name`, alone or followed by the
// application's display name (" — Kestrova KESTROVA"), as Qt writes window titles.
QStringList visibleWindows(qint64 pid, const QString &name) {
    const QString out =
        tool(QStringLiteral("xdotool"),
             {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
              QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"),
              QLatin1Char('^') + QRegularExpression::escape(name) + QStringLiteral("( .*)?$")});
    return out.isEmpty() ? QStringList{} : out.split(QLatin1Char('\n'));
}

// Every mapped window of `pid`, whatever its name.
QStringList allVisibleWindows(qint64 pid) {
    const QString out =
        tool(QStringLiteral("xdotool"),
             {QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
              QStringLiteral("--pid"), QString::number(pid)});
    return out.isEmpty() ? QStringList{} : out.split(QLatin1Char('\n'));
}

QString waitForWindow(qint64 pid, const QString &name, int ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        const QStringList ids = visibleWindows(pid, name);
        if (!ids.isEmpty()) return ids.first();
        QTest::qWait(100);
    }
    return QString();
}

bool waitForNoWindow(qint64 pid, const QString &name, int ms = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        if (visibleWindows(pid, name).isEmpty()) return true;
        QTest::qWait(100);
    }
    return false;
}

void focusAndType(const QString &window, const QString &text) {
    tool(QStringLiteral("xdotool"),
         {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    QTest::qWait(200);
    if (!text.isEmpty())
        tool(QStringLiteral("xdotool"),
             {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), text});
}

void pressKey(const QString &window, const QString &key) {
    tool(QStringLiteral("xdotool"),
         {QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    QTest::qWait(100);
    tool(QStringLiteral("xdotool"), {QStringLiteral("key"), key});
}

QImage capture(const QString &window) {
    QProcess p;
    p.start(QStringLiteral("import"), {QStringLiteral("-silent"), QStringLiteral("-window"), window,
                                       QStringLiteral("png:-")});
    p.waitForFinished(10000);
    return QImage::fromData(p.readAllStandardOutput(), "PNG");
}

// Dark pixels (typed asterisks) inside the gate's password field, left of which the text
// cursor may blink. The field lies at 157,80 (78 x 19) in the gate.
int darkPixelsInField(const QImage &gate) {
    int dark = 0;
    for (int y = 83; y < 96; ++y)
        for (int x = 165; x < 228; ++x)
            if (qGray(gate.pixel(x, y)) < 128) ++dark;
    return dark;
}

} // namespace

class TestLockStartup : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_programDir;
    QString m_program;
    std::unique_ptr<QProcess> m_process;

    void writeLoginFile(const QString &password, bool gate) {
        const QString path = m_programDir + QStringLiteral("/DB3/loginstr.db");
        QVERIFY(QDir().mkpath(m_programDir + QStringLiteral("/DB3")));
        if (password.isEmpty()) {
            QString error;
            QVERIFY2(
                LoginFile::write(path,
                                 {QStringLiteral("NOKEY4817203"), QStringLiteral("NOKEY4817203"),
                                  gate ? QStringLiteral("-1") : QStringLiteral("0")},
                                 error),
                qPrintable(error));
            return;
        }
        const PasswordSettings::Result r = PasswordSettings::apply(path, true, password, password);
        QCOMPARE(r.outcome, PasswordSettings::Outcome::PasswordSet);
        if (!gate) {
            QStringList lines;
            QString error;
            QVERIFY(LoginFile::read(path, lines, error));
            lines[2] = QStringLiteral("0");
            QVERIFY(LoginFile::write(path, lines, error));
        }
    }

    QProcess &start() {
        m_process = std::make_unique<QProcess>();
        QProcess &process = *m_process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        // A home of its own, so no other running copy or earlier run is seen.
        const QString home = m_root.filePath(QStringLiteral("home"));
        QDir().mkpath(home + QStringLiteral("/run"));
        QFile::setPermissions(home + QStringLiteral("/run"), QFileDevice::ReadOwner |
                                                                 QFileDevice::WriteOwner |
                                                                 QFileDevice::ExeOwner);
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_programDir);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(m_program, {});
        if (!process.waitForStarted(10000)) qWarning() << process.errorString();
        return process;
    }

    static void stop(QProcess &process) {
        if (process.state() == QProcess::NotRunning) return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

private slots:
    void initTestCase() {
        QVERIFY(m_root.isValid());
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("xdotool is not installed");
        m_programDir = m_root.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(m_programDir));
        const QFileInfo binary(QStringLiteral(KESTROVA_BINARY));
        QVERIFY2(binary.exists(), KESTROVA_BINARY);
        m_program = m_programDir + QLatin1Char('/') + binary.fileName();
        QVERIFY(QFile::copy(binary.filePath(), m_program));
        // Shipped pictures and pages, when the build put them beside the binary.
        const QString resources = binary.absolutePath() + QStringLiteral("/resources");
        QDirIterator it(resources, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = m_programDir + QStringLiteral("/resources/") +
                               QDir(resources).relativeFilePath(from);
            QDir().mkpath(QFileInfo(to).absolutePath());
            QFile::copy(from, to);
        }
    }

    void cleanup() {
        if (m_process) stop(*m_process);
        m_process.reset();
    }

    void init() {
        // A fresh data folder for each run, laid out as a first start would.
        QDir(m_programDir + QStringLiteral("/DB3")).removeRecursively();
        QDir(m_programDir + QStringLiteral("/source")).removeRecursively();
        try {
            QVERIFY(AppPaths(m_programDir, m_programDir).ensureLayout());
        } catch (const StoreError &e) {
            QFAIL(qPrintable(e.message()));
        }
    }

    void wrongThenRightPassword() {
        writeLoginFile(QStringLiteral("geheim7"), true);
        QProcess &process = start();
        QVERIFY2(process.state() == QProcess::Running, qPrintable(process.errorString()));
        const qint64 pid = process.processId();

        const QString gate = waitForWindow(pid, kGateTitle);
        QVERIFY2(!gate.isEmpty(), "the gate did not appear");
        QTest::qWait(500); // anything else that would open, opens now
        QCOMPARE(allVisibleWindows(pid), QStringList{gate});
        QVERIFY(visibleWindows(pid, kMainTitle).isEmpty());

        focusAndType(gate, QStringLiteral("wrong"));
        QTRY_VERIFY_WITH_TIMEOUT(darkPixelsInField(capture(gate)) > 0, 5000);
        pressKey(gate, QStringLiteral("Return"));
        const QString box = waitForWindow(pid, kWrongTitle);
        QVERIFY2(!box.isEmpty(), "no message about the wrong password");
        QVERIFY(visibleWindows(pid, kMainTitle).isEmpty());
        pressKey(box, QStringLiteral("Return"));
        QVERIFY(waitForNoWindow(pid, kWrongTitle));

        QCOMPARE(visibleWindows(pid, kGateTitle), QStringList{gate});
        QVERIFY(visibleWindows(pid, kMainTitle).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(darkPixelsInField(capture(gate)), 0, 5000);

        // Typed after the cleared field, this is exactly the password.
        focusAndType(gate, QStringLiteral("geheim7"));
        pressKey(gate, QStringLiteral("Return"));
        QVERIFY2(!waitForWindow(pid, kMainTitle).isEmpty(), "the main window did not appear");
        QVERIFY(waitForNoWindow(pid, kGateTitle));
        QVERIFY(visibleWindows(pid, kWrongTitle).isEmpty());
        QCOMPARE(process.state(), QProcess::Running);
    }

    void cancelEndsTheProgram() {
        writeLoginFile(QStringLiteral("geheim7"), true);
        QProcess &process = start();
        QVERIFY2(process.state() == QProcess::Running, qPrintable(process.errorString()));
        const qint64 pid = process.processId();
        const QString gate = waitForWindow(pid, kGateTitle);
        QVERIFY2(!gate.isEmpty(), "the gate did not appear");
        // "取消" lies at 65,98 (42 x 15) in the inner panel, at 104,18 in the gate.
        tool(QStringLiteral("xdotool"),
             {QStringLiteral("mousemove"), QStringLiteral("--window"), gate, QStringLiteral("190"),
              QStringLiteral("123"), QStringLiteral("click"), QStringLiteral("1")});
        const bool ended = process.waitForFinished(10000);
        QVERIFY2(ended, "the program kept running after cancel");
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    }

    void gateOffShowsMainWindowFirst_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("no password") << QString();
        QTest::newRow("password, flag 0") << QStringLiteral("geheim7");
    }
    void gateOffShowsMainWindowFirst() {
        QFETCH(QString, password);
        writeLoginFile(password, false);
        QProcess &process = start();
        QVERIFY2(process.state() == QProcess::Running, qPrintable(process.errorString()));
        const qint64 pid = process.processId();
        QVERIFY2(!waitForWindow(pid, kMainTitle).isEmpty(), "the main window did not appear");
        QVERIFY(visibleWindows(pid, kGateTitle).isEmpty());
    }
};

QTEST_MAIN(TestLockStartup)
#include "tst_lock_startup.moc"
