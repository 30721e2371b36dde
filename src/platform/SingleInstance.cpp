#include "SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

SingleInstance::SingleInstance(const QString &name, const QString &runtimeDir, QObject *parent)
    : QObject(parent), m_name(name), m_dir(runtimeDir.isEmpty() ? runtimeDirectory() : runtimeDir) {
}

SingleInstance::~SingleInstance() {
    if (m_server) m_server->close();
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

    // Holding the lock, any socket file left by a crashed instance can go.
    QLocalServer::removeServer(socketPath());
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(socketPath())) {
        // The lock still keeps other starts out; they just cannot deliver their notice.
        m_error = m_server->errorString();
    }
    connect(m_server.get(), &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    return Role::Primary;
}

bool SingleInstance::sendNotice(int waitMs) {
    const QDeadlineTimer deadline(waitMs);
    QLocalSocket socket;
    while (true) {
        socket.connectToServer(socketPath());
        if (socket.waitForConnected(qMax<qint64>(1, deadline.remainingTime()))) break;
        if (deadline.hasExpired()) return false;
        // The running instance holds the lock but is not listening yet.
        QThread::msleep(20);
        if (deadline.hasExpired()) return false;
    }
    socket.write(kNotice);
    const bool sent = socket.waitForBytesWritten(qMax<qint64>(1, deadline.remainingTime()));
    socket.disconnectFromServer();
    return sent;
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (socket->readAll().contains(kNotice)) emit noticeReceived();
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}
