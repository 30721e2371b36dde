#pragma once

#include "store/BackupManager.h"

#include <QDate>
#include <QString>

#include <atomic>

// The automatic daily copy: at the first start of a day, and at close when the notes changed
// since that day's copy. A failure is reported once per run; later failures stay quiet, so a
// full disk does not raise the same message at every start and close. `cancel` (when given)
// stops the copy at its next step, as BackupManager::backupNow() describes; a copy stopped so
// is no failure and leaves nothing behind.
class AutoBackup {
public:
    explicit AutoBackup(BackupManager manager) : m_manager(std::move(manager)) {}

    // Both return the message to show, or an empty text when there is nothing to tell.
    QString atStart(const QDate &today, const std::atomic<bool> *cancel = nullptr);
    // Also checkpoints the log, so the .db file is complete while the program is not running.
    QString atClose(const QDate &today, const std::atomic<bool> *cancel = nullptr);

    const BackupManager &manager() const { return m_manager; }

private:
    QString report(const StoreError &e);
    BackupManager m_manager;
    bool m_reported = false;
};
