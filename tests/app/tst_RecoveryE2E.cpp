// The installed program started on a note database damaged on purpose: the damage is found at
// start and nothing is changed until the user has chosen what takes the file's place.
#include "BackupFixtures.h"
#include "ProgramRun.h"
#include "store/AppPaths.h"
#include "store/BackupManager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

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

// The installed program in a temporary prefix, on a data folder whose database is damaged and
// has a backup of the day before.
struct DamagedInstall {
    QTemporaryDir work;
    QTemporaryDir runtime;
    QString prefix = work.filePath("usr");
    AppPaths paths{work.filePath("data/kestrova"), prefix + "/bin"};
    QByteArray damaged;
    QMap<QString, QByteArray> backups; // name -> hash

    QString setUp() {
        const QString install =
            run(QStringLiteral(KESTROVA_CMAKE),
                {"--install", QStringLiteral(KESTROVA_BUILD_DIR), "--prefix", prefix});
        if (!QFileInfo(prefix + "/bin/kestrova").isExecutable()) return install;
        paths.ensureLayout();
        testfiles::fillDatabase(paths.databaseFile(), kMonths);
        BackupManager(paths.databaseFile(), paths.backupDir())
            .backupNow(QDate::currentDate().addDays(-1));
        BackupManager::checkpoint(paths.databaseFile());
        if (!testfiles::damage(paths.databaseFile(), 8)) return QStringLiteral("cannot damage");
        damaged = testfiles::fileHash(paths.databaseFile());
        backups = backupHashes();
        return QString();
    }
    QMap<QString, QByteArray> backupHashes() const {
        QMap<QString, QByteArray> hashes;
        for (const QString &name : QDir(paths.backupDir()).entryList(QDir::Files))
            hashes.insert(name, testfiles::fileHash(paths.backupDir() + '/' + name));
        return hashes;
    }
    QStringList kept() const { return QDir(paths.db3Dir()).entryList({"CalendarD.damaged-*.db"}); }
    void start(QProcess &program) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("QT_QPA_PLATFORM");
        env.insert("XDG_DATA_HOME", work.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(prefix + "/bin/kestrova", {});
    }
};

// Ends `program` when the test leaves early.
auto killedAtTheEnd(QProcess &program) {
    return qScopeGuard([&program] {
        if (program.state() == QProcess::Running) {
            program.kill();
            program.waitForFinished();
        }
    });
}

// The damage question: the one visible window of the program that is not the main window.
QString waitForOffer(const QProcess &program) {
    QString offer;
    (void)QTest::qWaitFor(
        [&] {
            offer.clear();
            for (const QString &w : ProgramRun::visibleWindowsOf(program.processId()))
                if (windowSize(w) != QSize(1024, 738) && windowSize(w).isValid()) offer = w;
            return !offer.isEmpty();
        },
        20000);
    return offer;
}
} // namespace

class TestRecoveryE2E : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("DISPLAY")) QSKIP("needs an X display (run through Xvfb)");
        if (run("sh", {"-c", "command -v xdotool"}).isEmpty()) QSKIP("xdotool is needed");
    }

    // The damage is found while the window shows; the newest backup is offered and, accepted
    // with Enter, every note of that backup is back, the damaged file kept untouched.
    void damagedDatabaseIsFoundAndTheBackupRestored() {
        DamagedInstall data;
        const QString failure = data.setUp();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QProcess program;
        data.start(program);
        QVERIFY(program.waitForStarted());
        const auto stop = killedAtTheEnd(program);
        const QString offer = waitForOffer(program);
        QVERIFY2(!offer.isEmpty(), qPrintable(QString::fromLocal8Bit(program.readAll())));
        // Nothing has moved before the answer.
        QCOMPARE(data.kept(), QStringList());
        QCOMPARE(testfiles::fileHash(data.paths.databaseFile()), data.damaged);
        QTest::qWait(300);
        run("xdotool", {"key", "--window", offer, "Return"}); // the default: restore
        // The box goes on the press: its release must not leave the key down on the display.
        run("xdotool", {"keyup", "Return"});
        QTRY_VERIFY_WITH_TIMEOUT(data.kept().size() == 1, 20000);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QStringList windows = ProgramRun::visibleWindowsOf(program.processId());
                return windows.size() == 1 && windowSize(windows.first()) == QSize(1024, 738);
            }(),
            20000);

        // The day's copy is made in the background once the restored file is open (a
        // termination before it is done would stop it).
        const QString todaysCopy =
            data.paths.backupDir() + '/' + BackupManager::dailyFileName(QDate::currentDate());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(todaysCopy), 20000);
        program.terminate(); // closes like Escape
        QVERIFY(program.waitForFinished(15000));
        QVERIFY(testfiles::holdsNotes(data.paths.databaseFile(), kMonths));
        QCOMPARE(testfiles::fileHash(data.paths.db3Dir() + '/' + data.kept().first()),
                 data.damaged);
        QCOMPARE(BackupManager::quickCheck(todaysCopy), QString());
    }

    // The session ends (SIGTERM, SIGHUP) while the question waits: the program ends at once and
    // has changed nothing, and the next start asks again.
    void terminationAtTheQuestionChangesNothing_data() {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }
    void terminationAtTheQuestionChangesNothing() {
        QFETCH(int, signalNumber);
        DamagedInstall data;
        const QString failure = data.setUp();
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        for (int round = 0; round < 2; ++round) {
            QProcess program;
            data.start(program);
            QVERIFY(program.waitForStarted());
            const auto stop = killedAtTheEnd(program);
            QVERIFY2(!waitForOffer(program).isEmpty(),
                     qPrintable(QString::fromLocal8Bit(program.readAll())));
            QElapsedTimer ending;
            ending.start();
            QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);
            QVERIFY(program.waitForFinished(5000));
            QVERIFY2(ending.elapsed() < 2000, qPrintable(QString::number(ending.elapsed())));
            QCOMPARE(program.exitStatus(), QProcess::NormalExit);
            QCOMPARE(testfiles::fileHash(data.paths.databaseFile()), data.damaged);
            QCOMPARE(data.kept(), QStringList());
            QCOMPARE(data.backupHashes(), data.backups);
        }
    }
};

QTEST_GUILESS_MAIN(TestRecoveryE2E)
#include "tst_RecoveryE2E.moc"
