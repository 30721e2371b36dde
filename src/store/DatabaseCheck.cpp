#include "store/DatabaseCheck.h"

#include "store/BackupManager.h"

#include <QFileInfo>

DatabaseCheck::DatabaseCheck(const QString &databaseFile, QObject *parent) : QObject(parent) {
    m_result = std::async(std::launch::async, [this, databaseFile] {
        Verdict verdict;
        if (QFileInfo(databaseFile).isFile()) {
            bool busy = false;
            verdict.problem = BackupManager::quickCheck(databaseFile, &busy, &m_cancel);
            verdict.damaged = !verdict.problem.isEmpty() && !busy;
            if (!verdict.damaged) verdict.problem.clear();
        }
        // Queued to this object: dropped when it is gone, and the destructor waits for this.
        QMetaObject::invokeMethod(this, &DatabaseCheck::finished, Qt::QueuedConnection);
        return verdict;
    });
}

DatabaseCheck::~DatabaseCheck() {
    m_cancel = true;
    if (m_result.valid()) m_result.wait();
}

bool DatabaseCheck::isDone() const {
    return m_verdict || m_result.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

DatabaseCheck::Verdict DatabaseCheck::verdict() {
    if (!m_verdict) m_verdict = m_result.get();
    return *m_verdict;
}
