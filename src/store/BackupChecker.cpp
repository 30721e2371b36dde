#include "store/BackupChecker.h"

#include "store/BackupManager.h"

#include <QCoreApplication>
#include <QEvent>
#include <QThread>

#include <sys/resource.h>

BackupChecker::BackupChecker(QObject *parent) : QObject(parent) {}

BackupChecker::~BackupChecker() {
    stop();
}

void BackupChecker::check(const QStringList &files) {
    stop();
    m_cancel = false;
    m_thread.reset(QThread::create([this, files] {
        ::setpriority(PRIO_PROCESS, 0, 10); // this thread only: the dialog stays first
        for (const QString &file : files) {
            bool busy = false;
            const QString problem = BackupManager::quickCheck(file, &busy, &m_cancel);
            if (m_cancel) return;
            if (busy) continue;
            QMetaObject::invokeMethod(
                this, [this, file, problem] { emit checked(file, problem); }, Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this, [this] { emit finished(); }, Qt::QueuedConnection);
    }));
    m_thread->setObjectName(QStringLiteral("backup check"));
    m_thread->start();
}

bool BackupChecker::isRunning() const {
    return m_thread && !m_thread->isFinished();
}

void BackupChecker::stop() {
    if (!m_thread) return;
    m_cancel = true;
    m_thread->wait();
    m_thread.reset();
    // Verdicts of the stopped run still in the queue are not told.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
}
