#include "platform/SingleInstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {
const QString kName = QStringLiteral("Kestrova1024K715");

std::unique_ptr<QProcess> startProbe(const QString &dir, int holdMs) {
    auto p = std::make_unique<QProcess>();
    p->start(QStringLiteral(PROBE_PATH), {dir, QString::number(holdMs)});
    return p;
}

// waitForFinished() is false for a process that already ended while the test's event loop ran.
bool ended(QProcess &p, int ms = 5000) {
    return p.state() == QProcess::NotRunning || p.waitForFinished(ms);
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
    void otherPeersDoNotCountAsNotices();
    void runtimeFolderIsPrivateToTheUser_data();
    void runtimeFolderIsPrivateToTheUser();
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
    QVERIFY(ended(second));
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
    QVERIFY(ended(*probe));
    QVERIFY(QFile::exists(dir.filePath(kName + ".lock")));
    QVERIFY(QFile::exists(dir.filePath(kName)));

    SingleInstance next(kName, dir.path());
    QCOMPARE(next.claim(), SingleInstance::Role::Primary);
    QSignalSpy notices(&next, &SingleInstance::noticeReceived);
    auto later = startProbe(dir.path(), 0);
    QVERIFY(notices.wait(5000));
    QVERIFY(ended(*later));
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
            QVERIFY(ended(*p, 10000));
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

void TestSingleInstance::otherPeersDoNotCountAsNotices() {
    QTemporaryDir dir;
    SingleInstance first(kName, dir.path());
    QCOMPARE(first.claim(), SingleInstance::Role::Primary);
    QCOMPARE(QFileInfo(first.socketPath()).permissions() &
                 ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
             QFile::Permissions());
    QSignalSpy notices(&first, &SingleInstance::noticeReceived);

    // A peer that floods the socket, and one that connects and leaves without a word.
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(first.socketPath());
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    for (const QByteArray &words : {QByteArray(4096, 'x'), QByteArray()}) {
        const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        QCOMPARE(::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
        if (!words.isEmpty()) QVERIFY(send(fd, words.constData(), size_t(words.size()), 0) > 0);
        close(fd);
    }
    auto later = startProbe(dir.path(), 0);
    QVERIFY(notices.wait(5000));
    QVERIFY(ended(*later));
    QCOMPARE(notices.count(), 1);
}

void TestSingleInstance::runtimeFolderIsPrivateToTheUser_data() {
    QTest::addColumn<bool>("setXdg");
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<bool>("usesXdg");
    QTemporaryDir owned;
    owned.setAutoRemove(false);
    QTest::newRow("usable XDG_RUNTIME_DIR") << true << owned.path() << true;
    QTest::newRow("missing folder") << true << QStringLiteral("/nonexistent/run") << false;
    QTest::newRow("relative") << true << QStringLiteral(".") << false;
    QTest::newRow("empty") << true << QString() << false;
    QTest::newRow("unset") << false << QString() << false;
}

void TestSingleInstance::runtimeFolderIsPrivateToTheUser() {
    QFETCH(bool, setXdg);
    QFETCH(QString, xdg);
    QFETCH(bool, usesXdg);
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    if (setXdg)
        qputenv("XDG_RUNTIME_DIR", xdg.toLocal8Bit());
    else
        qunsetenv("XDG_RUNTIME_DIR");
    const QString dir = SingleInstance::runtimeDirectory();
    if (saved.isNull())
        qunsetenv("XDG_RUNTIME_DIR");
    else
        qputenv("XDG_RUNTIME_DIR", saved);
    if (usesXdg) {
        QCOMPARE(dir, xdg);
        QDir(xdg).removeRecursively();
        return;
    }
    QVERIFY(dir.startsWith(QDir::tempPath()));
    QVERIFY(QFileInfo(dir).isDir());
    QCOMPARE(QFileInfo(dir).permissions() &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                  QFile::WriteOther | QFile::ExeOther),
             QFile::Permissions());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
