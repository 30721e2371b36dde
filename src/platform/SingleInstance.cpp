#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// A notice is four bytes; a peer that sends more without one is not a later start.
constexpr int kMaxNoticeBytes = 64;

// Fills `address` with `path`; false when the path does not fit a socket address.
bool socketAddress(const QString &path, sockaddr_un &address) {
    const QByteArray encoded = QFile::encodeName(path);
    address = sockaddr_un{};
    address.sun_family = AF_UNIX;
    if (encoded.size() >= int(sizeof(address.sun_path))) return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return true;
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline) {
    pollfd p{fd, events, 0};
    while (true) {
        const int r = ::poll(&p, 1, int(std::max<qint64>(0, deadline.remainingTime())));
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

QString systemError(const QString &what) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

struct SingleInstance::Connection {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
    QByteArray received;

    ~Connection() {
        notifier.reset();
        if (fd != -1) ::close(fd);
    }
};

SingleInstance::SingleInstance(const QString &name, const QString &runtimeDir, QObject *parent)
    : QObject(parent), m_name(name), m_dir(runtimeDir.isEmpty() ? runtimeDirectory() : runtimeDir) {
}

SingleInstance::~SingleInstance() {
    m_connections.clear();
    if (m_listenFd != -1) {
        delete m_listenNotifier;
        ::close(m_listenFd);
        ::unlink(QFile::encodeName(socketPath()).constData());
    }
    // The lock is released last, so a new start never finds a dead socket with a live lock.
    m_lock.reset();
}

QString SingleInstance::socketPath() const {
    return QDir(m_dir).filePath(m_name);
}

QString SingleInstance::lockPath() const {
    return QDir(m_dir).filePath(m_name + ".lock");
}

QString SingleInstance::runtimeDirectory() {
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        const QFileInfo info(xdg);
        if (info.isDir() && info.isWritable() && info.ownerId() == ::getuid()) return xdg;
    }
    const QString dir = QDir::temp().filePath(QStringLiteral("kestrova-%1").arg(::getuid()));
    QDir().mkpath(dir);
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return dir;
}

SingleInstance::Role SingleInstance::claim(int noticeWaitMs) {
    if (!QDir(m_dir).exists() && !QDir().mkpath(m_dir)) {
        m_error = tr("Cannot create the folder %1.").arg(m_dir);
        return Role::Failed;
    }
    auto lock = std::make_unique<QLockFile>(lockPath());
    // A lock is stale only when its process is gone, never because of its age.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError) {
            sendNotice(noticeWaitMs);
            return Role::Secondary;
        }
        m_error = tr("Cannot create the lock file %1.").arg(lockPath());
        return Role::Failed;
    }
    m_lock = std::move(lock);
    // Without a socket the lock still keeps other starts out; they just cannot deliver
    // their notice.
    listen();
    return Role::Primary;
}

bool SingleInstance::listen() {
    sockaddr_un address;
    if (!socketAddress(socketPath(), address)) {
        m_error = tr("The socket path %1 is too long.").arg(socketPath());
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd == -1) {
        m_error = systemError(socketPath());
        return false;
    }
    // Holding the lock, any socket file left by a crashed instance can go.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0 ||
        ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 16) != 0) {
        m_error = systemError(socketPath());
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_listenNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this,
            &SingleInstance::acceptConnections);
    return true;
}

bool SingleInstance::sendNotice(int waitMs) const {
    sockaddr_un address;
    if (!socketAddress(socketPath(), address)) return false;
    const QDeadlineTimer deadline(waitMs);
    while (true) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd == -1) return false;
        // Refused or a full backlog (EAGAIN: Unix sockets do not connect in the background):
        // tried again below until the deadline.
        const int r = ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address));
        if (r == 0) {
            const qsizetype size = qsizetype(std::strlen(kNotice));
            const bool sent = waitFor(fd, POLLOUT, deadline) &&
                              ::send(fd, kNotice, size_t(size), MSG_NOSIGNAL) == size;
            ::close(fd);
            return sent;
        }
        ::close(fd);
        // The running instance holds the lock but is not listening yet.
        if (deadline.hasExpired()) return false;
        ::usleep(20000);
        if (deadline.hasExpired()) return false;
    }
}

void SingleInstance::acceptConnections() {
    while (true) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd == -1) {
            if (errno == EINTR) continue;
            return; // EAGAIN: none left; anything else: the next activation tries again
        }
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        Connection *const raw = connection.get();
        connect(connection->notifier.get(), &QSocketNotifier::activated, this,
                [this, raw] { readConnection(raw); });
        m_connections.push_back(std::move(connection));
    }
}

void SingleInstance::readConnection(Connection *connection) {
    char buffer[kMaxNoticeBytes];
    bool done = false;
    while (true) {
        const ssize_t n = ::recv(connection->fd, buffer, sizeof(buffer), 0);
        if (n > 0) {
            connection->received.append(buffer, n);
            if (connection->received.contains(kNotice)) {
                emit noticeReceived();
                done = true;
                break;
            }
            if (connection->received.size() > kMaxNoticeBytes) {
                done = true;
                break;
            }
            continue;
        }
        if (n == -1 && errno == EINTR) continue;
        // 0: the peer closed; EAGAIN: wait for more; anything else: give up on this peer.
        done = n == 0 || errno != EAGAIN;
        break;
    }
    if (!done) return;
    // Deleted later: this runs inside the notifier's own signal.
    connection->notifier->setEnabled(false);
    const auto it = std::find_if(m_connections.begin(), m_connections.end(),
                                 [connection](const auto &c) { return c.get() == connection; });
    if (it == m_connections.end()) return;
    connection->notifier.release()->deleteLater();
    m_connections.erase(it);
}
