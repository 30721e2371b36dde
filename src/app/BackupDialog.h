#pragma once

#include "store/BackupManager.h"

#include <QDialog>
#include <functional>

class QPushButton;
class QTreeWidget;

// "备份与恢复…": the list of backups (date, size), a backup now, and the restore of the
// chosen copy after a confirmation. The work is done by BackupManager; the main window's part
// (saving the visible page, closing and reopening its database) comes in as two functions.
class BackupDialog : public QDialog {
    Q_OBJECT
public:
    struct Hooks {
        std::function<bool()> releaseDatabase; // save the page and close; false stops the restore
        std::function<void()> reopenDatabase;  // open again and reload the page
        std::function<bool(const QString &question)> confirm; // default: a question box
        std::function<void(const QString &text)> message;     // default: an information box
        std::function<QDate()> today;                         // default: the current date
        std::function<QDateTime()> now;                       // default: the current time
    };

    BackupDialog(BackupManager manager, Hooks hooks, QWidget *parent = nullptr);

    QTreeWidget *list() const { return m_list; }
    QPushButton *backupButton() const { return m_backupNow; }
    QPushButton *restoreButton() const { return m_restore; }

    void refresh();
    void backupNow();
    void restoreSelected();

    static QString sizeText(qint64 bytes);

private:
    BackupManager m_manager;
    Hooks m_hooks;
    QList<BackupInfo> m_shown;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_backupNow = nullptr;
    QPushButton *m_restore = nullptr;
};
