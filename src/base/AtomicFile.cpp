#include "base/AtomicFile.h"

#include "base/OwnerOnly.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Closes the descriptor and removes the temporary file unless released.
class TempFile {
public:
    TempFile(int fd, QByteArray path) : m_fd(fd), m_path(std::move(path)) {}
    ~TempFile() {
        if (m_fd >= 0) ::close(m_fd);
        if (!m_path.isEmpty()) ::unlink(m_path.constData());
    }
    TempFile(const TempFile &) = delete;
    TempFile &operator=(const TempFile &) = delete;

    int fd() const { return m_fd; }
    const QByteArray &path() const { return m_path; }
    // Closes now, so that a failing close (NFS, some full-disk cases) is seen.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }
    void release() { m_path.clear(); }

private:
    int m_fd;
    QByteArray m_path;
};

bool writeAll(int fd, const QByteArray &content) {
    const char *data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

} // namespace

bool AtomicFile::write(const QString &path, const QByteArray &content, QString *error,
                       Access access) {
    const auto fail = [error](const QString &reason) {
        if (error) *error = reason;
        return false;
    };
    const QFileInfo info(path);
    if (info.isDir()) return fail(systemError(EISDIR));
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray dir = QFile::encodeName(info.absolutePath());

    QByteArray pattern = target + ".XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return fail(systemError(errno));
    TempFile temp(fd, pattern);

    // A replaced file keeps its permissions; a new one gets the usual mode under the umask.
    // The mode is set before any content goes in.
    struct stat old {};
    const bool replacing = ::stat(target.constData(), &old) == 0;
    if (access == Access::OwnerOnly) {
        ::fchmod(temp.fd(), replacing ? old.st_mode & 07700 : OwnerOnly::FileMode);
    } else if (replacing) {
        ::fchmod(temp.fd(), old.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(temp.fd(), 0666 & ~mask);
    }

    if (!writeAll(temp.fd(), content) || ::fsync(temp.fd()) != 0) return fail(systemError(errno));
    if (!temp.close()) return fail(systemError(errno));
    if (::rename(temp.path().constData(), target.constData()) != 0) return fail(systemError(errno));
    temp.release();

    // The rename itself reaches the disk only with the folder.
    const int dirFd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
