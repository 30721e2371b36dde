#include "store/AutoBackup.h"

#include "store/CopyCancelled.h"

QString AutoBackup::atStart(const QDate &today, const std::atomic<bool> *cancel) {
    if (m_manager.dailyBackupOf(today)) return QString();
    try {
        m_manager.backupNow(today, cancel);
    } catch (const CopyCancelled &) {
        return QString();
    } catch (const StoreError &e) {
        return report(e);
    }
    return QString();
}

QString AutoBackup::atClose(const QDate &today, const std::atomic<bool> *cancel) {
    QString message;
    try {
        BackupManager::checkpoint(m_manager.databaseFile());
    } catch (const StoreError &e) {
        message = report(e);
    }
    if (!m_manager.changedSinceBackupOf(today)) return message;
    try {
        m_manager.backupNow(today, cancel);
    } catch (const CopyCancelled &) {
    } catch (const StoreError &e) {
        if (message.isEmpty()) message = report(e);
    }
    // The copy reads over a read-only connection, which leaves an empty log and its index beside
    // the file when it closes last; a writing connection closing last removes both.
    try {
        BackupManager::checkpoint(m_manager.databaseFile());
    } catch (const StoreError &) {
        // The log was emptied above; only the two empty files stay.
    }
    return message;
}

QString AutoBackup::report(const StoreError &e) {
    if (m_reported) return QString();
    m_reported = true;
    return QStringLiteral("自动备份失败: %1").arg(e.message());
}
