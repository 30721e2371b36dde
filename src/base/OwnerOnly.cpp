#include "base/OwnerOnly.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool OwnerOnly::makeFolder(const QString &dir) {
    QDir().mkpath(dir);
    return QFileInfo(dir).isDir() &&restrict(dir);
}

bool OwnerOnly::createFile(const QString &file) {
    const int fd = ::open(QFile::encodeName(file).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, FileMode);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool OwnerOnly::restrict(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0) return errno == ENOENT;
    if (S_ISLNK(st.st_mode)) return true; // a link has no bits of its own; its target is not ours
    if ((st.st_mode & 077) == 0) return true;
    return ::chmod(name.constData(), st.st_mode & 07700) == 0;
}

bool OwnerOnly::isPrivate(const QString &path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && (st.st_mode & 077) == 0;
}
