#pragma once

#include "store/BackupManager.h"

#include <QDialog>
#include <QHash>
#include <functional>

class BackupChecker;
class QPushButton;
class QTreeWidget;

// "备份与恢复…": the list of backups (date, size), a backup now, and the restore of the
// chosen copy after a confirmation. The work is done by BackupManager; the main window's part
// (saving the visible page, closing and reopening its database) comes in as two functions.
// The copies are checked on a thread of their own while the list is shown; a copy that fails
// its check is marked "（已损坏）", greyed, and cannot be restored.
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
    // The copy on `row` of the list failed its check.
    bool isDamaged(int row) const;

    // A copy's size as the list shows it: "512 字节", "2.0 kB".
    static QString sizeText(qint64 bytes);

private:
    void copyChecked(const QString &file, const QString &problem);
    void showVerdict(int row);
    void updateRestoreButton();

    BackupManager m_manager;
    Hooks m_hooks;
    QList<BackupInfo> m_shown;
    // Verdicts by copy (its path, time and size): the checks are not repeated at each refresh.
    QHash<QString, QString> m_problems;
    BackupChecker *m_checker = nullptr;
    QTreeWidget *m_list = nullptr;
    QPushButton *m_backupNow = nullptr;
    QPushButton *m_restore = nullptr;
};
