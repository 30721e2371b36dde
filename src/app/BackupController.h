#pragma once

#include "store/AppPaths.h"
#include "store/AutoBackup.h"
#include "store/BackupManager.h"

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
    // The daily copy (the caller runs it after the first show of the main window).
    void dailyBackup();
    // The program ends: the log goes into the .db file, and a copy is made after edits.
    void atExit();

    QAction *menuAction() const { return m_action; }
    void showDialog();

private:
    BackupManager m_manager;
    AutoBackup m_auto;
    NotesSession &m_session;
    QWidget *m_window;
    QString m_damagedKeptAt;
    MessageFunction m_message;
    RecoveryPrompt m_prompt;
    std::function<QDateTime()> m_now;
    QAction *m_action = nullptr;
    bool m_automatic = true; // off after starting over with an empty database
};
