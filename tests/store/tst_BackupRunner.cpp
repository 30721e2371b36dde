// The automatic copies on a thread of their own: stopped at any point, they leave only complete,
// sound copies in the backup folder.
#include "BackupFixtures.h"
#include "store/BackupManager.h"
#include "store/BackupRunner.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>

namespace {
const QDate kEarlier(2025, 7, 7);
const QDate kToday(2025, 7, 8);
} // namespace

class TestBackupRunner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        m_db = m_dir.filePath("DB3/CalendarD.db");
        QDir().mkpath(m_dir.filePath("DB3"));
        testfiles::fillDatabase(m_db, 12);
        QVERIFY(testfiles::addBulk(m_db, 24));
        BackupManager::checkpoint(m_db);
    }

    void init() { m_backupDir = m_dir.filePath(QStringLiteral("backup-%1").arg(++m_round)); }

    // A copy stopped at its start, while VACUUM INTO writes, or by a copy the window asks for
    // (which takes its place): no temporary file, no half copy, the earlier copy untouched.
    void stoppedCopyLeavesOnlySoundCopies_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("todayCopied");
        QTest::newRow("cancelled at once") << "cancel now" << false;
        QTest::newRow("cancelled while writing") << "cancel while writing" << false;
        QTest::newRow("copy from the window while writing") << "window copy" << true;
    }
    void stoppedCopyLeavesOnlySoundCopies() {
        QFETCH(QString, how);
        QFETCH(bool, todayCopied);
        BackupManager manager(m_db, m_backupDir);
        const QString earlier = manager.backupNow(kEarlier).file;
        const QByteArray earlierHash = testfiles::fileHash(earlier);
        const QString today = QDir(m_backupDir).filePath(BackupManager::dailyFileName(kToday));

        BackupRunner runner(manager);
        QSignalSpy finished(&runner, &BackupRunner::finished);
        QVERIFY(runner.startDaily(kToday));
        std::unique_ptr<testfiles::CopyWatch> watch;
        if (how == "cancel now") {
            runner.cancel();
        } else {
            watch =
                std::make_unique<testfiles::CopyWatch>(today + ".part", 2 * testfiles::kMiB, [&] {
                    if (how == "window copy")
                        manager.backupNow(kToday);
                    else
                        runner.cancel();
                });
        }
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 30000);
        QVERIFY(!runner.isRunning());
        if (watch) QVERIFY2(watch->fired(), "the copy ended before it could be stopped");
        QCOMPARE(finished.first().first().toString(), QString());
        QCOMPARE(testfiles::unsoundBackupFiles(manager), QStringList());
        QCOMPARE(QFileInfo::exists(today), todayCopied);
        QCOMPARE(testfiles::fileHash(earlier), earlierHash);
    }

    // A stop asked for half way through ends the copy there: no day's copy and no partial
    // file. How soon it ends is measured by bench_BackupManager (stop against a whole copy).
    void stoppedCopyEndsBeforeItsEnd() {
        BackupManager manager(m_db, m_backupDir);
        BackupRunner runner(manager);
        const QString today = QDir(m_backupDir).filePath(BackupManager::dailyFileName(kToday));
        testfiles::CopyWatch watch(today + ".part", 2 * testfiles::kMiB, [&] {
            runner.cancel();
            runner.wait();
        });
        QVERIFY(runner.startDaily(kToday));
        QTRY_VERIFY_WITH_TIMEOUT(watch.fired(), 30000);
        QVERIFY(!runner.isRunning());
        QVERIFY(!QFileInfo::exists(today));
        QVERIFY(!QFileInfo::exists(today + ".part"));
        QCOMPARE(testfiles::unsoundBackupFiles(manager), QStringList());
    }

    void nextStartAfterAStopMakesTheCopy() {
        BackupManager manager(m_db, m_backupDir);
        BackupRunner runner(manager);
        QSignalSpy finished(&runner, &BackupRunner::finished);
        QVERIFY(runner.startDaily(kToday));
        QVERIFY(!runner.startDaily(kToday)); // one at a time
        runner.cancel();
        runner.wait();
        QCOMPARE(finished.size(), 1);
        QVERIFY(runner.startDaily(kToday));
        runner.wait();
        QCOMPARE(finished.size(), 2);
        QCOMPARE(finished.last().first().toString(), QString());
        QVERIFY(manager.dailyBackupOf(kToday));
        QCOMPARE(testfiles::unsoundBackupFiles(manager), QStringList());
    }

private:
    QTemporaryDir m_dir;
    QString m_db;
    QString m_backupDir;
    int m_round = 0;
};

QTEST_GUILESS_MAIN(TestBackupRunner)
#include "tst_BackupRunner.moc"
