#pragma once

// Older note databases and a slow note conversion, for the tests of the upgrade.
#include "richtext/RichText.h"
#include "store/NoteStore.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <chrono>
#include <future>

namespace testfiles {

// A note as the editors store it, around RTF body text.
inline QByteArray rtf(const QByteArray &body) {
    return "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}}"
           "\\uc1\\pard\\f0\\fs18 " +
           body + "\\par}";
}

// Runs `statements` on the closed database `file` through a connection of its own, the last
// one: the log is folded in, so the single file holds everything. Empty on success, else what
// failed.
inline QString alter(const QString &file, const QStringList &statements) {
    const QString name = QStringLiteral("upgrade-fixture");
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open()) error = db.lastError().text();
        QSqlQuery q(db);
        for (const QString &sql : statements)
            if (error.isEmpty() && !q.exec(sql))
                error = sql + QStringLiteral(": ") + q.lastError().text();
    }
    QSqlDatabase::removeDatabase(name);
    return error;
}

// The search index's tables taken away: the notes as they are.
inline QString dropTextIndex(const QString &file) {
    return alter(file, {"DROP TABLE NoteTextIndex", "DROP TABLE NoteText",
                        "DROP TABLE NoteTextState", "DROP TABLE NoteTextPending"});
}

// A file as a build before the search index left it (version 1), made from a current one.
inline QString makeVersionOne(const QString &file) {
    const QString error = dropTextIndex(file);
    return error.isEmpty() ? alter(file, {"PRAGMA user_version = 1"}) : error;
}

// The session's note conversion, held at its `at`-th note (1-based) until release() or the
// upgrade's cancel, so that an upgrade takes as long as a test needs. Must outlive every upgrade
// that uses it.
class HeldPlainText {
public:
    explicit HeldPlainText(int at) : m_at(at), m_released(m_release.get_future().share()) {}
    ~HeldPlainText() { release(); }

    NoteStore::PlainText function() {
        return [this](const QByteArray &note) {
            if (++m_calls == m_at) {
                m_reached = true;
                // A test that fails before releasing must not hang the upgrade for good.
                const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
                while (m_released.wait_for(std::chrono::milliseconds(2)) !=
                           std::future_status::ready &&
                       !QThread::currentThread()->isInterruptionRequested() &&
                       std::chrono::steady_clock::now() < end) {
                }
            }
            return richtext::plainText(note);
        };
    }
    // The upgrade waits at the held note now.
    bool reached() const { return m_reached; }
    void release() {
        if (!m_done.exchange(true)) m_release.set_value();
    }

private:
    const int m_at;
    std::atomic<int> m_calls{0};
    std::atomic<bool> m_reached{false};
    std::atomic<bool> m_done{false};
    std::promise<void> m_release;
    std::shared_future<void> m_released;
};

} // namespace testfiles
