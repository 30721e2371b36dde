#include "base/ResourceLocator.h"

#include <QDir>
#include <QFileInfo>

#ifndef KESTROVA_BIN_TO_DATA
#define KESTROVA_BIN_TO_DATA "../share/kestrova"
#endif

QString ResourceLocator::besideDir(const QString &programDir) {
    return QDir::cleanPath(programDir + QStringLiteral("/resources"));
}

QString ResourceLocator::installedDir(const QString &programDir) {
    return QDir::cleanPath(programDir + QLatin1Char('/') + QStringLiteral(KESTROVA_BIN_TO_DATA));
}

bool ResourceLocator::isInstalled(const QString &programDir) {
    return !QFileInfo(besideDir(programDir)).isDir() && QFileInfo(installedDir(programDir)).isDir();
}

QString ResourceLocator::resourceDir(const QString &programDir) {
    return isInstalled(programDir) ? installedDir(programDir) : besideDir(programDir);
}
