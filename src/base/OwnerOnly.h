#pragma once

#include <QString>

// Files and folders only their owner may read: the notes, their copies and the start-up
// password settings. Folders get mode 0700, files 0600; the owner's own bits of an existing
// entry are kept (a file the user made read-only stays so).
class OwnerOnly {
public:
    static constexpr unsigned FolderMode = 0700;
    static constexpr unsigned FileMode = 0600;

    // Makes `dir` and any missing parents like QDir::mkpath, then takes the group's and others'
    // bits from `dir` itself. False when it is not a folder afterwards.
    static bool makeFolder(const QString &dir);
    // Creates `file` empty with FileMode, so that no one else can open it between its creation
    // and a chmod. False (errno set) when it exists or cannot be made.
    static bool createFile(const QString &file);
    // Takes the group's and others' bits from an existing file or folder; true when it has none
    // left (or does not exist).
    static bool restrict(const QString &path);
    // True when `path` is there and neither its group nor others have any bit.
    static bool isPrivate(const QString &path);
};
