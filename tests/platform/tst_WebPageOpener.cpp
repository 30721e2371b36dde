#include "platform/WebPageOpener.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {
// A tool in the test's own PATH folder: a shell script printing `output`.
bool writeTool(const QString &dir, const QString &name, const QByteArray &output) {
    QFile f(dir + '/' + name);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write("#!/bin/sh\nprintf '%s' '" + output + "'\n");
    f.close();
    return f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
} // namespace

class TestWebPageOpener : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void programFor_data();
    void programFor();

private:
    QByteArray m_path;
    QByteArray m_browser;
};

void TestWebPageOpener::init() {
    m_path = qgetenv("PATH");
    m_browser = qgetenv("BROWSER");
}

void TestWebPageOpener::cleanup() {
    qputenv("PATH", m_path);
    qputenv("BROWSER", m_browser);
}

void TestWebPageOpener::programFor_data() {
    QTest::addColumn<QStringList>("tools"); // name=output of xdg-mime, or a bare name
    QTest::addColumn<QString>("browserVariable");
    QTest::addColumn<bool>("expected");
    QTest::newRow("nothing at all") << QStringList{} << QString() << false;
    QTest::newRow("xdg-open, no application for pages")
        << QStringList{"xdg-open", "xdg-mime="} << QString() << false;
    QTest::newRow("xdg-open with an application")
        << QStringList{"xdg-open", "xdg-mime=firefox-esr.desktop"} << QString() << true;
    QTest::newRow("xdg-open alone") << QStringList{"xdg-open"} << QString() << true;
    QTest::newRow("a browser by name") << QStringList{"chromium"} << QString() << true;
    QTest::newRow("$BROWSER") << QStringList{"mybrowser"} << "nothere:mybrowser %s" << true;
    QTest::newRow("$BROWSER not installed") << QStringList{} << "nothere" << false;
}

void TestWebPageOpener::programFor() {
    QFETCH(QStringList, tools);
    QFETCH(QString, browserVariable);
    QFETCH(bool, expected);
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    for (const QString &tool : tools)
        QVERIFY(writeTool(bin.path(), tool.section('=', 0, 0), tool.section('=', 1).toUtf8()));
    // The shell the scripts run with stays reachable through its full path.
    qputenv("PATH", bin.path().toLocal8Bit());
    qputenv("BROWSER", browserVariable.toLocal8Bit());
    const QUrl page = QUrl::fromLocalFile(QStringLiteral(KESTROVA_SOURCE_DIR) +
                                          QStringLiteral("/resources/web/help.html"));
    QCOMPARE(WebPageOpener::hasProgramFor(page), expected);
    QCOMPARE(WebPageOpener::hasProgramFor(QUrl(QStringLiteral("https://example.org/"))), expected);
    if (!expected) QVERIFY(!WebPageOpener::open(page));
}

QTEST_GUILESS_MAIN(TestWebPageOpener)
#include "tst_WebPageOpener.moc"
