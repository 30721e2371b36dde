#pragma once

#include "store/NoteStore.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

// Brings the note database up to date (NoteStore::upgrade(): the pending schema steps in one
// transaction, the search index) on a thread of its own over a connection of its own, so the
// window keeps answering for the seconds decades of notes take. progress() and finished() come
// on the thread that made it; a cancelled run is rolled back and leaves the file as it was.
class StoreUpgrade : public QObject {
    Q_OBJECT
public:
    enum class Result { Running, Done, Failed, Cancelled };

    // `plainText` and `join` are called on the upgrade's thread.
    StoreUpgrade(const QString &databaseFile, NoteStore::PlainText plainText,
                 NoteStore::NoteJoin join, QObject *parent = nullptr);
    // Cancels a run still going and waits for it.
    ~StoreUpgrade() override;

    QString databaseFile() const { return m_file; }
    // Starts the run; once only.
    void start();
    bool isRunning() const;
    // Asks the run to stop at its next step (a few thousand SQLite instructions, or a note);
    // a note conversion that waits may look at QThread::isInterruptionRequested().
    void cancel();
    // Waits until the run has ended; its result then.
    Result wait();
    Result result() const;
    // Why the run failed (the database's or the system's text); empty otherwise.
    QString error() const;

signals:
    // Every few hundred notes while they are indexed.
    void progress(int done, int total);
    // Once, after the run has ended (result() tells how).
    void finished();

private:
    QString m_file;
    NoteStore::PlainText m_plainText;
    NoteStore::NoteJoin m_join;
    std::atomic<bool> m_cancel{false};
    // Written by the run's thread before it ends, read after wait().
    Result m_result = Result::Running;
    QString m_error;
    std::unique_ptr<QThread> m_thread;
};
