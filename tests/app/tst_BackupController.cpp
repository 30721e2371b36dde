// The backups around the main window: a damaged database at start, the daily copy, the
// "备份与恢复…" dialog and the end of the program.
#include "../TestMounts.h"
#include "BackupFixtures.h"
#include "RecordingPrompts.h"
#include "app/BackupController.h"
#include "app/BackupDialog.h"
#include "app/MainWindow.h"
#include "app/PageHost.h"
#include "app/PageTable.h"
#include "app/SystemMenu.h"
#include "store/AppPaths.h"
#include "store/BackupManager.h"
#include "store/DatabaseCheck.h"
#include "store/NoteStore.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

namespace {
const QDateTime kNow(QDate(2025, 7, 8), QTime(9, 15));
constexpr int kMonths = 60;

struct Harness {
    QTemporaryDir dir;
    AppPaths paths{dir.path(), QStringLiteral(KESTROVA_SOURCE_DIR)};
    RecordingPrompts prompts;
    QStringList &messages = prompts.messages;
    std::unique_ptr<MainWindow> form;
    BackupController *controller = nullptr;

    Harness() {
        paths.ensureLayout();
        testfiles::fillDatabase(paths.databaseFile(), kMonths);
    }
    BackupManager manager() const { return BackupManager(paths.databaseFile(), paths.backupDir()); }
    // The start-up steps up to the gate: the window is built and the file's check runs.
    void start(BackupController::RecoveryPrompt prompt = {}) {
        form = std::make_unique<MainWindow>(paths, prompts, standardPages(),
                                            NotesSession::FileCheck::BeforeWrites);
        controller = new BackupController(paths, form->session(), form.get(),
                                          [this](const QString &t) { messages << t; });
        if (prompt) controller->setRecoveryPrompt(std::move(prompt));
        form->attachBackups(*controller);
        controller->setClock([] { return kNow; });
    }
    // Past the gate, the window shows; the check's verdict comes after that.
    void enter() {
        controller->allowQuestions();
        form->show();
    }
    QStringList backupFiles() const {
        return QDir(paths.backupDir()).entryList(QDir::Files, QDir::Name);
    }
    QStringList damagedFiles() const {
        return QDir(paths.db3Dir()).entryList({"*.damaged-*.db"}, QDir::Files);
    }
    QString todaysCopy() const {
        return QDir(paths.backupDir()).filePath(BackupManager::dailyFileName(kNow.date()));
    }
};

} // namespace

class TestBackupController : public QObject {
    Q_OBJECT
private slots:
    // The question comes once the window has shown; until it is answered the damaged file and
    // the backups stay exactly as they were.
    void damagedDatabaseOffersTheNewestBackupAndGetsEveryNoteBack() {
        Harness h;
        h.manager().backupNow(QDate(2025, 7, 6));
        h.manager().backupNow(QDate(2025, 7, 7));
        BackupManager::checkpoint(h.paths.databaseFile());
        QVERIFY(testfiles::damage(h.paths.databaseFile(), 8));
        const QByteArray damaged = testfiles::fileHash(h.paths.databaseFile());
        const QStringList backups = h.backupFiles();

        QDate offered;
        QString keepAt;
        bool untouchedWhenAsked = false;
        h.start([&](const QString &kept, const BackupInfo &newest) {
            keepAt = kept;
            offered = newest.date;
            untouchedWhenAsked = h.form->isVisible() &&
                                 testfiles::fileHash(h.paths.databaseFile()) == damaged &&
                                 h.damagedFiles().isEmpty() && h.backupFiles() == backups;
            return BackupController::Choice::Restore;
        });
        h.enter();
        QTRY_VERIFY(offered.isValid());
        QVERIFY(untouchedWhenAsked);
        QCOMPARE(offered, QDate(2025, 7, 7));
        QCOMPARE(QFileInfo(keepAt).fileName(),
                 QStringLiteral("CalendarD.damaged-20250708-091500.db"));
        QCOMPARE(h.messages, QStringList());
        QVERIFY(h.form->session().store().isOpen());
        QVERIFY(!h.form->session().isDamaged());
        h.form->session().store().close();
        QVERIFY(testfiles::holdsNotes(h.paths.databaseFile(), kMonths));
        QCOMPARE(testfiles::fileHash(keepAt), damaged);
    }

    void decliningStartsEmptyAndLeavesTheBackupsAlone() {
        Harness h;
        h.manager().backupNow(kNow.date());
        const QStringList before = h.backupFiles();
        const QByteArray copy = testfiles::fileHash(h.paths.backupDir() + "/" + before.first());
        QVERIFY(testfiles::damage(h.paths.databaseFile(), 8));
        h.start([](const QString &, const BackupInfo &) {
            return BackupController::Choice::StartEmpty;
        });
        h.enter();
        QTRY_VERIFY(!h.form->session().isChecking() && !h.form->session().isDamaged());
        QCOMPARE(h.form->session().store().readMonth(NoteStore::yearMonthKey(2000, 1))[0],
                 QByteArray());
        h.form->session().store().writeMemoLine(1, QStringLiteral("新的"));
        h.controller->dailyBackup();
        h.controller->atExit();
        // The day's copy, made before the damage, is pinned: kept under a name of its own.
        const QStringList after = h.backupFiles();
        QCOMPARE(after.size(), 1);
        QVERIFY2(after.first().contains("pinned"), qPrintable(after.first()));
        QCOMPARE(testfiles::fileHash(h.paths.backupDir() + "/" + after.first()), copy);
    }

    void withoutBackupsTheUserIsToldAndGetsAnEmptyDatabase() {
        Harness h;
        QVERIFY(testfiles::damage(h.paths.databaseFile(), 8));
        bool asked = false;
        h.start([&](const QString &, const BackupInfo &) {
            asked = true;
            return BackupController::Choice::Restore;
        });
        h.enter();
        QTRY_COMPARE(h.messages.size(), 1);
        QVERIFY(!asked);
        QVERIFY(h.messages.first().contains(QStringLiteral("没有可用的备份")));
        QTRY_VERIFY(h.form->session().store().isOpen());
        QCOMPARE(BackupManager::quickCheck(h.paths.databaseFile()), QString());
        QCOMPARE(h.damagedFiles().size(), 1);
    }

    // The question went away unanswered (the program was ended): nothing changes, and the next
    // start finds the damaged file again.
    void unansweredQuestionLeavesEverythingAsItWas() {
        Harness h;
        h.manager().backupNow(QDate(2025, 7, 7));
        QVERIFY(testfiles::damage(h.paths.databaseFile(), 8));
        const QByteArray damaged = testfiles::fileHash(h.paths.databaseFile());
        const QStringList backups = h.backupFiles();
        int asked = 0;
        h.start([&](const QString &, const BackupInfo &) {
            ++asked;
            return BackupController::Choice::NoAnswer;
        });
        h.enter();
        QTRY_COMPARE(asked, 1);
        QVERIFY(h.form->session().isDamaged());
        h.controller->dailyBackup();
        h.form->session().terminate();
        h.controller->atExit();
        QCOMPARE(testfiles::fileHash(h.paths.databaseFile()), damaged);
        QCOMPARE(h.damagedFiles(), QStringList());
        QCOMPARE(h.backupFiles(), backups);
        QCOMPARE(DatabaseCheck(h.paths.databaseFile()).verdict().damaged, true);
    }

    // Ended at the login gate, before the question could be asked.
    void endingAtTheGateLeavesTheDamagedFile() {
        Harness h;
        QVERIFY(testfiles::damage(h.paths.databaseFile(), 8));
        const QByteArray damaged = testfiles::fileHash(h.paths.databaseFile());
        h.start();
        QTRY_VERIFY(h.form->session().isDamaged());
        h.controller->atExit();
        QCOMPARE(testfiles::fileHash(h.paths.databaseFile()), damaged);
        QCOMPARE(h.damagedFiles(), QStringList());
        QCOMPARE(h.backupFiles(), QStringList());
        QVERIFY(h.messages.isEmpty());
    }

    void soundDatabaseIsLeftAsItIs() {
        Harness h;
        const QByteArray before = testfiles::fileHash(h.paths.databaseFile());
        QCOMPARE(DatabaseCheck(h.paths.databaseFile()).verdict().damaged, false);
        QCOMPARE(testfiles::fileHash(h.paths.databaseFile()), before);
    }

    // Another program holding the file locked is not damage.
    void lockedDatabaseIsNotTakenForDamaged() {
        Harness h;
        const QByteArray before = testfiles::fileHash(h.paths.databaseFile());
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(h.paths.databaseFile());
            QVERIFY(other.open());
            QSqlQuery q(other);
            QVERIFY(q.exec("PRAGMA locking_mode = EXCLUSIVE"));
            QVERIFY(q.exec("BEGIN EXCLUSIVE"));
            QVERIFY(q.exec("UPDATE Beiwanglu SET line2 = 'x'"));
            bool busy = false;
            QVERIFY(!BackupManager::quickCheck(h.paths.databaseFile(), &busy).isEmpty());
            QVERIFY(busy);
            QCOMPARE(DatabaseCheck(h.paths.databaseFile()).verdict().damaged, false);
            q.exec("ROLLBACK");
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        QCOMPARE(testfiles::fileHash(h.paths.databaseFile()), before);
    }

    // On a full disk the check cannot make the WAL index: that is no verdict on the file.
    void fullDiskIsNotTakenForDamaged() {
        Harness h;
        const QString db3 = h.paths.db3Dir();
        QMap<QString, QByteArray> files;
        for (const QString &name : QDir(db3).entryList(QDir::Files)) {
            QFile f(db3 + '/' + name);
            QVERIFY(f.open(QIODevice::ReadOnly));
            files.insert(name, f.readAll());
        }
        const auto disk = TestMount::tmpfs(db3, "1m");
        if (!disk->ok()) QSKIP("cannot mount a small tmpfs here (not root?)");
        for (auto it = files.begin(); it != files.end(); ++it) {
            QFile f(db3 + '/' + it.key());
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(it.value());
        }
        disk->fill();
        const QByteArray before = testfiles::fileHash(h.paths.databaseFile());
        bool busy = false;
        QVERIFY(!BackupManager::quickCheck(h.paths.databaseFile(), &busy).isEmpty());
        QVERIFY(busy);
        QCOMPARE(DatabaseCheck(h.paths.databaseFile()).verdict().damaged, false);
        QCOMPARE(testfiles::fileHash(h.paths.databaseFile()), before);
    }

    void firstShowMakesTheDailyCopyAndTheEndCheckpoints() {
        Harness h;
        h.start();
        h.enter();
        const QString copy = h.paths.backupDir() + "/CalendarD-2025-07-08.db";
        QTRY_VERIFY(QFileInfo::exists(copy));
        const QDateTime first = QFileInfo(copy).lastModified();
        QTest::qWait(20);
        h.form->session().store().writeMemoLine(2, QStringLiteral("关闭前写的"));
        h.controller->atExit();
        QVERIFY(QFileInfo(copy).lastModified() > first);
        QVERIFY(!QFileInfo::exists(h.paths.databaseFile() + "-wal") ||
                QFileInfo(h.paths.databaseFile() + "-wal").size() == 0);
        NoteStore copyStore;
        copyStore.open(copy);
        QCOMPARE(copyStore.readMemoLines()[1], QStringLiteral("关闭前写的"));
        QCOMPARE(h.messages, QStringList());
    }

    // The daily copy of a large database is made while the window keeps answering: the event
    // loop ticks on while the copy is written.
    void dailyCopyLeavesTheEventLoopRunning() {
        Harness h;
        QVERIFY(testfiles::addBulk(h.paths.databaseFile(), 24));
        h.start();
        h.controller->allowQuestions();
        testfiles::CopyWatch watch(h.todaysCopy() + ".part", 2 * testfiles::kMiB);
        h.form->show();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(h.todaysCopy()), 30000);
        QVERIFY2(watch.ticksWhileWritten() > 10,
                 qPrintable(QString::number(watch.ticksWhileWritten())));
        QCOMPARE(BackupManager::quickCheck(h.todaysCopy()), QString());
        QCOMPARE(h.messages, QStringList());
    }

    // The program ends while a copy is written: a close makes the day's copy anew after the
    // edits; a kill from outside (cancelCopies()) makes none, during the daily copy or the one
    // at close. Either way the backup folder holds only sound, complete copies and the log is
    // folded into the database.
    void endingDuringACopyLeavesOnlySoundCopies_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("todayCopied");
        QTest::newRow("closed during the daily copy") << "close" << true;
        QTest::newRow("killed during the daily copy") << "kill" << false;
        QTest::newRow("killed during the copy at close") << "kill at close" << false;
    }
    void endingDuringACopyLeavesOnlySoundCopies() {
        QFETCH(QString, how);
        QFETCH(bool, todayCopied);
        Harness h;
        QVERIFY(testfiles::addBulk(h.paths.databaseFile(), 24));
        const QString earlier = h.manager().backupNow(kNow.date().addDays(-1)).file;
        const QByteArray earlierHash = testfiles::fileHash(earlier);
        h.start();
        h.controller->allowQuestions();
        bool ended = false;
        const auto end = [&] {
            h.form->session().store().writeMemoLine(2, QStringLiteral("结束前写的"));
            if (how == "kill") h.controller->cancelCopies();
            if (how == "kill at close") {
                // The copy at close starts over from nothing: stopped as soon as it writes.
                auto *again =
                    new testfiles::CopyWatch(h.todaysCopy() + ".part", 2 * testfiles::kMiB,
                                             [&] { h.controller->cancelCopies(); });
                again->setParent(h.controller);
            }
            h.controller->atExit();
            ended = true;
        };
        testfiles::CopyWatch watch(h.todaysCopy() + ".part", 2 * testfiles::kMiB, end);
        h.form->show();
        QTRY_VERIFY_WITH_TIMEOUT(ended, 30000);

        QCOMPARE(testfiles::unsoundBackupFiles(h.manager()), QStringList());
        QCOMPARE(QFileInfo::exists(h.todaysCopy()), todayCopied);
        QCOMPARE(testfiles::fileHash(earlier), earlierHash);
        QVERIFY(!QFileInfo::exists(h.paths.databaseFile() + "-wal") ||
                QFileInfo(h.paths.databaseFile() + "-wal").size() == 0);
        if (todayCopied) {
            NoteStore copy;
            copy.open(h.todaysCopy());
            QCOMPARE(copy.readMemoLines()[1], QStringLiteral("结束前写的"));
        }
        NoteStore database;
        database.open(h.paths.databaseFile());
        QCOMPARE(database.readMemoLines()[1], QStringLiteral("结束前写的"));
        QCOMPARE(h.messages, QStringList());
    }

    // A copy that fails its check is marked in the list and cannot be restored; the sound
    // ones are shown as they are.
    void dialogMarksADamagedCopy() {
        Harness h;
        h.manager().backupNow(QDate(2025, 7, 6));
        h.manager().backupNow(QDate(2025, 7, 7));
        QVERIFY(testfiles::damage(h.paths.backupDir() + "/CalendarD-2025-07-06.db", 8));
        QStringList questions;
        BackupDialog::Hooks hooks;
        hooks.confirm = [&](const QString &q) {
            questions << q;
            return true;
        };
        BackupDialog dialog(h.manager(), hooks);
        QTreeWidget *list = dialog.list();
        QCOMPARE(list->topLevelItemCount(), 2);
        QTRY_COMPARE(list->topLevelItem(1)->text(0), QStringLiteral("2025-07-06（已损坏）"));
        QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("2025-07-07"));
        QVERIFY(!dialog.isDamaged(0));
        QVERIFY(dialog.isDamaged(1));

        list->setCurrentItem(list->topLevelItem(1));
        QVERIFY(!dialog.restoreButton()->isEnabled());
        dialog.restoreSelected();
        QCOMPARE(questions, QStringList());
        list->setCurrentItem(list->topLevelItem(0));
        QVERIFY(dialog.restoreButton()->isEnabled());
    }

    void menuItemSitsBelowThePasswordSettings() {
        Harness h;
        h.start();
        const QList<QAction *> actions = h.form->systemMenu()->actions();
        const int item = actions.indexOf(h.controller->menuAction());
        QVERIFY(item > 0);
        QCOMPARE(h.controller->menuAction()->text(), QStringLiteral("备份与恢复…"));
        QCOMPARE(actions[item - 1]->objectName(), QStringLiteral("N4"));
        QCOMPARE(actions[item + 1]->objectName(), QStringLiteral("N8"));
        QVERIFY(h.controller->menuAction()->isEnabled());
    }

    void dialogListsBacksUpAndRestoresAfterConfirmation() {
        Harness h;
        h.start();
        h.enter();
        QTRY_VERIFY(QFileInfo::exists(h.paths.backupDir() + "/CalendarD-2025-07-08.db"));
        h.form->session().store().writeMemoLine(1, QStringLiteral("恢复后应不见"));

        QStringList questions, messages;
        bool answer = false;
        int released = 0, reopened = 0;
        BackupDialog::Hooks hooks;
        hooks.confirm = [&](const QString &q) {
            questions << q;
            return answer;
        };
        hooks.message = [&](const QString &m) { messages << m; };
        hooks.releaseDatabase = [&] {
            ++released;
            h.form->session().store().close();
            return true;
        };
        hooks.reopenDatabase = [&] {
            ++reopened;
            h.form->session().store().reconnect();
        };
        hooks.today = [] { return QDate(2025, 7, 9); };
        hooks.now = [] { return QDateTime(QDate(2025, 7, 9), QTime(10, 0)); };
        BackupDialog dialog(h.manager(), hooks);
        QCOMPARE(dialog.list()->topLevelItemCount(), 1);

        dialog.backupButton()->click();
        QCOMPARE(dialog.list()->topLevelItemCount(), 2);
        QCOMPARE(dialog.list()->topLevelItem(0)->text(0), QStringLiteral("2025-07-09"));
        QVERIFY(!dialog.list()->topLevelItem(0)->text(1).isEmpty());

        dialog.list()->setCurrentItem(dialog.list()->topLevelItem(1)); // 2025-07-08
        dialog.restoreButton()->click();                               // answered no
        QCOMPARE(questions.size(), 1);
        QCOMPARE(released, 0);
        QCOMPARE(h.form->session().store().readMemoLines()[0], QStringLiteral("恢复后应不见"));

        answer = true;
        dialog.list()->setCurrentItem(dialog.list()->topLevelItem(1));
        dialog.restoreButton()->click();
        QCOMPARE(released, 1);
        QCOMPARE(reopened, 1);
        QCOMPARE(h.form->session().store().readMemoLines()[0], QStringLiteral("买菜"));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().startsWith(QStringLiteral("已恢复")),
                 qPrintable(messages.first()));
        // The replaced file is listed as a backup of its own.
        QCOMPARE(dialog.list()->topLevelItemCount(), 3);
        QVERIFY(dialog.list()->topLevelItem(0)->text(0).contains(QStringLiteral("恢复前")));
    }
};

QTEST_MAIN(TestBackupController)
#include "tst_BackupController.moc"
