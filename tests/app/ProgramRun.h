#pragma once

// Helpers of the tests that run the real program on an X display.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace ProgramRun {

// Runs a tool to its end and returns its trimmed standard output.
inline QString run(const QString &program, const QStringList &args, int timeoutMs = 5000) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

inline bool copyTree(const QString &from, const QString &to) {
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (it.fileInfo().isDir())
            QDir().mkpath(target);
        else if (!QFile::copy(source, target))
            return false;
    }
    return true;
}

// A copy of the program and its resources in `dir`, as beside the executable of a portable
// copy; the path of the copied program, empty when the copy failed.
inline QString copyProgram(const QString &binary, const QString &resources, const QString &dir) {
    const QString copy = QDir(dir).filePath(QStringLiteral("kestrova"));
    if (!QFile::copy(binary, copy) ||
        !QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
        !copyTree(resources, QDir(dir).filePath(QStringLiteral("resources"))))
        return {};
    return copy;
}

// The environment of a run of the program on the test's display, with its own runtime folder
// so that a copy of the program the user runs does not count as running.
inline QProcessEnvironment programEnvironment(const QString &runtimeDir) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    return env;
}

// The visible windows of a process, as xdotool finds them by their _NET_WM_PID.
inline QStringList visibleWindowsOf(qint64 pid) {
    const QString out = run("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)});
    return out.isEmpty() ? QStringList() : out.split('\n');
}

// The value of a window property (of the root window for an empty id) as xprop prints it:
// after "NAME(TYPE) = " or, for window ids, "NAME(TYPE): ". Empty when not set.
inline QString windowProperty(const QString &window, const QString &name) {
    const QString line = run("xprop", window.isEmpty() ? QStringList{"-root", name}
                                                       : QStringList{"-id", window, name});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^[^(]+\\([^)]*\\)(?: = |: )(.*)$"),
                           QRegularExpression::DotMatchesEverythingOption)
            .match(line);
    return m.hasMatch() ? m.captured(1) : QString();
}

} // namespace ProgramRun
