#include "../TestMounts.h"
#include "store/DataFolderLock.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestDataFolderLock : public QObject {
    Q_OBJECT

private slots:
    void secondHolderIsTurnedAway() {
        QTemporaryDir dir;
        auto first = std::make_unique<DataFolderLock>(dir.path());
        QCOMPARE(first->state(), DataFolderLock::State::Held);
        {
            const DataFolderLock second(dir.path());
            QCOMPARE(second.state(), DataFolderLock::State::HeldElsewhere);
        }
        first.reset();
        const DataFolderLock third(dir.path());
        QCOMPARE(third.state(), DataFolderLock::State::Held);
        QVERIFY(QFile::exists(third.filePath()));
    }

    // Another process (another session's program) holding the folder is seen as well.
    void otherProcessIsSeen() {
        QTemporaryDir dir;
        const QString lockFile = dir.filePath("kestrova.lock");
        QProcess holder;
        // The shell becomes `sleep` and keeps the locked descriptor: killing it frees the lock.
        holder.start("sh", {"-c", "exec 9>>\"$0\" && flock -n 9 && exec sleep 30", lockFile});
        QVERIFY(holder.waitForStarted());
        if (holder.waitForFinished(200)) QSKIP("flock(1) is not installed");
        QTRY_COMPARE(DataFolderLock(dir.path()).state(), DataFolderLock::State::HeldElsewhere);
        holder.kill();
        holder.waitForFinished();
        QCOMPARE(DataFolderLock(dir.path()).state(), DataFolderLock::State::Held);
    }

    void readOnlyFolder() {
        QTemporaryDir dir;
        { const DataFolderLock earlier(dir.path()); }
        const QString empty = dir.filePath("empty");
        QVERIFY(QDir().mkpath(empty));
        const auto mount = TestMount::readOnly(dir.path());
        if (!mount->ok()) QSKIP("cannot mount read-only here (not root?)");
        // The file left by an earlier run still carries the lock.
        const DataFolderLock kept(dir.path());
        QCOMPARE(kept.state(), DataFolderLock::State::Held);
        QCOMPARE(DataFolderLock(dir.path()).state(), DataFolderLock::State::HeldElsewhere);
        const DataFolderLock none(empty);
        QCOMPARE(none.state(), DataFolderLock::State::Unavailable);
        QVERIFY(!none.errorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDataFolderLock)
#include "tst_DataFolderLock.moc"
