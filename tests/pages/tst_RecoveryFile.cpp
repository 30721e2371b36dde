#include "pages/RecoveryFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QString readAll(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

const QList<UnsavedCell> kCells{
    {QStringLiteral("桌面月历"), QDate(2010, 6, 5), QStringLiteral("第 7 格"),
     QStringLiteral("买菜\n两行"), QByteArray("{\\rtf1 \\u20080?\\u33756?}")},
    {QStringLiteral("日安排"), QDate(2010, 6, 1), QString(), QString(), QByteArray("{\\rtf1 }")},
};
} // namespace

class TestRecoveryFile : public QObject {
    Q_OBJECT

private slots:
    void formatNamesPageDateAndPlace() {
        const QString text = QString::fromUtf8(RecoveryFile::format(
            kCells, "/data/DB3/CalendarD.db", QDateTime(QDate(2026, 12, 10), QTime(15, 4, 5))));
        QVERIFY(text.contains("2026-12-10 15:04:05"));
        QVERIFY(text.contains("/data/DB3/CalendarD.db"));
        QVERIFY(text.contains(QStringLiteral("===== 桌面月历 2010-06-05 第 7 格 =====\n买菜\n两行\n"
                                             "----- RTF -----\n{\\rtf1 \\u20080?\\u33756?}\n")));
        QVERIFY(text.contains(QStringLiteral("===== 日安排 2010-06-01 =====\n")));
    }

    // The first folder that takes the file gets it: a file in the way of the first sends it on.
    void writeFallsBackToTheNextFolder() {
        QTemporaryDir dir;
        QFile blocker(dir.filePath("blocked"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QString path, error;
        QVERIFY(RecoveryFile::write({dir.filePath("blocked/DB3"), dir.filePath("user/recovery")},
                                    kCells, "db", path, error));
        QVERIFY(path.startsWith(dir.filePath("user/recovery/unsaved-")));
        QVERIFY(readAll(path).contains(QStringLiteral("买菜")));
        // Two in the same second do not overwrite each other.
        QString second;
        QVERIFY(RecoveryFile::write({dir.filePath("user/recovery")}, kCells, "db", second, error));
        QVERIFY(second != path);
        QVERIFY(QFile::exists(path));

        QVERIFY(!RecoveryFile::write({dir.filePath("blocked/a")}, kCells, "db", path, error));
        QVERIFY2(error.contains(dir.filePath("blocked/a")), qPrintable(error));
    }

    void claimRenamesOnce() {
        QTemporaryDir dir;
        QString path, error;
        QVERIFY(RecoveryFile::write({dir.path()}, kCells, "db", path, error));
        const QStringList claimed = RecoveryFile::claim(dir.path());
        QCOMPARE(claimed.size(), 1);
        QVERIFY(QFileInfo(claimed.at(0)).fileName().startsWith("recovered-"));
        QVERIFY(!QFile::exists(path));
        QVERIFY(readAll(claimed.at(0)).contains(QStringLiteral("买菜")));
        QVERIFY(RecoveryFile::claim(dir.path()).isEmpty());
        QVERIFY(RecoveryFile::claim(dir.filePath("missing")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecoveryFile)
#include "tst_RecoveryFile.moc"
