#include "store/AutoBackup.h"

QString AutoBackup::atStart(const QDate &today) {
    if (m_manager.dailyBackupOf(today)) return QString();
    try {
        m_manager.backupNow(today);
    } catch (const StoreError &e) {
        return report(e);
    }
    return QString();
}

QString AutoBackup::atClose(const QDate &today) {
    QString message;
    try {
        BackupManager::checkpoint(m_manager.databaseFile());
    } catch (const StoreError &e) {
        message = report(e);
    }
    if (!m_manager.changedSinceBackupOf(today)) return message;
    try {
        m_manager.backupNow(today);
    } catch (const StoreError &e) {
        if (message.isEmpty()) message = report(e);
    }
    return message;
}

QString AutoBackup::report(const StoreError &e) {
    if (m_reported) return QString();
    m_reported = true;
    return QStringLiteral("自动备份失败: %1").arg(e.message());
}
