#pragma once

#include <QByteArray>
#include <QString>

// Desktops cache pictures by path, so every setting installs a copy under a new name
// ("Wallpaper-<n>.bmp", n counting up) in the picture folder. The current copy and the one
// before it are kept; older ones are deleted.
class WallpaperCopies {
public:
    // Writes `bytes` as the next copy; its path, or empty with `error` set.
    static QString writeNext(const QString &dir, const QByteArray &bytes, QString *error);
    // Deletes every copy but the two newest.
    static void prune(const QString &dir);
};
