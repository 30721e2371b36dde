// The installed program started on a note database damaged on purpose: the damage is found at
// start, the damaged file is kept untouched, the newest backup is offered and, accepted with
// Enter, every note of that backup is back.
#include "BackupFixtures.h"
#include "ProgramRun.h"
#include "store/AppPaths.h"
#include "store/BackupManager.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr int kMonths = 60;

QString run(const QString &program, const QStringList &args, int timeoutMs = 60000) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) p.kill();
    p.waitForFinished();
    return QString::fromLocal8Bit(p.readAll()).trimmed();
}

QSize windowSize(const QString &window) {
    QSize size;
    for (const QString &line :
         run("xdotool", {"getwindowgeometry", "--shell", window}).split('\n')) {
        if (line.startsWith("WIDTH=")) size.setWidth(line.mid(6).toInt());
        if (line.startsWith("HEIGHT=")) size.setHeight(line.mid(7).toInt());
    }
    return size;
}
} // namespace

class TestRecoveryE2E : public QObject {
    Q_OBJECT
private slots:
    void damagedDatabaseIsFoundAndTheBackupRestored() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) QSKIP("needs an X display (run through Xvfb)");
        if (run("sh", {"-c", "command -v xdotool"}).isEmpty()) QSKIP("xdotool is needed");
        QTemporaryDir work;
        const QString prefix = work.filePath("usr");
        const QString install =
            run(QStringLiteral(KESTROVA_CMAKE),
                {"--install", QStringLiteral(KESTROVA_BUILD_DIR), "--prefix", prefix});
        QVERIFY2(QFileInfo(prefix + "/bin/kestrova").isExecutable(), qPrintable(install));

        const AppPaths paths(work.filePath("data/kestrova"), prefix + "/bin");
        paths.ensureLayout();
        testfiles::fillDatabase(paths.databaseFile(), kMonths);
        BackupManager(paths.databaseFile(), paths.backupDir())
            .backupNow(QDate::currentDate().addDays(-1));
        BackupManager::checkpoint(paths.databaseFile());
        QVERIFY(testfiles::damage(paths.databaseFile(), 8));
        const QByteArray damaged = testfiles::fileHash(paths.databaseFile());

        QTemporaryDir runtime;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_DATA_HOME", work.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(prefix + "/bin/kestrova", {});
        QVERIFY(program.waitForStarted());
        const auto stop = qScopeGuard([&] {
            if (program.state() == QProcess::Running) {
                program.kill();
                program.waitForFinished();
            }
        });

        // The program's windows (the main window alone carries the program's class).
        const auto visibleWindows = [pid = program.processId()] {
            return ProgramRun::visibleWindowsOf(pid);
        };
        // The offer comes first, before the main window.
        QVERIFY2(QTest::qWaitFor([&] { return visibleWindows().size() == 1; }, 20000),
                 qPrintable(QString::fromLocal8Bit(program.readAll())));
        const QString offer = visibleWindows().first();
        QVERIFY(windowSize(offer) != QSize(1024, 738));
        const QStringList kept = QDir(paths.db3Dir()).entryList({"CalendarD.damaged-*.db"});
        QCOMPARE(kept.size(), 1);
        QTest::qWait(300);
        run("xdotool", {"key", "--window", offer, "Return"}); // the default: restore
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows().size() == 1 &&
                                     windowSize(visibleWindows().first()) == QSize(1024, 738),
                                 20000);

        program.terminate(); // closes like Escape
        QVERIFY(program.waitForFinished(15000));
        QVERIFY(testfiles::holdsNotes(paths.databaseFile(), kMonths));
        QCOMPARE(testfiles::fileHash(paths.db3Dir() + '/' + kept.first()), damaged);
        QVERIFY(QFileInfo::exists(paths.backupDir() + '/' +
                                  BackupManager::dailyFileName(QDate::currentDate())));
    }
};

QTEST_GUILESS_MAIN(TestRecoveryE2E)
#include "tst_RecoveryE2E.moc"
