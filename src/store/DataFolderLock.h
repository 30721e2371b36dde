#pragma once

#include <QString>

// Marks a data folder as in use by one running program: an exclusive flock() on
// <DB3>/kestrova.lock, held while the object lives. The single-instance check only sees programs
// of the same session; this lock also sees other sessions and other users on the same folder
// (a shared or network folder), so a second program can open the notes read-only instead of
// overwriting them. The lock goes with the process, also when it is killed.
class DataFolderLock {
public:
    enum class State {
        Held,          // this program owns the folder
        HeldElsewhere, // another program has it open
        Unavailable,   // no lock could be taken (read-only folder without a lock file, ...)
    };

    explicit DataFolderLock(const QString &db3Dir);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    State state() const { return m_state; }
    QString filePath() const { return m_path; }
    // Why the lock is Unavailable (the system's text).
    QString errorString() const { return m_error; }

private:
    QString m_path;
    int m_fd = -1;
    State m_state = State::Unavailable;
    QString m_error;
};
