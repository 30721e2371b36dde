#pragma once

#include "export/ExportQuestions.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <functional>

class ExportDocument;
class NoteStore;

// The save steps of an export: the file name, the question before replacing a file, the
// encoding (GBK when everything fits, else the user decides), the checked atomic write and the
// message on failure. A failed write leaves any old file as it was. The calendar file takes the
// same steps after its months, in UTF-8 as the format has it.
class ExportController {
public:
    enum class Outcome { Written, Cancelled, Failed };

    explicit ExportController(ExportQuestions &questions) : m_questions(questions) {}

    Outcome run(const ExportDocument &document);
    // A file of another kind with the same steps: the save dialog of `kind`, its suffix added,
    // the replace question, the checked write of what `content` makes (only once the file may
    // be written; a store error it throws is the failure's reason) and the same failure message.
    Outcome runFile(const ExportQuestions::FileKind &kind, const QString &proposedName,
                    const std::function<QByteArray()> &content);
    // The day notes of the months the user chooses (proposed: the year of `today`), read from
    // `store`, as an iCalendar file.
    Outcome runCalendar(const NoteStore &store, const QDate &today);
    // The file of the last run that got as far as a name (written or not).
    const QString &path() const { return m_path; }

    static QString failureMessage(const QString &path, const QString &reason);
    // The save dialog's settings for a calendar file.
    static ExportQuestions::FileKind calendarFileKind();

private:
    // The dialog saw the name before its suffix was added, so the file to replace is asked
    // about here.
    bool mayReplace() const;
    Outcome write(const QByteArray &bytes);
    Outcome fail(const QString &reason);

    ExportQuestions &m_questions;
    QString m_path;
};
