#include "platform/TerminationSignals.h"

#include <QSignalSpy>
#include <QTest>

#include <csignal>

class TestTerminationSignals : public QObject {
    Q_OBJECT
private slots:
    void signalsArriveOnTheEventLoop_data();
    void signalsArriveOnTheEventLoop();
    void defaultsComeBackAfterwards();
};

void TestTerminationSignals::signalsArriveOnTheEventLoop_data() {
    QTest::addColumn<int>("number");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestTerminationSignals::signalsArriveOnTheEventLoop() {
    QFETCH(int, number);
    TerminationSignals signals_;
    QVERIFY(signals_.isInstalled());
    QSignalSpy spy(&signals_, &TerminationSignals::terminationRequested);
    QVERIFY(::raise(number) == 0); // the process lives on
    QVERIFY(spy.wait(2000));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toInt(), number);
}

void TestTerminationSignals::defaultsComeBackAfterwards() {
    {
        TerminationSignals first;
        TerminationSignals second; // the handlers belong to the first
        QVERIFY(first.isInstalled());
        QVERIFY(!second.isInstalled());
    }
    struct sigaction current {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &current), 0);
    QVERIFY(current.sa_handler == SIG_DFL);
    TerminationSignals again;
    QVERIFY(again.isInstalled());
}

QTEST_GUILESS_MAIN(TestTerminationSignals)
#include "tst_TerminationSignals.moc"
