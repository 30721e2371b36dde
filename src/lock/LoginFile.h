#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The password file DB3/loginstr.db: GBK text, one value per line.
//   line 0: the password hash (or, in files of older versions, the password itself),
//           or the no-password marker
//   line 1: the same as line 0 (read by nobody)
//   line 2: the gate flag, "-1" on, anything else off
// Writers always produce exactly three lines, each ended by CR LF.
class LoginFile {
public:
    // Lines 0 and 1 hold this marker when no password is set.
    static constexpr const char *kNoKeyMarker = "NOKEY4817203";
    static constexpr const char *kGateOn = "-1";
    static constexpr const char *kGateOff = "0";

    // applicationDirPath() + "/DB3/loginstr.db".
    static QString defaultPath();

    // Reads the whole file and splits it at CR LF, CR or LF; nothing is trimmed. A terminator
    // at the very end does not start an extra line. Fails (false, error names the file and
    // the reason) for a missing or unreadable file, bytes that are not GBK, or fewer than
    // three lines. `lines` is only changed on success.
    static bool read(const QString &path, QStringList &lines, QString &error);

    // Like read() but accepts any number of lines (the gate only needs line 0).
    static bool readLines(const QString &path, QStringList &lines, QString &error);

    // False (error names the file) when line 0 holds a password hash that is cut short or
    // altered: no password could ever pass the gate with it.
    static bool checkPasswordLine(const QString &path, const QStringList &lines, QString &error);

    // True only when line 2 is exactly "-1".
    static bool gateOn(const QStringList &lines);

    // Replaces the file atomically (AtomicFile) with `lines`, each ended by CR LF, in GBK.
    // Fails without touching the file for a line that holds CR or LF or a character GBK
    // cannot hold, for an existing file without write permission (read-only), and for any
    // error of the file system (missing folder, full disk); the folder is never created.
    static bool write(const QString &path, const QStringList &lines, QString &error);

    // Helpers shared by read() and write(). encode() gives the exact bytes write() stores.
    static QStringList splitLines(const QString &text);
    static bool encode(const QStringList &lines, QByteArray &bytes, QString &error);
};
