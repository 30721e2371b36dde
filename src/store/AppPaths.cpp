#include "store/AppPaths.h"

#include "base/AtomicFile.h"
#include "base/OwnerOnly.h"
#include "base/ResourceLocator.h"
#include "store/NoteStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

namespace {

QString cleanDir(const QString &dir) {
    return QDir::cleanPath(QDir(dir).absolutePath());
}

void writeFileAtomically(const QString &path, const QByteArray &content) {
    QString error;
    if (!AtomicFile::write(path, content, &error, AtomicFile::Access::OwnerOnly))
        throw StoreError(QStringLiteral("无法写入文件 %1: %2").arg(path, error));
}

} // namespace

AppPaths::AppPaths(const QString &root, const QString &programDir)
    : m_root(cleanDir(root)), m_programDir(cleanDir(programDir.isEmpty() ? root : programDir)) {}

AppPaths AppPaths::detect(const QString &programDir) {
    // An installed program never writes beside itself, even where it could (run as root).
    if (ResourceLocator::isInstalled(programDir)) return AppPaths(userDataRoot(), programDir);
    const AppPaths portable(programDir, programDir);
    // Notes beside the program are the user's notes even when they cannot be written (a
    // read-only copy or mount): a fresh folder elsewhere would hide them behind an empty one.
    if (QFileInfo(portable.databaseFile()).isFile()) return portable;
    // An existing data folder must itself be writable; otherwise the program folder must be.
    const QString probe =
        QFileInfo(portable.db3Dir()).isDir() ? portable.db3Dir() : portable.root();
    if (isWritableDir(probe)) return portable;
    return AppPaths(userDataRoot(), programDir);
}

QString AppPaths::userDataRoot() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return cleanDir(base + QStringLiteral("/kestrova"));
}

bool AppPaths::isWritableDir(const QString &dir) {
    QFileInfo fi(cleanDir(dir));
    // A folder that does not exist yet would be created inside its nearest existing parent.
    while (!fi.exists()) {
        const QString parent = fi.absolutePath();
        if (parent == fi.absoluteFilePath()) return false;
        fi = QFileInfo(parent);
    }
    if (!fi.isDir()) return false;
    // Permission bits say nothing for root or on read-only mounts: try to create a file.
    QTemporaryFile probe(fi.absoluteFilePath() + QStringLiteral("/.kestrova-probe-XXXXXX"));
    return probe.open();
}

bool AppPaths::isPortable() const {
    return m_root == m_programDir;
}

QString AppPaths::db3Dir() const {
    return m_root + QStringLiteral("/DB3");
}
QString AppPaths::databaseFile() const {
    return db3Dir() + QStringLiteral("/CalendarD.db");
}
QString AppPaths::formIniFile() const {
    return db3Dir() + QStringLiteral("/form.ini");
}
QString AppPaths::loginFile() const {
    return db3Dir() + QStringLiteral("/loginstr.db");
}
QString AppPaths::backupDir() const {
    return db3Dir() + QStringLiteral("/backup");
}
QString AppPaths::wallpaperDir() const {
    return m_root + QStringLiteral("/source/DeskTopBG");
}
QString AppPaths::wallpaperFile(const QString &name) const {
    return wallpaperDir() + QLatin1Char('/') + name;
}
QString AppPaths::resourceDir() const {
    return ResourceLocator::resourceDir(m_programDir);
}
QString AppPaths::shippedWallpaperDir() const {
    return resourceDir() + QStringLiteral("/DeskTopBG");
}

QByteArray AppPaths::noPasswordFileContent() {
    return QByteArrayLiteral("NOKEY4817203\r\nNOKEY4817203\r\n0\r\n");
}

void AppPaths::removeStaleStaging() const {
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-StaleStagingSeconds);
    // Filtered by hand: a name filter would load the regular expression engine at every start.
    const QFileInfoList entries =
        QDir(m_root).entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &fi : entries) {
        if (!fi.fileName().startsWith(QStringLiteral("DB3.new-"), Qt::CaseInsensitive)) continue;
        // A young one may belong to a first start running right now in another session.
        if (fi.lastModified().toUTC() < before) QDir(fi.absoluteFilePath()).removeRecursively();
    }
}

// Folders of older versions were readable by the user's group, files by everyone.
void AppPaths::restrictAccess() const {
    // A private DB3 was made or already tightened by a version that writes every file
    // owner-only: nothing to list at this start.
    if (OwnerOnly::isPrivate(db3Dir())) return;
    OwnerOnly::restrict(db3Dir());
    OwnerOnly::restrict(loginFile());
    // The database with its log and index, and damaged files set aside beside it.
    const QFileInfoList db3 = QDir(db3Dir()).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &fi : db3)
        if (fi.fileName().startsWith(QStringLiteral("CalendarD")))
            OwnerOnly::restrict(fi.filePath());
    if (!QFileInfo(backupDir()).isDir()) return;
    OwnerOnly::restrict(backupDir());
    const QFileInfoList copies = QDir(backupDir()).entryInfoList(QDir::Files | QDir::Hidden);
    for (const QFileInfo &fi : copies) OwnerOnly::restrict(fi.filePath());
}

bool AppPaths::ensureLayout() const {
    removeStaleStaging();
    if (QFileInfo(db3Dir()).isDir()) {
        restrictAccess();
        // A failure shows later, when the wallpaper dialog cannot write its pictures.
        QDir().mkpath(wallpaperDir());
        return false;
    }
    if (!QDir().mkpath(m_root))
        throw StoreError(QStringLiteral("无法创建数据文件夹 %1").arg(m_root));

    // The pictures' folder comes first: DB3/ appearing is what marks the first run as complete.
    if (!QDir().mkpath(wallpaperDir()))
        throw StoreError(QStringLiteral("无法创建文件夹 %1").arg(wallpaperDir()));

    QTemporaryDir staging(m_root + QStringLiteral("/DB3.new-XXXXXX"));
    if (!staging.isValid())
        throw StoreError(
            QStringLiteral("无法创建文件夹 %1: %2").arg(m_root, staging.errorString()));
    {
        NoteStore store;
        store.open(staging.filePath(QStringLiteral("CalendarD.db")),
                   NoteStore::OpenMode::CreateIfMissing);
        store.close();
    }
    writeFileAtomically(staging.filePath(QStringLiteral("loginstr.db")), noPasswordFileContent());
    OwnerOnly::restrict(staging.path());
    if (!QDir().rename(staging.path(), db3Dir())) {
        if (QFileInfo(db3Dir()).isDir()) return false; // laid out meanwhile by another run
        throw StoreError(QStringLiteral("无法创建文件夹 %1").arg(db3Dir()));
    }
    staging.setAutoRemove(false);
    return true;
}
