#include "SingleInstance.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

namespace {
const QString kName = QStringLiteral("Kestrova1024K715");

std::unique_ptr<QProcess> startProbe(const QString &dir, int holdMs) {
    auto p = std::make_unique<QProcess>();
    p->start(QStringLiteral(PROBE_PATH), {dir, QString::number(holdMs)});
    return p;
}

QByteArray firstLine(QProcess &p) {
    if (!p.canReadLine()) p.waitForReadyRead(5000);
    return p.readLine().trimmed();
}
} // namespace

class TestSingleInstance : public QObject {
    Q_OBJECT
private slots:
    void secondStartSendsNoticeAndEnds();
    void instanceIsFreeAgainAfterTheFirstEnds();
    void crashedInstanceDoesNotBlock();
    void simultaneousStartsNeverBothRun_data();
    void simultaneousStartsNeverBothRun();
    void secondStartEndsQuicklyWhileFirstIsNotListening();
};

void TestSingleInstance::secondStartSendsNoticeAndEnds() {
    QTemporaryDir dir;
    SingleInstance first(kName, dir.path());
    QCOMPARE(first.claim(), SingleInstance::Role::Primary);
    QVERIFY(QFile::exists(first.socketPath()));
    QSignalSpy notices(&first, &SingleInstance::noticeReceived);

    // The second start is another process, so the first keeps its event loop free.
    QProcess second;
    second.start(QStringLiteral(PROBE_PATH), {dir.path(), QStringLiteral("0")});
    QVERIFY(second.waitForStarted());
    QVERIFY(notices.wait(5000));
    QVERIFY(second.waitForFinished(5000));
    QCOMPARE(second.readAllStandardOutput().trimmed(), QByteArray("secondary"));
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(notices.count(), 1);
}

void TestSingleInstance::instanceIsFreeAgainAfterTheFirstEnds() {
    QTemporaryDir dir;
    {
        SingleInstance first(kName, dir.path());
        QCOMPARE(first.claim(), SingleInstance::Role::Primary);
    }
    SingleInstance again(kName, dir.path());
    QCOMPARE(again.claim(), SingleInstance::Role::Primary);
}

void TestSingleInstance::crashedInstanceDoesNotBlock() {
    QTemporaryDir dir;
    auto probe = startProbe(dir.path(), 60000);
    QCOMPARE(firstLine(*probe), QByteArray("primary"));
    probe->kill(); // SIGKILL: lock file and socket file stay behind
    QVERIFY(probe->waitForFinished(5000));
    QVERIFY(QFile::exists(dir.filePath(kName + ".lock")));
    QVERIFY(QFile::exists(dir.filePath(kName)));

    SingleInstance next(kName, dir.path());
    QCOMPARE(next.claim(), SingleInstance::Role::Primary);
    QSignalSpy notices(&next, &SingleInstance::noticeReceived);
    auto later = startProbe(dir.path(), 0);
    QVERIFY(notices.wait(5000));
    QVERIFY(later->waitForFinished(5000));
    QCOMPARE(later->readAllStandardOutput().trimmed(), QByteArray("secondary"));
}

void TestSingleInstance::simultaneousStartsNeverBothRun_data() {
    QTest::addColumn<int>("starts");
    QTest::newRow("two") << 2;
    QTest::newRow("six") << 6;
}

void TestSingleInstance::simultaneousStartsNeverBothRun() {
    QFETCH(int, starts);
    for (int round = 0; round < 3; ++round) {
        QTemporaryDir dir;
        std::vector<std::unique_ptr<QProcess>> probes;
        for (int i = 0; i < starts; ++i) probes.push_back(startProbe(dir.path(), 800));
        int primaries = 0;
        int secondaries = 0;
        for (auto &p : probes) {
            QVERIFY(p->waitForFinished(10000));
            const QByteArray out = p->readAllStandardOutput();
            if (out.startsWith("primary")) ++primaries;
            if (out.startsWith("secondary")) ++secondaries;
        }
        QCOMPARE(primaries, 1);
        QCOMPARE(secondaries, starts - 1);
    }
}

void TestSingleInstance::secondStartEndsQuicklyWhileFirstIsNotListening() {
    // A lock held by an instance that has not started listening yet (or never will).
    QTemporaryDir dir;
    QLockFile held(dir.filePath(kName + ".lock"));
    QVERIFY(held.tryLock(0));
    QElapsedTimer clock;
    clock.start();
    SingleInstance second(kName, dir.path());
    QCOMPARE(second.claim(300), SingleInstance::Role::Secondary);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
