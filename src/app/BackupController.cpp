#include "app/BackupController.h"

#include "app/BackupDialog.h"
#include "app/NotesSession.h"
#include "base/AppIdentity.h"
#include "platform/MessageBoxes.h"
#include "store/NoteStore.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>

BackupController::BackupController(const AppPaths &paths, NotesSession &session, QWidget *window,
                                   MessageFunction message)
    : QObject(window), m_manager(paths.databaseFile(), paths.backupDir()), m_runner(m_manager),
      m_session(session), m_window(window), m_message(std::move(message)),
      m_now([] { return QDateTime::currentDateTime(); }) {
    m_prompt = [this](const QString &keepAt, const BackupInfo &newest) {
        QMessageBox box(
            QMessageBox::Warning, QString::fromUtf8(AppIdentity::kAppTitle),
            QStringLiteral("笔记数据库已损坏，程序没有再写入它。\n损坏的文件保留为 %1\n\n"
                           "要恢复最新的完好备份（%2）吗？\n选择“使用空数据库”则从空白笔记开始，"
                           "备份仍然保留。")
                .arg(QDir::toNativeSeparators(keepAt),
                     newest.date.toString(QStringLiteral("yyyy-MM-dd"))),
            QMessageBox::NoButton, m_window);
        QPushButton *restore = box.addButton(QStringLiteral("恢复备份"), QMessageBox::AcceptRole);
        QPushButton *empty = box.addButton(QStringLiteral("使用空数据库"), QMessageBox::RejectRole);
        box.setDefaultButton(restore);
        MessageBoxes::prepare(box);
        box.exec();
        return box.clickedButton() == restore ? Choice::Restore
               : box.clickedButton() == empty ? Choice::StartEmpty
                                              : Choice::NoAnswer;
    };

    m_action = new QAction(QStringLiteral("备份与恢复…"), this);
    m_action->setObjectName(QStringLiteral("N_Backup"));
    connect(m_action, &QAction::triggered, this, &BackupController::showDialog);
    connect(&m_session, &NotesSession::damageFound, this, &BackupController::askAboutDamage);
    connect(&m_runner, &BackupRunner::finished, this, &BackupController::reportCopy);
}

void BackupController::allowQuestions() {
    m_mayAsk = true;
    askAboutDamage();
}

void BackupController::askAboutDamage() {
    if (!m_mayAsk || m_asking || !m_session.isDamaged()) return;
    const QDateTime now = m_now();
    const QString keepAt = m_manager.damagedKeepPath(now);
    const std::optional<BackupInfo> newest = m_manager.newestSoundBackup();
    Choice choice = Choice::StartEmpty;
    m_asking = true;
    if (newest)
        choice = m_prompt(keepAt, *newest);
    else
        m_message(QStringLiteral("笔记数据库已损坏，程序没有再写入它。\n损坏的文件保留为 %1\n"
                                 "没有可用的备份，程序将使用空数据库。")
                      .arg(QDir::toNativeSeparators(keepAt)));
    m_asking = false;
    // Ended while the question was open: nothing changes, the next start asks again.
    if (choice == Choice::NoAnswer || m_session.isClosing()) return;
    // The copies there are (if any) are all the user has left: no automatic copy of the new
    // file replaces them in this run.
    if (choice == Choice::StartEmpty) m_automatic = false;
    try {
        m_session.replaceDamaged([&] {
            const QString kept = m_manager.setAsideDamaged(now);
            try {
                if (choice == Choice::Restore) {
                    m_manager.installCopyOf(newest->file);
                } else {
                    NoteStore fresh;
                    fresh.open(m_manager.databaseFile(), NoteStore::OpenMode::CreateIfMissing);
                }
            } catch (const StoreError &) {
                // The damaged file goes back, so the next start asks again.
                const QString file = m_manager.databaseFile();
                QFile::remove(file);
                QFile::rename(kept, file);
                QFile::rename(kept + QStringLiteral("-wal"), file + QStringLiteral("-wal"));
                throw;
            }
            // Every copy made before the damage stays: no later copy of the same day replaces it.
            m_manager.pinCopies(now);
        });
    } catch (const StoreError &e) {
        m_automatic = false;
        m_message(e.message());
    }
}

void BackupController::dailyBackup() {
    // Notes open read-only (another program's folder, a folder or disk that takes no writes):
    // no copies from here.
    if (!m_automatic || m_copiesCancelled || m_session.isReadOnly()) return;
    m_runner.startDaily(m_now().date());
}

void BackupController::atExit() {
    const bool readOnly = m_session.isReadOnly();
    // The name points at another program's file now: that one is neither folded nor copied.
    const bool replaced = m_session.store().isFileReplaced();
    // A daily copy still running stops here; the copy at close below (or the next start of the
    // day) makes it again with everything.
    m_runner.cancel();
    m_runner.wait();
    m_session.store().close();
    // A damaged file nobody chose a replacement for stays as it is, for the next start's question;
    // so does one whose upgrade the end cut off, for the next start's upgrade.
    if (m_session.isDamaged() || m_session.isChecking() || m_session.isUpgrading() || replaced)
        return;
    if (!m_session.isStarted() || readOnly) return;
    if (!m_automatic || m_copiesCancelled) {
        try {
            BackupManager::checkpoint(m_manager.databaseFile());
        } catch (const StoreError &) {
            // Closing the last connection has emptied the log already.
        }
        return;
    }
    QEventLoop loop;
    connect(&m_runner, &BackupRunner::finished, &loop, &QEventLoop::quit);
    if (m_runner.startClosing(m_now().date())) loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void BackupController::cancelCopies() {
    m_copiesCancelled = true;
    m_runner.cancel();
}

void BackupController::reportCopy(const QString &message) {
    if (!message.isEmpty()) m_message(message);
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
