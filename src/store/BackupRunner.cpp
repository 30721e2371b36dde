#include "store/BackupRunner.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <sys/resource.h>

BackupRunner::BackupRunner(BackupManager manager, QObject *parent)
    : QObject(parent), m_auto(std::move(manager)) {}

BackupRunner::~BackupRunner() {
    cancel();
    if (m_thread) m_thread->wait();
}

bool BackupRunner::startDaily(const QDate &today) {
    return start([today](AutoBackup &backup, const std::atomic<bool> *cancel) {
        return backup.atStart(today, cancel);
    });
}

bool BackupRunner::startClosing(const QDate &today) {
    return start([today](AutoBackup &backup, const std::atomic<bool> *cancel) {
        return backup.atClose(today, cancel);
    });
}

bool BackupRunner::start(Job job) {
    if (isRunning()) return false;
    wait(); // the thread of the copy before, done already
    m_cancel = false;
    m_thread.reset(QThread::create([this, job = std::move(job)] {
        // The copy yields the processor to the window's thread (Linux keeps a nice value per
        // thread): on two busy cores the longest event-loop stall fell from 24-86 ms to 12-16.
        ::setpriority(PRIO_PROCESS, 0, 10);
        const QString message = job(m_auto, &m_cancel);
        QMetaObject::invokeMethod(
            this, [this, message] { emit finished(message); }, Qt::QueuedConnection);
    }));
    m_thread->setObjectName(QStringLiteral("backup"));
    m_thread->start();
    return true;
}

bool BackupRunner::isRunning() const {
    return m_thread && !m_thread->isFinished();
}

void BackupRunner::cancel() {
    m_cancel = true;
}

void BackupRunner::wait() {
    if (!m_thread) return;
    m_thread->wait();
    m_thread.reset();
    // The copy's finished() is waiting in the queue: it goes out now, before anything starts
    // after this wait.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
