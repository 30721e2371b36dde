#include "base/AtomicFile.h"
#include "base/OwnerOnly.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <sys/stat.h>

namespace {

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

unsigned modeOf(const QString &path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 01000;
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

    // A file only its owner may read gets that mode before its content goes in, whatever the
    // umask; a replaced one loses the group's and others' bits and keeps its owner's.
    void ownerOnlyAccess_data() {
        QTest::addColumn<int>("oldMode"); // -1: no old file
        QTest::addColumn<int>("access");
        QTest::addColumn<int>("expected");
        const int ownerOnly = int(AtomicFile::Access::OwnerOnly);
        const int byDefault = int(AtomicFile::Access::Default);
        QTest::newRow("new, owner only") << -1 << ownerOnly << int(OwnerOnly::FileMode);
        QTest::newRow("new, default") << -1 << byDefault << 0644;
        QTest::newRow("readable by all, owner only") << 0644 << ownerOnly << 0600;
        QTest::newRow("read-only, owner only") << 0444 << ownerOnly << 0400;
        QTest::newRow("readable by all, default") << 0644 << byDefault << 0644;
    }
    void ownerOnlyAccess() {
        QFETCH(int, oldMode);
        QFETCH(int, access);
        QFETCH(int, expected);
        const mode_t oldMask = ::umask(022);
        const auto restore = qScopeGuard([&] { ::umask(oldMask); });
        QTemporaryDir dir;
        const QString path = dir.filePath("loginstr.db");
        if (oldMode >= 0) {
            QVERIFY(AtomicFile::write(path, "old"));
            QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(oldMode)) == 0);
        }
        QVERIFY(AtomicFile::write(path, "new", nullptr, AtomicFile::Access(access)));
        QCOMPARE(readAll(path), QByteArray("new"));
        QCOMPARE(modeOf(path), unsigned(expected));
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
