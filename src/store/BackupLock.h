#pragma once

#include <atomic>
#include <mutex>

// One change at a time to a backup folder: the automatic copies on a thread of their own, the
// dialog's copy and a restore on the window's thread. Shared by the copies of a BackupManager.
// A caller that cannot wait long (the window's thread) takes it `urgent`: the copy in progress
// sees that at its next step and gives way, so the window never waits for a whole copy.
class BackupLock {
public:
    using Holder = std::unique_lock<std::recursive_mutex>;

    BackupLock() = default;
    BackupLock(const BackupLock &) = delete;
    BackupLock &operator=(const BackupLock &) = delete;

    Holder acquire(bool urgent);
    // True while an urgent caller waits: a copy that may be stopped stops.
    bool isWantedUrgently() const { return m_urgentWaiters.load() > 0; }

private:
    std::recursive_mutex m_mutex;
    std::atomic<int> m_urgentWaiters{0};
};
