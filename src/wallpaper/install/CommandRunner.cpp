#include "wallpaper/install/CommandRunner.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

CommandRunner::Result CommandRunner::run(const QString &program,
                                         const QStringList &arguments) const {
    Result result;
    // Looked up in the PATH of the environment given, not in this process's own.
    const QString found = program.contains(QLatin1Char('/'))
                              ? program
                              : QStandardPaths::findExecutable(
                                    program, m_env.value(QStringLiteral("PATH"))
                                                 .split(QDir::listSeparator(), Qt::SkipEmptyParts));
    if (found.isEmpty()) {
        result.error = QStringLiteral("%1: not found").arg(program);
        return result;
    }
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.setProgram(found);
    process.setArguments(arguments);
    process.start();
    if (!process.waitForStarted(m_timeoutMs)) {
        result.error = QStringLiteral("%1: %2").arg(program, process.errorString());
        return result;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(m_timeoutMs)) {
        process.kill();
        process.waitForFinished(1000);
        result.error = QStringLiteral("%1: no answer within %2 ms").arg(program).arg(m_timeoutMs);
        return result;
    }
    result.output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        result.error = QStringLiteral("%1: exit %2 %3")
                           .arg(program)
                           .arg(process.exitCode())
                           .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return result;
    }
    result.ok = true;
    return result;
}
