#pragma once

#include "pages/LastSelection.h"
#include "pages/MemoDocument.h"
#include "pages/NoteDocument.h"
#include "pages/PageContext.h"
#include "pages/SaveGate.h"
#include "store/AppPaths.h"
#include "store/NoteStore.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class DatabaseCheck;
class DataFolderLock;
class Prompts;
class StoreUpgrade;

// The notes of one run of the program, without widgets: the note database and the folder lock,
// whether the notes can be written (read-only store, its one notice), whether saving is allowed
// now, and the policy of the end (closing, a kill from outside, recovery files). The pages'
// documents are registered here as they are built; the session never sees a widget.
//
// Wherever the file is opened for writing (at the start, after a restore), a file of an older
// version or without its search index is first brought up to date on a thread of its own
// (StoreUpgrade): meanwhile the notes show read-only, typing goes on and saves wait, as during
// the check.
class NotesSession : public QObject {
    Q_OBJECT
public:
    // Whether the whole file is checked (PRAGMA quick_check, on a thread of its own) while the
    // notes show: until it has passed the database is only read and saves wait; a damaged file
    // is told by damageFound() and left as it is.
    enum class FileCheck { None, BeforeWrites };

    NotesSession(const AppPaths &paths, Prompts &prompts, QObject *parent = nullptr);
    ~NotesSession() override;

    const AppPaths &paths() const { return m_paths; }
    PageContext &context() { return m_context; }
    NoteStore &store() { return m_store; }
    const NoteStore &store() const { return m_store; }
    Prompts &prompts() const { return m_prompts; }
    const SaveGate &saving() const { return m_saving; }

    // Takes the folder lock and opens the database, read-only when another program holds the
    // folder or the file cannot be written; then tells of recovery files a past run left.
    void openStore(FileCheck check = FileCheck::None);
    // The check of the file is still running (saves wait for it).
    bool isChecking() const { return m_check != nullptr; }
    // The file is being brought up to date on the upgrade's thread (saves wait for it; the store
    // reads the file meanwhile). A failed upgrade leaves the notes read-only, with a message.
    bool isUpgrading() const { return m_upgrade != nullptr; }
    // The check found the file damaged and the user has not chosen yet what takes its place:
    // nothing is read from or written to it.
    bool isDamaged() const { return !m_damage.isEmpty(); }
    // The user's choice for a damaged file: `replace` puts a sound file in its place (the store
    // is closed while it runs). Text typed before the verdict goes to a recovery file first,
    // then the notes are read again from the new file. Throws what `replace` throws; the file
    // then counts as damaged still.
    void replaceDamaged(const std::function<void()> &replace);
    // Opens the database named at the start again (a date change): a database that could not be
    // opened then gets another chance. Says why once per new cause.
    void reconnect();
    // The notes cannot be saved (store read-only or not open). Not while the check or the
    // upgrade runs: text can be typed then and is saved once they have passed.
    bool isReadOnly() const;

    // The window's first show is over: saves are allowed from now on.
    void start();
    bool isStarted() const { return m_started; }
    // Around a replacement of the database file (a backup restore): suspend() saves the active
    // document and closes the database, false when that save failed (nothing is closed then);
    // resume() reopens it and allows saving again, then asks for the start page (resumed()).
    // A restored copy of an older version is upgraded first: saving opens when that is done.
    bool suspend();
    void resume();

    // The pages' documents, as the page host builds them; the active one is the visible page's.
    void addDocument(NoteDocument *document);
    void setActiveDocument(NoteDocument *document);
    NoteDocument *activeDocument() const { return m_active; }
    void setMemo(MemoDocument *memo);

    // The active document, when it has unsaved changes (auto-save, caption buttons).
    bool saveActive(bool report = true);

    // Ends the program as a close does, after a check or an upgrade still running has ended:
    // saves the active document and the memo lines without the documents' own failure boxes;
    // when that fails the user chooses between keeping the window (false: nothing is lost) and
    // quitting, after the unsaved text went to a recovery file (when even that fails the window
    // stays). True when the program ends (finished()).
    bool close();
    // The session ends (SIGTERM, SIGHUP): saves what it can without asking, writes whatever is
    // still unsaved to a recovery file, and ends in every case. An upgrade still running is
    // cancelled (the file stays as it was, and the next start upgrades it).
    void terminate();
    // "退出程序": ends at once, saves nothing.
    void quitNow();
    // Nothing is written from now on: the windows go away without ending the program this way.
    void stopSaving();
    bool isClosing() const { return m_closing; }

    // The cells of every document whose text is not in the store.
    QList<UnsavedCell> unsavedCells() const;
    // Where recovery files go: beside the database, else the per-user data folder.
    QStringList recoveryFolders() const;

signals:
    // After resume() and replaceDamaged(): the visible page should load again.
    void resumed();
    // The first time saving opens: the window has shown and the file passed its check.
    void ready();
    // The check found the file damaged (`problem` is SQLite's finding).
    void damageFound(const QString &problem);
    // The program should end now (the caller quits the event loop).
    void finished();
    // Around an upgrade of the file: its start, every few hundred notes indexed, its end
    // (before the file is opened for writing).
    void upgradeStarted();
    void upgradeProgress(int done, int total);
    void upgradeFinished();

private:
    void announceRecoveryFiles();
    bool isHeldElsewhere() const;
    void openOrReconnect(bool again);
    void openForWriting();
    bool startUpgrade();
    void settleUpgrade(bool mayTell);
    void showStoreNotice(const QString &notice);
    void applyReadOnly();
    bool openForReading();
    void settleCheck(bool mayAsk);
    void openSaving();
    bool writeRecoveryFile(QString &error) const;
    void finish();
    // One batch of saved notes into the search index, a moment after the last save.
    void updateTextIndex();

    AppPaths m_paths;
    Prompts &m_prompts;
    NoteStore m_store;
    SaveGate m_saving;
    LastSelection m_lastSelection;
    PageContext m_context;
    std::unique_ptr<DataFolderLock> m_folderLock;
    std::unique_ptr<DatabaseCheck> m_check;
    std::unique_ptr<StoreUpgrade> m_upgrade;
    QString m_damage; // what the check found, until the user has chosen
    bool m_ready = false;
    QString m_storeNotice; // the last thing said about the store (not said again)
    std::vector<QPointer<NoteDocument>> m_documents;
    QPointer<NoteDocument> m_active;
    QPointer<MemoDocument> m_memo;
    bool m_started = false;
    bool m_closing = false;
    QTimer m_indexTimer; // single shot: the next batch of the search index
};
