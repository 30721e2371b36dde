#include "BackupFixtures.h"
#include "store/AutoBackup.h"
#include "store/BackupManager.h"
#include "store/BackupRotation.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

namespace {

using testfiles::cellText;
using testfiles::fileHash;
using testfiles::fillDatabase;
using testfiles::holdsNotes;

QStringList fileNames(const QString &dir) {
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

QString integrityCheck(const QString &file) {
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "integrity");
        db.setDatabaseName(file);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("PRAGMA integrity_check") && q.next()) result = q.value(0).toString();
        }
    }
    QSqlDatabase::removeDatabase("integrity");
    return result;
}

} // namespace

class TestBackupManager : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_db = m_dir->filePath("DB3/CalendarD.db");
        m_backupDir = m_dir->filePath("DB3/backup");
        QDir().mkpath(m_dir->filePath("DB3"));
    }

    void rotationKeepsDailyWeeklyMonthly_data() {
        QTest::addColumn<QList<QDate>>("dates");
        QTest::addColumn<QList<QDate>>("expected");
        const auto days = [](const QDate &from, const QDate &to) {
            QList<QDate> list;
            for (QDate d = from; d <= to; d = d.addDays(1)) list << d;
            return list;
        };
        QTest::newRow("fewer than seven") << days(QDate(2025, 3, 1), QDate(2025, 3, 4))
                                          << days(QDate(2025, 3, 1), QDate(2025, 3, 4));
        // Starts only on Mondays: every week and month counts, days are the Mondays themselves.
        QList<QDate> mondays;
        for (QDate d(2025, 1, 6); d <= QDate(2025, 6, 30); d = d.addDays(7)) mondays << d;
        QList<QDate> keptMondays;
        for (const QDate &d : mondays)
            if (d >= QDate(2025, 5, 19) || d == QDate(2025, 4, 28) || d == QDate(2025, 3, 31) ||
                d == QDate(2025, 2, 24) || d == QDate(2025, 1, 27))
                keptMondays << d;
        QTest::newRow("weekly starts") << mondays << keptMondays;
        QTest::newRow("duplicates and invalid dates")
            << QList<QDate>{QDate(2025, 1, 1), QDate(2025, 1, 1), QDate()}
            << QList<QDate>{QDate(2025, 1, 1)};
    }
    void rotationKeepsDailyWeeklyMonthly() {
        QFETCH(QList<QDate>, dates);
        QFETCH(QList<QDate>, expected);
        std::sort(expected.begin(), expected.end(), std::greater<QDate>());
        QCOMPARE(BackupRotation::keep(dates), expected);
    }

    // A year of daily starts, each making its copy and thinning out the others.
    void yearOfDailyStartsKeepsExactlyTheRotation() {
        fillDatabase(m_db, 1);
        AutoBackup backup(BackupManager(m_db, m_backupDir));
        for (QDate d(2025, 1, 1); d <= QDate(2025, 12, 31); d = d.addDays(1))
            QCOMPARE(backup.atStart(d), QString());
        QStringList expected;
        for (int day = 25; day <= 31; ++day) expected << QStringLiteral("2025-12-%1").arg(day);
        expected << "2025-12-21"
                 << "2025-12-14";                 // newest of the two weeks before
        for (int month = 1; month <= 11; ++month) // newest of each earlier month
            expected << QDate(2025, month, 1).addMonths(1).addDays(-1).toString("yyyy-MM-dd");
        for (QString &name : expected) name = "CalendarD-" + name + ".db";
        expected.sort();
        QCOMPARE(fileNames(m_backupDir), expected);
        QCOMPARE(expected.size(), 20);
    }

    void secondStartOfADayMakesNoCopy() {
        fillDatabase(m_db, 1);
        AutoBackup backup(BackupManager(m_db, m_backupDir));
        const QDate day(2025, 5, 5);
        QCOMPARE(backup.atStart(day), QString());
        const QDateTime written =
            QFileInfo(m_backupDir + "/CalendarD-2025-05-05.db").lastModified();
        QTest::qWait(20);
        QCOMPARE(backup.atStart(day), QString());
        QCOMPARE(QFileInfo(m_backupDir + "/CalendarD-2025-05-05.db").lastModified(), written);
    }

    void copyHoldsEveryNoteAndPassesTheCheck() {
        fillDatabase(m_db, 24);
        BackupManager manager(m_db, m_backupDir);
        const BackupInfo info = manager.backupNow(QDate(2025, 2, 3));
        QCOMPARE(QFileInfo(info.file).fileName(), QStringLiteral("CalendarD-2025-02-03.db"));
        QCOMPARE(info.kind, BackupInfo::Kind::Daily);
        QVERIFY(info.size > 0);
        QCOMPARE(BackupManager::quickCheck(info.file), QString());
        QVERIFY(holdsNotes(info.file, 24));
        QCOMPARE(fileNames(m_backupDir), QStringList{"CalendarD-2025-02-03.db"});
    }

    void damagedDatabaseIsSetAsideAndTheBackupRestoresEveryNote() {
        fillDatabase(m_db, 60);
        BackupManager manager(m_db, m_backupDir);
        manager.backupNow(QDate(2025, 2, 2));
        manager.backupNow(QDate(2025, 2, 3));
        BackupManager::checkpoint(m_db);
        QCOMPARE(BackupManager::quickCheck(m_db), QString());

        QVERIFY(testfiles::damage(m_db, 8));
        const QByteArray damagedHash = fileHash(m_db);
        QVERIFY(!BackupManager::quickCheck(m_db).isEmpty());

        const QString keptAt = manager.setAsideDamaged(QDateTime(QDate(2025, 2, 4), QTime(9, 30)));
        QCOMPARE(QFileInfo(keptAt).fileName(),
                 QStringLiteral("CalendarD.damaged-20250204-093000.db"));
        QCOMPARE(QFileInfo(keptAt).absolutePath(), QFileInfo(m_db).absolutePath());
        QVERIFY(!QFileInfo::exists(m_db));

        const std::optional<BackupInfo> newest = manager.newestSoundBackup();
        QVERIFY(newest);
        QCOMPARE(newest->date, QDate(2025, 2, 3));
        manager.installCopyOf(newest->file);
        QVERIFY(holdsNotes(m_db, 60));
        QCOMPARE(fileHash(keptAt), damagedHash); // nothing written into the damaged file
    }

    void damagedNewestBackupIsPassedOver() {
        fillDatabase(m_db, 60);
        BackupManager manager(m_db, m_backupDir);
        manager.backupNow(QDate(2025, 2, 2));
        const BackupInfo newest = manager.backupNow(QDate(2025, 2, 3));
        QVERIFY(testfiles::damage(newest.file, 8));
        QCOMPARE(manager.newestSoundBackup()->date, QDate(2025, 2, 2));
    }

    void backupWhileAnotherConnectionWritesHoldsAStateThatExisted() {
        fillDatabase(m_db, 1);
        std::atomic<bool> stop{false};
        std::atomic<int> rounds{0};
        std::thread writer([&] {
            NoteStore store;
            store.open(m_db);
            for (int round = 1; !stop; ++round) {
                MonthCells cells;
                for (int i = 0; i < NoteStore::CellCount; ++i) cells[i] = cellText(0, i, round);
                store.writeMonth(QStringLiteral("20001"), cells);
                rounds = round;
            }
        });
        QTRY_VERIFY(rounds > 5);
        BackupManager manager(m_db, m_backupDir);
        QStringList files;
        for (int i = 0; i < 5; ++i) files << manager.backupNow(QDate(2025, 1, 1 + i)).file;
        stop = true;
        writer.join();
        QVERIFY(rounds > 5);
        for (const QString &file : files) {
            QCOMPARE(integrityCheck(file), QStringLiteral("ok"));
            NoteStore copy;
            copy.open(file);
            const MonthCells cells = copy.readMonth(QStringLiteral("20001"));
            // One save writes all 42 cells: a copy that existed holds them from one round.
            const QByteArray round = cells[0].mid(cells[0].indexOf("round"), 12);
            for (int i = 0; i < NoteStore::CellCount; ++i)
                QVERIFY2(cells[i].contains(round), qPrintable(file));
        }
    }

    void restoreKeepsTheCurrentFileSoItCanBeUndone() {
        fillDatabase(m_db, 3);
        BackupManager manager(m_db, m_backupDir);
        const BackupInfo older = manager.backupNow(QDate(2025, 3, 1));
        {
            NoteStore store;
            store.open(m_db);
            store.writeMemoLine(2, QStringLiteral("之后写的"));
        }
        const BackupInfo kept =
            manager.restore(older, QDateTime(QDate(2025, 3, 2), QTime(8, 0, 5)));
        QCOMPARE(kept.kind, BackupInfo::Kind::BeforeRestore);
        QCOMPARE(QFileInfo(kept.file).fileName(),
                 QStringLiteral("CalendarD-2025-03-02-080005-before-restore.db"));
        {
            NoteStore store;
            store.open(m_db);
            QCOMPARE(store.readMemoLines()[1], QString());
        }
        manager.restore(kept, QDateTime(QDate(2025, 3, 2), QTime(8, 1)));
        NoteStore store;
        store.open(m_db);
        QCOMPARE(store.readMemoLines()[1], QStringLiteral("之后写的"));
        QCOMPARE(manager.backups().size(), 3);
    }

    void restoreOfADamagedBackupChangesNothing() {
        fillDatabase(m_db, 60);
        BackupManager manager(m_db, m_backupDir);
        const BackupInfo copy = manager.backupNow(QDate(2025, 3, 1));
        QVERIFY(testfiles::damage(copy.file, 8));
        BackupManager::checkpoint(m_db);
        const QByteArray before = fileHash(m_db);
        QVERIFY_THROWS_EXCEPTION(StoreError, manager.restore(copy, QDateTime::currentDateTime()));
        QCOMPARE(fileHash(m_db), before);
        QCOMPARE(manager.backups().size(), 1);
    }

    void onlyTheNewestCopiesOfReplacedFilesAreKept() {
        fillDatabase(m_db, 1);
        BackupManager manager(m_db, m_backupDir);
        manager.backupNow(QDate(2025, 3, 1));
        for (int i = 0; i < BackupManager::KeptBeforeRestore + 2; ++i) {
            // The first restore pins the day's copy under a new name: the oldest in the list.
            const BackupInfo copy = manager.backups().last();
            QCOMPARE(copy.date, QDate(2025, 3, 1));
            manager.restore(copy, QDateTime(QDate(2025, 3, 2), QTime(8, i)));
        }
        int kept = 0;
        for (const BackupInfo &b : manager.backups())
            if (b.kind == BackupInfo::Kind::BeforeRestore) ++kept;
        QCOMPARE(kept, BackupManager::KeptBeforeRestore);
        QVERIFY(!QFileInfo::exists(m_backupDir + "/CalendarD-2025-03-02-080000-before-restore.db"));
        QVERIFY(QFileInfo::exists(m_backupDir + "/CalendarD-2025-03-02-080600-before-restore.db"));
    }

    void fullDiskRemovesTheFailedCopyAndReportsOnce() {
        fillDatabase(m_db, 60);
        QDir().mkpath(m_backupDir);
        BackupManager manager(m_db, m_backupDir);
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs", m_backupDir}) !=
            0)
            QSKIP("cannot mount a small tmpfs (needs root)");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {m_backupDir}); });
        AutoBackup backup(manager);
        const QString first = backup.atStart(QDate(2025, 4, 1));
        QVERIFY2(first.contains(QStringLiteral("自动备份失败")), qPrintable(first));
        QCOMPARE(fileNames(m_backupDir), QStringList());
        QCOMPARE(backup.atStart(QDate(2025, 4, 2)), QString());
        QCOMPARE(fileNames(m_backupDir), QStringList());
    }

    // No room for the copy of the current file nor for the restored one: the current file is
    // where it was, unchanged, and the failure is reported.
    void restoreOnAFullDiskLeavesTheCurrentFile() {
        const QString db3 = QFileInfo(m_db).absolutePath();
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=512k", "tmpfs", db3}) != 0)
            QSKIP("cannot mount a small tmpfs (needs root)");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {db3}); });
        fillDatabase(m_db, 1);
        BackupManager manager(m_db, m_backupDir);
        const BackupInfo copy = manager.backupNow(QDate(2025, 5, 1));
        {
            NoteStore store;
            store.open(m_db);
            store.writeMemoLine(4, QStringLiteral("最新的"));
        }
        const QByteArray before = fileHash(m_db);
        QFile filler(db3 + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        QVERIFY_THROWS_EXCEPTION(StoreError, manager.restore(copy, QDateTime::currentDateTime()));
        QCOMPARE(fileHash(m_db), before);
        QFile::remove(db3 + "/filler");
        NoteStore store;
        store.open(m_db);
        QCOMPARE(store.readMemoLines()[3], QStringLiteral("最新的"));
        QCOMPARE(manager.backups().size(), 1);
    }

    void failedCopyLeavesTheDaysEarlierCopy() {
        fillDatabase(m_db, 2);
        BackupManager manager(m_db, m_backupDir);
        const BackupInfo good = manager.backupNow(QDate(2025, 4, 1));
        const QByteArray hash = fileHash(good.file);
        // A folder where the temporary copy goes makes the copy fail.
        QVERIFY(QDir().mkpath(good.file + ".part/x"));
        QVERIFY_THROWS_EXCEPTION(StoreError, manager.backupNow(QDate(2025, 4, 1)));
        QCOMPARE(fileHash(good.file), hash);
    }

    void closeCheckpointsTheLogAndCopiesOnlyAfterEdits() {
        fillDatabase(m_db, 2);
        AutoBackup backup(BackupManager(m_db, m_backupDir));
        const QDate day(2025, 6, 1);
        NoteStore store;
        store.open(m_db);
        QCOMPARE(backup.atStart(day), QString());
        const QString copy = m_backupDir + "/CalendarD-2025-06-01.db";
        const QDateTime first = QFileInfo(copy).lastModified();

        QTest::qWait(20);
        QCOMPARE(backup.atClose(day), QString());
        QCOMPARE(QFileInfo(copy).lastModified(), first); // nothing changed: no new copy

        QTest::qWait(20);
        store.writeMemoLine(3, QStringLiteral("关闭前"));
        QCOMPARE(backup.atClose(day), QString());
        QVERIFY(QFileInfo(copy).lastModified() > first);
        QCOMPARE(QFileInfo(m_db + "-wal").size(), 0);
        // The .db file alone holds the last save.
        const QString alone = m_dir->filePath("alone.db");
        QVERIFY(QFile::copy(m_db, alone));
        NoteStore check;
        check.open(alone);
        QCOMPARE(check.readMemoLines()[2], QStringLiteral("关闭前"));
    }

    // The program closes its own connection before the copy at close: afterwards the notes are
    // one file, without an empty log and index beside it.
    void closeAfterTheLastSaveLeavesOneFile() {
        fillDatabase(m_db, 2);
        AutoBackup backup(BackupManager(m_db, m_backupDir));
        {
            NoteStore store;
            store.open(m_db);
            store.writeMemoLine(3, QStringLiteral("关闭前"));
            store.close();
        }
        QCOMPARE(backup.atClose(QDate(2025, 6, 1)), QString());
        QVERIFY(QFile::exists(m_backupDir + "/CalendarD-2025-06-01.db"));
        for (const char *suffix : {"-wal", "-shm"}) QVERIFY2(!QFile::exists(m_db + suffix), suffix);
    }

    void quickCheckOfOddFiles_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << QByteArray("not a database at all, just some words\n");
        QTest::newRow("empty header") << QByteArray(4096, '\0');
    }
    void quickCheckOfOddFiles() {
        QFETCH(QByteArray, content);
        QFile f(m_db);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        const QByteArray before = fileHash(m_db);
        QVERIFY(!BackupManager::quickCheck(m_db).isEmpty());
        QCOMPARE(fileHash(m_db), before);
        QVERIFY(!BackupManager::quickCheck(m_dir->filePath("missing.db")).isEmpty());
    }

    void backupsAreKnownByTheirNames() {
        QDir().mkpath(m_backupDir);
        const QStringList names = {"CalendarD-2025-03-02.db",
                                   "CalendarD-2025-03-02-080005-before-restore.db",
                                   "CalendarD-2025-02-30.db",
                                   "CalendarD-2025-3-02.db",
                                   "CalendarD-2025-03-02.db.tmp",
                                   "calendard-2025-03-01.db",
                                   "CalendarD-2025-03-01-0800-before-restore.db",
                                   "CalendarD-2025-03-01-08000x-before-restore.db",
                                   "CalendarD-２０２５-03-01.db",
                                   "CalendarD-2025-03-01",
                                   "CalendarD-.db",
                                   "CalendarD.db",
                                   "notes.txt"};
        for (const QString &name : names) {
            QFile f(QDir(m_backupDir).filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QList<BackupInfo> found = BackupManager(m_db, m_backupDir).backups();
        QCOMPARE(found.size(), 2);
        for (const BackupInfo &b : found) {
            QCOMPARE(b.date, QDate(2025, 3, 2));
            QCOMPARE(b.kind, QFileInfo(b.file).fileName().contains("before-restore")
                                 ? BackupInfo::Kind::BeforeRestore
                                 : BackupInfo::Kind::Daily);
        }
    }

    // A copy pinned at a damage or a restore is replaced neither by the day's next copy nor by
    // the rotation; the daily copies made after it come and go as before.
    void pinnedCopySurvives_data() {
        QTest::addColumn<QList<QDate>>("laterCopies");
        const QDate day(2025, 3, 1);
        QTest::newRow("same day") << QList<QDate>{day};
        QList<QDate> monthly{day};
        for (int m = 1; m <= BackupRotation::Monthly + 2; ++m) monthly << day.addMonths(m);
        QTest::newRow("rotation") << monthly;
    }
    void pinnedCopySurvives() {
        QFETCH(QList<QDate>, laterCopies);
        fillDatabase(m_db, 2);
        BackupManager manager(m_db, m_backupDir);
        manager.backupNow(QDate(2025, 3, 1));
        const QList<BackupInfo> pinned =
            manager.pinCopies(QDateTime(QDate(2025, 3, 1), QTime(12, 30, 5)));
        QCOMPARE(pinned.size(), 1);
        QCOMPARE(QFileInfo(pinned[0].file).fileName(),
                 QStringLiteral("CalendarD-2025-03-01-pinned-20250301-123005.db"));
        const QByteArray hash = fileHash(pinned[0].file);
        {
            NoteStore store;
            store.open(m_db);
            store.writeMemoLine(2, QStringLiteral("固定之后"));
        }
        for (const QDate &d : laterCopies) manager.backupNow(d);

        QCOMPARE(fileHash(pinned[0].file), hash);
        QCOMPARE(BackupManager::quickCheck(pinned[0].file), QString());
        QList<QDate> dailies;
        int pinnedListed = 0;
        for (const BackupInfo &b : manager.backups()) {
            if (b.kind == BackupInfo::Kind::Daily) dailies << b.date;
            if (b.kind == BackupInfo::Kind::Pinned) {
                ++pinnedListed;
                QCOMPARE(b.date, QDate(2025, 3, 1));
                QCOMPARE(b.file, pinned[0].file);
            }
        }
        QCOMPARE(pinnedListed, 1);
        QCOMPARE(dailies, BackupRotation::keep(laterCopies));
    }

    // The copies there were when a restore was made are pinned; the copy the restore replaced
    // is kept as before.
    void restorePinsTheCopiesThereWere() {
        fillDatabase(m_db, 2);
        BackupManager manager(m_db, m_backupDir);
        const BackupInfo first = manager.backupNow(QDate(2025, 3, 1));
        manager.backupNow(QDate(2025, 3, 2));
        const QByteArray secondHash =
            fileHash(QDir(m_backupDir).filePath(BackupManager::dailyFileName(QDate(2025, 3, 2))));
        manager.restore(first, QDateTime(QDate(2025, 3, 2), QTime(8, 0, 5)));
        QCOMPARE(fileNames(m_backupDir),
                 (QStringList{"CalendarD-2025-03-01-pinned-20250302-080005.db",
                              "CalendarD-2025-03-02-080005-before-restore.db",
                              "CalendarD-2025-03-02-pinned-20250302-080005.db"}));
        manager.backupNow(QDate(2025, 3, 2));
        QCOMPARE(fileHash(m_backupDir + "/CalendarD-2025-03-02-pinned-20250302-080005.db"),
                 secondHash);
        QCOMPARE(manager.backups().size(), 4);
        QCOMPARE(manager.newestSoundBackup()->kind, BackupInfo::Kind::Daily);
    }

    void pinnedCopiesAreKnownByTheirNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("known");
        QTest::newRow("pinned") << "CalendarD-2025-03-01-pinned-20250302-080005.db" << true;
        QTest::newRow("short stamp") << "CalendarD-2025-03-01-pinned-20250302-0800.db" << false;
        QTest::newRow("no time") << "CalendarD-2025-03-01-pinned-20250302.db" << false;
        QTest::newRow("letters") << "CalendarD-2025-03-01-pinned-2025030x-080005.db" << false;
        QTest::newRow("other word") << "CalendarD-2025-03-01-pinnet-20250302-080005.db" << false;
        QTest::newRow("no .db") << "CalendarD-2025-03-01-pinned-20250302-080005" << false;
        QTest::newRow("temporary")
            << "CalendarD-2025-03-01-pinned-20250302-080005.db.part" << false;
    }
    void pinnedCopiesAreKnownByTheirNames() {
        QFETCH(QString, name);
        QFETCH(bool, known);
        QDir().mkpath(m_backupDir);
        QFile f(QDir(m_backupDir).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QList<BackupInfo> found = BackupManager(m_db, m_backupDir).backups();
        QCOMPARE(found.size(), known ? 1 : 0);
        if (!known) return;
        QCOMPARE(found[0].kind, BackupInfo::Kind::Pinned);
        QCOMPARE(found[0].date, QDate(2025, 3, 1));
    }

    // A copy cut off by a crash leaves its temporary files; the next rotation removes them.
    void leftoversOfACrashGoAtTheNextRotation() {
        fillDatabase(m_db, 1);
        QDir().mkpath(m_backupDir);
        const QStringList leftovers = {"CalendarD-2025-03-01.db.part",
                                       "CalendarD-2025-03-01.db.part-journal",
                                       "CalendarD-2025-03-01-080005-before-restore.db.part"};
        for (const QString &name : leftovers + QStringList{"notes.part"}) {
            QFile f(QDir(m_backupDir).filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("half");
        }
        BackupManager(m_db, m_backupDir).backupNow(QDate(2025, 3, 2));
        QCOMPARE(fileNames(m_backupDir), (QStringList{"CalendarD-2025-03-02.db", "notes.part"}));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_db;
    QString m_backupDir;
};

QTEST_GUILESS_MAIN(TestBackupManager)
#include "tst_BackupManager.moc"
