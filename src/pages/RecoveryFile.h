#pragma once

#include "pages/UnsavedCell.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The cells that could not be saved when the program had to end (the user chose to quit while
// saves failed, or the session ended): one UTF-8 text file per ending, with each cell's page,
// date and place, its plain text and its stored form (RTF), so nothing typed is lost.
//
// A new file is named "unsaved-<yyyyMMdd-HHmmss>.txt". The next start claims it: it is renamed
// to "recovered-<...>.txt" (so the user is told once) and its new path is shown.
class RecoveryFile {
public:
    // The file's content for `cells`, written at `when` while `databaseFile` could not be saved.
    static QByteArray format(const QList<UnsavedCell> &cells, const QString &databaseFile,
                             const QDateTime &when);

    // Writes a new file into the first of `folders` that takes it (made when missing). On
    // success `path` names it; on failure `error` holds each folder's reason.
    static bool write(const QStringList &folders, const QList<UnsavedCell> &cells,
                      const QString &databaseFile, QString &path, QString &error);

    // Renames the unclaimed files of `folder` to their "recovered-" names and returns the new
    // paths (a file that cannot be renamed is returned under its own name).
    static QStringList claim(const QString &folder);
};
