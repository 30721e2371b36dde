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

// The backups around the main window: what takes the place of a database the session's check
// found damaged, the daily copy once the window has shown, the system menu item "备份与恢复…"
// and the last steps when the program ends.
class BackupController : public QObject {
    Q_OBJECT
public:
    using MessageFunction = std::function<void(const QString &text)>;
    // What the user chose for a damaged database; NoAnswer when the question went away without
    // a choice (the program was ended), which changes nothing.
    enum class Choice { Restore, StartEmpty, NoAnswer };
    // Only asked when there is a sound backup.
    using RecoveryPrompt =
        std::function<Choice(const QString &damagedKeepAt, const BackupInfo &newest)>;

    // The dialogs open over `window`; the controller is a child of it.
    BackupController(const AppPaths &paths, NotesSession &session, QWidget *window,
                     MessageFunction message);

    void setRecoveryPrompt(RecoveryPrompt prompt) { m_prompt = std::move(prompt); }
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

    // After the login gate: a damaged database is asked about from now on (at once when the
    // check has found it already). Until the user has chosen, the damaged file stays exactly
    // where and as it is, and the next start asks again.
    void allowQuestions();
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
    void askAboutDamage();
    void reportCopy(const QString &message);

    BackupManager m_manager;
    BackupRunner m_runner; // the automatic copies
    NotesSession &m_session;
    QWidget *m_window;
    MessageFunction m_message;
    RecoveryPrompt m_prompt;
    std::function<QDateTime()> m_now;
    QAction *m_action = nullptr;
    bool m_automatic = true; // off after starting over with an empty database
    bool m_mayAsk = false;
    bool m_asking = false;
    bool m_copiesCancelled = false;
};
