#pragma once

#include "store/AppPaths.h"
#include "store/BackupManager.h"
#include "store/BackupRunner.h"

#include <QDateTime>
#include <QObject>
#include <functional>
#include <optional>

class QAction;
class NotesSession;
class QWidget;

// The backups around the main window: the check of the note database before the main window
// opens it, the offer of a backup when it was damaged, the daily copy after the first show,
// the system menu item "备份与恢复…" and the last steps when the program ends.
class BackupController : public QObject {
    Q_OBJECT
public:
    using MessageFunction = std::function<void(const QString &text)>;
    // True: restore `newest`. Only asked when there is a sound backup.
    using RecoveryPrompt =
        std::function<bool(const QString &damagedKeptAt, const BackupInfo &newest)>;

    // PRAGMA quick_check before the main window opens the database. A damaged file is moved
    // aside, beside the original, and an empty database takes its place, so nothing is ever
    // written into the damaged file; the user chooses what to do after the login gate.
    // Returns where the damaged file is kept, or an empty text when the file is sound (or not
    // there, or locked by another program: the main window reports those). Throws StoreError when
    // it cannot move or create.
    static QString checkBeforeOpen(const AppPaths &paths, const QDateTime &now);

    // The dialogs open over `window`; the controller is a child of it.
    BackupController(const AppPaths &paths, NotesSession &session, QWidget *window,
                     QString damagedKeptAt, MessageFunction message);

    void setRecoveryPrompt(RecoveryPrompt prompt) { m_prompt = std::move(prompt); }
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // After the login gate, before the main window shows: the offer when the file was damaged.
    void beforeShow();
    // The daily copy (the caller runs it after the first show of the main window), made on a
    // thread of its own: the window keeps answering; a failure is told when it is done.
    void dailyBackup();
    // The program ends: a copy still running stops at its next step, the log goes into the .db
    // file, and a copy is made after edits (waiting for it, with the window gone, in an event
    // loop of its own, so that cancelCopies() can still stop it).
    void atExit();
    // The program must end quickly (SIGTERM, the session ending): the copy running now stops
    // at its next step and atExit() makes none; the log is still folded in. A copy stopped so
    // leaves nothing in the backup folder.
    void cancelCopies();

    QAction *menuAction() const { return m_action; }
    void showDialog();

private:
    void reportCopy(const QString &message);

    BackupManager m_manager;
    BackupRunner m_runner; // the automatic copies
    NotesSession &m_session;
    QWidget *m_window;
    QString m_damagedKeptAt;
    MessageFunction m_message;
    RecoveryPrompt m_prompt;
    std::function<QDateTime()> m_now;
    QAction *m_action = nullptr;
    bool m_automatic = true; // off after starting over with an empty database
    bool m_copiesCancelled = false;
};
