#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Runs a program with an argument list (never through a shell) and waits for it, bounded.
class CommandRunner {
public:
    struct Result {
        bool ok = false;   // started, finished in time, exit code 0
        QByteArray output; // standard output
        QString error;     // why it failed, for messages
    };

    explicit CommandRunner(int timeoutMs = 5000,
                           QProcessEnvironment env = QProcessEnvironment::systemEnvironment())
        : m_timeoutMs(timeoutMs), m_env(std::move(env)) {}

    Result run(const QString &program, const QStringList &arguments) const;
    const QProcessEnvironment &environment() const { return m_env; }

private:
    int m_timeoutMs;
    QProcessEnvironment m_env;
};
