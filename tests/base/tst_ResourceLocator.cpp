#include "base/ResourceLocator.h"
#include "store/AppPaths.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestResourceLocator : public QObject {
    Q_OBJECT
private slots:
    // Folders that exist under a temporary prefix, and where the program looks for its files.
    void whereTheFilesAre_data() {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("expected"); // relative to the prefix
        QTest::addColumn<bool>("installed");
        QTest::newRow("build folder or portable copy")
            << QStringList{"bin/resources"} << "bin/resources" << false;
        QTest::newRow("installed") << QStringList{"share/kestrova"} << "share/kestrova" << true;
        QTest::newRow("beside the executable wins")
            << QStringList{"bin/resources", "share/kestrova"} << "bin/resources" << false;
        QTest::newRow("neither") << QStringList{} << "bin/resources" << false;
    }
    void whereTheFilesAre() {
        QFETCH(QStringList, folders);
        QFETCH(QString, expected);
        QFETCH(bool, installed);
        QTemporaryDir prefix;
        QVERIFY(QDir().mkpath(prefix.filePath("bin")));
        for (const QString &f : folders) QVERIFY(QDir().mkpath(prefix.filePath(f)));
        const QString bin = prefix.filePath("bin");
        QCOMPARE(ResourceLocator::resourceDir(bin), prefix.filePath(expected));
        QCOMPARE(ResourceLocator::isInstalled(bin), installed);
        QCOMPARE(AppPaths(prefix.filePath("data"), bin).resourceDir(), prefix.filePath(expected));
    }

    // An installed copy keeps its data in the user's folder even where it could write beside
    // itself (the tests run as root); a portable copy keeps it beside the executable.
    void installedCopyKeepsItsDataInTheUsersFolder() {
        QTemporaryDir prefix, home;
        QVERIFY(QDir().mkpath(prefix.filePath("bin")));
        QVERIFY(QDir().mkpath(prefix.filePath("share/kestrova/pictures")));
        const QByteArray oldXdg = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        const auto restore = qScopeGuard([&] {
            if (oldXdg.isEmpty())
                qunsetenv("XDG_DATA_HOME");
            else
                qputenv("XDG_DATA_HOME", oldXdg);
        });
        const AppPaths installed = AppPaths::detect(prefix.filePath("bin"));
        QCOMPARE(installed.root(), home.filePath("kestrova"));
        QCOMPARE(installed.resourceDir(), prefix.filePath("share/kestrova"));

        QVERIFY(QDir().mkpath(prefix.filePath("bin/resources")));
        QCOMPARE(AppPaths::detect(prefix.filePath("bin")).root(), prefix.filePath("bin"));
    }
};

QTEST_GUILESS_MAIN(TestResourceLocator)
#include "tst_ResourceLocator.moc"
