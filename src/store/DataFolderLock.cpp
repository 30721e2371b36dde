#include "store/DataFolderLock.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

DataFolderLock::DataFolderLock(const QString &db3Dir)
    : m_path(db3Dir + QStringLiteral("/kestrova.lock")) {
    const QByteArray path = QFile::encodeName(m_path);
    m_fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // A folder that cannot be written may still hold the file made by an earlier run.
    if (m_fd < 0) m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    int rc;
    do {
        rc = ::flock(m_fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        m_state = State::Held;
    } else if (errno == EWOULDBLOCK) {
        m_state = State::HeldElsewhere;
    } else {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
}

DataFolderLock::~DataFolderLock() {
    // Closing the descriptor releases the lock; the file stays for the next run.
    if (m_fd >= 0) ::close(m_fd);
}
