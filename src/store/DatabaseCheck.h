#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <future>
#include <optional>

// PRAGMA quick_check of the note database on a thread of its own, so the window and the notes
// can show while a big file is read through. finished() comes on the thread that made the
// check. The destructor waits for the check to end.
class DatabaseCheck : public QObject {
    Q_OBJECT
public:
    struct Verdict {
        bool damaged = false;
        QString problem; // what SQLite found, when damaged
    };

    // Starts at once. A file another program holds locked, or one the check cannot read for
    // lack of room or rights, is not damaged: opening it tells why.
    explicit DatabaseCheck(const QString &databaseFile, QObject *parent = nullptr);
    // Stops a check still running at its next step (the program ends without the verdict).
    ~DatabaseCheck() override;

    bool isDone() const;
    // Waits for the check when it still runs.
    Verdict verdict();

signals:
    void finished();

private:
    std::atomic<bool> m_cancel{false};
    std::future<Verdict> m_result;
    std::optional<Verdict> m_verdict;
};
