#include "store/BackupLock.h"

BackupLock::Holder BackupLock::acquire(bool urgent) {
    if (!urgent) return Holder(m_mutex);
    ++m_urgentWaiters;
    Holder holder(m_mutex);
    --m_urgentWaiters;
    return holder;
}
