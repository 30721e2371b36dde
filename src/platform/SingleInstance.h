#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QSocketNotifier;

// Keeps the program to one running instance per user. The first start takes a lock file in
// the user's runtime folder and then listens on a local (Unix domain) socket of the same name;
// a later start fails to take the lock, sends the already-running notice over the socket and
// ends. The lock (not the socket) decides, so two starts at the same moment never both run.
// The socket is plain POSIX on the event loop, which keeps the network module out of the
// program's start-up.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,   // this process runs the program
        Secondary, // another instance runs; the notice was sent (or could not be delivered)
        Failed     // neither lock nor notice possible (runtime folder unusable)
    };

    // The text sent as the already-running notice (the user message number 1024 + 10).
    static constexpr const char *kNotice = "1034";

    // `name` is the socket and lock name; `runtimeDir` empty means runtimeDirectory().
    explicit SingleInstance(const QString &name, const QString &runtimeDir = QString(),
                            QObject *parent = nullptr);
    ~SingleInstance() override;

    // Claims the instance. A secondary start waits at most `noticeWaitMs` for the running
    // instance to accept the notice, since that instance may still be starting up.
    Role claim(int noticeWaitMs = 800);

    // Full path of the local socket and of the lock file.
    QString socketPath() const;
    QString lockPath() const;
    QString errorString() const { return m_error; }

    // $XDG_RUNTIME_DIR when usable, else a private per-user folder in the temp folder.
    static QString runtimeDirectory();

signals:
    // A later start sent its notice; the running instance brings its window to the front.
    void noticeReceived();

private:
    struct Connection;

    bool listen();
    bool sendNotice(int waitMs) const;
    void acceptConnections();
    void readConnection(Connection *connection);

    QString m_name;
    QString m_dir;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    int m_listenFd = -1;
    QSocketNotifier *m_listenNotifier = nullptr;
    std::vector<std::unique_ptr<Connection>> m_connections;
};
