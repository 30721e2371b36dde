#pragma once

#include <QString>

// Where the program keeps its data. The data folder ("root") has this layout (DB3/, backup/ and
// the files of the notes and the password only for the user: 0700 and 0600):
//   DB3/CalendarD.db          note database (NoteStore)
//   DB3/form.ini              window settings (FormIni)
//   DB3/loginstr.db           start-up password file
//   DB3/backup/               copies of the note database (BackupManager)
//   source/DeskTopBG/         wallpaper pictures (Content.bmp, Mix.bmp, A1.bmp and A2.bmp:
//                             the backgrounds are written from the PNG files of
//                             shippedWallpaperDir() when first needed, or are the user's own)
// The portable root is the program directory itself; an installed program (its shipped files in
// share/kestrova/, see ResourceLocator) and a copy whose directory is not writable keep their data
// in $XDG_DATA_HOME/kestrova/ (default ~/.local/share/kestrova/).
// Read-only pictures and pages shipped with the program live in resourceDir().
class AppPaths {
public:
    // A data folder at `root`. `programDir` (default: root) locates resourceDir().
    explicit AppPaths(const QString &root, const QString &programDir = QString());

    // The data folder for a program installed in `programDir` (normally
    // QCoreApplication::applicationDirPath()): the per-user folder above for an installed
    // program; else programDir when it holds DB3/CalendarD.db (writable or not) or when files
    // can be created there (probed by creating one, not by permission bits), else the per-user
    // folder.
    // Creates nothing.
    static AppPaths detect(const QString &programDir);

    // $XDG_DATA_HOME/kestrova, or ~/.local/share/kestrova when XDG_DATA_HOME is unset or relative.
    static QString userDataRoot();

    // True when files can be created in `dir` (or, when it does not exist yet, in the nearest
    // existing parent folder that mkpath would create it in).
    static bool isWritableDir(const QString &dir);

    QString root() const { return m_root; }
    QString programDir() const { return m_programDir; }
    bool isPortable() const; // root() is the program directory

    QString db3Dir() const;                           // <root>/DB3
    QString databaseFile() const;                     // <root>/DB3/CalendarD.db
    QString formIniFile() const;                      // <root>/DB3/form.ini
    QString loginFile() const;                        // <root>/DB3/loginstr.db
    QString backupDir() const;                        // <root>/DB3/backup
    QString wallpaperDir() const;                     // <root>/source/DeskTopBG
    QString wallpaperFile(const QString &name) const; // <root>/source/DeskTopBG/<name>
    QString resourceDir() const;         // <programDir>/resources or the installed share/kestrova
    QString shippedWallpaperDir() const; // resourceDir()/DeskTopBG: the shipped backgrounds

    // First-run set-up. When DB3/ does not exist, lays out a fresh data folder: the note database
    // with all its tables, loginstr.db in its no-password state ("NOKEY4817203", "NOKEY4817203",
    // "0", CR LF line ends) and an empty source/DeskTopBG/ (the wallpaper dialog writes the
    // backgrounds there when it first needs them). The folder is built beside DB3/ and renamed into
    // place, so an interrupted first run leaves no half-made DB3/. form.ini is left to
    // FormIni::read(). Returns true when it laid out a new folder, false when DB3/ already
    // existed (then nothing is touched, except that a missing source/DeskTopBG/ is created and
    // the group's and others' access to DB3/, the database, its copies and the password file
    // is taken away: the folders are the owner's alone (0700), and so are those files (0600)).
    // Either way, staging folders (DB3.new-*) left by a first run that was cut off are removed
    // once they are older than StaleStagingSeconds.
    // Throws StoreError with the failing step's message.
    bool ensureLayout() const;
    static constexpr int StaleStagingSeconds = 60;

    // The exact bytes of loginstr.db in its no-password state.
    static QByteArray noPasswordFileContent();

private:
    void removeStaleStaging() const;
    void restrictAccess() const;

    QString m_root;
    QString m_programDir;
};
