#pragma once

#include <QString>

// The decision behind the gate's confirm button, without any window.
class GateCheck {
public:
    enum class Result {
        Accepted,   // right password, or no password set (marker on line 0)
        Rejected,   // wrong password
        ReadFailed, // file missing or unreadable, or no line 0
        Damaged     // line 0 holds a damaged hash (see LoginFile::checkPasswordLine)
    };

    // Reads the file afresh and compares `typed` with line 0: the marker lets anything in,
    // an Argon2id hash is verified, anything else is an older plain-text password compared
    // exactly.
    // A right password stored in plain text is replaced by its hash (lines 0 and 1, line 2
    // kept), so plain text does not stay on disk; a failure of that write changes nothing.
    // `error` (when given) receives the message for Damaged.
    static Result check(const QString &path, const QString &typed, QString *error = nullptr);

    // The same decision for an already read line 0.
    static bool matches(const QString &line0, const QString &typed);
};
