#include "../TestMounts.h"
#include "base/OwnerOnly.h"
#include "store/AppPaths.h"
#include "store/BackupManager.h"
#include "store/NoteStore.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <utime.h>

namespace {

void writeFile(const QString &path, const QByteArray &content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Restores XDG_DATA_HOME when a test ends.
class EnvGuard {
public:
    EnvGuard()
        : m_had(qEnvironmentVariableIsSet("XDG_DATA_HOME")), m_old(qgetenv("XDG_DATA_HOME")) {}
    ~EnvGuard() {
        if (m_had)
            qputenv("XDG_DATA_HOME", m_old);
        else
            qunsetenv("XDG_DATA_HOME");
    }

private:
    bool m_had;
    QByteArray m_old;
};

// The permission bits of a file or folder.
unsigned modeOf(const QString &path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 01000;
}

// A umask that would let the group and others read new files, for the test's length.
class OpenUmask {
public:
    OpenUmask() : m_old(::umask(022)) {}
    ~OpenUmask() { ::umask(m_old); }

private:
    mode_t m_old;
};

} // namespace

class TestAppPaths : public QObject {
    Q_OBJECT

private slots:
    void layoutOfPaths() {
        const AppPaths p("/opt/kestrova/data", "/opt/kestrova/bin/");
        QCOMPARE(p.root(), QStringLiteral("/opt/kestrova/data"));
        QCOMPARE(p.programDir(), QStringLiteral("/opt/kestrova/bin"));
        QVERIFY(!p.isPortable());
        QCOMPARE(p.db3Dir(), QStringLiteral("/opt/kestrova/data/DB3"));
        QCOMPARE(p.databaseFile(), QStringLiteral("/opt/kestrova/data/DB3/CalendarD.db"));
        QCOMPARE(p.formIniFile(), QStringLiteral("/opt/kestrova/data/DB3/form.ini"));
        QCOMPARE(p.loginFile(), QStringLiteral("/opt/kestrova/data/DB3/loginstr.db"));
        QCOMPARE(p.wallpaperDir(), QStringLiteral("/opt/kestrova/data/source/DeskTopBG"));
        QCOMPARE(p.wallpaperFile("Mix.bmp"),
                 QStringLiteral("/opt/kestrova/data/source/DeskTopBG/Mix.bmp"));
        QCOMPARE(p.resourceDir(), QStringLiteral("/opt/kestrova/bin/resources"));
        QCOMPARE(p.shippedWallpaperDir(), QStringLiteral("/opt/kestrova/bin/resources/DeskTopBG"));
        QVERIFY(AppPaths("/a/b").isPortable());
    }

    void userDataRoot_data() {
        QTest::addColumn<QByteArray>("xdg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QByteArray("/srv/data") << "/srv/data/kestrova";
        QTest::newRow("unset") << QByteArray() << QDir::homePath() + "/.local/share/kestrova";
        QTest::newRow("relative is ignored")
            << QByteArray("rel/dir") << QDir::homePath() + "/.local/share/kestrova";
    }
    void userDataRoot() {
        QFETCH(QByteArray, xdg);
        QFETCH(QString, expected);
        EnvGuard guard;
        if (xdg.isEmpty())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", xdg);
        QCOMPARE(AppPaths::userDataRoot(), expected);
    }

    void writableProgramDirIsPortable() {
        QTemporaryDir dir;
        const AppPaths p = AppPaths::detect(dir.path());
        QVERIFY(p.isPortable());
        QCOMPARE(p.root(), QDir(dir.path()).absolutePath());
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList()); // the probe leaves nothing behind
    }

    // A program folder in which nothing can be created (here: below a plain file, which blocks
    // even root) sends the data to the per-user folder.
    void unwritableProgramDirFallsBack() {
        QTemporaryDir dir;
        EnvGuard guard;
        qputenv("XDG_DATA_HOME", dir.filePath("xdg").toUtf8());
        writeFile(dir.filePath("blocker"), "not a folder");
        const QString programDir = dir.filePath("blocker/bin");
        QVERIFY(!AppPaths::isWritableDir(programDir));
        const AppPaths p = AppPaths::detect(programDir);
        QVERIFY(!p.isPortable());
        QCOMPARE(p.root(), dir.filePath("xdg/kestrova"));
        QCOMPARE(p.resourceDir(), programDir + "/resources");
    }

    void readOnlyProgramDirFallsBack() {
        QTemporaryDir dir;
        EnvGuard guard;
        qputenv("XDG_DATA_HOME", dir.filePath("xdg").toUtf8());
        const QString programDir = dir.filePath("usr-bin");
        QDir().mkpath(programDir);
        QFile::setPermissions(programDir, QFile::ReadOwner | QFile::ExeOwner);
        const bool rootLike = QFile(programDir + "/x").open(QIODevice::WriteOnly);
        if (rootLike) {
            QFile::remove(programDir + "/x");
            QFile::setPermissions(programDir,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QSKIP("permission bits do not stop this user from writing (root)");
        }
        const AppPaths p = AppPaths::detect(programDir);
        QFile::setPermissions(programDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(p.root(), dir.filePath("xdg/kestrova"));
    }

    // A portable copy whose folder became read-only keeps its notes; nothing goes elsewhere.
    void readOnlyPortableFolderIsKept() {
        QTemporaryDir dir;
        EnvGuard guard;
        qputenv("XDG_DATA_HOME", dir.filePath("xdg").toUtf8());
        const QString programDir = dir.filePath("portable");
        QVERIFY(AppPaths(programDir).ensureLayout());
        const auto mount = TestMount::readOnly(programDir);
        if (!mount->ok()) QSKIP("cannot mount read-only here (not root?)");
        QVERIFY(!AppPaths::isWritableDir(programDir + "/DB3"));
        const AppPaths p = AppPaths::detect(programDir);
        QVERIFY(p.isPortable());
        QCOMPARE(p.root(), QDir(programDir).absolutePath());
        QVERIFY(!p.ensureLayout());
        QVERIFY(!QFileInfo::exists(dir.filePath("xdg")));
    }

    void staleStagingFoldersAreRemoved() {
        QTemporaryDir dir;
        const AppPaths p(dir.path());
        const QString old = dir.filePath("DB3.new-abc123");
        const QString young = dir.filePath("DB3.new-def456");
        writeFile(old + "/CalendarD.db", "half made");
        writeFile(young + "/CalendarD.db", "being made");
        const qint64 past = QDateTime::currentSecsSinceEpoch() - AppPaths::StaleStagingSeconds - 5;
        const struct utimbuf times { past, past };
        QCOMPARE(::utime(QFile::encodeName(old).constData(), &times), 0);
        QVERIFY(p.ensureLayout());
        QVERIFY(!QFileInfo::exists(old));
        QVERIFY(QFileInfo::exists(young)); // may belong to a first start running right now
        QVERIFY(!p.ensureLayout());
    }

    void firstRunLayout() {
        QTemporaryDir dir;
        const QString programDir = dir.filePath("prog");
        writeFile(programDir + "/resources/DeskTopBG/A1.bmp", "BM picture one");
        writeFile(programDir + "/resources/DeskTopBG/A2.bmp", QByteArray(5000, '\x7f'));
        const AppPaths p(programDir);

        QVERIFY(p.ensureLayout());
        QCOMPARE(readFile(p.loginFile()), QByteArray("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n"));
        QCOMPARE(AppPaths::noPasswordFileContent(), readFile(p.loginFile()));
        // The wallpaper dialog writes the backgrounds when it needs them: nothing is copied.
        QVERIFY(QFileInfo(p.wallpaperDir()).isDir());
        QCOMPARE(QDir(p.wallpaperDir()).entryList(QDir::Files), QStringList());
        QVERIFY(!QFile::exists(p.formIniFile())); // FormIni writes it on first read
        QCOMPARE(QDir(p.root()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{"DB3", "resources", "source"})); // no staging folder left

        {
            NoteStore store;
            store.open(p.databaseFile());
            QCOMPARE(store.userVersion(), NoteStore::SchemaVersion);
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "layout-check");
            db.setDatabaseName(p.databaseFile());
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"));
            QStringList tables;
            while (q.next()) tables << q.value(0).toString();
            QCOMPARE(
                tables,
                (QStringList{"Beiwanglu", "NoteText", "NoteTextIndex", "NoteTextIndex_config",
                             "NoteTextIndex_data", "NoteTextIndex_docsize", "NoteTextIndex_idx",
                             "NoteTextPending", "NoteTextState", "RiliColor", "RiliJishi",
                             "TailiNew", "TailiNew_day", "YearJishi", "edtText", "edtTextColor"}));
        }
        QSqlDatabase::removeDatabase("layout-check");

        // Later runs leave an existing folder alone, even one the user changed: a picture of the
        // user's stays, none is copied in.
        writeFile(p.loginFile(), "mine\r\nmine\r\n-1\r\n");
        writeFile(p.wallpaperFile("A2.bmp"), "my own picture");
        QVERIFY(!p.ensureLayout());
        QCOMPARE(readFile(p.loginFile()), QByteArray("mine\r\nmine\r\n-1\r\n"));
        QVERIFY(!QFile::exists(p.wallpaperFile("A1.bmp")));
        QCOMPARE(readFile(p.wallpaperFile("A2.bmp")), QByteArray("my own picture"));
    }

    void firstRunWithoutShippedPictures() {
        QTemporaryDir dir;
        const AppPaths p(dir.filePath("data"), dir.filePath("prog"));
        QVERIFY(p.ensureLayout());
        QVERIFY(QFileInfo(p.wallpaperDir()).isDir());
        QVERIFY(QFile::exists(p.databaseFile()));
        QVERIFY(QFile::exists(p.loginFile()));
    }

    // The notes and the password settings are the user's alone from the first start on.
    void freshFolderIsTheOwnersAlone() {
        const OpenUmask umask;
        QTemporaryDir dir;
        const AppPaths p(dir.path());
        QVERIFY(p.ensureLayout());
        {
            NoteStore store;
            store.open(p.databaseFile());
            store.writeMemoLine(1, "memo"); // a log and its index beside the file
            BackupManager(p.databaseFile(), p.backupDir()).backupNow(QDate(2025, 3, 1));
            for (const QString &file : {p.databaseFile() + "-wal", p.databaseFile() + "-shm"})
                QCOMPARE(modeOf(file), OwnerOnly::FileMode);
        }
        QCOMPARE(modeOf(p.db3Dir()), OwnerOnly::FolderMode);
        QCOMPARE(modeOf(p.backupDir()), OwnerOnly::FolderMode);
        QCOMPARE(modeOf(p.databaseFile()), OwnerOnly::FileMode);
        QCOMPARE(modeOf(p.loginFile()), OwnerOnly::FileMode);
        const QStringList copies = QDir(p.backupDir()).entryList(QDir::Files);
        QCOMPARE(copies, QStringList{"CalendarD-2025-03-01.db"});
        QCOMPARE(modeOf(p.backupDir() + '/' + copies.first()), OwnerOnly::FileMode);
    }

    // A folder of an older version, readable by the group and others, is closed at the next
    // start; files that are not the notes' or the password's keep their modes.
    void existingFolderIsClosedToOthers() {
        const OpenUmask umask;
        QTemporaryDir dir;
        const AppPaths p(dir.path());
        writeFile(p.databaseFile(), QByteArray());
        writeFile(p.databaseFile() + "-wal", QByteArray());
        writeFile(p.loginFile(), AppPaths::noPasswordFileContent());
        writeFile(p.formIniFile(), "1024\r\n738\r\n");
        writeFile(p.db3Dir() + "/CalendarD.damaged-20250301-101500.db", "damaged");
        writeFile(p.backupDir() + "/CalendarD-2025-03-01.db", "copy");
        const QStringList folders{p.db3Dir(), p.backupDir()};
        const QStringList files{p.databaseFile(), p.databaseFile() + "-wal", p.loginFile(),
                                p.db3Dir() + "/CalendarD.damaged-20250301-101500.db",
                                p.backupDir() + "/CalendarD-2025-03-01.db"};
        for (const QString &f : folders) QVERIFY(::chmod(QFile::encodeName(f), 0755) == 0);
        for (const QString &f : files) QVERIFY(::chmod(QFile::encodeName(f), 0644) == 0);
        // A file its owner made read-only stays read-only.
        QVERIFY(::chmod(QFile::encodeName(p.loginFile()), 0444) == 0);

        QVERIFY(!p.ensureLayout());
        for (const QString &f : folders) QCOMPARE(modeOf(f), OwnerOnly::FolderMode);
        for (const QString &f : files)
            if (f != p.loginFile()) QCOMPARE(modeOf(f), OwnerOnly::FileMode);
        QCOMPARE(modeOf(p.loginFile()), 0400u);
        QCOMPARE(modeOf(p.formIniFile()), 0644u);
    }

    void existingDataFolderGetsWallpaperDir() {
        QTemporaryDir dir;
        const AppPaths p(dir.path());
        QDir().mkpath(p.db3Dir());
        QVERIFY(!p.ensureLayout());
        QVERIFY(QFileInfo(p.wallpaperDir()).isDir());
        QVERIFY(!QFile::exists(p.loginFile())); // the password file is never made up later
    }

    void uncreatableRootIsReported() {
        QTemporaryDir dir;
        writeFile(dir.filePath("blocker"), "x");
        const AppPaths p(dir.filePath("blocker/data"));
        QVERIFY_THROWS_EXCEPTION(StoreError, p.ensureLayout());
    }
};

QTEST_GUILESS_MAIN(TestAppPaths)
#include "tst_AppPaths.moc"
