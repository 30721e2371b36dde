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
    // The daily copy (the caller runs it after the first show of the main window).
    void dailyBackup();
    // The program ends: the log goes into the .db file, and a copy is made after edits.
    void atExit();

    QAction *menuAction() const { return m_action; }
    void showDialog();

private:
    void askAboutDamage();

    BackupManager m_manager;
    AutoBackup m_auto;
    NotesSession &m_session;
    QWidget *m_window;
    MessageFunction m_message;
    RecoveryPrompt m_prompt;
    std::function<QDateTime()> m_now;
    QAction *m_action = nullptr;
    bool m_automatic = true; // off after starting over with an empty database
    bool m_mayAsk = false;
    bool m_asking = false;
};
