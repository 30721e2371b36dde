#pragma once

#include <QByteArray>
#include <QString>

// Replaces a whole file so that it holds either its old content or the new one, never a part.
// Every write, the flush to disk and the rename are checked: a full disk, a directory in the way
// or a missing folder is reported and leaves the old file (if any) untouched. (QSaveFile on
// Qt 6.4 reports success after a failed buffered write and renames the short file into place.)
class AtomicFile {
public:
    // Who may read the file written: as the umask and a replaced file's mode say, or its owner
    // only (OwnerOnly::FileMode; a replaced file keeps its owner's bits and loses the others').
    enum class Access { Default, OwnerOnly };

    // True when `content` is on disk under `path`. On failure `error` (when given) holds the
    // reason, without the path, and the old file is as it was.
    static bool write(const QString &path, const QByteArray &content, QString *error = nullptr,
                      Access access = Access::Default);
};
