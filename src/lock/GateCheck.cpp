#include "lock/GateCheck.h"

#include "lock/LoginFile.h"
#include "lock/PasswordHash.h"

#include <QStringList>

namespace {

void replacePlainText(const QString &path, QStringList lines, const QString &password) {
    QString hashLine;
    QString error;
    if (!PasswordHash::hash(password, hashLine, error)) return;
    lines[0] = hashLine;
    if (lines.size() > 1) lines[1] = hashLine;
    // A failed write keeps the old file; the next login tries again.
    LoginFile::write(path, lines, error);
}

} // namespace

GateCheck::Result GateCheck::check(const QString &path, const QString &typed, QString *error) {
    QStringList lines;
    QString readError;
    if (!LoginFile::readLines(path, lines, readError) || lines.isEmpty()) return Result::ReadFailed;
    QString damage;
    if (!LoginFile::checkPasswordLine(path, lines, damage)) {
        if (error) *error = damage;
        return Result::Damaged;
    }
    const QString &line0 = lines.at(0);
    if (!matches(line0, typed)) return Result::Rejected;
    if (line0 != QLatin1String(LoginFile::kNoKeyMarker) && !PasswordHash::isHash(line0))
        replacePlainText(path, lines, typed);
    return Result::Accepted;
}

bool GateCheck::matches(const QString &line0, const QString &typed) {
    if (line0 == QLatin1String(LoginFile::kNoKeyMarker)) return true;
    if (PasswordHash::isHash(line0)) return PasswordHash::verify(line0, typed);
    // A file written by an older version holds the password itself: exact comparison.
    return typed == line0;
}
