#pragma once

#include <QString>

class ExportDocument;
class ExportQuestions;

// The save steps of an export: the file name, the question before replacing a file, the
// encoding (GBK when everything fits, else the user decides), the checked atomic write and the
// message on failure. A failed write leaves any old file as it was.
class ExportController {
public:
    enum class Outcome { Written, Cancelled, Failed };

    explicit ExportController(ExportQuestions &questions) : m_questions(questions) {}

    Outcome run(const ExportDocument &document);
    // The file of the last run that got as far as a name (written or not).
    const QString &path() const { return m_path; }

    static QString failureMessage(const QString &path, const QString &reason);

private:
    ExportQuestions &m_questions;
    QString m_path;
};
