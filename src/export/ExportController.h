#pragma once

#include "export/ExportQuestions.h"

#include <QByteArray>
#include <QString>

#include <functional>

class ExportDocument;

// The save steps of an export: the file name, the question before replacing a file, the
// encoding (GBK when everything fits, else the user decides), the checked atomic write and the
// message on failure. A failed write leaves any old file as it was.
class ExportController {
public:
    enum class Outcome { Written, Cancelled, Failed };

    explicit ExportController(ExportQuestions &questions) : m_questions(questions) {}

    Outcome run(const ExportDocument &document);
    // A file of another kind with the same steps: the save dialog of `kind`, its suffix added,
    // the replace question, the checked write of what `content` makes (only once the file may
    // be written) and the same failure message.
    Outcome runFile(const ExportQuestions::FileKind &kind, const QString &proposedName,
                    const std::function<QByteArray()> &content);
    // The file of the last run that got as far as a name (written or not).
    const QString &path() const { return m_path; }

    static QString failureMessage(const QString &path, const QString &reason);

private:
    // The replace question for m_path when a file is there.
    bool mayReplace();
    Outcome write(const QByteArray &content);

    ExportQuestions &m_questions;
    QString m_path;
};
