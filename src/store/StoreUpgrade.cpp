#include "store/StoreUpgrade.h"

#include "store/StoreError.h"

#include <QThread>

#include <sys/resource.h>

StoreUpgrade::StoreUpgrade(const QString &databaseFile, NoteStore::PlainText plainText,
                           NoteStore::NoteJoin join, QObject *parent)
    : QObject(parent), m_file(databaseFile), m_plainText(std::move(plainText)),
      m_join(std::move(join)) {}

StoreUpgrade::~StoreUpgrade() {
    cancel();
    if (m_thread) m_thread->wait();
}

void StoreUpgrade::start() {
    if (m_thread) return;
    m_thread.reset(QThread::create([this] {
        // The upgrade yields the processor to the window's thread, as the automatic copies do.
        ::setpriority(PRIO_PROCESS, 0, 10);
        Result result = Result::Done;
        QString error;
        try {
            NoteStore store;
            store.setPlainText(m_plainText);
            store.setNoteJoin(m_join);
            store.setIndexProgress([this](int done, int total) {
                QMetaObject::invokeMethod(
                    this, [this, done, total] { emit progress(done, total); },
                    Qt::QueuedConnection);
            });
            store.upgrade(m_file, &m_cancel);
        } catch (const StoreError &e) {
            // A run that ended for its cancel was rolled back, whatever the error says.
            result = m_cancel ? Result::Cancelled : Result::Failed;
            error = e.message();
        } catch (const std::exception &e) {
            result = m_cancel ? Result::Cancelled : Result::Failed;
            error = QString::fromLocal8Bit(e.what());
        }
        m_result = result;
        if (result == Result::Failed) m_error = error;
        // Queued to this object: dropped when it is gone, and the destructor waits for this.
        QMetaObject::invokeMethod(this, &StoreUpgrade::finished, Qt::QueuedConnection);
    }));
    m_thread->setObjectName(QStringLiteral("upgrade"));
    m_thread->start();
}

bool StoreUpgrade::isRunning() const {
    return m_thread && !m_thread->isFinished();
}

void StoreUpgrade::cancel() {
    m_cancel = true;
    // The note conversion, which is not the store's, can look too.
    if (m_thread) m_thread->requestInterruption();
}

StoreUpgrade::Result StoreUpgrade::wait() {
    if (m_thread) m_thread->wait();
    return m_result;
}

StoreUpgrade::Result StoreUpgrade::result() const {
    return isRunning() ? Result::Running : m_result;
}

QString StoreUpgrade::error() const {
    return isRunning() ? QString() : m_error;
}
