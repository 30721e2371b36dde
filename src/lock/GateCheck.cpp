#include "GateCheck.h"

#include "LoginFile.h"
#include "PasswordHash.h"

#include <QStringList>

GateCheck::Result GateCheck::check(const QString &path, const QString &typed) {
    QStringList lines;
    QString error;
    if (!LoginFile::readLines(path, lines, error) || lines.isEmpty()) return Result::ReadFailed;
    return matches(lines.at(0), typed) ? Result::Accepted : Result::Rejected;
}

bool GateCheck::matches(const QString &line0, const QString &typed) {
    if (line0 == QLatin1String(LoginFile::kNoKeyMarker)) return true;
    if (PasswordHash::isHash(line0)) return PasswordHash::verify(line0, typed);
    // A file written by an older version holds the password itself: exact comparison.
    return typed == line0;
}
