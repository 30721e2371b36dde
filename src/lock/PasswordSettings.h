#pragma once

#include <QString>

// The logic of the password settings dialog, without any window: reading the gate flag
// when the dialog opens and the apply action with its checks in order.
class PasswordSettings {
public:
    enum class Outcome {
        FirstMissing,   // ticked, first field empty: focus the first field
        SecondMissing,  // ticked, second field empty: focus the second field
        Different,      // ticked, the two fields differ: focus stays
        WriteFailed,    // the file could not be written: dialog stays open
        PasswordSet,    // hash written with flag "-1": close the dialog
        PasswordRemoved // marker, marker, "0" written: close the dialog
    };

    struct Result {
        Outcome outcome;
        QString text;    // the message to show
        QString caption; // its caption
        bool isError() const { return outcome == Outcome::WriteFailed; }
        bool closesDialog() const {
            return outcome == Outcome::PasswordSet || outcome == Outcome::PasswordRemoved;
        }
    };

    // Apply: with `ticked` the fields are checked (first empty, second empty, different, in
    // this order) and a hash of `first` is written on lines 0 and 1 with "-1"; unticked,
    // the fields are ignored and marker, marker, "0" are written.
    static Result apply(const QString &path, bool ticked, const QString &first,
                        const QString &second);

    // On opening: `on` becomes true when line 2 is "-1". False (with `error`) when the file
    // cannot be read; `on` is then unchanged.
    static bool readGateFlag(const QString &path, bool &on, QString &error);
};
