#include "base/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>

namespace {

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestAtomicFile : public QObject {
    Q_OBJECT

private slots:
    void writesNewAndReplacesOld() {
        QTemporaryDir dir;
        const QString path = dir.filePath("form.ini");
        QVERIFY(AtomicFile::write(path, "first\r\n"));
        QCOMPARE(readAll(path), QByteArray("first\r\n"));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(AtomicFile::write(path, "second"));
        QCOMPARE(readAll(path), QByteArray("second"));
        QCOMPARE(QFile::permissions(path) & 0xf0ff, QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(AtomicFile::write(path, QByteArray()));
        QCOMPARE(readAll(path), QByteArray());
        // No temporary file is left behind.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"form.ini"});
    }

    void refusesWhatCannotBeWritten_data() {
        QTest::addColumn<QString>("relative");
        QTest::addColumn<bool>("directoryInTheWay");
        QTest::newRow("directory in the way") << "target" << true;
        QTest::newRow("folder missing") << "gone/target" << false;
    }
    void refusesWhatCannotBeWritten() {
        QFETCH(QString, relative);
        QFETCH(bool, directoryInTheWay);
        QTemporaryDir dir;
        const QString path = dir.filePath(relative);
        if (directoryInTheWay) QVERIFY(QDir(dir.path()).mkdir(relative));
        QString error;
        QVERIFY(!AtomicFile::write(path, "x", &error));
        QVERIFY(!error.isEmpty());
        if (directoryInTheWay) QVERIFY(QFileInfo(path).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    // A full disk fails the write or the flush; the old content stays and nothing is left over.
    void fullDiskKeepsOldFile() {
        QTemporaryDir dir;
        const QByteArray mountPoint = QFile::encodeName(dir.path());
        if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
            QSKIP("cannot mount a small tmpfs here (not root?)");
        const auto unmount = qScopeGuard([&] { ::umount(mountPoint.constData()); });
        const QString path = dir.filePath("loginstr.db");
        const QByteArray old = "NOKEY4817203\r\nNOKEY4817203\r\n0\r\n";
        QVERIFY(AtomicFile::write(path, old));

        QString error;
        QVERIFY(!AtomicFile::write(path, QByteArray(200 * 1024, 'x'), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"loginstr.db"});
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_AtomicFile.moc"
