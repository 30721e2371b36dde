#pragma once

#include <QString>

// Salted, slow password hashes in libsodium's one-line Argon2id form
// ("$argon2id$v=19$m=...,t=...,p=...$salt$hash"). The password is hashed as UTF-8.
class PasswordHash {
public:
    // True when `line` has the Argon2id hash form (starts with "$argon2id$").
    static bool isHash(const QString &line);

    // True when `line` claims to be a hash of this program ("$argon2" at the start) but is not
    // a complete one (cut short, altered): no password can ever match it.
    static bool isDamagedHash(const QString &line);

    // Makes a new hash with a fresh random salt. False (with `error`) when libsodium cannot
    // start or runs out of memory.
    static bool hash(const QString &password, QString &hashLine, QString &error);

    // True when `password` matches `hashLine`; false for a wrong password or a broken line.
    static bool verify(const QString &hashLine, const QString &password);
};
