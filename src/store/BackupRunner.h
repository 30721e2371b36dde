#pragma once

#include "store/AutoBackup.h"
#include "store/BackupManager.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

class QThread;

// Makes the automatic copies (AutoBackup) on a thread of its own, one at a time, each over a
// database connection of its own, so the window keeps answering while a large database is
// copied. cancel() stops the running copy at its next step; a copy stopped so leaves nothing
// in the backup folder. Lives on the thread that made it; the copies never touch its objects.
class BackupRunner : public QObject {
    Q_OBJECT
public:
    explicit BackupRunner(BackupManager manager, QObject *parent = nullptr);
    // Stops the running copy at its next step and waits for it.
    ~BackupRunner() override;

    // AutoBackup::atStart() (the day's copy if there is none yet) or atClose() (the log folded
    // in, a copy after edits) on the copying thread. False, and nothing started, while a copy
    // runs.
    bool startDaily(const QDate &today);
    bool startClosing(const QDate &today);

    bool isRunning() const;
    // Asks the running copy to stop at its next step. The next start begins afresh.
    void cancel();
    // Waits until the copying thread is done (after cancel(): at most a step of the copy);
    // finished() has been emitted for every copy started when it returns.
    void wait();

signals:
    // Once for every copy started, on the runner's thread: the text to show the user, empty
    // when there is nothing to tell (also when the copy was stopped).
    void finished(const QString &message);

private:
    using Job = std::function<QString(AutoBackup &, const std::atomic<bool> *)>;
    bool start(Job job);

    AutoBackup m_auto; // used by the copying thread only while it runs
    std::atomic<bool> m_cancel{false};
    std::unique_ptr<QThread> m_thread;
};
