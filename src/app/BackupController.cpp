#include "app/BackupController.h"

#include "app/BackupDialog.h"
#include "app/NotesSession.h"
#include "base/AppIdentity.h"
#include "platform/MessageBoxes.h"
#include "store/NoteStore.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

QString BackupController::checkBeforeOpen(const AppPaths &paths, const QDateTime &now) {
    const QString file = paths.databaseFile();
    if (!QFileInfo(file).isFile()) return QString();
    bool busy = false;
    // A file locked by another program is left alone: opening it reports that.
    if (BackupManager::quickCheck(file, &busy).isEmpty() || busy) return QString();
    BackupManager manager(file, paths.backupDir());
    const QString kept = manager.setAsideDamaged(now);
    NoteStore fresh;
    fresh.open(file, NoteStore::OpenMode::CreateIfMissing);
    return kept;
}

BackupController::BackupController(const AppPaths &paths, NotesSession &session, QWidget *window,
                                   QString damagedKeptAt, MessageFunction message)
    : QObject(window), m_manager(paths.databaseFile(), paths.backupDir()), m_auto(m_manager),
      m_session(session), m_window(window), m_damagedKeptAt(std::move(damagedKeptAt)),
      m_message(std::move(message)), m_now([] { return QDateTime::currentDateTime(); }) {
    m_prompt = [this](const QString &keptAt, const BackupInfo &newest) {
        QMessageBox box(
            QMessageBox::Warning, QString::fromUtf8(AppIdentity::kAppTitle),
            QStringLiteral("笔记数据库已损坏，程序没有再写入它。\n损坏的文件已保留为 %1\n\n"
                           "要恢复最新的完好备份（%2）吗？\n选择“使用空数据库”则从空白笔记开始，"
                           "备份仍然保留。")
                .arg(QDir::toNativeSeparators(keptAt),
                     newest.date.toString(QStringLiteral("yyyy-MM-dd"))));
        QPushButton *restore = box.addButton(QStringLiteral("恢复备份"), QMessageBox::AcceptRole);
        box.addButton(QStringLiteral("使用空数据库"), QMessageBox::RejectRole);
        box.setDefaultButton(restore);
        MessageBoxes::prepare(box);
        box.exec();
        return box.clickedButton() == restore;
    };

    m_action = new QAction(QStringLiteral("备份与恢复…"), this);
    m_action->setObjectName(QStringLiteral("N_Backup"));
    connect(m_action, &QAction::triggered, this, &BackupController::showDialog);
}

void BackupController::beforeShow() {
    if (m_damagedKeptAt.isEmpty()) return;
    const QString kept = std::exchange(m_damagedKeptAt, QString());
    const std::optional<BackupInfo> newest = m_manager.newestSoundBackup();
    if (!newest) {
        m_automatic = false; // the copies there are (if any) are all the user has left
        m_message(QStringLiteral("笔记数据库已损坏，程序没有再写入它。\n损坏的文件已保留为 %1\n"
                                 "没有可用的备份，程序将使用空数据库。")
                      .arg(QDir::toNativeSeparators(kept)));
        return;
    }
    if (!m_prompt(kept, *newest)) {
        m_automatic = false;
        return;
    }
    m_session.store().close();
    try {
        m_manager.installCopyOf(newest->file);
    } catch (const StoreError &e) {
        m_automatic = false;
        m_message(e.message());
    }
    m_session.resume();
}

void BackupController::dailyBackup() {
    // Notes open read-only (another program's folder, a folder or disk that takes no writes):
    // no copies from here.
    if (!m_automatic || m_session.isReadOnly()) return;
    const QString failure = m_auto.atStart(m_now().date());
    if (!failure.isEmpty()) m_message(failure);
}

void BackupController::atExit() {
    const bool readOnly = m_session.isReadOnly();
    m_session.store().close();
    if (!m_damagedKeptAt.isEmpty()) {
        // Ended at the login gate before the user was asked: the next start asks again.
        try {
            m_manager.putBackDamaged(m_damagedKeptAt);
        } catch (const StoreError &e) {
            m_message(e.message());
        }
        return;
    }
    if (!m_session.isStarted() || readOnly) return;
    if (!m_automatic) {
        try {
            BackupManager::checkpoint(m_manager.databaseFile());
        } catch (const StoreError &) {
            // Closing the last connection has emptied the log already.
        }
        return;
    }
    const QString failure = m_auto.atClose(m_now().date());
    if (!failure.isEmpty()) m_message(failure);
}

void BackupController::showDialog() {
    BackupDialog::Hooks hooks;
    hooks.releaseDatabase = [this] { return m_session.suspend(); };
    hooks.reopenDatabase = [this] { m_session.resume(); };
    hooks.today = [this] { return m_now().date(); };
    hooks.now = m_now;
    BackupDialog dialog(m_manager, hooks, m_window);
    dialog.exec();
}
