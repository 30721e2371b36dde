#pragma once

#include <QString>

// Where the read-only files shipped with the program (pictures, pages, backgrounds) are.
// A build folder or a portable copy keeps them in resources/ beside the executable; an
// installed copy in share/kestrova/ of its prefix, found relative to the executable
// (bin/../share/kestrova), so an installation unpacked anywhere finds its own files.
class ResourceLocator {
public:
    // <programDir>/resources when that folder exists, else the installed folder when that
    // exists, else <programDir>/resources (whose files are then reported missing).
    static QString resourceDir(const QString &programDir);
    // True when the files are only in the installed place: the program is installed and keeps
    // its data in the user's folder, never beside the executable.
    static bool isInstalled(const QString &programDir);

    static QString besideDir(const QString &programDir);    // <programDir>/resources
    static QString installedDir(const QString &programDir); // <programDir>/../share/kestrova
};
