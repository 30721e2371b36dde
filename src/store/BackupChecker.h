#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

class QThread;

// Checks backup copies (PRAGMA quick_check, BackupManager::quickCheck()) on a thread of its
// own, one file after the other, and tells each verdict on the checker's thread, so a list of
// large copies never holds up the window. A file the check could not look at (locked, gone)
// gets no verdict.
class BackupChecker : public QObject {
    Q_OBJECT
public:
    explicit BackupChecker(QObject *parent = nullptr);
    // Stops the check in progress at its next step and waits for it.
    ~BackupChecker() override;

    // Checks `files` in this order; a run still going is stopped first and tells no more.
    void check(const QStringList &files);
    bool isRunning() const;
    // Stops the run at its next step and waits for it; nothing more is told.
    void stop();

signals:
    // `problem` is empty when the copy is sound, else what SQLite found.
    void checked(const QString &file, const QString &problem);
    // After the last file of a run that was not stopped.
    void finished();

private:
    std::atomic<bool> m_cancel{false};
    std::unique_ptr<QThread> m_thread;
};
