#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs a command to its end: its exit code (-1 when it could not start or timed out) and its
// output and error output together.
struct CommandResult {
    int code = -1;
    QString output;
    bool ok() const { return code == 0; }
};

inline CommandResult runCommand(const QString &program, const QStringList &args,
                                int timeoutMs = 120000, const QString &workingDir = QString()) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!workingDir.isEmpty()) p.setWorkingDirectory(workingDir);
    p.start(program, args);
    CommandResult r;
    if (!p.waitForStarted()) {
        r.output = program + QStringLiteral(": ") + p.errorString();
        return r;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.output = program + QStringLiteral(": timed out\n");
    }
    r.output += QString::fromLocal8Bit(p.readAll());
    if (p.exitStatus() == QProcess::NormalExit) r.code = p.exitCode();
    return r;
}
