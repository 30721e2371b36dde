// The real program on an X display with a window manager (openbox), as a user's desktop has
// one: what the window manager and the task bar see of its windows, and a second start.
#include "ProgramRun.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>

using ProgramRun::run;
using ProgramRun::windowProperty;

namespace {
const QString kClass = QStringLiteral("Kestrova1024K715");
const QString kMainClass = QStringLiteral("\"%1\", \"%1\"").arg(kClass);
// The program file's name and the application title.
const QString kOtherClass = QStringLiteral("\"kestrova\", \"Kestrova KESTROVA\"");

// xprop prints a window id in hexadecimal; xdotool in decimal.
QString hexId(const QString &window) {
    return QStringLiteral("window id # 0x%1").arg(window.toULongLong(), 0, 16);
}
} // namespace

class TestDesktopSession : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void mainWindowNamesAndClass();
    void sizeDialogHasItsCaptionOnly();
    void secondStartRestoresMinimisedWindow();
    void secondStartActivatesWindowBehindAnother();
    void gateHasItsCaptionAndComesToFront();
    void cleanupTestCase();

private:
    void start();
    void closeProgram();
    QString activeWindow() const { return windowProperty(QString(), "_NET_ACTIVE_WINDOW"); }
    // Waits (long enough for a busy machine) until the window is the active one.
    bool becomesActive(const QString &window) const {
        return QTest::qWaitFor([&] { return activeWindow() == hexId(window); }, 10000);
    }
    QString diagnosis() const;
    bool secondStart();

    QTemporaryDir m_programDir;
    QTemporaryDir m_runtimeDir;
    QString m_binary;
    std::unique_ptr<QProcess> m_windowManager;
    std::unique_ptr<QProcess> m_process;
    QString m_window;
};

void TestDesktopSession::initTestCase() {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) QSKIP("needs an X display (run through Xvfb)");
    if (run("sh", {"-c", "command -v xdotool && command -v xprop && command -v openbox"})
            .split('\n')
            .size() != 3)
        QSKIP("xdotool, xprop and openbox are needed (scripts/setup.sh installs them)");
    m_windowManager = std::make_unique<QProcess>();
    m_windowManager->start("openbox", {});
    QVERIFY(m_windowManager->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(!windowProperty(QString(), "_NET_SUPPORTING_WM_CHECK").isEmpty(),
                             10000);

    QVERIFY(m_programDir.isValid());
    m_binary = ProgramRun::copyProgram(QStringLiteral(KESTROVA_BINARY),
                                       QStringLiteral(KESTROVA_RESOURCES), m_programDir.path());
    QVERIFY(!m_binary.isEmpty());
}

void TestDesktopSession::start() {
    m_process = std::make_unique<QProcess>();
    m_process->setProcessEnvironment(ProgramRun::programEnvironment(m_runtimeDir.path()));
    m_process->start(m_binary, {});
    QVERIFY(m_process->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(ProgramRun::visibleWindowsOf(m_process->processId()).size() == 1,
                             20000);
    m_window = ProgramRun::visibleWindowsOf(m_process->processId()).first();
}

void TestDesktopSession::closeProgram() {
    if (!m_process || m_process->state() == QProcess::NotRunning) return;
    m_process->terminate();
    if (!m_process->waitForFinished(5000)) m_process->kill();
    m_process->waitForFinished();
}

// What the window manager sees, for a failed check.
QString TestDesktopSession::diagnosis() const {
    return QStringLiteral("active: %1; stacking: %2; the program's windows: %3 (main %4); its "
                          "output: %5")
        .arg(activeWindow(), windowProperty(QString(), "_NET_CLIENT_LIST_STACKING"),
             ProgramRun::visibleWindowsOf(m_process->processId()).join(' '), m_window,
             QString::fromLocal8Bit(m_process->readAll()));
}

// A second start with the first one's environment; it ends at once.
bool TestDesktopSession::secondStart() {
    QProcess second;
    second.setProcessEnvironment(m_process->processEnvironment());
    second.start(m_binary, {});
    return second.waitForFinished(5000) && second.exitStatus() == QProcess::NormalExit &&
           second.exitCode() == 0;
}

void TestDesktopSession::mainWindowNamesAndClass() {
    start();
    QCOMPARE(windowProperty(m_window, "WM_CLASS"), kMainClass);
    // The caption alone, without the application title after it; the task bar name is the
    // application title.
    QCOMPARE(windowProperty(m_window, "_NET_WM_NAME"), QStringLiteral("\"Kestrova桌面月历K714\""));
    QCOMPARE(windowProperty(m_window, "_NET_WM_ICON_NAME"),
             QStringLiteral("\"Kestrova KESTROVA\""));
    QVERIFY2(becomesActive(m_window), qPrintable(diagnosis()));
}

void TestDesktopSession::sizeDialogHasItsCaptionOnly() {
    QVERIFY(!m_window.isEmpty());
    // "|  选项" lies 804,88 in the 1008 pixels wide design, kept at its distance to the right.
    const QStringList g = run("xdotool", {"getwindowgeometry", "--shell", m_window}).split('\n');
    int x = 0, y = 0, width = 0;
    for (const QString &line : g) {
        if (line.startsWith("X=")) x = line.mid(2).toInt();
        if (line.startsWith("Y=")) y = line.mid(2).toInt();
        if (line.startsWith("WIDTH=")) width = line.mid(6).toInt();
    }
    QTest::qWait(1000); // the start-up timer opens the month page first
    run("xdotool", {"mousemove", QString::number(x + width - 1008 + 810), QString::number(y + 94),
                    "click", "1"});
    QTest::qWait(300);
    run("xdotool", {"key", "Down", "Return"}); // "设置界面大小"
    QString dialog;
    QTRY_VERIFY_WITH_TIMEOUT(
        !(dialog = run("xdotool", {"search", "--onlyvisible", "--name", "窗体大小设置"})).isEmpty(),
        5000);
    QCOMPARE(windowProperty(dialog, "_NET_WM_NAME"), QStringLiteral("\"窗体大小设置\""));
    QCOMPARE(windowProperty(dialog, "WM_CLASS"), kOtherClass);
    run("xdotool", {"key", "--window", dialog, "Escape"});
    QTRY_VERIFY(run("xdotool", {"search", "--onlyvisible", "--name", "窗体大小设置"}).isEmpty());
}

void TestDesktopSession::secondStartRestoresMinimisedWindow() {
    QVERIFY(!m_window.isEmpty());
    run("xdotool", {"windowminimize", m_window});
    QTRY_VERIFY(windowProperty(m_window, "_NET_WM_STATE").contains("_NET_WM_STATE_HIDDEN"));
    QVERIFY(activeWindow() != hexId(m_window));

    QVERIFY(secondStart());
    QVERIFY2(becomesActive(m_window), qPrintable(diagnosis()));
    QTRY_VERIFY(!windowProperty(m_window, "_NET_WM_STATE").contains("HIDDEN"));
    QTRY_VERIFY(run("xprop", {"-id", m_window, "WM_STATE"}).contains("Normal"));
    QCOMPARE(m_process->state(), QProcess::Running);
}

void TestDesktopSession::secondStartActivatesWindowBehindAnother() {
    QVERIFY(!m_window.isEmpty());
    QWidget other;
    other.setWindowTitle("other");
    other.setGeometry(0, 0, 1280, 1000);
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    const QString otherId = QString::number(other.winId());
    run("xdotool", {"windowactivate", otherId});
    QVERIFY2(becomesActive(otherId), qPrintable(diagnosis()));

    QVERIFY(secondStart());
    QVERIFY2(becomesActive(m_window), qPrintable(diagnosis()));
    // On top of the stacking order, which the window manager may settle a moment after the focus.
    const bool onTop = QTest::qWaitFor(
        [&] {
            return windowProperty(QString(), "_NET_CLIENT_LIST_STACKING")
                .endsWith(hexId(m_window).mid(12));
        },
        10000);
    QVERIFY2(onTop, qPrintable(diagnosis()));
    closeProgram();
}

void TestDesktopSession::gateHasItsCaptionAndComesToFront() {
    QFile login(m_programDir.filePath("DB3/loginstr.db"));
    QVERIFY(login.open(QIODevice::WriteOnly | QIODevice::Truncate));
    login.write("NOKEY4817203\r\nNOKEY4817203\r\n-1\r\n");
    login.close();
    start();
    const QString gate = m_window;
    QCOMPARE(windowProperty(gate, "WM_CLASS"), kOtherClass);
    QCOMPARE(windowProperty(gate, "_NET_WM_NAME"), QStringLiteral("\"Kestrova 登录\""));

    run("xdotool", {"windowminimize", gate});
    QTRY_VERIFY(windowProperty(gate, "_NET_WM_STATE").contains("_NET_WM_STATE_HIDDEN"));
    QVERIFY(secondStart());
    QVERIFY2(becomesActive(gate), qPrintable(diagnosis()));
    // The main window stays hidden until the gate lets it.
    QCOMPARE(ProgramRun::visibleWindowsOf(m_process->processId()), QStringList{gate});
    closeProgram();
}

void TestDesktopSession::cleanupTestCase() {
    closeProgram();
    if (m_windowManager) {
        m_windowManager->terminate();
        if (!m_windowManager->waitForFinished(5000)) m_windowManager->kill();
    }
}

QTEST_MAIN(TestDesktopSession)
#include "tst_DesktopSession.moc"
