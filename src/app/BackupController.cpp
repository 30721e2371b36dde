#include "app/BackupController.h"

#include "app/BackupDialog.h"
#include "app/TMainForm.h"
#include "base/AppIdentity.h"
#include "store/NoteStore.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

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

BackupController::BackupController(const AppPaths &paths, TMainForm &mainForm,
                                   QString damagedKeptAt, MessageFunction message)
    : QObject(&mainForm), m_manager(paths.databaseFile(), paths.backupDir()), m_auto(m_manager),
      m_mainForm(mainForm), m_damagedKeptAt(std::move(damagedKeptAt)),
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
        box.exec();
        return box.clickedButton() == restore;
    };

    m_action = new QAction(QStringLiteral("备份与恢复…"), this);
    m_action->setObjectName(QStringLiteral("N_Backup"));
    QMenu *menu = mainForm.systemMenu();
    menu->insertAction(mainForm.menuAction(QStringLiteral("N8")), m_action);
    connect(m_action, &QAction::triggered, this, &BackupController::showDialog);
    connect(&mainForm, &TMainForm::firstShowFinished, this,
            [this] { QTimer::singleShot(0, this, &BackupController::dailyBackup); });
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
    m_mainForm.store().close();
    try {
        m_manager.installCopyOf(newest->file);
    } catch (const StoreError &e) {
        m_automatic = false;
        m_message(e.message());
    }
    reopenDatabase();
}

void BackupController::dailyBackup() {
    // Notes open read-only (another program's folder, a folder or disk that takes no writes):
    // no copies from here.
    if (!m_automatic || m_mainForm.isReadOnly()) return;
    const QString failure = m_auto.atStart(m_now().date());
    if (!failure.isEmpty()) m_message(failure);
}

void BackupController::atExit() {
    const bool readOnly = m_mainForm.isReadOnly();
    m_mainForm.store().close();
    if (!m_damagedKeptAt.isEmpty()) {
        // Ended at the login gate before the user was asked: the next start asks again.
        try {
            m_manager.putBackDamaged(m_damagedKeptAt);
        } catch (const StoreError &e) {
            m_message(e.message());
        }
        return;
    }
    if (!m_mainForm.firstShowDone() || readOnly) return;
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
    hooks.releaseDatabase = [this] { return releaseDatabase(); };
    hooks.reopenDatabase = [this] { reopenDatabase(); };
    hooks.today = [this] { return m_now().date(); };
    hooks.now = m_now;
    BackupDialog dialog(m_manager, hooks, &m_mainForm);
    dialog.exec();
}

bool BackupController::releaseDatabase() {
    if (m_mainForm.firstShowDone() && !m_mainForm.saveVisiblePage()) return false;
    m_mainForm.saveGate().close();
    m_mainForm.store().close();
    return true;
}

void BackupController::reopenDatabase() {
    try {
        m_mainForm.store().reconnect();
    } catch (const StoreError &e) {
        m_message(e.message());
    }
    if (!m_mainForm.firstShowDone()) return; // the first show loads the page
    m_mainForm.saveGate().open();
    m_mainForm.SpeedButton2Click();
}
