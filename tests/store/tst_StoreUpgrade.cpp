// An older note database brought up to date on a thread of its own: done with its progress told,
// or cancelled and rolled back with the file exactly as it was, or refused with the cause.
#include "../TestMounts.h"
#include "BackupFixtures.h"
#include "UpgradeFixtures.h"
#include "richtext/RichText.h"
#include "store/NoteSearch.h"
#include "store/NoteStore.h"
#include "store/StoreUpgrade.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {
// 24 months of 42 rich-text cells and a day plan each, and a memo line: 1043 places to index,
// told every 500 or so.
constexpr int kMonths = 24;
} // namespace

class TestStoreUpgrade : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString folder() const { return m_dir.filePath(QStringLiteral("DB3")); }
    QString file() const { return folder() + QStringLiteral("/CalendarD.db"); }

    bool logIsEmpty() const {
        const QFileInfo log(file() + QStringLiteral("-wal"));
        return !log.exists() || log.size() == 0;
    }

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QDir(folder()).removeRecursively();
        QVERIFY(QDir().mkpath(folder()));
        testfiles::fillDatabase(file(), kMonths);
    }

    void bringsAFileUpToDate_data() {
        QTest::addColumn<QString>("state");
        // fillDatabase() writes rich text without a PlainText function: the index is stale.
        QTest::newRow("index stale") << QString();
        QTest::newRow("index missing") << QStringLiteral("missing");
        QTest::newRow("version 1, before the index") << QStringLiteral("version 1");
    }
    void bringsAFileUpToDate() {
        QFETCH(QString, state);
        if (state == QStringLiteral("missing"))
            QCOMPARE(testfiles::dropTextIndex(file()), QString());
        if (state == QStringLiteral("version 1"))
            QCOMPARE(testfiles::makeVersionOne(file()), QString());
        QVERIFY(NoteStore::needsUpgrade(file()));

        StoreUpgrade upgrade(file(), &richtext::plainText, &richtext::joined);
        QSignalSpy progress(&upgrade, &StoreUpgrade::progress);
        QSignalSpy finished(&upgrade, &StoreUpgrade::finished);
        bool toldHere = true;
        connect(&upgrade, &StoreUpgrade::progress, this,
                [&] { toldHere = toldHere && QThread::currentThread() == thread(); });
        upgrade.start();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(upgrade.result(), StoreUpgrade::Result::Done);
        QCOMPARE(upgrade.error(), QString());
        QVERIFY(!upgrade.isRunning());

        QVERIFY2(progress.size() >= 3, qPrintable(QString::number(progress.size())));
        const int total = progress.last().at(1).toInt();
        QVERIFY(total >= kMonths * (NoteStore::CellCount + 1));
        int last = 0;
        for (const QList<QVariant> &told : progress) {
            QCOMPARE(told.at(1).toInt(), total);
            QVERIFY(told.at(0).toInt() >= last);
            last = told.at(0).toInt();
        }
        QCOMPARE(last, total);
        QVERIFY(toldHere);

        QVERIFY(!NoteStore::needsUpgrade(file()));
        QVERIFY(testfiles::holdsNotes(file(), kMonths));
        NoteStore store;
        store.setPlainText(&richtext::plainText);
        store.open(file(), NoteStore::OpenMode::ReadOnly);
        QCOMPARE(store.userVersion(), NoteStore::SchemaVersion);
        QVERIFY(store.hasTextIndex());
        const std::vector<SearchHit> hits =
            NoteSearch(store).find(QStringLiteral("NOTE 7/3 round"));
        QCOMPARE(hits.size(), size_t(1));
        // Month 7 of fillDatabase() is August 2000.
        QVERIFY(hits[0].note.place == NoteStore::placeOf(NotePlace::Kind::MonthCell,
                                                         NoteStore::yearMonthKey(2000, 8), 3));
    }

    // A cancel is seen at the next step, wherever the upgrade is: nothing of it is committed,
    // and the next run does it all.
    void cancelledUpgradeLeavesTheFileAsItWas_data() {
        QTest::addColumn<int>(
            "heldAt"); // the note during which the cancel comes; 0: before it runs
        QTest::newRow("before the start") << 0;
        QTest::newRow("at the first note") << 1;
        QTest::newRow("late in the index") << 900;
    }
    void cancelledUpgradeLeavesTheFileAsItWas() {
        QFETCH(int, heldAt);
        QCOMPARE(testfiles::makeVersionOne(file()), QString());
        const QByteArray before = testfiles::fileHash(file());
        testfiles::HeldPlainText held(heldAt);
        {
            StoreUpgrade upgrade(file(), held.function(), &richtext::joined);
            QSignalSpy finished(&upgrade, &StoreUpgrade::finished);
            if (heldAt == 0) upgrade.cancel();
            upgrade.start();
            if (heldAt > 0) {
                QTRY_VERIFY(held.reached());
                QVERIFY(upgrade.isRunning());
                upgrade.cancel();
                held.release();
            }
            QTRY_COMPARE(finished.size(), 1);
            QCOMPARE(upgrade.result(), StoreUpgrade::Result::Cancelled);
            QCOMPARE(upgrade.error(), QString());
        }
        QCOMPARE(testfiles::fileHash(file()), before);
        QVERIFY(logIsEmpty());
        {
            NoteStore store;
            store.open(file(), NoteStore::OpenMode::ReadOnly);
            QCOMPARE(store.userVersion(), 1);
            QVERIFY(!store.hasTextIndex());
        }

        StoreUpgrade again(file(), &richtext::plainText, &richtext::joined);
        QSignalSpy finished(&again, &StoreUpgrade::finished);
        again.start();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(again.result(), StoreUpgrade::Result::Done);
        QVERIFY(!NoteStore::needsUpgrade(file()));
        QVERIFY(testfiles::holdsNotes(file(), kMonths));
    }

    // What this build cannot upgrade is told with its cause, and the file is not written.
    void failureIsToldAndTheFileLeftAlone_data() {
        QTest::addColumn<QString>("cause");
        QTest::addColumn<QString>("told");
        QTest::newRow("newer version")
            << QStringLiteral("newer") << QStringLiteral("高于本程序支持的版本");
        QTest::newRow("read-only folder") << QStringLiteral("read-only") << file();
    }
    void failureIsToldAndTheFileLeftAlone() {
        QFETCH(QString, cause);
        QFETCH(QString, told);
        QCOMPARE(testfiles::makeVersionOne(file()), QString());
        if (cause == QStringLiteral("newer")) {
            const QByteArray sql =
                "PRAGMA user_version = " + QByteArray::number(NoteStore::SchemaVersion + 1);
            QCOMPARE(testfiles::alter(file(), {QString::fromLatin1(sql)}), QString());
        }
        std::unique_ptr<TestMount> mount;
        if (cause == QStringLiteral("read-only")) {
            mount = TestMount::readOnly(folder());
            if (!mount->ok()) QSKIP("cannot mount the folder read-only here (not root?)");
        }
        const QByteArray before = testfiles::fileHash(file());
        StoreUpgrade upgrade(file(), &richtext::plainText, &richtext::joined);
        QSignalSpy finished(&upgrade, &StoreUpgrade::finished);
        upgrade.start();
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(upgrade.result(), StoreUpgrade::Result::Failed);
        QVERIFY2(upgrade.error().contains(told), qPrintable(upgrade.error()));
        QCOMPARE(testfiles::fileHash(file()), before);
        QVERIFY(logIsEmpty());
    }
};

QTEST_GUILESS_MAIN(TestStoreUpgrade)
#include "tst_StoreUpgrade.moc"
